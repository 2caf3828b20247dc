// Per-combination times of the order searches: literal (perm_tj), enumerate, branch and bound and
// the default engine, nref 6, on noise and on structured (one latent factor) correlations.
// Arguments: ntest, data (0 noise, 1 structured). Benchmarks named *Slow* take seconds; skip
// them with --benchmark_filter=-Slow.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <omp.h>

#include "best_order.h"
#include "best_order_bnb.h"
#include "best_order_enumerate.h"
#include "perm_tj.h"

namespace {

using namespace varandel;

constexpr std::int32_t bench_nref = 6;

// Correlations of markers over 40 random lines, as a job computes them.
std::vector<float> bench_matrix(std::int32_t ntest, std::int32_t nref, bool structured,
                                unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> normal;
    const int lines = 40;
    std::vector<float> factor(lines);
    for (float& f : factor) f = normal(rng);
    std::vector<std::vector<float>> raw(static_cast<std::size_t>(ntest + nref),
                                        std::vector<float>(lines));
    for (auto& marker : raw) {
        const float load = structured ? std::uniform_real_distribution<float>(-1.5f, 1.5f)(rng) : 0;
        for (int l = 0; l < lines; ++l) marker[l] = load * factor[l] + normal(rng);
    }
    std::vector<float> data(static_cast<std::size_t>(ntest) * nref);
    for (std::int32_t t = 0; t < ntest; ++t)
        for (std::int32_t r = 0; r < nref; ++r) {
            const auto& x = raw[static_cast<std::size_t>(nref + t)];
            const auto& y = raw[static_cast<std::size_t>(r)];
            float mx = 0, my = 0;
            for (int l = 0; l < lines; ++l) {
                mx += x[l];
                my += y[l];
            }
            mx /= lines;
            my /= lines;
            float sxy = 0, sxx = 0, syy = 0;
            for (int l = 0; l < lines; ++l) {
                sxy += (x[l] - mx) * (y[l] - my);
                sxx += (x[l] - mx) * (x[l] - mx);
                syy += (y[l] - my) * (y[l] - my);
            }
            data[static_cast<std::size_t>(r) * ntest + t] = sxy / std::sqrt(sxx * syy);
        }
    return data;
}

template <class Search> void run_one(benchmark::State& state, Search&& search) {
    const auto ntest = static_cast<std::int32_t>(state.range(0));
    const std::vector<float> data = bench_matrix(ntest, bench_nref, state.range(1) != 0, 1);
    std::vector<float> ssq(bench_nref);
    std::vector<std::int32_t> order(static_cast<std::size_t>(ntest));
    float best = 0;
    for (auto _ : state) {
        search(data.data(), bench_nref, ntest, ssq.data(), best, order.data());
        benchmark::DoNotOptimize(best);
    }
}

void BM_literal(benchmark::State& state) {
    run_one(state, perm_tj);
}

void BM_enumerate(benchmark::State& state) {
    run_one(state, [](const float* d, std::int32_t r, std::int32_t t, float* s, float& b,
                      std::int32_t* o) { best_order_enumerate(d, r, t, s, b, o); });
}

// Branch and bound time depends on the data: each iteration solves `samples` matrices; the
// reported time is the mean per combination. The counters give the median and the worst matrix,
// each matrix timed by its fastest repetition (robust against preemption on a shared machine).
void run_samples(benchmark::State& state, Engine engine) {
    const auto ntest = static_cast<std::int32_t>(state.range(0));
    const bool structured = state.range(1) != 0;
    const int samples = 11;
    std::vector<std::vector<float>> data;
    for (int k = 0; k < samples; ++k)
        data.push_back(bench_matrix(ntest, bench_nref, structured, 100 + static_cast<unsigned>(k)));
    std::vector<float> ssq(bench_nref);
    std::vector<std::int32_t> order(static_cast<std::size_t>(ntest));
    std::vector<double> seconds(static_cast<std::size_t>(samples), 1e300);
    float best = 0;
    for (auto _ : state) {
        double sum = 0.0;
        for (std::size_t k = 0; k < data.size(); ++k) {
            const auto t0 = std::chrono::steady_clock::now();
            best_order(engine, data[k].data(), bench_nref, ntest, ssq.data(), best, order.data());
            const double t =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            seconds[k] = std::min(seconds[k], t);
            sum += t;
            benchmark::DoNotOptimize(best);
        }
        state.SetIterationTime(sum / samples);
    }
    std::sort(seconds.begin(), seconds.end());
    state.counters["median_ms"] = 1e3 * seconds[seconds.size() / 2];
    state.counters["max_ms"] = 1e3 * seconds.back();
}

void BM_bnb(benchmark::State& state) {
    run_samples(state, Engine::bnb);
}
void BM_auto(benchmark::State& state) {
    run_samples(state, Engine::automatic);
}

// Many combinations at once, as the job runs them: 100 matrices (ntest 10) over 1 or 2 threads.
void BM_combinations(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const std::int32_t ntest = 10;
    std::vector<std::vector<float>> data;
    for (int k = 0; k < 100; ++k)
        data.push_back(bench_matrix(ntest, bench_nref, k % 2 == 1, 500 + static_cast<unsigned>(k)));
    for (auto _ : state) {
#pragma omp parallel for num_threads(threads) schedule(static)
        for (int k = 0; k < 100; ++k) {
            std::vector<float> ssq(bench_nref);
            std::vector<std::int32_t> order(static_cast<std::size_t>(ntest));
            float best = 0;
            best_order(Engine::automatic, data[static_cast<std::size_t>(k)].data(), bench_nref,
                       ntest, ssq.data(), best, order.data());
            benchmark::DoNotOptimize(best);
        }
    }
}

// One large combination shared by 1 or 2 threads.
void BM_one_combination_threads(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    const std::int32_t ntest = 15;
    std::vector<std::vector<float>> data;
    for (int k = 0; k < 5; ++k)
        data.push_back(bench_matrix(ntest, bench_nref, false, 900 + static_cast<unsigned>(k)));
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    std::vector<float> ssq(bench_nref);
    std::vector<std::int32_t> order(static_cast<std::size_t>(ntest));
    float best = 0;
    for (auto _ : state)
        for (const auto& d : data) {
            best_order_parallel(Engine::automatic, d.data(), bench_nref, ntest, ssq.data(), best,
                                order.data());
            benchmark::DoNotOptimize(best);
        }
    omp_set_num_threads(saved);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 5);
}

BENCHMARK(BM_literal)->ArgsProduct({{8, 9, 10}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_literal)
    ->Name("BM_literal_Slow")
    ->ArgsProduct({{11}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_enumerate)->ArgsProduct({{8, 9, 10, 11}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_enumerate)
    ->Name("BM_enumerate_Slow")
    ->ArgsProduct({{12}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_bnb)
    ->ArgsProduct({{8, 9, 10, 11, 12, 13, 14}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_bnb)
    ->Name("BM_bnb_Slow")
    ->ArgsProduct({{15, 16}, {0, 1}})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_auto)
    ->ArgsProduct({{8, 9, 10, 11, 12}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_combinations)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_one_combination_threads)
    ->Name("BM_one_combination_threads_Slow")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
