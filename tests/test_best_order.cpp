// The fast exact engines against the literal search, bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include <omp.h>

#include "best_order.h"
#include "best_order_bnb.h"
#include "best_order_enumerate.h"
#include "best_order_prepare.h"
#include "linfit.h"
#include "perm_tj.h"

namespace varandel {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int case_divisor = 2; // the sanitizer build runs the literal search about 2.5x slower
#else
constexpr int case_divisor = 1;
#endif

// A longer soak: VARANDEL_BEST_ORDER_SOAK=k runs k times the random cases.
int soak_factor() {
    const char* text = std::getenv("VARANDEL_BEST_ORDER_SOAK");
    const int k = text != nullptr ? std::atoi(text) : 1;
    return k > 1 ? k : 1;
}

// The outputs of one search, with the outputs pre-filled so that "left untouched" shows.
struct Outcome {
    float best = 0.0f;
    std::vector<float> ssq;
    std::vector<std::int32_t> order;
};

bool same_bits(const Outcome& a, const Outcome& b) {
    if (std::bit_cast<std::uint32_t>(a.best) != std::bit_cast<std::uint32_t>(b.best)) return false;
    if (a.order != b.order || a.ssq.size() != b.ssq.size()) return false;
    for (std::size_t r = 0; r < a.ssq.size(); ++r)
        if (std::bit_cast<std::uint32_t>(a.ssq[r]) != std::bit_cast<std::uint32_t>(b.ssq[r]))
            return false;
    return true;
}

std::string describe(const Outcome& o) {
    std::string s = "best ";
    s += std::to_string(o.best);
    s += " order";
    for (std::int32_t w : o.order) {
        s += ' ';
        s += std::to_string(w);
    }
    return s;
}

template <class Search>
Outcome outcome_of(const std::vector<float>& data, std::int32_t nref, std::int32_t ntest,
                   Search&& search) {
    Outcome o;
    o.ssq.assign(static_cast<std::size_t>(std::max(nref, 0)), -7.0f);
    o.order.assign(static_cast<std::size_t>(std::max(ntest, 0)), -3);
    search(data.data(), nref, ntest, o.ssq.data(), o.best, o.order.data());
    return o;
}

Outcome reference(const std::vector<float>& data, std::int32_t nref, std::int32_t ntest) {
    return outcome_of(data, nref, ntest, perm_tj);
}

Outcome with_engine(Engine engine, const std::vector<float>& data, std::int32_t nref,
                    std::int32_t ntest, bool parallel = false) {
    return outcome_of(
        data, nref, ntest,
        [&](const float* d, std::int32_t r, std::int32_t t, float* s, float& b, std::int32_t* o) {
            if (parallel)
                best_order_parallel(engine, d, r, t, s, b, o);
            else
                best_order(engine, d, r, t, s, b, o);
        });
}

// ---- random correlation matrices of every kind ----

enum class Kind {
    noise,
    one_factor,
    two_factors,
    integer_duplicates, // integer scores, duplicated and uniform markers
    near_constant,      // one column nearly constant
    tiny_column,        // one column of random near-zero values, as for a uniform marker
    nan_column,
};
constexpr Kind all_kinds[] = {
    Kind::noise,         Kind::one_factor,  Kind::two_factors, Kind::integer_duplicates,
    Kind::near_constant, Kind::tiny_column, Kind::nan_column};

// Single-precision Pearson coefficient with the random near-zero value for zero covariance.
float pearson(const std::vector<float>& x, const std::vector<float>& y, std::mt19937_64& rng) {
    const auto n = static_cast<float>(x.size());
    float sx = 0, sy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
    }
    const float mx = sx / n, my = sy / n;
    float cov = 0, vx = 0, vy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        cov += (x[i] - mx) * (y[i] - my);
        vx += (x[i] - mx) * (x[i] - mx);
        vy += (y[i] - my) * (y[i] - my);
    }
    cov /= n;
    if (cov == 0.0f) {
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        return static_cast<float>((u - 0.5) * static_cast<double>(1.0e-7f));
    }
    return cov / (std::sqrt(vx / n) * std::sqrt(vy / n));
}

std::vector<float> make_matrix(Kind kind, std::int32_t ntest, std::int32_t nref,
                               std::mt19937_64& rng) {
    std::normal_distribution<float> normal;
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    const std::int32_t markers = ntest + nref;
    const int lines = 6 + static_cast<int>(rng() % 25);
    std::vector<float> f1(lines), f2(lines);
    for (int l = 0; l < lines; ++l) {
        f1[l] = normal(rng);
        f2[l] = normal(rng);
    }
    std::vector<std::vector<float>> raw(markers, std::vector<float>(lines));
    for (std::int32_t k = 0; k < markers; ++k) {
        const float a = 1.5f * uniform(rng),
                    b = kind == Kind::two_factors ? 1.5f * uniform(rng) : 0;
        const bool factor = kind == Kind::one_factor || kind == Kind::two_factors ||
                            kind == Kind::integer_duplicates;
        for (int l = 0; l < lines; ++l) {
            float x = normal(rng);
            if (factor) x = a * f1[l] + b * f2[l] + 0.7f * x;
            if (kind == Kind::integer_duplicates) x = std::clamp(std::round(1.5f + x), 0.0f, 3.0f);
            raw[k][l] = x;
        }
        if (kind == Kind::integer_duplicates && k > 0) {
            const auto roll = rng() % 6;
            if (roll == 0) raw[k] = raw[k - 1];                           // a duplicated marker
            if (roll == 1) std::fill(raw[k].begin(), raw[k].end(), 2.0f); // a uniform marker
        }
    }
    std::vector<float> data(static_cast<std::size_t>(ntest) * nref);
    for (std::int32_t t = 0; t < ntest; ++t)
        for (std::int32_t r = 0; r < nref; ++r)
            data[static_cast<std::size_t>(r) * ntest + t] = pearson(raw[nref + t], raw[r], rng);
    if (nref > 0 &&
        (kind == Kind::near_constant || kind == Kind::tiny_column || kind == Kind::nan_column)) {
        float* col = data.data() + static_cast<std::size_t>(rng() % nref) * ntest;
        const float spread[] = {1e-2f, 1e-4f, 1e-6f};
        const float eps = spread[rng() % 3];
        const float base = uniform(rng);
        const bool one_nan = rng() % 2 == 0;
        for (std::int32_t t = 0; t < ntest; ++t) {
            if (kind == Kind::near_constant) col[t] = base + eps * normal(rng);
            if (kind == Kind::tiny_column)
                col[t] =
                    static_cast<float>((std::uniform_real_distribution<double>(0, 1)(rng) - 0.5) *
                                       static_cast<double>(1.0e-7f));
            if (kind == Kind::nan_column && (!one_nan || t == 0))
                col[t] = std::numeric_limits<float>::quiet_NaN();
        }
    }
    return data;
}

// Cases per ntest for the comparison with the literal search (the literal search costs
// ntest!/2 fits per column, so the larger sizes get fewer).
int cases_for(std::int32_t ntest) {
    const int table[] = {0, 0, 210, 420, 420, 420, 420, 420, 490, 105, 10};
    return std::max(1, table[ntest] * soak_factor() / case_divisor);
}

TEST(BestOrderDifferential, FastEnginesMatchTheLiteralSearch) {
    std::mt19937_64 rng(20240611);
    for (std::int32_t ntest = 2; ntest <= 10; ++ntest) {
        const int cases = cases_for(ntest);
        for (int c = 0; c < cases; ++c) {
            const Kind kind = all_kinds[c % std::size(all_kinds)];
            const std::int32_t nref = 1 + static_cast<std::int32_t>((c / 7) % 8);
            const std::vector<float> data = make_matrix(kind, ntest, nref, rng);
            const Outcome want = reference(data, nref, ntest);
            for (Engine engine : {Engine::automatic, Engine::enumerate, Engine::bnb}) {
                const Outcome got = with_engine(engine, data, nref, ntest);
                ASSERT_TRUE(same_bits(got, want))
                    << engine_name(engine) << " ntest " << ntest << " nref " << nref << " case "
                    << c << " kind " << static_cast<int>(kind) << ": " << describe(got)
                    << " instead of " << describe(want);
            }
        }
    }
}

// Beyond the literal search's reach the two fast engines must still agree with each other.
TEST(BestOrderDifferential, EnumerationAndBranchAndBoundAgree) {
    std::mt19937_64 rng(77);
    const int table[] = {60, 16, 4, 2}; // ntest 10 .. 13
    for (std::int32_t ntest = 10; ntest <= 13; ++ntest) {
        const int cases = std::max(1, table[ntest - 10] * soak_factor() / case_divisor);
        for (int c = 0; c < cases; ++c) {
            const Kind kind = all_kinds[c % 4]; // kinds without fallback to the literal search
            const std::int32_t nref = 1 + static_cast<std::int32_t>((c * 3) % 8);
            const std::vector<float> data = make_matrix(kind, ntest, nref, rng);
            const Outcome a = with_engine(Engine::enumerate, data, nref, ntest);
            const Outcome b = with_engine(Engine::bnb, data, nref, ntest);
            ASSERT_TRUE(same_bits(a, b)) << "ntest " << ntest << " nref " << nref << " case " << c
                                         << ": " << describe(a) << " vs " << describe(b);
        }
    }
}

TEST(BestOrderDifferential, ParallelVariantGivesTheSameResult) {
    std::mt19937_64 rng(5);
    const int threads = omp_get_max_threads();
    omp_set_num_threads(3);
    for (std::int32_t ntest : {4, 7, 9, 11, 12}) {
        for (Kind kind : {Kind::noise, Kind::integer_duplicates}) {
            const std::vector<float> data = make_matrix(kind, ntest, 6, rng);
            for (Engine engine : {Engine::automatic, Engine::enumerate, Engine::bnb}) {
                if (engine == Engine::enumerate && ntest > 11) continue;
                EXPECT_TRUE(same_bits(with_engine(engine, data, 6, ntest, true),
                                      with_engine(engine, data, 6, ntest)))
                    << engine_name(engine) << " ntest " << ntest;
            }
        }
    }
    omp_set_num_threads(threads);
}

// The vector paths must compute identical screen scores, so even the candidates agree.
TEST(BestOrderDispatch, EveryAvailableVectorPathAgrees) {
    std::mt19937_64 rng(9);
    std::vector<SimdPath> paths;
    for (SimdPath p : {SimdPath::avx512, SimdPath::avx2, SimdPath::portable})
        if (simd_path_available(p)) paths.push_back(p);
    ASSERT_FALSE(paths.empty());
    for (std::int32_t ntest : {3, 5, 8, 9, 10}) {
        for (std::int32_t nref : {1, 6, 11}) {
            const std::vector<float> data = make_matrix(Kind::one_factor, ntest, nref, rng);
            std::vector<Outcome> got;
            std::vector<std::int64_t> candidates;
            for (SimdPath p : paths) {
                BestOrderStats stats;
                got.push_back(outcome_of(
                    data, nref, ntest,
                    [&](const float* d, std::int32_t r, std::int32_t t, float* s, float& b,
                        std::int32_t* o) { best_order_enumerate(d, r, t, s, b, o, p, &stats); }));
                candidates.push_back(stats.candidates);
            }
            for (std::size_t k = 1; k < paths.size(); ++k) {
                EXPECT_TRUE(same_bits(got[k], got[0])) << "path " << k << " ntest " << ntest;
                EXPECT_EQ(candidates[k], candidates[0]) << "path " << k << " ntest " << ntest;
            }
        }
    }
}

// ---- the contract's edge cases, every engine ----

struct EdgeCase {
    const char* name;
    std::int32_t ntest, nref;
    std::vector<float> data;
};

TEST(BestOrderEdgeCases, EveryEngineMatchesTheLiteralSearch) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<EdgeCase> cases = {
        {"worked example", 3, 1, {0.75f, 0.25f, 0.5f}},
        {"no test markers", 0, 2, {}},
        {"one test marker", 1, 2, {0.3f, 0.4f}},
        {"two test markers", 2, 2, {0.3f, 0.4f, 0.1f, -0.2f}},
        {"two equal values", 2, 1, {0.3f, 0.3f}},
        {"no reference markers", 5, 0, {}},
        {"column of 0.5", 4, 2, {0.1f, 0.7f, -0.3f, 0.2f, 0.5f, 0.5f, 0.5f, 0.5f}},
        {"column of 0.3 and a varying one",
         5,
         2,
         {0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 0.9f, -0.1f, 0.4f, 0.2f, 0.6f}},
        {"only constant columns", 4, 2, {0.3f, 0.3f, 0.3f, 0.3f, 0.7f, 0.7f, 0.7f, 0.7f}},
        {"zeros of both signs", 4, 2, {0.0f, -0.0f, 0.0f, -0.0f, 0.1f, 0.2f, 0.3f, 0.4f}},
        {"one NaN", 5, 2, {0.1f, 0.2f, nan, 0.4f, 0.5f, 0.5f, 0.1f, 0.3f, 0.2f, 0.9f}},
        {"an infinity", 4, 1, {0.1f, std::numeric_limits<float>::infinity(), 0.3f, 0.2f}},
        {"identical rows", 5, 2, {0.2f, 0.2f, 0.5f, -0.1f, 0.2f, 0.7f, 0.7f, 0.1f, 0.3f, 0.7f}},
        {"perfect line", 6, 1, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}},
        {"huge values", 4, 1, {1e30f, -2e30f, 3e30f, 5e29f}},
        {"nearly constant", 6, 1, {0.5f, 0.50000006f, 0.5f, 0.49999997f, 0.5f, 0.50000012f}},
    };
    for (const EdgeCase& c : cases) {
        const Outcome want = reference(c.data, c.nref, c.ntest);
        for (Engine engine : {Engine::automatic, Engine::enumerate, Engine::bnb}) {
            EXPECT_TRUE(same_bits(with_engine(engine, c.data, c.nref, c.ntest), want))
                << c.name << ", " << engine_name(engine);
            EXPECT_TRUE(same_bits(with_engine(engine, c.data, c.nref, c.ntest, true), want))
                << c.name << ", parallel " << engine_name(engine);
        }
    }
    // The worked example's result itself.
    const Outcome example = with_engine(Engine::automatic, cases[0].data, 1, 3);
    EXPECT_EQ(example.order, (std::vector<std::int32_t>{1, 3, 2}));
    EXPECT_EQ(example.best, 0.0f);
}

// Beyond 20 test markers only branch and bound runs: a matrix whose every column lies on a line
// in the identity order has the identity as its exact and literal best.
TEST(BestOrderEdgeCases, BranchAndBoundBeyondTheLiteralLimit) {
    for (std::int32_t ntest : {21, 24}) {
        const std::int32_t nref = 3;
        std::vector<float> data(static_cast<std::size_t>(ntest) * nref);
        for (std::int32_t r = 0; r < nref; ++r)
            for (std::int32_t t = 0; t < ntest; ++t)
                data[static_cast<std::size_t>(r) * ntest + t] =
                    (r % 2 == 0 ? 1.0f : -1.0f) * (0.02f * static_cast<float>(t) - 0.2f) +
                    0.001f * static_cast<float>((t * 7 + r) % 5);
        const Outcome got = with_engine(Engine::automatic, data, nref, ntest);
        std::vector<std::int32_t> identity(static_cast<std::size_t>(ntest));
        std::iota(identity.begin(), identity.end(), 1);
        EXPECT_EQ(got.order, identity) << ntest;
        // The reported sums are the literal fits of that ordering.
        std::vector<float> x(static_cast<std::size_t>(ntest));
        std::iota(x.begin(), x.end(), 1.0f);
        float total = 0.0f;
        for (std::int32_t r = 0; r < nref; ++r) {
            float s = 0.0f;
            linfit(data.data() + static_cast<std::size_t>(r) * ntest, x.data(), ntest, s);
            EXPECT_EQ(std::bit_cast<std::uint32_t>(got.ssq[r]), std::bit_cast<std::uint32_t>(s));
            total += s;
        }
        EXPECT_EQ(got.best, total);
    }
}

// ---- the pieces the engines rest on ----

// Ranks follow the literal successor over the whole cycle, and unranking inverts them.
TEST(BestOrderPieces, RanksFollowTheLiteralSequence) {
    for (std::int32_t n = 1; n <= 8; ++n) {
        std::vector<std::int32_t> P(n + 1), Q(n + 1), back(n);
        std::vector<unsigned char> A(n + 1);
        std::iota(P.begin(), P.end(), 0);
        std::int64_t total = 1;
        for (std::int32_t j = 2; j <= n; ++j) total *= j;
        for (std::int64_t r = 0; r < total; ++r) {
            ASSERT_EQ(static_cast<std::int64_t>(tj_rank(P.data() + 1, n)), r) << "n " << n;
            tj_unrank(static_cast<OrderRank>(r), n, back.data());
            ASSERT_TRUE(std::equal(back.begin(), back.end(), P.begin() + 1)) << "n " << n;
            if (r + 1 < total) perm_tj_successor(n, P.data(), Q.data(), A.data());
        }
    }
    // A rank beyond 64 bits survives the round trip.
    std::vector<std::int32_t> P(30), back(30);
    const OrderRank big = (static_cast<OrderRank>(1) << 100) + 12345;
    tj_unrank(big, 30, P.data());
    EXPECT_TRUE(tj_rank(P.data(), 30) == big);
}

// The proven bound on the literal fit's rounding holds against a long double evaluation.
TEST(BestOrderPieces, FitErrorBoundHolds) {
    std::mt19937_64 rng(3);
    std::normal_distribution<float> normal;
    for (int c = 0; c < 300 * soak_factor(); ++c) {
        const std::int32_t n = 3 + static_cast<std::int32_t>(c % 14);
        std::vector<float> x(n), pos(n);
        const float offset = (c % 3 == 0) ? 0.0f : normal(rng);
        const float scale = (c % 4 == 0) ? 1e-3f : 0.3f;
        for (std::int32_t i = 0; i < n; ++i) {
            x[i] = offset + scale * normal(rng);
            pos[i] = static_cast<float>(i + 1);
        }
        const double bound = linfit_error_bound(x.data(), n, 1e300);
        if (scale > 1e-2f) {
            ASSERT_GE(bound, 0.0) << "an ordinary column must be provable";
        }
        if (bound < 0) continue;
        for (int shuffle = 0; shuffle < 20; ++shuffle) {
            std::shuffle(x.begin(), x.end(), rng);
            float ssq = 0.0f;
            linfit(x.data(), pos.data(), n, ssq);
            long double mx = 0, sxx = 0, sxy = 0, syy = 0;
            for (float v : x) mx += v;
            mx /= n;
            for (std::int32_t i = 0; i < n; ++i) {
                const long double dx = x[i] - mx, dy = (i + 1) - (n + 1) / 2.0L;
                sxx += dx * dx;
                sxy += dx * dy;
                syy += dy * dy;
            }
            const long double exact = syy - sxy * sxy / sxx;
            EXPECT_LE(std::fabs(static_cast<long double>(ssq) - exact), bound) << "case " << c;
        }
    }
}

TEST(BestOrderNames, ParseEngine) {
    const struct {
        const char* text;
        bool ok;
        Engine engine;
    } table[] = {{"auto", true, Engine::automatic},      {"reference", true, Engine::reference},
                 {"enumerate", true, Engine::enumerate}, {"bnb", true, Engine::bnb},
                 {"Auto", false, Engine::bnb},           {"", false, Engine::bnb},
                 {"automatic", false, Engine::bnb}};
    for (const auto& row : table) {
        Engine e = Engine::bnb;
        EXPECT_EQ(parse_engine(row.text, e), row.ok) << row.text;
        EXPECT_EQ(e, row.engine) << row.text;
    }
}

TEST(BestOrderNames, LimitMessages) {
    const struct {
        Engine engine;
        std::int32_t largest;
    } table[] = {{Engine::reference, 20},
                 {Engine::enumerate, 16},
                 {Engine::bnb, 32},
                 {Engine::automatic, 32}};
    for (const auto& row : table) {
        EXPECT_EQ(best_order_limit_message(row.engine, row.largest), "") << engine_name(row.engine);
        const std::string msg = best_order_limit_message(row.engine, row.largest + 1);
        EXPECT_NE(msg.find(std::to_string(row.largest)), std::string::npos) << msg;
        std::vector<float> data(static_cast<std::size_t>(row.largest + 1), 0.1f);
        float best = 0;
        std::vector<float> ssq(1);
        std::vector<std::int32_t> order(static_cast<std::size_t>(row.largest + 1));
        EXPECT_THROW(
            best_order(row.engine, data.data(), 1, row.largest + 1, ssq.data(), best, order.data()),
            std::invalid_argument);
    }
    EXPECT_GE(bnb_max_ntest, 24);
}

} // namespace
} // namespace varandel
