#pragma once

#include <cstdint>

namespace varandel {

// Residual sum of squares of the least-squares line y = a + b*x through n points, in single
// precision with sequential sums, exactly in the order the reference results were produced.
// Degenerate input (n = 1, no spread in x) gives NaN or infinity; n <= 0 gives 0.
void linfit(const float* x, const float* y, std::int32_t n, float& ssq);

} // namespace varandel
