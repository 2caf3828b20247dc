#include "comb_part_enum.h"

#include <algorithm>

#include "binomialcoeff.h"

namespace varandel {

std::int64_t comb_part_enum(std::int32_t n, std::int32_t nref, std::int32_t lo, std::int32_t hi) {
    const std::int64_t ntest = std::int64_t{n} - nref;
    // Exchanging no marker is the original combination, already counted by the leading 1 (the
    // listing has no extra row for it); beyond min(nref, ntest) every term is 0.
    const std::int64_t first = std::max<std::int64_t>(lo, 1);
    const std::int64_t last = std::min<std::int64_t>({hi, nref, ntest});
    std::int64_t count = 1;
    for (std::int64_t m = first; m <= last; ++m) {
        const std::int64_t out = binomialcoeff64(nref, m);
        const std::int64_t in = binomialcoeff64(ntest, m);
        std::int64_t term = 0;
        if (out == count_too_many || in == count_too_many ||
            __builtin_mul_overflow(out, in, &term) || __builtin_add_overflow(count, term, &count))
            return count_too_many;
    }
    return count;
}

} // namespace varandel
