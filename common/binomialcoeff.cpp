#include "binomialcoeff.h"

#include <algorithm>
#include <numeric>

namespace varandel {

std::int64_t binomialcoeff64(std::int64_t n, std::int64_t k) {
    const std::int64_t mn = std::min(k, n - k);
    if (mn < 0) return 0;
    if (mn == 0) return 1;
    const std::int64_t mx = std::max(k, n - k);
    std::int64_t value = mx + 1;
    for (std::int64_t i = 2; i <= mn; ++i) {
        // value * (mx + i) / i with the common factor of value and i cancelled first: i / g then
        // divides mx + i, so the only product formed is the new coefficient itself, and it
        // overflows only when that coefficient does not fit. The coefficients grow with i, so
        // the final one would not fit either.
        const std::int64_t g = std::gcd(value, i);
        std::int64_t next = 0;
        if (__builtin_mul_overflow(value / g, (mx + i) / (i / g), &next)) return count_too_many;
        value = next;
    }
    return value;
}

std::int64_t binomialcoeff(std::int32_t n, std::int32_t k) {
    return binomialcoeff64(n, k);
}

} // namespace varandel
