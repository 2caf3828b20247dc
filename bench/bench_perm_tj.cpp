// Baseline of the literal order search: nref = 6 reference markers, ntest = 6..10 test markers,
// correlations drawn uniformly from [-1, 1) with a fixed seed so every engine sees the same input.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "perm_tj.h"

namespace {

std::vector<float> random_correlations(std::int32_t ntest, std::int32_t nref) {
    std::mt19937 generator(20240917u);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> data(static_cast<std::size_t>(ntest) * static_cast<std::size_t>(nref));
    for (auto& v : data) v = value(generator);
    return data;
}

void BM_perm_tj(benchmark::State& state) {
    const std::int32_t nref = 6;
    const auto ntest = static_cast<std::int32_t>(state.range(0));
    const std::vector<float> data = random_correlations(ntest, nref);
    std::vector<float> ssq(static_cast<std::size_t>(nref), 0.0f);
    std::vector<std::int32_t> order(static_cast<std::size_t>(ntest), 0);
    float best = 0.0f;
    for (auto _ : state) {
        varandel::perm_tj(data.data(), nref, ntest, ssq.data(), best, order.data());
        benchmark::DoNotOptimize(best);
        benchmark::ClobberMemory();
    }
    state.counters["orderings/s"] =
        benchmark::Counter(static_cast<double>(varandel::perm_tj_orderings(ntest)) *
                               static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_perm_tj)->Arg(6)->Arg(7)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_perm_tj)->Arg(9)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_perm_tj)->Arg(10)->Iterations(3)->Unit(benchmark::kMillisecond);
