#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <set>
#include <stdexcept>
#include <vector>

#include "binomialcoeff.h"
#include "comb.h"
#include "comb_part.h"
#include "comb_part_enum.h"
#include "table.h"

using namespace varandel;

namespace {

using Row = std::vector<std::int32_t>;

struct Tables {
    Table<std::int32_t> cref, ctest;
};

// CREF and CTEST as the job builds them: ncomb = min(maxc, count).
Tables build(std::int32_t n, std::int32_t nref, std::int32_t z, std::int64_t maxc) {
    const std::int64_t count = comb_part_enum(n, nref, 1, z);
    const auto ncomb = static_cast<std::int32_t>(std::min(maxc, count));
    Tables t{Table<std::int32_t>("CREF", ncomb, nref, -1),
             Table<std::int32_t>("CTEST", ncomb, std::max(n - nref, 0), -1)};
    comb_part(n, nref, 1, z, t.cref);
    comb_complement(n, t.cref, t.ctest);
    return t;
}

Row row_of(const Table<std::int32_t>& t, std::int32_t c) {
    Row r;
    for (std::int32_t j = 1; j <= t.cols(); ++j) r.push_back(t(c, j));
    return r;
}

// Rows of the worked example: n = 6, nref = 4, listed for z = 2 (the first nine are z = 1).
const std::vector<std::pair<Row, Row>> example_rows = {
    {{1, 2, 3, 4}, {5, 6}}, {{5, 2, 3, 4}, {1, 6}}, {{6, 2, 3, 4}, {1, 5}}, {{1, 5, 3, 4}, {2, 6}},
    {{1, 6, 3, 4}, {2, 5}}, {{1, 2, 5, 4}, {3, 6}}, {{1, 2, 6, 4}, {3, 5}}, {{1, 2, 3, 5}, {4, 6}},
    {{1, 2, 3, 6}, {4, 5}}, {{5, 6, 3, 4}, {1, 2}}, {{5, 2, 6, 4}, {1, 3}}, {{5, 2, 3, 6}, {1, 4}},
    {{1, 5, 6, 4}, {2, 3}}, {{1, 5, 3, 6}, {2, 4}}, {{1, 2, 5, 6}, {3, 4}},
};

} // namespace

TEST(Binomialcoeff, KnownValues) {
    struct Case {
        std::int32_t n, k;
        std::int64_t value;
    } cases[] = {
        {0, 0, 1},
        {5, -1, 0},
        {5, 6, 0},
        {5, 0, 1},
        {5, 5, 1},
        {6, 2, 15},
        {-1, 0, 0},
        {29, 14, 77558760},
        {30, 15, 155117520},
        {100000, 2, 4999950000},
        {66, 33, 7219428434016265740},
        {67, 33, count_too_many},
        {2147483647, 1, 2147483647},
        {2147483647, 2147483646, 2147483647},
        {2147483647, 1000, count_too_many},
    };
    for (const auto& c : cases)
        EXPECT_EQ(binomialcoeff(c.n, c.k), c.value) << "C(" << c.n << ", " << c.k << ")";
}

// Every coefficient up to n = 67 against Pascal's triangle in unsigned 64-bit arithmetic (exact
// there): exact when it fits in a signed 64-bit integer, count_too_many otherwise.
TEST(Binomialcoeff, MatchesPascalsTriangleUpToTheLimit) {
    std::vector<std::uint64_t> row = {1};
    for (std::int32_t n = 0; n <= 67; ++n) {
        for (std::int32_t k = -1; k <= n + 1; ++k) {
            const std::uint64_t exact = (k < 0 || k > n) ? 0 : row[static_cast<std::size_t>(k)];
            const std::int64_t want = exact > static_cast<std::uint64_t>(count_too_many)
                                          ? count_too_many
                                          : static_cast<std::int64_t>(exact);
            ASSERT_EQ(binomialcoeff(n, k), want) << "C(" << n << ", " << k << ")";
        }
        std::vector<std::uint64_t> next(row.size() + 1, 1);
        for (std::size_t k = 1; k < row.size(); ++k) next[k] = row[k - 1] + row[k];
        row = next;
    }
}

TEST(CombPartEnum, Counts) {
    struct Case {
        std::int32_t n, nref, lo, hi;
        std::int64_t count;
    } cases[] = {
        {6, 4, 1, 1, 9},
        {6, 4, 1, 2, 15},
        {6, 4, 1, 0, 1}, // z <= 0
        {6, 4, 1, -5, 1},
        {6, 4, 2, 1, 1}, // lo > hi
        {6, 4, 2, 2, 7},
        {6, 4, 0, 1, 9}, // exchanging nothing is the original combination
        {6, 4, 1, 2147483647, 15},
        {6, 6, 1, 3, 1}, // no test markers
        {6, 0, 1, 3, 1},
        {3, 5, 1, 2, 1},
        {30, 15, 1, 15, 155117520},
        {64, 32, 1, 32, 1832624140942590534},
        {66, 33, 1, 33, 7219428434016265740},
        {67, 33, 1, 33, count_too_many},
        {134, 67, 1, 67, count_too_many},
        {134, 67, 1, 2, 1 + 67 * 67 + 2211 * 2211},
    };
    for (const auto& c : cases)
        EXPECT_EQ(comb_part_enum(c.n, c.nref, c.lo, c.hi), c.count)
            << c.n << " " << c.nref << " " << c.lo << " " << c.hi;
}

TEST(CombNext, EnumeratesAscendingSubsetsInLexicographicOrder) {
    struct Case {
        std::int32_t n, k;
    } cases[] = {{5, 3}, {6, 1}, {4, 4}, {7, 5}};
    for (const auto& c : cases) {
        std::vector<Row> seen;
        Row a(static_cast<std::size_t>(c.k), 0);
        bool done = true;
        for (;;) {
            comb_next(c.n, c.k, a.data(), done);
            if (done) break;
            ASSERT_TRUE(std::is_sorted(a.begin(), a.end()));
            ASSERT_TRUE(std::adjacent_find(a.begin(), a.end()) == a.end());
            ASSERT_GE(a.front(), 1);
            ASSERT_LE(a.back(), c.n);
            if (!seen.empty()) {
                ASSERT_LT(seen.back(), a);
            }
            seen.push_back(a);
        }
        EXPECT_EQ(static_cast<std::int64_t>(seen.size()), binomialcoeff(c.n, c.k));
        Row first(static_cast<std::size_t>(c.k)), last(first.size());
        i4vec_indicator(c.k, first.data());
        for (std::int32_t i = 0; i < c.k; ++i)
            last[static_cast<std::size_t>(i)] = c.n - c.k + i + 1;
        EXPECT_EQ(seen.front(), first);
        EXPECT_EQ(seen.back(), last);
        EXPECT_EQ(a, last) << "the last subset stays in place when done";
    }
}

TEST(CombNext, NoSubsetForEmptyOrOversizedK) {
    for (std::int32_t k : {0, -2, 4}) {
        std::int32_t a[4] = {-1, -1, -1, -1};
        bool done = true;
        comb_next(3, k, a, done);
        EXPECT_TRUE(done) << "k = " << k;
        for (auto v : a) EXPECT_EQ(v, -1) << "k = " << k;
    }
}

TEST(CombPart, WorkedExample) {
    struct Case {
        std::int32_t z;
        std::int64_t maxc;
        std::size_t rows;
    } cases[] = {
        {1, 2147483647, 9}, {2, 2147483647, 15}, {2, 5, 5}, {2, 1, 1}, {0, 2147483647, 1},
    };
    for (const auto& c : cases) {
        const Tables t = build(6, 4, c.z, c.maxc);
        ASSERT_EQ(static_cast<std::size_t>(t.cref.rows()), c.rows) << "z = " << c.z;
        for (std::int32_t r = 1; r <= t.cref.rows(); ++r) {
            const auto& want = example_rows[static_cast<std::size_t>(r - 1)];
            EXPECT_EQ(row_of(t.cref, r), want.first) << "z = " << c.z << ", row " << r;
            EXPECT_EQ(row_of(t.ctest, r), want.second) << "z = " << c.z << ", row " << r;
        }
    }
}

// With every exchange allowed the listing holds each nref-set of the n markers exactly once.
TEST(CombPart, FullExchangeListsEverySetOnce) {
    struct Case {
        std::int32_t n, nref;
    } cases[] = {{6, 4}, {7, 3}, {8, 4}, {9, 2}, {5, 1}, {5, 5}, {10, 5}};
    for (const auto& c : cases) {
        const std::int32_t z = std::min(c.nref, c.n - c.nref);
        ASSERT_EQ(comb_part_enum(c.n, c.nref, 1, z), binomialcoeff(c.n, c.nref));
        const Tables t = build(c.n, c.nref, z, std::numeric_limits<std::int64_t>::max());
        std::set<Row> sets;
        for (std::int32_t r = 1; r <= t.cref.rows(); ++r) {
            Row ref = row_of(t.cref, r), test = row_of(t.ctest, r);
            EXPECT_TRUE(std::is_sorted(test.begin(), test.end()));
            Row all = ref;
            all.insert(all.end(), test.begin(), test.end());
            std::sort(all.begin(), all.end());
            for (std::int32_t k = 1; k <= c.n; ++k)
                ASSERT_EQ(all[static_cast<std::size_t>(k - 1)], k) << c.n << " " << c.nref;
            std::sort(ref.begin(), ref.end());
            sets.insert(ref);
        }
        EXPECT_EQ(static_cast<std::int64_t>(sets.size()), binomialcoeff(c.n, c.nref))
            << c.n << " " << c.nref;
    }
}

TEST(CombPart, RowsBeyondTheFullCountAreLeftAlone) {
    Table<std::int32_t> cref("CREF", 11, 4, -1);
    comb_part(6, 4, 1, 1, cref);
    EXPECT_EQ(row_of(cref, 9), (Row{1, 2, 3, 6}));
    EXPECT_EQ(row_of(cref, 10), (Row{-1, -1, -1, -1}));
    EXPECT_EQ(row_of(cref, 11), (Row{-1, -1, -1, -1}));
}

TEST(CombPart, RejectsTablesOfTheWrongShape) {
    Table<std::int32_t> empty("CREF", 0, 4);
    EXPECT_THROW(comb_part(6, 4, 1, 1, empty), TableRangeError);
    Table<std::int32_t> narrow("CREF", 9, 3);
    EXPECT_THROW(comb_part(6, 4, 1, 1, narrow), std::invalid_argument);

    Table<std::int32_t> cref("CREF", 9, 4);
    comb_part(6, 4, 1, 1, cref);
    Table<std::int32_t> short_test("CTEST", 8, 2);
    EXPECT_THROW(comb_complement(6, cref, short_test), std::invalid_argument);

    // A repeated marker leaves three markers for two places.
    cref(2, 1) = 2;
    Table<std::int32_t> ctest("CTEST", 9, 2);
    EXPECT_THROW(comb_complement(6, cref, ctest), TableRangeError);
}
