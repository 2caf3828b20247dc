#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "computedistance.h"
#include "pearsoncorrelation.h"
#include "uniform_draw.h"

using namespace varandel;

namespace {

constexpr double near_zero_bound = 5.000000058430487e-8;
constexpr std::uint64_t key = 0x0123456789abcdefULL;

float pearson(const std::vector<float>& X, const std::vector<float>& Y, std::int32_t comb = 1,
              std::int64_t pair = 0) {
    float r = -99.0f;
    pearsoncorrelation(static_cast<std::int32_t>(X.size()), X.data(), Y.data(), r, key, comb, pair);
    return r;
}

// The coefficient computed step by step with the five stored work vectors, as the numbers are
// defined; the kernel keeps no vectors and must agree with this to the last bit.
float pearson_with_work_vectors(const std::vector<float>& X, const std::vector<float>& Y) {
    const std::size_t count = X.size();
    const float fcount = static_cast<float>(count);
    std::vector<float> XDEV(count), YDEV(count), XDEVYDEV(count), XDEVXDEV(count), YDEVYDEV(count);
    float xs = 0.0f, ys = 0.0f;
    for (float x : X) xs += x;
    for (float y : Y) ys += y;
    const float xmean = xs / fcount, ymean = ys / fcount;
    for (std::size_t i = 0; i < count; ++i) {
        XDEV[i] = X[i] - xmean;
        YDEV[i] = Y[i] - ymean;
        XDEVYDEV[i] = XDEV[i] * YDEV[i];
        XDEVXDEV[i] = XDEV[i] * XDEV[i];
        YDEVYDEV[i] = YDEV[i] * YDEV[i];
    }
    float sxy = 0.0f, sxx = 0.0f, syy = 0.0f;
    for (float v : XDEVYDEV) sxy += v;
    for (float v : XDEVXDEV) sxx += v;
    for (float v : YDEVYDEV) syy += v;
    const float cov = sxy / fcount;
    return cov / (std::sqrt(sxx / fcount) * std::sqrt(syy / fcount));
}

// Deterministic pseudo-measurements with 2 decimals.
std::vector<float> series(std::uint32_t seed, std::size_t count, float offset) {
    std::vector<float> v(count);
    for (auto& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = offset + static_cast<float>(seed >> 20) / 100.0f;
    }
    return v;
}

} // namespace

TEST(PearsonCorrelation, KnownCoefficients) {
    const std::vector<float> X{1.5f, 2.25f, 7.0f, 3.125f, 0.5f};
    std::vector<float> minusX;
    for (float x : X) minusX.push_back(-x);
    EXPECT_NEAR(pearson(X, X), 1.0f, 1e-6f);
    EXPECT_NEAR(pearson(X, minusX), -1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(pearson({1, 2, 3, 4}, {2, 1, 4, 3}), 0.6f);
    // The coefficient itself, with its sign: no 1 - r, no absolute value.
    EXPECT_FLOAT_EQ(pearson({1, 2, 3, 4}, {3, 4, 1, 2}), -0.6f);
}

TEST(PearsonCorrelation, SequentialSinglePrecisionSums) {
    for (std::uint32_t s = 1; s <= 6; ++s) {
        const auto X = series(s, 137, 1000.0f * static_cast<float>(s));
        const auto Y = series(s + 100, 137, 3.0f);
        const float r = pearson(X, Y);
        const float want = pearson_with_work_vectors(X, Y);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(r), std::bit_cast<std::uint32_t>(want)) << s;
    }
}

TEST(PearsonCorrelation, ZeroCovarianceDrawsNearZeroValue) {
    struct Case {
        std::vector<float> X, Y;
    } cases[] = {
        {{0, 0, 0, 0}, {1, 5, 2, 8}},   // uniform X
        {{4, 1, 3, 9}, {2, 2, 2, 2}},   // uniform Y, mean exactly representable
        {{1, 2, 3}, {1, 0, 1}},         // neither uniform, covariance exactly zero
        {{-0.0f, 0.0f}, {0.0f, -0.0f}}, // signed zeros
    };
    std::vector<float> seen;
    for (std::int64_t pair = 0; pair < 4; ++pair) {
        const auto& c = cases[pair];
        const float r = pearson(c.X, c.Y, 7, pair);
        EXPECT_EQ(r, near_zero_correlation(uniform_draw(key, 7, pair))) << pair;
        EXPECT_LE(std::fabs(static_cast<double>(r)), near_zero_bound) << pair;
        seen.push_back(r);
    }
    for (std::size_t a = 0; a < seen.size(); ++a)
        for (std::size_t b = a + 1; b < seen.size(); ++b) EXPECT_NE(seen[a], seen[b]);
    // Asking again for the same pair gives the same value.
    EXPECT_EQ(pearson({1, 2, 3}, {1, 0, 1}, 7, 2), seen[2]);
}

TEST(PearsonCorrelation, NoValuesGiveNaN) {
    float r = 0.0f;
    pearsoncorrelation(0, nullptr, nullptr, r, key, 1, 0);
    EXPECT_TRUE(std::isnan(r));
}

TEST(NearZeroCorrelation, RangeUsesWidenedConstant) {
    EXPECT_EQ(static_cast<double>(near_zero_correlation(0.0)), -near_zero_bound);
    EXPECT_EQ(near_zero_correlation(0.5), 0.0f);
    const double below_one = std::nextafter(1.0, 0.0);
    EXPECT_LE(static_cast<double>(near_zero_correlation(below_one)), near_zero_bound);
    EXPECT_GT(near_zero_correlation(below_one), 4.99e-8f);
    EXPECT_EQ(near_zero_correlation(0.75), static_cast<float>(0.25 * 1.0000000116860974e-7));
}

TEST(UniformDraw, DeterministicUniformAndKeyed) {
    EXPECT_EQ(random_key({5, 5}), (std::uint64_t{5} << 32) | 5u);
    EXPECT_EQ(random_key({-1, 1}), 0xffffffff00000001ULL);

    const std::uint64_t k = random_key({983050849, 983050849});
    EXPECT_EQ(uniform_draw(k, 3, 4), uniform_draw(k, 3, 4));
    EXPECT_NE(uniform_draw(k, 3, 4), uniform_draw(k, 4, 3));
    EXPECT_NE(uniform_draw(k, 3, 4), uniform_draw(k + 1, 3, 4));
    EXPECT_NE(uniform_draw(k, 3, 4), uniform_draw(k, 3, 5));

    // A coarse histogram over many counters: every tenth of [0, 1) gets its share.
    constexpr int draws = 200000;
    int bins[10] = {};
    double sum = 0.0;
    for (int i = 0; i < draws; ++i) {
        const double u = uniform_draw(k, 1 + i / 100, i % 100);
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        sum += u;
        ++bins[static_cast<int>(u * 10.0)];
    }
    EXPECT_NEAR(sum / draws, 0.5, 0.005);
    for (int b : bins) EXPECT_NEAR(b, draws / 10, draws / 100);
}

class ComputeDistance : public ::testing::Test {
  protected:
    // 6 markers over 9 lines, one marker contiguous; marker 6 is uniform.
    static constexpr std::int32_t lines = 9, n = 6;
    std::vector<float> RAWDATA;
    void SetUp() override {
        for (std::uint32_t m = 1; m <= 5; ++m) {
            const auto col = series(m * 31, lines, static_cast<float>(m));
            RAWDATA.insert(RAWDATA.end(), col.begin(), col.end());
        }
        RAWDATA.insert(RAWDATA.end(), lines, 2.0f);
    }
    std::vector<float> column(std::int32_t m) const {
        const auto* p = RAWDATA.data() + (m - 1) * lines;
        return {p, p + lines};
    }
};

TEST_F(ComputeDistance, TestMarkersByReferenceMarkers) {
    // 3 reference and 3 test markers in scrambled order: entry (i, j) at (j-1)*ntest + (i-1).
    const std::int32_t REFSET[] = {5, 1, 3}, TESTSET[] = {4, 2, 6};
    std::vector<float> CORRDATA(9, -99.0f);
    computedistance(RAWDATA.data(), REFSET, TESTSET, n, 3, lines, CORRDATA.data(), key, 11);
    for (std::int32_t i = 1; i <= 3; ++i) {
        for (std::int32_t j = 1; j <= 3; ++j) {
            const float got = CORRDATA[static_cast<std::size_t>((j - 1) * 3 + (i - 1))];
            const std::int64_t pair = (i - 1) * 3 + (j - 1);
            EXPECT_EQ(got, pearson(column(TESTSET[i - 1]), column(REFSET[j - 1]), 11, pair))
                << i << "," << j;
        }
    }
    // Test marker 6 is uniform: its row holds the draws of pairs 6, 7, 8 of combination 11.
    for (std::int32_t j = 1; j <= 3; ++j)
        EXPECT_EQ(CORRDATA[static_cast<std::size_t>((j - 1) * 3 + 2)],
                  near_zero_correlation(uniform_draw(key, 11, 6 + (j - 1))));
}

TEST_F(ComputeDistance, TwoTestRowsThreeReferenceColumns) {
    // With n = 5 and nref = 3 the matrix is 2 x 3; nothing beyond its 6 entries is written.
    const std::int32_t REFSET[] = {1, 2, 3}, TESTSET[] = {4, 5};
    std::vector<float> CORRDATA(8, -99.0f);
    computedistance(RAWDATA.data(), REFSET, TESTSET, 5, 3, lines, CORRDATA.data(), key, 1);
    EXPECT_EQ(CORRDATA[1], pearson(column(5), column(1)));
    EXPECT_EQ(CORRDATA[2], pearson(column(4), column(2)));
    EXPECT_EQ(CORRDATA[5], pearson(column(5), column(3)));
    EXPECT_EQ(CORRDATA[6], -99.0f);
    EXPECT_EQ(CORRDATA[7], -99.0f);
}

TEST_F(ComputeDistance, NoTestMarkersLeaveMatrixUntouched) {
    const std::int32_t REFSET[] = {1, 2, 3};
    std::vector<float> CORRDATA(3, -99.0f);
    computedistance(RAWDATA.data(), REFSET, nullptr, 3, 3, lines, CORRDATA.data(), key, 1);
    computedistance(RAWDATA.data(), REFSET, nullptr, 2, 3, lines, CORRDATA.data(), key, 1);
    EXPECT_EQ(CORRDATA, std::vector<float>(3, -99.0f));
}

TEST_F(ComputeDistance, PairTableGivesTheSameMatrixBitForBit) {
    // Every combination of 3 reference and 3 test markers out of the 6, random fallbacks of the
    // uniform marker included, with the coefficients computed per combination or once per job.
    const PairCorrelations pairs = pair_correlations(RAWDATA.data(), n, lines);
    const std::int32_t sets[][6] = {{5, 1, 3, 4, 2, 6}, {6, 2, 1, 3, 4, 5}, {1, 2, 3, 4, 5, 6}};
    std::int32_t comb = 1;
    for (const auto& set : sets) {
        std::vector<float> direct(9, -99.0f), shared(9, -98.0f);
        computedistance(RAWDATA.data(), set, set + 3, n, 3, lines, direct.data(), key, comb);
        computedistance_from_pairs(pairs, set, set + 3, 3, shared.data(), key, comb);
        for (std::size_t k = 0; k < direct.size(); ++k)
            EXPECT_EQ(std::bit_cast<std::uint32_t>(shared[k]),
                      std::bit_cast<std::uint32_t>(direct[k]))
                << "combination " << comb << ", entry " << k;
        ++comb;
    }
}
