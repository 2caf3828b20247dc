#include "best_order_bnb.h"

#include <algorithm>
#include <cmath>
#include <omp.h>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace varandel {

namespace {

struct Child {
    double bound; // upper bound of the screen score in the child's subtree
    double ss;    // ||s||^2 of the child's partial sum
    std::int32_t i, j;
};

// Rounding of the bounds. Every quantity below is a sum of at most a few hundred products of
// values bounded by n^2 * (columns) in magnitude, so its double-precision error is below 2^-38
// times the sum of Syy over the columns; the problem's slack (2^-24 times that sum) covers it with
// a wide margin, and the eigenvalue bound, a 1/8-th power, is widened by a relative 2^-20.
constexpr double eigen_widening = 1.0 + 0x1p-20;

class Search {
  public:
    Search(const BestOrderProblem& p, ScreenBest& screen)
        : p_(p), screen_(screen), literal_(p.data, p.nref, p.n), n_(p.n), na_(p.na),
          levels_(p.n / 2 + 1), proj_(static_cast<std::size_t>(levels_) * n_),
          s2_(static_cast<std::size_t>(levels_) * std::max(na_, 1)),
          kids_(static_cast<std::size_t>(levels_) * n_ * n_), tmp_(n_), order_(n_), norms_(n_),
          norm_order_(n_), centre_proj_(n_), abs_c_(n_), mat_(3 * 32 * 32),
          leaf_s2_(std::max(na_, 1)), z_(std::max(na_, 1)) {}

    LiteralBest& literal() { return literal_; }
    std::int64_t nodes() const { return nodes_; }
    std::int64_t candidates() const { return candidates_; }

    // The root's children (nothing assigned yet), best bound first.
    std::int32_t root_children() {
        reset_root();
        return children(0, all_items(), 0.0);
    }
    // The children of root child `top`, best bound first; read them with child(1, k).
    std::int32_t second_children(const Child& top) {
        reset_root();
        return children(1, assign(0, all_items(), top), top.ss);
    }
    const Child& child(std::int32_t level, std::int32_t k) const {
        return kids_[static_cast<std::size_t>(level) * n_ * n_ + k];
    }
    // Explores the subtree of `kid`, a child of root child `top`.
    void descend_pair(const Child& top, const Child& kid) {
        reset_root();
        descend(1, assign(0, all_items(), top), kid);
    }

    void run() {
        reset_root();
        expand(0, all_items(), 0.0);
    }

  private:
    double threshold() const { return screen_.get() - p_.window; }
    double gram(std::int32_t i, std::int32_t j) const {
        return p_.gram[static_cast<std::size_t>(i) * n_ + j];
    }

    void expand(std::int32_t level, std::uint64_t free, double ss) {
        const std::int32_t count = children(level, free, ss);
        const Child* kids = kids_.data() + static_cast<std::size_t>(level) * n_ * n_;
        for (std::int32_t k = 0; k < count; ++k) {
            if (kids[k].bound < threshold()) break;
            descend(level, free, kids[k]);
        }
    }

    std::uint64_t all_items() const { return n_ >= 64 ? ~0ull : ((std::uint64_t{1} << n_) - 1); }

    void reset_root() {
        std::fill(proj_.begin(), proj_.begin() + n_, 0.0);
        std::fill(s2_.begin(), s2_.begin() + na_, 0.0);
    }

    // Assigns kid (i at position level, j at position n-1-level) and expands it.
    void descend(std::int32_t level, std::uint64_t free, const Child& kid) {
        expand(level + 1, assign(level, free, kid), kid.ss);
    }

    // Sets up the state below a node for its child kid; returns the child's free items.
    std::uint64_t assign(std::int32_t level, std::uint64_t free, const Child& kid) {
        const std::int32_t m = n_ - 2 * level;
        const double c = 0.5 * (m - 1);
        const double* pr = proj_.data() + static_cast<std::size_t>(level) * n_;
        double* next = proj_.data() + static_cast<std::size_t>(level + 1) * n_;
        for (std::int32_t l = 0; l < n_; ++l)
            next[l] = pr[l] + c * (gram(kid.j, l) - gram(kid.i, l));
        set_s2(level, kid.i, kid.j, s2_.data() + static_cast<std::size_t>(level + 1) * na_);
        order_[level] = kid.i;
        order_[n_ - 1 - level] = kid.j;
        return free & ~(std::uint64_t{1} << kid.i) & ~(std::uint64_t{1} << kid.j);
    }

    // Doubled integer Sxy after placing i left and j right at this level: exact.
    void set_s2(std::int32_t level, std::int32_t i, std::int32_t j, double* out) const {
        const double cr = n_ - 1 - 2 * level; // 2 c for position n-1-level, -2 c on the left
        const double* s2 = s2_.data() + static_cast<std::size_t>(level) * na_;
        for (std::int32_t a = 0; a < na_; ++a) {
            const double* col = p_.xq.data() + static_cast<std::size_t>(a) * n_;
            out[a] = s2[a] + cr * (col[j] - col[i]);
        }
    }

    // A complete ordering: raise the best score, re-score literally when in the window.
    void leaf(std::int32_t level, std::uint64_t free, std::int32_t i, std::int32_t j) {
        double* out = leaf_s2_.data();
        set_s2(level, i, j, out);
        double g = 0.0;
        for (std::int32_t a = 0; a < na_; ++a) g = g + p_.weight[a] * (out[a] * out[a]);
        if (g > screen_.get()) screen_.raise(g);
        if (!(g >= threshold())) return;
        order_[level] = i;
        order_[n_ - 1 - level] = j;
        const std::uint64_t rest = free & ~(std::uint64_t{1} << i) & ~(std::uint64_t{1} << j);
        if (rest != 0) order_[level + 1] = __builtin_ctzll(rest); // the middle item (c = 0)
        literal_.offer_either(order_.data());
        ++candidates_;
    }

    // Scores the children of a node and sorts them, best bound first; leaves are handled here.
    std::int32_t children(std::int32_t level, std::uint64_t free, double ss) {
        ++nodes_;
        const std::int32_t m = n_ - 2 * level;
        const double c = 0.5 * (m - 1);
        const double* pr = proj_.data() + static_cast<std::size_t>(level) * n_;
        std::int32_t items[order_rank_max_n];
        std::int32_t nf = 0;
        for (std::int32_t l = 0; l < n_; ++l)
            if ((free >> l) & 1u) items[nf++] = l;
        const std::int32_t mc = m - 2; // free items of a child
        if (mc <= 1) {
            for (std::int32_t a = 0; a < nf; ++a)
                for (std::int32_t b = 0; b < nf; ++b)
                    if (a != b && (level > 0 || items[a] < items[b]))
                        leaf(level, free, items[a], items[b]);
            return 0;
        }
        const double lambda = free_set_bounds(items, nf);
        const double cc2 = mc * (static_cast<double>(mc) * mc - 1.0) / 12.0; // sum of c^2 inside
        Child* kids = kids_.data() + static_cast<std::size_t>(level) * n_ * n_;
        std::int32_t count = 0;
        const double thr = threshold();
        for (std::int32_t a = 0; a < nf; ++a) {
            const std::int32_t i = items[a];
            for (std::int32_t b = 0; b < nf; ++b) {
                const std::int32_t j = items[b];
                if (a == b || (level == 0 && i > j)) continue;
                const double ssn = ss + 2.0 * c * (pr[j] - pr[i]) +
                                   c * c * (gram(i, i) + gram(j, j) - 2.0 * gram(i, j));
                double norm_sum = 0.0;
                for (std::int32_t q = 0, e = 0; q < mc; ++e) {
                    const std::int32_t l = norm_order_[e];
                    if (l == i || l == j) continue;
                    norm_sum += abs_c_[q++] * norms_[l];
                }
                const double rest = std::min(lambda * cc2, norm_sum * norm_sum);
                // The child's projections; first a cheap bound on the linear term (Cauchy-Schwarz:
                // the c sum to zero, so it is at most ||c|| times the projections' spread), and
                // only for children that survive it the exact one, by sorting.
                std::int32_t t = 0;
                double sum = 0.0;
                for (std::int32_t e = 0; e < nf; ++e) {
                    const std::int32_t l = items[e];
                    if (l == i || l == j) continue;
                    const double x = pr[l] + c * (gram(j, l) - gram(i, l));
                    tmp_[t++] = x;
                    sum += x;
                }
                // Two passes: the sum of squared deviations from a rounded mean is never below
                // the exact one, and its own rounding is covered by the widening.
                const double mean = sum / mc;
                double spread = 0.0;
                for (std::int32_t q = 0; q < mc; ++q) spread += (tmp_[q] - mean) * (tmp_[q] - mean);
                spread *= 1.0 + 0x1p-40;
                if (ssn + 2.0 * std::sqrt(cc2 * spread) + rest + p_.slack < thr) continue;
                for (std::int32_t e = 1; e < mc; ++e) {
                    const double x = tmp_[e];
                    std::int32_t q = e;
                    while (q > 0 && tmp_[q - 1] > x) {
                        tmp_[q] = tmp_[q - 1];
                        --q;
                    }
                    tmp_[q] = x;
                }
                double lin = 0.0;
                for (std::int32_t q = 0; q < mc; ++q) lin += (q - 0.5 * (mc - 1)) * tmp_[q];
                const double bound = ssn + 2.0 * lin + rest + p_.slack;
                if (bound < thr) continue;
                kids[count++] = Child{bound, ssn, i, j};
            }
        }
        std::sort(kids, kids + count, [](const Child& x, const Child& y) {
            if (x.bound != y.bound) return x.bound > y.bound;
            return x.i != y.i ? x.i < y.i : x.j < y.j;
        });
        return count;
    }

    // For the free set Fr (centroid z): the norms ||v_l - z|| sorted, the |c| of a child's inner
    // positions sorted, and an upper bound on the largest eigenvalue of the centred Gram matrix.
    // A child's free set is Fr less two items; its rest sum_w c_w v equals sum_w c_w (v - z)
    // (the c sum to zero), whose Gram matrix is a principal submatrix of this one, so by
    // interlacing this eigenvalue bounds the child's too. For a symmetric M,
    // lambda_max <= trace(M^8)^(1/8) = ||M^4||_F^(1/4).
    double free_set_bounds(const std::int32_t* items, std::int32_t m) {
        for (std::int32_t e = 0; e < m; ++e) {
            double s = 0.0;
            for (std::int32_t f = 0; f < m; ++f) s += gram(items[e], items[f]);
            centre_proj_[items[e]] = s / m; // <v_l, z>
        }
        double zz = 0.0;
        for (std::int32_t e = 0; e < m; ++e) zz += centre_proj_[items[e]];
        zz /= m;
        for (std::int32_t e = 0; e < m; ++e) {
            const std::int32_t l = items[e];
            norms_[l] = std::sqrt(std::max(0.0, gram(l, l) - 2.0 * centre_proj_[l] + zz));
            norm_order_[e] = l;
        }
        std::sort(norm_order_.begin(), norm_order_.begin() + m,
                  [&](std::int32_t x, std::int32_t y) { return norms_[x] > norms_[y]; });
        const std::int32_t mc = m - 2;
        for (std::int32_t q = 0; q < mc; ++q) abs_c_[q] = 0.5 * (mc - 1) - (q / 2);
        // The rest bound by norms pairs the largest |c| with the largest norms; abs_c_ lists the
        // inner coefficients' magnitudes in decreasing order: (mc-1)/2 twice, (mc-3)/2 twice, ...

        const std::int32_t d = std::min(m, na_);
        double* mm = mat_.data();
        if (d == na_) {
            std::fill(mm, mm + static_cast<std::size_t>(d) * d, 0.0);
            double* z = z_.data();
            for (std::int32_t a = 0; a < na_; ++a) {
                double s = 0.0;
                for (std::int32_t e = 0; e < m; ++e)
                    s += p_.v[static_cast<std::size_t>(items[e]) * na_ + a];
                z[a] = s / m;
            }
            for (std::int32_t e = 0; e < m; ++e) {
                const double* ve = p_.v.data() + static_cast<std::size_t>(items[e]) * na_;
                for (std::int32_t a = 0; a < na_; ++a)
                    for (std::int32_t b = 0; b <= a; ++b)
                        mm[a * d + b] += (ve[a] - z[a]) * (ve[b] - z[b]);
            }
            for (std::int32_t a = 0; a < d; ++a)
                for (std::int32_t b = 0; b < a; ++b) mm[b * d + a] = mm[a * d + b];
        } else {
            for (std::int32_t e = 0; e < m; ++e)
                for (std::int32_t f = 0; f < m; ++f)
                    mm[e * d + f] = gram(items[e], items[f]) - centre_proj_[items[e]] -
                                    centre_proj_[items[f]] + zz;
        }
        double* m2 = mm + 32 * 32;
        double* m4 = m2 + 32 * 32;
        square(mm, m2, d);
        square(m2, m4, d);
        double fro = 0.0;
        for (std::int32_t e = 0; e < d * d; ++e) fro += m4[e] * m4[e];
        return std::sqrt(std::sqrt(std::sqrt(fro))) * eigen_widening;
    }

    static void square(const double* a, double* out, std::int32_t d) {
        for (std::int32_t r = 0; r < d; ++r)
            for (std::int32_t c = 0; c < d; ++c) {
                double s = 0.0;
                for (std::int32_t k = 0; k < d; ++k) s += a[r * d + k] * a[k * d + c];
                out[r * d + c] = s;
            }
    }

    const BestOrderProblem& p_;
    ScreenBest& screen_;
    LiteralBest literal_;
    std::int32_t n_, na_, levels_;
    std::vector<double> proj_, s2_;
    std::vector<Child> kids_;
    std::vector<double> tmp_;
    std::vector<std::int32_t> order_;
    std::vector<double> norms_;
    std::vector<std::int32_t> norm_order_;
    std::vector<double> centre_proj_, abs_c_, mat_, leaf_s2_, z_;
    std::int64_t nodes_ = 0, candidates_ = 0;
};

} // namespace

void bnb_search(const BestOrderProblem& p, int threads, LiteralBest& literal,
                BestOrderStats* stats) {
    ScreenBest screen(p.g_start);
    std::int64_t nodes = 0, candidates = 0, busiest = 0;
    if (threads <= 1 || p.n < 8) {
        Search search(p, screen);
        search.run();
        literal.merge(search.literal());
        nodes = search.nodes();
        candidates = search.candidates();
        busiest = nodes;
    } else {
        // Work items are the root's grandchildren: first every thread scores the children of
        // some root children, then the grandchildren, in order of their parents and best bound
        // first, are handed out one at a time. All threads share the best score and prune with
        // each other's finds. Any interleaving gives the same literal decision: every ordering in
        // the final window is offered by whichever thread reaches it.
        Search root(p, screen);
        const std::int32_t count = root.root_children();
        std::vector<Search> searches;
        searches.reserve(static_cast<std::size_t>(threads));
        for (int t = 0; t < threads; ++t) searches.emplace_back(p, screen);
        std::vector<std::vector<Child>> second(static_cast<std::size_t>(count));
        std::vector<std::pair<std::int32_t, Child>> work;
#pragma omp parallel num_threads(threads)
        {
            Search& search = searches[static_cast<std::size_t>(omp_get_thread_num())];
#pragma omp for schedule(dynamic, 1)
            for (std::int32_t k = 0; k < count; ++k) {
                const Child& top = root.child(0, k);
                if (top.bound < screen.get() - p.window) continue;
                const std::int32_t c = search.second_children(top);
                second[static_cast<std::size_t>(k)].assign(&search.child(1, 0),
                                                           &search.child(1, 0) + c);
            }
#pragma omp single
            for (std::int32_t k = 0; k < count; ++k)
                for (const Child& kid : second[static_cast<std::size_t>(k)])
                    work.emplace_back(k, kid);
#pragma omp for schedule(dynamic, 1)
            for (std::size_t w = 0; w < work.size(); ++w) {
                const Child& top = root.child(0, work[w].first);
                const Child& kid = work[w].second;
                if (kid.bound < screen.get() - p.window) continue;
                search.descend_pair(top, kid);
            }
        }
        nodes = root.nodes();
        for (Search& s : searches) {
            literal.merge(s.literal());
            nodes += s.nodes();
            candidates += s.candidates();
            busiest = std::max(busiest, s.nodes());
        }
    }
    if (stats != nullptr) {
        stats->nodes = nodes;
        stats->candidates = candidates;
        stats->busiest = busiest;
    }
}

void best_order_bnb(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
                    float& best, std::int32_t* TEST_ORDER, BestOrderStats* stats) {
    if (ntest > bnb_max_ntest)
        throw std::invalid_argument("the branch-and-bound search handles at most " +
                                    std::to_string(bnb_max_ntest) + " test markers (" +
                                    std::to_string(ntest) + " given)");
    const BestOrderProblem p = best_order_prepare(DATA, nref, ntest);
    if (stats != nullptr) {
        *stats = BestOrderStats{};
        stats->kind = p.kind;
    }
    if (best_order_settle(p, SSQ_BEST, best, TEST_ORDER)) return;
    LiteralBest literal(DATA, nref, ntest);
    bnb_search(p, 1, literal, stats);
    literal.write(SSQ_BEST, best, TEST_ORDER);
}

} // namespace varandel
