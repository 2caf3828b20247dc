// Listing of the partial combinations: reference sets in which lo..hi of the original reference
// markers 1..nref are exchanged for the same number of test markers nref+1..n.
#pragma once

#include <cstdint>

#include "table.h"

namespace varandel {

// Fills COMBA (the CREF table: ncomb = COMBA.rows() rows, nref columns) with the first ncomb
// combinations in the fixed order: the original combination 1..nref; then by the number m of
// exchanged markers ascending; within one m by the exchanged slots in lexicographic order; within
// those by the incoming test positions in lexicographic order. The t-th exchanged slot receives
// the t-th incoming test marker. Stops at the first combination that does not fit; rows beyond
// the full count are left as they are. Requires ncomb >= 1 and COMBA.cols() == nref.
void comb_part(std::int32_t n, std::int32_t nref, std::int32_t lo, std::int32_t hi,
               Table<std::int32_t>& COMBA);

// Fills row c of CTEST (CREF.rows() rows, max(0, n - nref) columns) with the markers 1..n that
// row c of CREF does not hold, in ascending order. Each CREF row must hold nref distinct markers
// of 1..n, as comb_part writes them.
void comb_complement(std::int32_t n, const Table<std::int32_t>& CREF, Table<std::int32_t>& CTEST);

} // namespace varandel
