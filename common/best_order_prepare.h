// What the fast exact order searches share: the analysis of one correlation matrix (which
// columns vary, whether the result is known without a search, the proven candidate window), the
// Trotter-Johnson rank, and the literal re-scoring that decides among the candidates exactly as
// the reference search would.
//
// The idea. With x the permuted correlations of one reference column and y the positions, the
// literal fit's sum of squares is mathematically Syy - Sxy^2 / Sxx, where Syy and Sxx do not depend
// on the ordering. The searches therefore maximise the screen score
//     G(P) = sum_r Sxy_r(P)^2 / Sxx_r
// (computed from exact integer Sxy values, see below), keep every ordering whose G lies within a
// proven window of the best G, and re-score exactly those with the literal `linfit` in sequence
// order and the literal rule (strict less, first met). The window covers the rounding of the
// literal single-precision computation, so the ordering that the literal search returns is always
// among the re-scored ones, and the literal rule then picks it.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace varandel {

// A rank in the Trotter-Johnson sequence: 32!/2 needs more than 64 bits.
__extension__ typedef unsigned __int128 OrderRank;

// Largest number of items that the rank functions (and so the fast searches) handle.
inline constexpr std::int32_t order_rank_max_n = 32;

// Rank of ordering P (n entries, a permutation of 1..n, entry w = item at position w + 1) in the
// Trotter-Johnson sequence that starts at the identity (rank 0).
OrderRank tj_rank(const std::int32_t* P, std::int32_t n);

// Inverse of tj_rank: writes the ordering of the given rank to P (n entries, values 1..n).
void tj_unrank(OrderRank rank, std::int32_t n, std::int32_t* P);

// How a matrix is to be searched.
enum class Prepared {
    literal,       // only the literal search can be trusted (too few items, unprovable columns)
    none_accepted, // every total is NaN or infinite: no ordering is accepted
    all_equal,     // every ordering has the same total (no column varies): the identity decides
    search,        // a fast search applies with the window below
};

// One correlation matrix made ready for the fast searches. Items (test markers, rows of DATA)
// are 0-based here; orderings are arrays of items by position.
struct BestOrderProblem {
    Prepared kind = Prepared::literal;
    std::int32_t n = 0;    // number of items (ntest)
    std::int32_t nref = 0; // columns of DATA (negative counts as 0)
    const float* data = nullptr;
    std::int32_t na = 0; // columns that vary between items; the others add a constant
    // xq[a * n + i]: item i's value in varying column a, scaled by a power of two and rounded
    // to an integer small enough that every doubled Sxy (sum of (2w - n + 1) * xq) is exact in
    // a double.
    std::vector<double> xq;
    std::vector<double> weight; // G = sum_a weight[a] * S_a^2 with S_a the doubled integer Sxy
    // The same on a coarser grid whose doubled Sxy stay exact integers in single precision, and
    // the score Gf = sum_a weight_f[a] * S_a^2 formed in single precision: the enumeration's
    // first screen, 16 lanes to a 512-bit register. Its window also covers the coarse grid.
    std::vector<float> xf;
    std::vector<float> weight_f;
    double window_f = 0.0; // first screen: Gf >= (largest G seen) - window_f
    // v[i * na + a]: item i's centred, unit-spread value in column a; gram[i * n + j] = <v_i, v_j>.
    // Only the branch-and-bound bounds use them.
    std::vector<double> v;
    std::vector<double> gram;
    double window = 0.0; // candidates: G >= (largest G seen) - window
    double slack = 0.0;  // absolute allowance for the rounding of bounds computed in doubles
    double sum_syy = 0.0;
    std::vector<std::int32_t> start; // a good ordering to start from, and its G
    double g_start = 0.0;
};

// Analyses DATA (ntest x nref, one reference column contiguous).
BestOrderProblem best_order_prepare(const float* DATA, std::int32_t nref, std::int32_t ntest);

// Settles every kind but search: the literal search (perm_tj; beyond its limit a
// std::domain_error, since no exact result can be promised), no acceptance, or the identity.
// Returns false, touching nothing, for kind search.
bool best_order_settle(const BestOrderProblem& problem, float* SSQ_BEST, float& best,
                       std::int32_t* TEST_ORDER);

// The screen score G of an ordering (items by position), exactly as the searches compute it.
double screen_score(const BestOrderProblem& problem, const std::int32_t* order);

// Bound on |single-precision linfit(x permuted, positions) - exact residual sum of squares| for
// every ordering of the column x (n values) whose exact residual sum of squares is at most
// rss_cap. Negative when the analysis does not apply (non-finite values, a column too close to
// constant for the single-precision mean). Exposed for the tests.
double linfit_error_bound(const float* x, std::int32_t n, double rss_cap);

// The largest screen score seen so far, shared by the threads of one search.
class ScreenBest {
  public:
    explicit ScreenBest(double g) : g_(g) {}
    double get() const { return g_.load(std::memory_order_relaxed); }
    void raise(double g) {
        double old = g_.load(std::memory_order_relaxed);
        while (g > old && !g_.compare_exchange_weak(old, g, std::memory_order_relaxed)) {
        }
    }

  private:
    std::atomic<double> g_;
};

// The literal decision among candidates: re-scores each offered ordering with `linfit` exactly as
// the reference search does and keeps the one with the smallest total, the smaller rank on equal
// totals (the first met), and only totals below the reference search's starting value 2^31.
// Work arrays are sized once, so offering allocates nothing.
class LiteralBest {
  public:
    LiteralBest(const float* data, std::int32_t nref, std::int32_t n);
    // order: items (0-based) by position, within the scored half of the sequence; rank its rank.
    void offer(const std::int32_t* order, OrderRank rank);
    // Offers an ordering from either half: its reverse is taken when item 0 stands after item 1.
    void offer_either(const std::int32_t* order);
    void merge(const LiteralBest& other);
    bool accepted() const { return have_; }
    std::int64_t offered() const { return offered_; }
    // The reference search's outputs: best total always, the rest only if something was accepted.
    void write(float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER) const;

  private:
    const float* data_;
    std::int32_t nref_, n_;
    std::vector<float> x_, y_, ssq_, best_ssq_;
    std::vector<std::int32_t> work_, best_order_;
    float best_total_ = 2147483648.0f;
    OrderRank best_rank_ = 0;
    bool have_ = false;
    std::int64_t offered_ = 0;
};

// Counters of one fast search, for tests and benchmarks.
struct BestOrderStats {
    std::int64_t candidates = 0; // orderings re-scored literally
    std::int64_t nodes = 0;      // branch and bound: nodes expanded
    std::int64_t busiest = 0;    // branch and bound: nodes expanded by the busiest thread
    Prepared kind = Prepared::literal;
};

} // namespace varandel
