#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

#include "linfit.h"

using namespace varandel;

namespace {

float fit(const std::vector<float>& x, const std::vector<float>& y) {
    float ssq = -1.0f;
    linfit(x.data(), y.data(), static_cast<std::int32_t>(x.size()), ssq);
    return ssq;
}

std::vector<float> positions(int n) {
    std::vector<float> y;
    for (int w = 1; w <= n; ++w) y.push_back(static_cast<float>(w));
    return y;
}

} // namespace

TEST(Linfit, EmptyAndNegativeCountGiveZero) {
    const float x = 3.0f, y = 4.0f;
    for (std::int32_t n : {0, -1, -100}) {
        float ssq = -1.0f;
        linfit(&x, &y, n, ssq);
        EXPECT_EQ(ssq, 0.0f) << "n = " << n;
    }
}

TEST(Linfit, DegenerateSeriesGiveNaN) {
    struct Case {
        std::vector<float> x, y;
    } cases[] = {
        {{0.25f}, {1.0f}},                        // n = 1: 0/0 slope
        {{0.5f, 0.5f, 0.5f}, {1.0f, 2.0f, 3.0f}}, // no spread in x, mean exact
        {{0.5f, 0.5f, 0.5f}, {7.0f, -1.0f, 0.0f}},
        {{2.0f, 2.0f}, {1.0f, 1.0f}},
    };
    for (const auto& c : cases) EXPECT_TRUE(std::isnan(fit(c.x, c.y))) << "n = " << c.x.size();
}

TEST(Linfit, KnownFits) {
    struct Case {
        std::vector<float> x, y;
        float ssq;
    } cases[] = {
        {{1, 2, 3}, {2, 4, 6}, 0.0f},
        {{1, 2, 3, 4}, {1, 3, 2, 4}, 1.8f},
        // The residuals are vertical: exchanging the series changes the result.
        {{1, 2, 3}, {1, 1, 4}, 1.5f},
        {{1, 1, 4}, {1, 2, 3}, 0.5f},
        // Two distinct points always lie on a line.
        {{0.75f, 0.25f}, {1, 2}, 0.0f},
    };
    for (const auto& c : cases) EXPECT_FLOAT_EQ(fit(c.x, c.y), c.ssq) << "n = " << c.x.size();
}

// A perfect line far from the origin stays exact only with the centred sums; the one-pass
// expansion of sxx loses the spread to rounding.
TEST(Linfit, CentredSumsKeepAnOffsetLineExact) {
    EXPECT_EQ(fit({4097, 4098, 4099, 4100}, positions(4)), 0.0f);
    EXPECT_EQ(fit({0.75f, 0.5f, 0.25f}, positions(3)), 0.0f);
}

// The reference bits: sequential sums, means as sums divided by n, residuals (y - a) - b*x, no
// fused multiply-add. Each case differs in its last bit under some other choice of these.
TEST(Linfit, ReferenceBits) {
    struct Case {
        std::vector<float> x;
        std::uint32_t bits;
    } cases[] = {
        {{1, 3, 2, 4}, 0x3fe66668u},
        {{0.1f, 0.7f, 0.2f}, 0x3ff9ce74u},
        {{0.31f, -0.42f, 0.77f, 0.05f, -0.93f, 0.6f, 0.18f}, 0x41dffd8au},
        {{0.28f, 0.53f, -0.82f, -0.78f, -0.18f, 0.89f, -0.87f, -0.14f, -0.56f}, 0x425e3d5fu},
    };
    for (const auto& c : cases) {
        const float ssq = fit(c.x, positions(static_cast<int>(c.x.size())));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(ssq), c.bits) << "n = " << c.x.size();
    }
}
