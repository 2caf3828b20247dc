#include "pearsoncorrelation.h"

#include <cmath>

#include "uniform_draw.h"

namespace varandel {

float near_zero_correlation(double u) {
    return static_cast<float>((u - 0.5) * static_cast<double>(1.0e-7f));
}

bool pearson_coefficient(std::int32_t count, const float* X, const float* Y, float& r) {
    // The deviations are recomputed where they are needed instead of being kept in work
    // vectors: each one is the same single-precision subtraction, so the sums see the same
    // values in the same order, and the kernel allocates nothing.
    const float fcount = static_cast<float>(count);
    float xsum = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) xsum += X[i];
    const float xmean = xsum / fcount;
    float ysum = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) ysum += Y[i];
    const float ymean = ysum / fcount;

    float xysum = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) xysum += (X[i] - xmean) * (Y[i] - ymean);
    const float cov = xysum / fcount;
    if (cov == 0.0f) return false;

    float xxsum = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) {
        const float d = X[i] - xmean;
        xxsum += d * d;
    }
    float yysum = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) {
        const float d = Y[i] - ymean;
        yysum += d * d;
    }
    const float sx = std::sqrt(xxsum / fcount);
    const float sy = std::sqrt(yysum / fcount);
    r = cov / (sx * sy);
    return true;
}

void pearsoncorrelation(std::int32_t count, const float* X, const float* Y, float& r,
                        std::uint64_t key, std::int32_t comb, std::int64_t pair) {
    if (!pearson_coefficient(count, X, Y, r))
        r = near_zero_correlation(uniform_draw(key, comb, pair));
}

} // namespace varandel
