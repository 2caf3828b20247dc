// One combination's correlation matrix: every test marker against every reference marker.
#pragma once

#include <cstdint>
#include <vector>

namespace varandel {

// CORRDATA(i, j) (ntest x nref, test index fastest, ntest = n - nref) = correlation of
// RAWDATA column TESTSET(i) with column REFSET(j), test marker outermost. RAWDATA is
// lines x n, one marker contiguous; marker numbers are 1-based and must lie in 1..n.
// A random fallback for pair (i, j) draws uniform_draw(key, comb, (i-1)*nref + (j-1)).
// ntest <= 0 leaves CORRDATA untouched.
void computedistance(const float* RAWDATA, const std::int32_t* REFSET, const std::int32_t* TESTSET,
                     std::int32_t n, std::int32_t nref, std::int32_t lines, float* CORRDATA,
                     std::uint64_t key, std::int32_t comb);

// The coefficients of all marker pairs, computed once for a whole job: a pair's coefficient does
// not depend on the combination, only its random fallback does. r[(a-1) * n + (b-1)] for markers
// a and b; fallback marks a zero covariance, where each combination draws its own value.
struct PairCorrelations {
    std::int32_t n = 0;
    std::vector<float> r;
    std::vector<unsigned char> fallback;
};

// Computes every pair of the n markers of RAWDATA (lines x n), on all threads.
PairCorrelations pair_correlations(const float* RAWDATA, std::int32_t n, std::int32_t lines);

// The same CORRDATA as computedistance, taken from the pair table.
void computedistance_from_pairs(const PairCorrelations& pairs, const std::int32_t* REFSET,
                                const std::int32_t* TESTSET, std::int32_t nref, float* CORRDATA,
                                std::uint64_t key, std::int32_t comb);

} // namespace varandel
