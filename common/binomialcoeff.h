#pragma once

#include <cstdint>
#include <limits>

namespace varandel {

// Returned by the counting routines when the true count is too large for a signed 64-bit integer
// (the count is then at least this value). Every smaller count is exact.
inline constexpr std::int64_t count_too_many = std::numeric_limits<std::int64_t>::max();

// n over k: 0 for k < 0 or k > n, 1 for k = 0 or k = n; count_too_many when it exceeds 64 bits.
std::int64_t binomialcoeff(std::int32_t n, std::int32_t k);

// The same for arguments already widened (n - nref of two 32-bit numbers need not fit in 32 bits).
std::int64_t binomialcoeff64(std::int64_t n, std::int64_t k);

} // namespace varandel
