// The evaluation loop on a generated 14-marker data set (nref 6, ntest 8, 120 lines): the
// original combination and its 48 single exchanges, on 1 and 2 threads.
#include <benchmark/benchmark.h>

#include <omp.h>

#include <algorithm>
#include <vector>

#include "evaluation_loop.h"

namespace {

constexpr std::int32_t n = 14, nref = 6, ntest = n - nref, lines = 120;

std::vector<std::vector<std::int32_t>> single_exchanges() {
    std::vector<std::vector<std::int32_t>> refs{{1, 2, 3, 4, 5, 6}};
    for (std::int32_t out = 1; out <= nref; ++out)
        for (std::int32_t in = nref + 1; in <= n; ++in) {
            auto r = refs.front();
            r[static_cast<std::size_t>(out - 1)] = in;
            refs.push_back(r);
        }
    return refs;
}

void BM_evaluation_loop(benchmark::State& state) {
    const auto refs = single_exchanges();
    const auto ncomb = static_cast<std::int32_t>(refs.size());
    varandel::Table<float> RAWDATA("RAWDATA", lines, n);
    std::uint32_t s = 7;
    for (std::int32_t i = 1; i <= lines; ++i) {
        s = s * 1664525u + 1013904223u;
        const float latent = static_cast<float>(s >> 20) / 1000.0f;
        for (std::int32_t m = 1; m <= n; ++m) {
            s = s * 1664525u + 1013904223u;
            RAWDATA(i, m) =
                latent * static_cast<float>(m % 4) + static_cast<float>(s >> 22) / 100.0f;
        }
    }
    varandel::Table<std::int32_t> CREF("CREF", ncomb, nref), CTEST("CTEST", ncomb, ntest);
    for (std::int32_t c = 1; c <= ncomb; ++c) {
        const auto& r = refs[static_cast<std::size_t>(c - 1)];
        std::int32_t k = 0;
        for (std::int32_t m = 1; m <= n; ++m) {
            if (std::find(r.begin(), r.end(), m) == r.end()) CTEST(c, ++k) = m;
        }
        for (std::int32_t j = 1; j <= nref; ++j) CREF(c, j) = r[static_cast<std::size_t>(j - 1)];
    }
    varandel::Table<float> SSQDATA("SSQDATA", ncomb, nref + 1);
    varandel::Table<std::int32_t> ORDERDATA("ORDERDATA", ncomb, ntest);

    const int saved = omp_get_max_threads();
    omp_set_num_threads(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        varandel::evaluation_loop(ncomb, n, nref, lines, RAWDATA, CREF, CTEST, SSQDATA, ORDERDATA,
                                  42);
        benchmark::DoNotOptimize(SSQDATA.data());
    }
    omp_set_num_threads(saved);
    state.counters["combinations"] = ncomb;
}

} // namespace

BENCHMARK(BM_evaluation_loop)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
