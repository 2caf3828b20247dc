#include "perm_tj.h"

#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "linfit.h"

namespace varandel {

std::string perm_tj_limit_message(std::int32_t ntest) {
    if (ntest <= perm_tj_max_ntest) return {};
    return "the reference search handles at most " + std::to_string(perm_tj_max_ntest) +
           " test markers (" + std::to_string(ntest) +
           " given): the number of orderings no longer fits in 64 bits";
}

std::int64_t perm_tj_orderings(std::int32_t ntest) {
    if (ntest > perm_tj_max_ntest) return std::numeric_limits<std::int64_t>::max();
    std::int64_t factorial = 1;
    for (std::int32_t w = 2; w <= ntest; ++w) factorial *= w;
    return factorial / 2;
}

void perm_tj_successor(std::int32_t n, std::int32_t* P, std::int32_t* Q, unsigned char* A) {
    std::int32_t st = 0;
    for (std::int32_t i = 1; i <= n; ++i) Q[i] = P[i];
    std::int32_t m = n;
    bool done = false;
    while (m > 1 && !done) {
        std::int32_t d = 1;
        while (Q[d] != m) ++d;
        for (std::int32_t i = d; i <= m - 1; ++i) Q[i] = Q[i + 1];
        // Parity of Q(1..m-1) from its number of cycles.
        for (std::int32_t j = 1; j <= m - 1; ++j) A[j] = 0;
        std::int32_t c = 0;
        for (std::int32_t j = 1; j <= m - 1; ++j) {
            if (A[j]) continue;
            ++c;
            A[j] = 1;
            std::int32_t i = j;
            while (Q[i] != j) {
                i = Q[i];
                A[i] = 1;
            }
        }
        const std::int32_t parity = (m - 1 - c) % 2;
        if (parity == 1) {
            if (d == m) {
                --m;
            } else {
                std::swap(P[st + d], P[st + d + 1]);
                done = true;
            }
        } else {
            if (d == 1) {
                --m;
                ++st;
            } else {
                std::swap(P[st + d], P[st + d - 1]);
                done = true;
            }
        }
    }
}

void perm_tj(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST, float& best,
             std::int32_t* TEST_ORDER) {
    best = 2147483648.0f;
    if (ntest > perm_tj_max_ntest) throw std::invalid_argument(perm_tj_limit_message(ntest));
    const std::int32_t nt = ntest < 0 ? 0 : ntest;
    const std::int32_t nr = nref < 0 ? 0 : nref;
    std::vector<float> X(static_cast<std::size_t>(nt)), Y(static_cast<std::size_t>(nt));
    std::vector<float> SSQ_S(static_cast<std::size_t>(nr));
    std::vector<std::int32_t> P(static_cast<std::size_t>(nt) + 1), Q(P.size());
    std::vector<unsigned char> A(P.size());
    for (std::int32_t w = 1; w <= nt; ++w)
        X[static_cast<std::size_t>(w - 1)] = static_cast<float>(w);
    const std::int64_t orderings = perm_tj_orderings(nt);

    std::int64_t counter = -1;
    for (;;) {
        if (counter == -1) {
            for (std::int32_t w = 1; w <= nt; ++w) P[static_cast<std::size_t>(w)] = w;
            counter = 0;
        } else {
            perm_tj_successor(nt, P.data(), Q.data(), A.data());
            ++counter;
        }
        if (counter == orderings) return;
        for (std::int32_t r = 0; r < nr; ++r) {
            const float* column = DATA + static_cast<std::size_t>(r) * static_cast<std::size_t>(nt);
            for (std::int32_t w = 0; w < nt; ++w)
                Y[static_cast<std::size_t>(w)] = column[P[static_cast<std::size_t>(w) + 1] - 1];
            linfit(Y.data(), X.data(), nt, SSQ_S[static_cast<std::size_t>(r)]);
        }
        float total = 0.0f;
        for (std::int32_t r = 0; r < nr; ++r) total += SSQ_S[static_cast<std::size_t>(r)];
        if (total < best) {
            best = total;
            for (std::int32_t w = 0; w < nt; ++w)
                TEST_ORDER[w] = P[static_cast<std::size_t>(w) + 1];
            for (std::int32_t r = 0; r < nr; ++r) SSQ_BEST[r] = SSQ_S[static_cast<std::size_t>(r)];
        }
    }
}

} // namespace varandel
