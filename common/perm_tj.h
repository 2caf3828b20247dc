// The literal best-order search: scores the first floor(ntest!/2) orderings of the
// Trotter-Johnson (plain changes) sequence, starting at the identity, by nref straight-line fits
// each, and keeps the first ordering with the strictly smallest total. This is the reference
// engine that every faster search must reproduce bit for bit.
#pragma once

#include <cstdint>
#include <string>

namespace varandel {

// Largest ntest for which ntest! fits in a signed 64-bit integer.
inline constexpr std::int32_t perm_tj_max_ntest = 20;

// Number of orderings the search scores: floor(ntest!/2), 0 for ntest <= 1. Saturates at
// INT64_MAX beyond perm_tj_max_ntest.
std::int64_t perm_tj_orderings(std::int32_t ntest);

// Empty when the literal search can handle `ntest`; otherwise a message naming the limit.
std::string perm_tj_limit_message(std::int32_t ntest);

// DATA: ntest x nref correlations, one reference column contiguous.
// SSQ_BEST (nref) and TEST_ORDER (ntest) are written only when an ordering is accepted;
// best is 2147483648.0 when none is. Throws std::invalid_argument (with perm_tj_limit_message)
// for ntest > perm_tj_max_ntest; callers check the limit before any evaluation starts.
void perm_tj(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST, float& best,
             std::int32_t* TEST_ORDER);

// The literal Trotter-Johnson successor: P and the work arrays Q (n + 1) and A (n + 1) are
// 1-based (element 0 unused). Exactly two neighbouring entries of P change places.
void perm_tj_successor(std::int32_t n, std::int32_t* P, std::int32_t* Q, unsigned char* A);

} // namespace varandel
