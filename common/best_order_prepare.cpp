#include "best_order_prepare.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <string>

#include "linfit.h"
#include "perm_tj.h"

namespace varandel {

namespace {

constexpr double unit_roundoff = 0x1p-24; // single precision, round to nearest
constexpr double tiny_error = 0x1p-149;   // largest absolute rounding error in the subnormal range

// gamma_k = k u / (1 - k u) bounds |(1 + e_1) ... (1 + e_k) - 1| for |e_i| <= u.
double gamma(double k) {
    return k * unit_roundoff / (1.0 - k * unit_roundoff);
}

// Syy = sum over positions of (w - (n + 1) / 2)^2.
double position_spread(std::int32_t n) {
    const double dn = n;
    return dn * (dn * dn - 1.0) / 12.0;
}

} // namespace

OrderRank tj_rank(const std::int32_t* P, std::int32_t n) {
    // r_j = j r_(j-1) + (steps item j has made in its sweep); the sweep goes right to left when
    // r_(j-1) is even.
    OrderRank r = 0;
    for (std::int32_t j = 2; j <= n; ++j) {
        std::int32_t k = 0; // 1-based position of j among the items 1..j
        for (std::int32_t w = 0; w < n; ++w) {
            if (P[w] <= j) ++k;
            if (P[w] == j) break;
        }
        const bool even = (r & 1) == 0;
        r = r * static_cast<OrderRank>(j) + static_cast<OrderRank>(even ? j - k : k - 1);
    }
    return r;
}

void tj_unrank(OrderRank rank, std::int32_t n, std::int32_t* P) {
    if (n <= 0) return;
    std::int32_t pos[order_rank_max_n + 1]; // pos[j]: 1-based position of j among items 1..j
    for (std::int32_t j = n; j >= 2; --j) {
        const auto t = static_cast<std::int32_t>(rank % static_cast<OrderRank>(j));
        rank /= static_cast<OrderRank>(j);
        pos[j] = (rank & 1) == 0 ? j - t : t + 1;
    }
    P[0] = 1;
    for (std::int32_t j = 2; j <= n; ++j) {
        for (std::int32_t w = j - 1; w >= pos[j]; --w) P[w] = P[w - 1];
        P[pos[j] - 1] = j;
    }
}

// Error analysis of one literal fit (x = the column's n values in some order, y = 1..n), in the
// standard model fl(a op b) = (a op b)(1 + e) + h, |e| <= u = 2^-24, |h| <= 2^-150 (h only for
// products and quotients that underflow). Notation: mu, e_i = x_i - mu, Sxx = sum e_i^2 are exact;
// c_i = i - (n + 1) / 2, Syy = sum c_i^2, C1 = sum |c_i|; Sxy = sum c_i x_i. Exact fit:
// b* = Sxy / Sxx, RSS* = Syy - Sxy^2 / Sxx. Every bound below holds for every ordering.
//  1. xmean: the sequential sum errs by at most gamma_(n-1) sum|x|, the division by u|sx/n|, so
//     beta = xmean - mu satisfies |beta| <= alpha = gamma_n sum|x| / n. ymean = (n + 1) / 2 is
//     exact.
//  2. d_i = fl(x_i - xmean) = (e_i - beta)(1 + e). Because sum c_i = 0, the exact
//     sum (e_i - beta) c_i equals Sxy, so sxy = Sxy + D1 with
//     |D1| <= gamma_(n+1) sum |e_i - beta| |c_i| <= gamma_(n+1) (sqrt(Sxx Syy) + alpha C1).
//  3. sum (e_i - beta)^2 = Sxx + n beta^2, so sxx = Sxx + D2 with
//     |D2| <= gamma_(n+2) (Sxx + n alpha^2) + n alpha^2. We require |D2| <= Sxx / 2.
//  4. |b* | <= B = sqrt(Syy / Sxx) (Cauchy-Schwarz); b = fl(sxy / sxx) then differs from b* by
//     at most db = dq + u (B + dq), dq = (|D1| + B |D2|) / (Sxx - |D2|).
//  5. With the computed a, b the exact residuals rho_i = y_i - a - b x_i satisfy
//     sum rho_i^2 = RSS* + n g^2 + (b - b*)^2 Sxx, g = a + b mu - ymean (the fit is the minimum),
//     where |g| <= Bh alpha + u |xmean| Bh + u (ymean + |xmean| Bh (1 + u)), Bh = B + db.
//  6. The computed residual r_i = fl(fl(y_i - a) - fl(b x_i)) differs from rho_i by at most
//     3 u lambda_i, lambda_i = |y_i - a| + |b x_i|; by Minkowski
//     ||lambda||_2 <= sqrt(sum (i + |a|)^2) + Bh sqrt(sum x_i^2).
//  7. |sum r_i^2 - sum rho_i^2| <= 2 D sqrt(Pm) + D^2 with D = ||r - rho||_2 and Pm the bound on
//     sum rho_i^2 from 5; the final sum of squares adds gamma_n sum r_i^2.
// Underflow adds at most 2^-149 per rounded product; those terms are carried explicitly.
double linfit_error_bound(const float* x, std::int32_t n, double rss_cap) {
    const double u = unit_roundoff;
    const double dn = n;
    double sum = 0.0, sum_abs = 0.0, sum_sq = 0.0;
    for (std::int32_t i = 0; i < n; ++i) {
        const double xi = x[i];
        if (!std::isfinite(xi)) return -1.0;
        sum += xi;
        sum_abs += std::fabs(xi);
        sum_sq += xi * xi;
    }
    const double mu = sum / dn;
    double sxx = 0.0;
    for (std::int32_t i = 0; i < n; ++i) sxx += (x[i] - mu) * (x[i] - mu);
    sxx *= 1.0 - 0x1p-40; // the double computation may err upwards by far less than this
    const double syy = position_spread(n);
    const double ybar = (dn + 1.0) / 2.0;
    double c1 = 0.0, lambda_pos = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) c1 += std::fabs(i - ybar);

    const double alpha = gamma(dn) * sum_abs / dn;
    const double d1 = gamma(dn + 1) * (std::sqrt(sxx * syy) + alpha * c1) + dn * tiny_error;
    const double d2 =
        gamma(dn + 2) * (sxx + dn * alpha * alpha) + dn * alpha * alpha + dn * tiny_error;
    if (!(sxx > 0.0) || !(d2 <= 0.5 * sxx)) return -1.0;
    const double big_b = std::sqrt(syy / sxx);
    const double dq = (d1 + big_b * d2) / (sxx - d2);
    const double db = dq + u * (big_b + dq) + tiny_error;
    const double bh = big_b + db;
    const double xm = sum_abs / dn + alpha; // bound on |xmean|
    const double g = bh * alpha + u * xm * bh + u * (ybar + xm * bh * (1.0 + u)) + tiny_error;
    const double a_max = (ybar + xm * bh * (1.0 + u)) * (1.0 + u);
    for (std::int32_t i = 1; i <= n; ++i) lambda_pos += (i + a_max) * (i + a_max);
    const double lambda = std::sqrt(lambda_pos) + bh * std::sqrt(sum_sq);
    const double dr = 3.0 * u * lambda + std::sqrt(dn) * tiny_error;
    const double shift = dn * g * g + db * db * sxx; // RSS at the computed a, b minus RSS*
    const double pm = std::min(rss_cap, syy) + shift;
    const double sq = std::sqrt(pm);
    return shift + 2.0 * dr * sq + dr * dr + gamma(dn) * (sq + dr) * (sq + dr) + dn * tiny_error;
}

double screen_score(const BestOrderProblem& p, const std::int32_t* order) {
    double g = 0.0;
    for (std::int32_t a = 0; a < p.na; ++a) {
        const double* col = p.xq.data() + static_cast<std::size_t>(a) * p.n;
        double s = 0.0; // exact: an integer below 2^53 at every step
        for (std::int32_t w = 0; w < p.n; ++w) s += (2.0 * w - (p.n - 1)) * col[order[w]];
        g = g + p.weight[a] * (s * s);
    }
    return g;
}

namespace {

// Orders the items by their projection on `dir` (ascending, ties by item) into `order`.
void order_by_projection(const BestOrderProblem& p, const std::vector<double>& dir,
                         std::vector<double>& proj, std::vector<std::int32_t>& order) {
    for (std::int32_t i = 0; i < p.n; ++i) {
        double s = 0.0;
        for (std::int32_t a = 0; a < p.na; ++a)
            s += p.v[static_cast<std::size_t>(i) * p.na + a] * dir[a];
        proj[i] = s;
    }
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::int32_t i, std::int32_t j) { return proj[i] < proj[j]; });
}

// A good start: from several directions, repeatedly order the items by their projection on the
// current direction (the best ordering for that linear score) and take the ordering's own
// vector sum_w c_w v_P(w) as the next direction, until the ordering repeats.
void find_start(BestOrderProblem& p) {
    const std::int32_t n = p.n, na = p.na;
    std::vector<double> dir(na), proj(n);
    std::vector<std::int32_t> order(n), previous(n);
    p.start.assign(n, 0);
    std::iota(p.start.begin(), p.start.end(), 0);
    p.g_start = screen_score(p, p.start.data());
    for (std::int32_t first = 0; first <= na; ++first) {
        // Start directions: each column, and the sum of all columns.
        for (std::int32_t a = 0; a < na; ++a) dir[a] = (first == na || a == first) ? 1.0 : 0.0;
        for (std::int32_t iter = 0; iter < 50; ++iter) {
            order_by_projection(p, dir, proj, order);
            if (iter > 0 && order == previous) break;
            previous = order;
            std::fill(dir.begin(), dir.end(), 0.0);
            for (std::int32_t w = 0; w < n; ++w)
                for (std::int32_t a = 0; a < na; ++a)
                    dir[a] +=
                        (w - 0.5 * (n - 1)) * p.v[static_cast<std::size_t>(order[w]) * na + a];
        }
        const double g = screen_score(p, order.data());
        if (g > p.g_start) {
            p.g_start = g;
            p.start = order;
        }
    }
}

} // namespace

BestOrderProblem best_order_prepare(const float* DATA, std::int32_t nref, std::int32_t ntest) {
    BestOrderProblem p;
    p.n = ntest;
    p.nref = nref < 0 ? 0 : nref;
    p.data = DATA;
    const std::int32_t n = ntest;
    if (n <= 2 || n > order_rank_max_n) return p; // literal: trivial, or beyond the ranks
    const double dn = n;
    const double syy = position_spread(n);

    // Columns: a non-finite value makes that column's fit NaN for every ordering (the sum, the
    // mean and a deviation turn NaN or infinite), and so every total. A column whose values all
    // compare equal presents the same series to the fit in every ordering (zeros of either sign
    // give 0/0), so its sum of squares is one constant K for all orderings.
    std::vector<float> positions(n);
    for (std::int32_t w = 0; w < n; ++w) positions[w] = static_cast<float>(w + 1);
    std::vector<std::int32_t> active;
    double sum_k = 0.0;
    for (std::int32_t r = 0; r < p.nref; ++r) {
        const float* col = DATA + static_cast<std::size_t>(r) * n;
        bool constant = true;
        for (std::int32_t i = 0; i < n; ++i) {
            if (!std::isfinite(col[i])) {
                p.kind = Prepared::none_accepted;
                return p;
            }
            if (!(col[i] == col[0])) constant = false;
        }
        if (constant) {
            float k = 0.0f;
            linfit(col, positions.data(), n, k);
            if (!std::isfinite(k)) {
                p.kind = Prepared::none_accepted;
                return p;
            }
            sum_k += k;
        } else {
            active.push_back(r);
        }
    }
    if (active.empty()) {
        p.kind = Prepared::all_equal;
        return p;
    }

    const auto na = static_cast<std::int32_t>(active.size());
    p.na = na;
    p.sum_syy = na * syy;
    p.xq.resize(static_cast<std::size_t>(na) * n);
    p.weight.resize(na);
    p.v.resize(static_cast<std::size_t>(n) * na);
    // Scale: |xq| <= 2^K with (2 C1 + 8) 2^K <= 2^53 keeps every doubled Sxy, and every kernel
    // update of it, an exact integer in a double.
    double c1 = 0.0;
    for (std::int32_t w = 1; w <= n; ++w) c1 += std::fabs(w - (dn + 1.0) / 2.0);
    const int k_bits = static_cast<int>(std::floor(53.0 - std::log2(2.0 * c1 + 8.0)));
    const int k_bits_f = static_cast<int>(std::floor(24.0 - std::log2(2.0 * c1 + 8.0)));
    p.xf.resize(static_cast<std::size_t>(na) * n);
    p.weight_f.resize(na);
    double delta = 0.0;   // bound on |G - exact sum Sxy^2 / Sxx| for every ordering
    double delta_f = 0.0; // the same for Gf
    for (std::int32_t a = 0; a < na; ++a) {
        const float* col = DATA + static_cast<std::size_t>(active[a]) * n;
        double max_abs = 0.0, sum = 0.0;
        for (std::int32_t i = 0; i < n; ++i) {
            max_abs = std::max(max_abs, std::fabs(static_cast<double>(col[i])));
            sum += col[i];
        }
        if (max_abs > 0x1p32) return p; // far outside correlations: leave it to the literal search
        const double mu = sum / dn;
        double sxx = 0.0;
        for (std::int32_t i = 0; i < n; ++i) sxx += (col[i] - mu) * (col[i] - mu);
        if (!(sxx > 0.0)) return p;
        int ex = 0;
        std::frexp(max_abs, &ex); // max_abs < 2^ex
        const int shift = k_bits - ex;
        bool exact = true;
        for (std::int32_t i = 0; i < n; ++i) {
            const double scaled = std::ldexp(static_cast<double>(col[i]), shift);
            const double q = std::nearbyint(scaled);
            if (q != scaled) exact = false;
            p.xq[static_cast<std::size_t>(a) * n + i] = q;
            p.v[static_cast<std::size_t>(i) * na + a] = (col[i] - mu) / std::sqrt(sxx);
        }
        // S = sum_w (2w - n - 1) xq = 2 Sxy / q with q = 2^-shift, so Sxy^2 / Sxx = S^2 q^2 / (4
        // Sxx).
        const double q = std::ldexp(1.0, -shift);
        p.weight[a] = q * q / (4.0 * sxx);
        // Screen accuracy. Rounding to the grid moves Sxy by at most eq = (q / 2) C1, so
        // |Sxy~^2 - Sxy^2| <= eq (2 sqrt(Sxx Syy) + eq). The weight (double Sxx, one quotient) and
        // the sum over columns (squares, products, adds in double) err relatively by far less
        // than 2^-40 for a column that passes the fit analysis below.
        const double eq = exact ? 0.0 : 0.5 * q * c1;
        const double root = std::sqrt(syy) + eq / std::sqrt(sxx);
        delta += eq * (2.0 * std::sqrt(sxx * syy) + eq) / sxx + 0x1p-40 * root * root;

        // The coarse grid, likewise: |xf| <= 2^Kf with (2 C1 + 8) 2^Kf <= 2^24. Gf rounds
        // S * S, the weight (from double), their product and na - 1 sums, so it errs
        // relatively by at most gamma_(na+3) (single precision) beyond the grid's own error.
        const int shift_f = k_bits_f - ex;
        for (std::int32_t i = 0; i < n; ++i)
            p.xf[static_cast<std::size_t>(a) * n + i] = static_cast<float>(
                std::nearbyint(std::ldexp(static_cast<double>(col[i]), shift_f)));
        const double qf = std::ldexp(1.0, -shift_f);
        p.weight_f[a] = static_cast<float>(qf * qf / (4.0 * sxx));
        const double eqf = 0.5 * qf * c1;
        const double root_f = std::sqrt(syy) + eqf / std::sqrt(sxx);
        delta_f += eqf * (2.0 * std::sqrt(sxx * syy) + eqf) / sxx +
                   (gamma(na + 3) + 0x1p-40) * root_f * root_f;
    }
    p.gram.resize(static_cast<std::size_t>(n) * n);
    for (std::int32_t i = 0; i < n; ++i)
        for (std::int32_t j = 0; j < n; ++j) {
            double s = 0.0;
            for (std::int32_t a = 0; a < na; ++a)
                s += p.v[static_cast<std::size_t>(i) * na + a] *
                     p.v[static_cast<std::size_t>(j) * na + a];
            p.gram[static_cast<std::size_t>(i) * n + j] = s;
        }
    find_start(p);

    // The window. With T(P) the exact total (sum over varying columns of RSS*, plus sum K) and
    // Tl(P) the literal one, let E bound |Tl - T| for the orderings that matter. The literal
    // winner W has Tl(W) <= Tl(P*) for the exact optimum P*, hence T(W) <= T(P*) + 2E, i.e.
    // F(W) >= F* - 2E for F = sum Sxy^2 / Sxx = na Syy + sum K - T. With |G - F| <= delta,
    // G(W) >= max G - 2E - 2 delta: the window 2E + 2 delta (widened for its own rounding) holds W.
    // E: first with each column's RSS* capped by Syy (valid for all orderings, E0); then only W
    // and P* matter, whose totals are at most Tcap = T(start) + 2 E0, which caps each RSS* again.
    auto total_bound = [&](double tcap) {
        double e = 0.0, sum_ssq = 0.0;
        for (std::int32_t a = 0; a < na; ++a) {
            const double cap = std::min(syy, tcap - sum_k);
            const double er =
                linfit_error_bound(DATA + static_cast<std::size_t>(active[a]) * n, n, cap);
            if (er < 0.0) return -1.0;
            e += er;
            sum_ssq += er;
        }
        // The total is a sequential single-precision sum of nref values starting from 0.
        sum_ssq += std::min(tcap, na * syy + sum_k);
        return e + gamma(p.nref) * sum_ssq;
    };
    const double e0 = total_bound(na * syy + sum_k);
    if (e0 < 0.0) return p;
    const double t_start = na * syy + sum_k - (p.g_start - delta);
    const double e1 = total_bound(t_start + 2.0 * e0);
    if (e1 < 0.0) return p;
    p.window = (2.0 * e1 + 2.0 * delta) * 1.01 + 0x1p-40 * p.sum_syy;
    // The first screen passes W: Gf(W) >= F(W) - delta_f >= F* - 2E - delta_f, and the largest G
    // seen is at most F* + delta.
    p.window_f = (2.0 * e1 + delta + delta_f) * 1.01 + 0x1p-40 * p.sum_syy;
    p.slack = 0x1p-24 * p.sum_syy;
    p.kind = Prepared::search;
    return p;
}

bool best_order_settle(const BestOrderProblem& p, float* SSQ_BEST, float& best,
                       std::int32_t* TEST_ORDER) {
    switch (p.kind) {
    case Prepared::search:
        return false;
    case Prepared::none_accepted:
        best = 2147483648.0f;
        return true;
    case Prepared::all_equal: {
        // Every ordering presents the same series to every fit, so the identity (met first)
        // decides, provided its total is accepted at all.
        LiteralBest literal(p.data, p.nref, p.n);
        std::vector<std::int32_t> identity(static_cast<std::size_t>(p.n));
        std::iota(identity.begin(), identity.end(), 0);
        literal.offer(identity.data(), 0);
        literal.write(SSQ_BEST, best, TEST_ORDER);
        return true;
    }
    case Prepared::literal:
        break;
    }
    if (p.n > perm_tj_max_ntest)
        throw std::domain_error(
            "no exact result can be proven for this correlation matrix (a column too close to "
            "constant or out of range) and the reference search handles at most " +
            std::to_string(perm_tj_max_ntest) + " test markers (" + std::to_string(p.n) +
            " given)");
    perm_tj(p.data, p.nref, p.n, SSQ_BEST, best, TEST_ORDER);
    return true;
}

LiteralBest::LiteralBest(const float* data, std::int32_t nref, std::int32_t n)
    : data_(data), nref_(nref < 0 ? 0 : nref), n_(n < 0 ? 0 : n), x_(n_), y_(n_), ssq_(nref_),
      best_ssq_(nref_), work_(n_), best_order_(n_) {
    for (std::int32_t w = 0; w < n_; ++w) x_[w] = static_cast<float>(w + 1);
}

void LiteralBest::offer(const std::int32_t* order, OrderRank rank) {
    ++offered_;
    // Exactly the reference search's scoring: one fit per column with x = the permuted column
    // and y = the positions, then the columns' sums added in order from 0.
    for (std::int32_t r = 0; r < nref_; ++r) {
        const float* col = data_ + static_cast<std::size_t>(r) * n_;
        for (std::int32_t w = 0; w < n_; ++w) y_[w] = col[order[w]];
        linfit(y_.data(), x_.data(), n_, ssq_[r]);
    }
    float total = 0.0f;
    for (std::int32_t r = 0; r < nref_; ++r) total += ssq_[r];
    const bool better = have_ ? (total < best_total_ || (total == best_total_ && rank < best_rank_))
                              : total < best_total_;
    if (!better) return;
    have_ = true;
    best_total_ = total;
    best_rank_ = rank;
    std::copy(order, order + n_, best_order_.begin());
    best_ssq_ = ssq_;
}

void LiteralBest::offer_either(const std::int32_t* order) {
    std::int32_t at0 = 0, at1 = 0;
    for (std::int32_t w = 0; w < n_; ++w) {
        if (order[w] == 0) at0 = w;
        if (order[w] == 1) at1 = w;
    }
    for (std::int32_t w = 0; w < n_; ++w) work_[w] = (at0 < at1 ? order[w] : order[n_ - 1 - w]) + 1;
    const OrderRank rank = tj_rank(work_.data(), n_);
    for (std::int32_t w = 0; w < n_; ++w) --work_[w];
    // offer() reads the ordering before it touches work_, so passing work_ is safe.
    offer(work_.data(), rank);
}

void LiteralBest::merge(const LiteralBest& o) {
    offered_ += o.offered_;
    if (!o.have_) return;
    if (have_ && !(o.best_total_ < best_total_ ||
                   (o.best_total_ == best_total_ && o.best_rank_ < best_rank_)))
        return;
    have_ = true;
    best_total_ = o.best_total_;
    best_rank_ = o.best_rank_;
    best_order_ = o.best_order_;
    best_ssq_ = o.best_ssq_;
}

void LiteralBest::write(float* SSQ_BEST, float& best, std::int32_t* TEST_ORDER) const {
    best = best_total_;
    if (!have_) return;
    for (std::int32_t w = 0; w < n_; ++w) TEST_ORDER[w] = best_order_[w] + 1;
    for (std::int32_t r = 0; r < nref_; ++r) SSQ_BEST[r] = best_ssq_[r];
}

} // namespace varandel
