#include "computedistance.h"

#include <cstddef>

#include "pearsoncorrelation.h"

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

} // namespace varandel
