// The parallel evaluation of all combinations: for each combination c its correlation matrix,
// the best ordering of its test markers, and row c of SSQDATA and ORDERDATA.
#pragma once

#include <cstdint>

#include "perm_tj.h"
#include "table.h"

namespace varandel {

// A best-order search with perm_tj's contract (DATA ntest x nref; SSQ_BEST, best, TEST_ORDER
// out, the arrays written only when an ordering is accepted). Must not throw for a valid ntest.
using SearchRoutine = void (*)(const float* DATA, std::int32_t nref, std::int32_t ntest,
                               float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER);

// Evaluates combinations 1..ncomb in one parallel section on the threading layer's current
// thread count, contiguous blocks of ceil(ncomb / T) per thread. Tables: RAWDATA lines x n,
// CREF ncomb x nref, CTEST and ORDERDATA ncomb x (n - nref), SSQDATA ncomb x (nref + 1).
// Random fallbacks are keyed by `key` and the combination number, so the results do not
// depend on the thread count. Throws std::invalid_argument for tables of the wrong shape or
// marker numbers outside 1..n; an exception of the search is rethrown after the section.
// `shared_search`, when given, is a search that spreads one combination over all threads of a
// parallel region of its own: with fewer combinations than threads the combinations are then
// evaluated one after the other with it, with the same results.
void evaluation_loop(std::int32_t ncomb, std::int32_t n, std::int32_t nref, std::int32_t lines,
                     const Table<float>& RAWDATA, const Table<std::int32_t>& CREF,
                     const Table<std::int32_t>& CTEST, Table<float>& SSQDATA,
                     Table<std::int32_t>& ORDERDATA, std::uint64_t key,
                     SearchRoutine search = perm_tj, SearchRoutine shared_search = nullptr);

} // namespace varandel
