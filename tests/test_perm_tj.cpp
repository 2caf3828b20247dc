#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <vector>

#include "linfit.h"
#include "perm_tj.h"

using namespace varandel;

namespace {

using Ordering = std::vector<std::int32_t>;

// The first `count` orderings of the sequence, starting at the identity.
std::vector<Ordering> tj_sequence(std::int32_t n, std::int64_t count) {
    std::vector<std::int32_t> P(static_cast<std::size_t>(n) + 1), Q(P.size());
    std::vector<unsigned char> A(P.size());
    for (std::int32_t w = 1; w <= n; ++w) P[static_cast<std::size_t>(w)] = w;
    std::vector<Ordering> out;
    for (std::int64_t i = 0; i < count; ++i) {
        if (i > 0) perm_tj_successor(n, P.data(), Q.data(), A.data());
        out.emplace_back(P.begin() + 1, P.end());
    }
    return out;
}

struct Search {
    float best = 0.0f;
    Ordering order;
    std::vector<float> ssq;
};

constexpr float untouched_ssq = -7.0f;
constexpr std::int32_t untouched_order = -9;
constexpr float no_best = 2147483648.0f;

// Outputs start with sentinels so that writes are visible.
Search search(const std::vector<float>& data, std::int32_t nref, std::int32_t ntest) {
    Search s;
    s.order.assign(static_cast<std::size_t>(std::max(ntest, 1)), untouched_order);
    s.ssq.assign(static_cast<std::size_t>(std::max(nref, 1)), untouched_ssq);
    perm_tj(data.data(), nref, ntest, s.ssq.data(), s.best, s.order.data());
    return s;
}

// A column whose values lie on a line exactly when the markers are placed in `order`.
std::vector<float> column_fitting(const Ordering& order) {
    std::vector<float> data(order.size());
    for (std::size_t w = 0; w < order.size(); ++w)
        data[static_cast<std::size_t>(order[w] - 1)] = static_cast<float>(w + 1);
    return data;
}

} // namespace

TEST(PermTjSuccessor, PlainChangesForThreeAndFour) {
    const std::vector<Ordering> three = {{1, 2, 3}, {1, 3, 2}, {3, 1, 2},
                                         {3, 2, 1}, {2, 3, 1}, {2, 1, 3}};
    EXPECT_EQ(tj_sequence(3, 6), three);
    const std::vector<Ordering> four = {
        {1, 2, 3, 4}, {1, 2, 4, 3}, {1, 4, 2, 3}, {4, 1, 2, 3}, {4, 1, 3, 2}, {1, 4, 3, 2},
        {1, 3, 4, 2}, {1, 3, 2, 4}, {3, 1, 2, 4}, {3, 1, 4, 2}, {3, 4, 1, 2}, {4, 3, 1, 2},
    };
    EXPECT_EQ(tj_sequence(4, 12), four);
}

// The scored half holds each ordering up to reversal exactly once, one neighbour swap apart.
TEST(PermTjSuccessor, ScoredHalfCoversEveryOrderingUpToReversal) {
    for (std::int32_t n = 2; n <= 8; ++n) {
        const auto seq = tj_sequence(n, perm_tj_orderings(n));
        std::set<Ordering> seen;
        for (std::size_t i = 0; i < seq.size(); ++i) {
            Ordering sorted = seq[i];
            std::sort(sorted.begin(), sorted.end());
            Ordering identity(static_cast<std::size_t>(n));
            for (std::int32_t w = 0; w < n; ++w) identity[static_cast<std::size_t>(w)] = w + 1;
            ASSERT_EQ(sorted, identity) << "n = " << n << ", ordering " << i;
            Ordering reversed(seq[i].rbegin(), seq[i].rend());
            ASSERT_TRUE(seen.insert(seq[i]).second) << "n = " << n << ", repeat at " << i;
            ASSERT_EQ(seen.count(reversed), reversed == seq[i] ? 1u : 0u) << "n = " << n;
            if (i > 0) {
                std::vector<std::size_t> changed;
                for (std::size_t w = 0; w < seq[i].size(); ++w)
                    if (seq[i][w] != seq[i - 1][w]) changed.push_back(w);
                ASSERT_EQ(changed.size(), 2u) << "n = " << n << ", step " << i;
                ASSERT_EQ(changed[1], changed[0] + 1) << "n = " << n << ", step " << i;
            }
        }
    }
}

TEST(PermTj, ScoredCounts) {
    const std::int64_t counts[] = {0, 0, 1, 3, 12, 60, 360, 2520, 20160};
    for (std::int32_t n = 0; n <= 8; ++n) EXPECT_EQ(perm_tj_orderings(n), counts[n]) << n;
    EXPECT_EQ(perm_tj_orderings(-2), 0);
    EXPECT_EQ(perm_tj_orderings(20), 1216451004088320000);
    EXPECT_EQ(perm_tj_orderings(21), std::numeric_limits<std::int64_t>::max());
}

// The last counted ordering is scored: a column that fits it perfectly makes it the answer.
// The first uncounted one is answered by its reverse, which comes earlier.
TEST(PermTj, ScoresExactlyTheFirstHalf) {
    for (std::int32_t n = 2; n <= 8; ++n) {
        const std::int64_t count = perm_tj_orderings(n);
        const auto seq = tj_sequence(n, count + 1);
        const Ordering& last = seq[static_cast<std::size_t>(count - 1)];
        const Search hit = search(column_fitting(last), 1, n);
        EXPECT_EQ(hit.best, 0.0f) << "n = " << n;
        EXPECT_EQ(hit.order, last) << "n = " << n;

        const Ordering& next = seq[static_cast<std::size_t>(count)];
        const Search rev = search(column_fitting(next), 1, n);
        EXPECT_EQ(rev.best, 0.0f) << "n = " << n;
        EXPECT_EQ(rev.order, Ordering(next.rbegin(), next.rend())) << "n = " << n;
    }
}

TEST(PermTj, WorkedExample) {
    const std::vector<float> data = {0.75f, 0.25f, 0.5f};
    // Scores of the three scored orderings 123, 132, 312.
    const float y[] = {1, 2, 3};
    const float x123[] = {0.75f, 0.25f, 0.5f}, x132[] = {0.75f, 0.5f, 0.25f},
                x312[] = {0.5f, 0.75f, 0.25f};
    float s123 = 0, s132 = -1, s312 = 0;
    linfit(x123, y, 3, s123);
    linfit(x132, y, 3, s132);
    linfit(x312, y, 3, s312);
    EXPECT_FLOAT_EQ(s123, 1.5f);
    EXPECT_EQ(s132, 0.0f);
    EXPECT_FLOAT_EQ(s312, 1.5f);

    const Search s = search(data, 1, 3);
    EXPECT_EQ(s.best, 0.0f);
    EXPECT_EQ(s.order, (Ordering{1, 3, 2}));
    EXPECT_EQ(s.ssq, (std::vector<float>{0.0f}));
}

// Of several orderings with the smallest total the first met wins (strict comparison).
TEST(PermTj, TiesGoToTheFirstOrderingMet) {
    struct Case {
        std::vector<float> data;
        Ordering order;
        float best;
    } cases[] = {
        // 132 and 312 both present x = (0, 0, 3); 132 comes first.
        {{0, 3, 0}, {1, 3, 2}, 0.5f},
        // 123 gives (0, 0, 3) and 312 gives (3, 0, 0): the same total, exactly.
        {{0, 0, 3}, {1, 2, 3}, 0.5f},
    };
    for (const auto& c : cases) {
        const Search s = search(c.data, 1, 3);
        EXPECT_EQ(s.order, c.order);
        EXPECT_EQ(s.best, c.best);
    }
}

// The per-reference sums returned are those of the best ordering, not of the last one scored.
TEST(PermTj, PerReferenceSumsBelongToTheBestOrdering) {
    const std::int32_t ntest = 5, nref = 3;
    const std::vector<float> data = {0.9f,  -0.2f, 0.4f,  0.1f, -0.7f, 0.3f, 0.8f, -0.5f,
                                     -0.1f, 0.6f,  -0.4f, 0.2f, 0.7f,  0.5f, -0.9f};
    const Search s = search(data, nref, ntest);
    ASSERT_EQ(s.order.size(), 5u);
    float total = 0.0f;
    for (std::int32_t r = 0; r < nref; ++r) {
        float x[ntest], y[ntest], ssq = 0;
        for (std::int32_t w = 0; w < ntest; ++w) {
            x[w] = data[static_cast<std::size_t>(r * ntest + s.order[static_cast<std::size_t>(w)] -
                                                 1)];
            y[w] = static_cast<float>(w + 1);
        }
        linfit(x, y, ntest, ssq);
        EXPECT_EQ(s.ssq[static_cast<std::size_t>(r)], ssq) << "reference " << r + 1;
        total += ssq;
    }
    EXPECT_EQ(s.best, total);
    EXPECT_LT(s.best, no_best);
}

TEST(PermTj, NothingAcceptedLeavesOutputsUntouched) {
    struct Case {
        const char* what;
        std::vector<float> data;
        std::int32_t nref, ntest;
    } cases[] = {
        {"all-0.5 column", {0.1f, 0.9f, -0.3f, 0.4f, 0.5f, 0.5f, 0.5f, 0.5f}, 2, 4},
        {"two equal values", {0.25f, 0.25f}, 1, 2},
        {"one test marker", {0.3f}, 1, 1},
        {"no test marker", {0.0f}, 1, 0},
        {"negative ntest", {0.0f}, 2, -3},
    };
    for (const auto& c : cases) {
        const Search s = search(c.data, c.nref, c.ntest);
        EXPECT_EQ(s.best, no_best) << c.what;
        for (auto v : s.order) EXPECT_EQ(v, untouched_order) << c.what;
        for (auto v : s.ssq) EXPECT_EQ(v, untouched_ssq) << c.what;
    }
}

TEST(PermTj, TwoTestMarkersAcceptTheIdentity) {
    const Search s = search({0.75f, -0.5f, 0.1f, 0.2f}, 2, 2);
    EXPECT_EQ(s.order, (Ordering{1, 2}));
    EXPECT_NEAR(s.ssq[0], 0.0f, 1e-6f);
    EXPECT_NEAR(s.ssq[1], 0.0f, 1e-6f);
}

TEST(PermTj, NoReferenceMarkersAcceptTheIdentityWithZero) {
    const Search s = search({0.0f}, 0, 3);
    EXPECT_EQ(s.best, 0.0f);
    EXPECT_EQ(s.order, (Ordering{1, 2, 3}));
    EXPECT_EQ(s.ssq, (std::vector<float>{untouched_ssq}));
}

TEST(PermTj, RefusesMoreTestMarkersThanItsLimit) {
    EXPECT_EQ(perm_tj_limit_message(perm_tj_max_ntest), "");
    EXPECT_EQ(perm_tj_limit_message(0), "");
    const std::string message = perm_tj_limit_message(21);
    EXPECT_NE(message.find("at most 20 test markers"), std::string::npos) << message;
    EXPECT_NE(message.find("21"), std::string::npos) << message;

    const std::vector<float> data(21, 0.5f);
    Search s;
    s.order.assign(21, untouched_order);
    s.ssq.assign(1, untouched_ssq);
    EXPECT_THROW(perm_tj(data.data(), 1, 21, s.ssq.data(), s.best, s.order.data()),
                 std::invalid_argument);
    EXPECT_EQ(s.order, Ordering(21, untouched_order));
}
