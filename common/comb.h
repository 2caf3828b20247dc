// Ascending k-subsets of 1..n. Arrays are passed as raw storage of their entries (A[0] holds the
// first entry); the values they hold are 1-based.
#pragma once

#include <cstdint>

namespace varandel {

// Lexicographic successor of the k-subset in A (k entries). done is the caller's enumeration
// state: true on entry starts a new enumeration (A becomes 1..k); true on return means A held
// the last subset and is left unchanged. Starting from done = true and calling until done comes
// back true yields every k-subset once. There is no subset when k <= 0 or k > n: done stays true.
void comb_next(std::int32_t n, std::int32_t k, std::int32_t* A, bool& done);

// A holds 1, 2, ..., n (nothing for n <= 0).
void i4vec_indicator(std::int32_t n, std::int32_t* A);

} // namespace varandel
