// One combination's correlation matrix: every test marker against every reference marker.
#pragma once

#include <cstdint>

namespace varandel {

// CORRDATA(i, j) (ntest x nref, test index fastest, ntest = n - nref) = correlation of
// RAWDATA column TESTSET(i) with column REFSET(j), test marker outermost. RAWDATA is
// lines x n, one marker contiguous; marker numbers are 1-based and must lie in 1..n.
// A random fallback for pair (i, j) draws uniform_draw(key, comb, (i-1)*nref + (j-1)).
// ntest <= 0 leaves CORRDATA untouched.
void computedistance(const float* RAWDATA, const std::int32_t* REFSET, const std::int32_t* TESTSET,
                     std::int32_t n, std::int32_t nref, std::int32_t lines, float* CORRDATA,
                     std::uint64_t key, std::int32_t comb);

} // namespace varandel
