// The exact branch-and-bound search. With v_i the centred, unit-spread vector of item i over the
// varying columns and c_w = w - (n - 1) / 2 (positions w = 0..n-1), the screen score of an
// ordering is ||sum_w c_w v_P(w)||^2. Positions are filled in pairs from the outside in
// ((0, n-1), (1, n-2), ...), with item(0) < item(n-1) at the root so that each ordering and its
// reverse (same score) are met once. A node with partial sum s and free items Fr is bounded by
//     ||s||^2 + 2 max_assignments <s, rest> + max ||rest||^2,
// the middle term exact by the rearrangement inequality (sort the projections), the last by the
// smaller of the largest eigenvalue of the free items' centred Gram matrix times sum c^2 and the
// sorted pairing of norms with |c|. Subtrees whose bound falls below (best - window) are pruned;
// every leaf in the window is mapped to the scored half and re-scored literally.
#pragma once

#include <cstdint>

#include "best_order_prepare.h"

namespace varandel {

inline constexpr std::int32_t bnb_max_ntest = order_rank_max_n;

// Searches a prepared problem (kind search) on `threads` threads (the root's subtrees are shared
// out; call from outside any parallel region when threads > 1) and leaves the literal decision
// in `literal`.
void bnb_search(const BestOrderProblem& problem, int threads, LiteralBest& literal,
                BestOrderStats* stats = nullptr);

// The whole search with perm_tj's contract, for 3 <= ntest <= bnb_max_ntest (falls back to
// perm_tj where the analysis says so).
void best_order_bnb(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
                    float& best, std::int32_t* TEST_ORDER, BestOrderStats* stats = nullptr);

} // namespace varandel
