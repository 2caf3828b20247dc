#include "computedistance.h"

#include <omp.h>

#include <algorithm>
#include <cstddef>

#include "pearsoncorrelation.h"
#include "uniform_draw.h"

namespace varandel {

void computedistance(const float* RAWDATA, const std::int32_t* REFSET, const std::int32_t* TESTSET,
                     std::int32_t n, std::int32_t nref, std::int32_t lines, float* CORRDATA,
                     std::uint64_t key, std::int32_t comb) {
    const std::int32_t ntest = n - nref;
    if (ntest <= 0) return;
    const std::size_t stride = lines < 0 ? 0 : static_cast<std::size_t>(lines);
    const std::int32_t count = lines < 0 ? 0 : lines;
    for (std::int32_t i = 0; i < ntest; ++i) {
        const float* X = RAWDATA + static_cast<std::size_t>(TESTSET[i] - 1) * stride;
        for (std::int32_t j = 0; j < nref; ++j) {
            const float* Y = RAWDATA + static_cast<std::size_t>(REFSET[j] - 1) * stride;
            const std::int64_t pair = static_cast<std::int64_t>(i) * nref + j;
            pearsoncorrelation(
                count, X, Y,
                CORRDATA[static_cast<std::size_t>(j) * static_cast<std::size_t>(ntest) +
                         static_cast<std::size_t>(i)],
                key, comb, pair);
        }
    }
}

PairCorrelations pair_correlations(const float* RAWDATA, std::int32_t n, std::int32_t lines) {
    PairCorrelations pairs;
    pairs.n = n < 0 ? 0 : n;
    const std::size_t size = static_cast<std::size_t>(pairs.n) * static_cast<std::size_t>(pairs.n);
    pairs.r.assign(size, 0.0f);
    pairs.fallback.assign(size, 0);
    const std::size_t stride = lines < 0 ? 0 : static_cast<std::size_t>(lines);
    const std::int32_t count = lines < 0 ? 0 : lines;
    const std::size_t nn = static_cast<std::size_t>(pairs.n);
    // No more threads than rows of the table: a huge requested count must not fail the team.
    const int team = std::max(1, std::min(omp_get_max_threads(), pairs.n));
#pragma omp parallel for schedule(dynamic) num_threads(team)
    for (std::int32_t a = 0; a < pairs.n; ++a) {
        for (std::int32_t b = a; b < pairs.n; ++b) {
            float r = 0.0f;
            const bool computed =
                pearson_coefficient(count, RAWDATA + static_cast<std::size_t>(a) * stride,
                                    RAWDATA + static_cast<std::size_t>(b) * stride, r);
            const std::size_t ab = static_cast<std::size_t>(a) * nn + static_cast<std::size_t>(b);
            const std::size_t ba = static_cast<std::size_t>(b) * nn + static_cast<std::size_t>(a);
            pairs.r[ab] = pairs.r[ba] = r;
            pairs.fallback[ab] = pairs.fallback[ba] = computed ? 0 : 1;
        }
    }
    return pairs;
}

void computedistance_from_pairs(const PairCorrelations& pairs, const std::int32_t* REFSET,
                                const std::int32_t* TESTSET, std::int32_t nref, float* CORRDATA,
                                std::uint64_t key, std::int32_t comb) {
    const std::int32_t ntest = pairs.n - nref;
    if (ntest <= 0) return;
    const std::size_t nn = static_cast<std::size_t>(pairs.n);
    for (std::int32_t i = 0; i < ntest; ++i) {
        for (std::int32_t j = 0; j < nref; ++j) {
            const std::size_t at = static_cast<std::size_t>(TESTSET[i] - 1) * nn +
                                   static_cast<std::size_t>(REFSET[j] - 1);
            const std::int64_t pair = static_cast<std::int64_t>(i) * nref + j;
            CORRDATA[static_cast<std::size_t>(j) * static_cast<std::size_t>(ntest) +
                     static_cast<std::size_t>(i)] =
                pairs.fallback[at] ? near_zero_correlation(uniform_draw(key, comb, pair))
                                   : pairs.r[at];
        }
    }
}

} // namespace varandel
