#include "best_order_enumerate.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <omp.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace varandel {

bool simd_path_available(SimdPath path) {
    switch (path) {
    case SimdPath::avx512:
        return __builtin_cpu_supports("avx512f");
    case SimdPath::avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case SimdPath::automatic:
    case SimdPath::portable:
        return true;
    }
    return false;
}

SimdPath simd_path_best() {
    if (simd_path_available(SimdPath::avx512)) return SimdPath::avx512;
    if (simd_path_available(SimdPath::avx2)) return SimdPath::avx2;
    return SimdPath::portable;
}

std::int64_t enumerate_sweeps(std::int32_t n) {
    if (n < 3) return 0;
    std::int64_t f = 1;
    for (std::int32_t j = 2; j <= n - 1; ++j) f *= j;
    return f / 2;
}

namespace {

// 64-byte aligned floats for the vector loads.
class AlignedFloats {
  public:
    explicit AlignedFloats(std::size_t count)
        : data_(static_cast<float*>(::operator new[](
              std::max<std::size_t>(count, 1) * sizeof(float), std::align_val_t(64)))) {
        std::fill(data_, data_ + count, 0.0f);
    }
    ~AlignedFloats() { ::operator delete[](data_, std::align_val_t(64)); }
    AlignedFloats(const AlignedFloats&) = delete;
    AlignedFloats& operator=(const AlignedFloats&) = delete;
    float* get() const { return data_; }

  private:
    float* data_;
};

// The largest float not above x: the first screen must never test against a raised threshold.
float float_at_most(double x) {
    float f = static_cast<float>(x);
    if (static_cast<double>(f) > x) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
    return f;
}

struct PassContext {
    const BestOrderProblem* problem;
    ScreenBest* screen;
    LiteralBest* literal;
    std::int64_t candidates = 0;
    std::int32_t order[enumerate_lanes];
};

// The rare slow path. The lanes that passed the first screen get their fine score G (exact Sxy
// in doubles), which raises the best score; those still in the window are re-scored literally.
// The lane of the sweeping item at position k is met n - 1 - k steps into an even sweep and k
// steps into an odd one.
float on_pass(void* context, const float* /*scores*/, std::uint32_t passed, std::int64_t sweep,
              const std::int32_t* perm) {
    auto& c = *static_cast<PassContext*>(context);
    const BestOrderProblem& p = *c.problem;
    const std::int32_t n = p.n;
    auto lane_order = [&](std::int32_t k) {
        for (std::int32_t w = 0; w < k; ++w) c.order[w] = perm[w];
        c.order[k] = n - 1;
        for (std::int32_t w = k + 1; w < n; ++w) c.order[w] = perm[w - 1];
    };
    double fine[enumerate_lanes];
    double top = -std::numeric_limits<double>::infinity();
    for (std::int32_t k = 0; k < n; ++k) {
        if (((passed >> k) & 1u) == 0) continue;
        lane_order(k);
        fine[k] = screen_score(p, c.order);
        top = std::max(top, fine[k]);
    }
    c.screen->raise(top);
    const double best = c.screen->get();
    for (std::int32_t k = 0; k < n; ++k) {
        if (((passed >> k) & 1u) == 0 || !(fine[k] >= best - p.window)) continue;
        lane_order(k);
        const std::int64_t step = (sweep % 2 == 0) ? n - 1 - k : k;
        c.literal->offer(c.order, static_cast<OrderRank>(sweep) * static_cast<OrderRank>(n) +
                                      static_cast<OrderRank>(step));
        ++c.candidates;
    }
    return float_at_most(best - p.window_f);
}

} // namespace

std::int64_t enumerate_range(const BestOrderProblem& p, SimdPath path, std::int64_t first,
                             std::int64_t last, ScreenBest& screen, LiteralBest& literal) {
    const std::int32_t n = p.n, na = p.na, m = n - 1;
    if (first >= last) return 0;
    constexpr int L = enumerate_lanes;
    AlignedFloats masks(static_cast<std::size_t>(std::max(n - 2, 1)) * L);
    AlignedFloats lanes(static_cast<std::size_t>(na) * L);
    // Swap at pi-positions (l, l + 1): every lane gains 2 (x_a - x_b) in doubled Sxy, lane l + 1
    // twice that; lanes beyond n stay zero.
    for (std::int32_t l = 0; l < n - 2; ++l)
        for (std::int32_t k = 0; k < n; ++k) masks.get()[l * L + k] = (k == l + 1) ? 4.0f : 2.0f;

    // pi at sweep rank `first`, with the generator's counters and directions: rank
    // r_j = (j + 1) r_(j-1) + count_j for item j (0-based), moving left while r_(j-1) is even.
    std::int32_t perm[enumerate_lanes], pos[enumerate_lanes], count[enumerate_lanes],
        dir[enumerate_lanes];
    tj_unrank(static_cast<OrderRank>(first), m, perm);
    for (std::int32_t w = 0; w < m; ++w) {
        --perm[w];
        pos[perm[w]] = w;
    }
    std::int64_t r = first;
    count[0] = 0;
    dir[0] = -1;
    for (std::int32_t j = m - 1; j >= 1; --j) {
        count[j] = static_cast<std::int32_t>(r % (j + 1));
        r /= (j + 1);
        dir[j] = (r % 2 == 0) ? -1 : 1;
    }
    std::int32_t order[enumerate_lanes];
    for (std::int32_t k = 0; k < n; ++k) {
        for (std::int32_t w = 0; w < k; ++w) order[w] = perm[w];
        order[k] = n - 1;
        for (std::int32_t w = k + 1; w < n; ++w) order[w] = perm[w - 1];
        for (std::int32_t a = 0; a < na; ++a) {
            double s = 0.0; // an integer below 2^24: exact, and exact as a float
            for (std::int32_t w = 0; w < n; ++w)
                s += (2.0 * w - (n - 1)) * p.xf[static_cast<std::size_t>(a) * n + order[w]];
            lanes.get()[a * L + k] = static_cast<float>(s);
        }
    }

    std::vector<float> diff(static_cast<std::size_t>(n) * n * na);
    for (std::int32_t a = 0; a < n; ++a)
        for (std::int32_t b = 0; b < n; ++b)
            for (std::int32_t c = 0; c < na; ++c)
                diff[(static_cast<std::size_t>(a) * n + b) * na + c] =
                    p.xf[static_cast<std::size_t>(c) * n + a] -
                    p.xf[static_cast<std::size_t>(c) * n + b];

    PassContext context{&p, &screen, &literal, 0, {}};
    EnumerateKernelArgs args;
    args.n = n;
    args.na = na;
    args.diff = diff.data();
    args.weight = p.weight_f.data();
    args.masks = masks.get();
    args.lanes = lanes.get();
    args.perm = perm;
    args.pos = pos;
    args.count = count;
    args.dir = dir;
    args.first = first;
    args.last = last;
    args.lane_valid = (n >= 32) ? 0xffffffffu : ((1u << n) - 1u);
    args.threshold = float_at_most(screen.get() - p.window_f);
    args.on_pass = on_pass;
    args.context = &context;
    if (path == SimdPath::automatic) path = simd_path_best();
    switch (path) {
    case SimdPath::avx512:
        enumerate_kernel_avx512(args);
        break;
    case SimdPath::avx2:
        enumerate_kernel_avx2(args);
        break;
    default:
        enumerate_kernel_portable(args);
        break;
    }
    return context.candidates;
}

std::int64_t enumerate_search(const BestOrderProblem& p, SimdPath path, int threads,
                              LiteralBest& literal) {
    const std::int64_t total = enumerate_sweeps(p.n);
    ScreenBest screen(p.g_start);
    if (threads <= 1 || total < 64) return enumerate_range(p, path, 0, total, screen, literal);
    // Chunks of consecutive sweeps, handed out one at a time. Each thread keeps its own literal
    // decision; merged by (total, rank) they give the sequential result, since every ordering in
    // the final window is offered by the thread that owns its sweep.
    const std::int64_t chunks =
        std::min<std::int64_t>(total, 16 * static_cast<std::int64_t>(threads));
    std::vector<LiteralBest> decisions(static_cast<std::size_t>(threads),
                                       LiteralBest(p.data, p.nref, p.n));
    std::int64_t candidates = 0;
#pragma omp parallel for num_threads(threads) schedule(dynamic, 1) reduction(+ : candidates)
    for (std::int64_t c = 0; c < chunks; ++c) {
        const std::int64_t first = total / chunks * c + std::min(c, total % chunks);
        const std::int64_t last = first + total / chunks + (c < total % chunks ? 1 : 0);
        candidates += enumerate_range(p, path, first, last, screen,
                                      decisions[static_cast<std::size_t>(omp_get_thread_num())]);
    }
    for (const LiteralBest& d : decisions) literal.merge(d);
    return candidates;
}

void best_order_enumerate(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
                          float& best, std::int32_t* TEST_ORDER, SimdPath path,
                          BestOrderStats* stats) {
    if (ntest > enumerate_max_ntest)
        throw std::invalid_argument("the enumerating search handles at most " +
                                    std::to_string(enumerate_max_ntest) + " test markers (" +
                                    std::to_string(ntest) + " given)");
    if (path != SimdPath::automatic && !simd_path_available(path))
        throw std::invalid_argument("this processor lacks the requested vector instructions");
    const BestOrderProblem p = best_order_prepare(DATA, nref, ntest);
    if (stats != nullptr) {
        *stats = BestOrderStats{};
        stats->kind = p.kind;
    }
    if (best_order_settle(p, SSQ_BEST, best, TEST_ORDER)) return;
    LiteralBest literal(DATA, nref, ntest);
    const std::int64_t c = enumerate_search(p, path, 1, literal);
    if (stats != nullptr) stats->candidates = c;
    literal.write(SSQ_BEST, best, TEST_ORDER);
}

} // namespace varandel
