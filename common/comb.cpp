#include "comb.h"

namespace varandel {

void comb_next(std::int32_t n, std::int32_t k, std::int32_t* A, bool& done) {
    if (done) {
        // With k > n the first "subset" would hold markers beyond n.
        if (k <= 0 || k > n) return;
        i4vec_indicator(k, A);
        done = false;
        return;
    }
    if (A[k - 1] < n) {
        ++A[k - 1];
        return;
    }
    for (std::int32_t i = k; i >= 2; --i) {
        if (A[i - 2] < n - k + i - 1) {
            ++A[i - 2];
            for (std::int32_t j = i; j <= k; ++j) A[j - 1] = A[i - 2] + j - (i - 1);
            return;
        }
    }
    done = true;
}

void i4vec_indicator(std::int32_t n, std::int32_t* A) {
    for (std::int32_t i = 1; i <= n; ++i) A[i - 1] = i;
}

} // namespace varandel
