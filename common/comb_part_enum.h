#pragma once

#include <cstdint>

namespace varandel {

// Number of combinations of nref markers out of n that exchange between lo and hi of the original
// reference markers for test markers, the original combination included:
//   1 + sum over m = max(lo, 1) .. hi of C(nref, m) * C(n - nref, m).
// Saturates at count_too_many (binomialcoeff.h) when the count does not fit in 64 bits.
std::int64_t comb_part_enum(std::int32_t n, std::int32_t nref, std::int32_t lo, std::int32_t hi);

} // namespace varandel
