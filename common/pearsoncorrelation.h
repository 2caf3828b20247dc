// Pearson correlation of two value columns in single precision with plain sequential sums, the
// exact operation order that the best-order search's bit-for-bit results rest on.
#pragma once

#include <cstdint>

namespace varandel {

// The near-zero stand-in for a correlation that cannot be computed: (u - 0.5) times the
// single-precision constant 1.0e-7 widened to double, rounded to single precision.
float near_zero_correlation(double u);

// The coefficient's arithmetic alone: false, with r untouched, when the covariance is exactly
// zero. The result does not change when X and Y are exchanged.
bool pearson_coefficient(std::int32_t count, const float* X, const float* Y, float& r);

// r = the correlation of X and Y (count values each). When the covariance is exactly zero
// (a uniform column, or orthogonal deviations) r is near_zero_correlation of the draw
// uniform_draw(key, comb, pair) instead. count = 0 gives NaN.
void pearsoncorrelation(std::int32_t count, const float* X, const float* Y, float& r,
                        std::uint64_t key, std::int32_t comb, std::int64_t pair);

} // namespace varandel
