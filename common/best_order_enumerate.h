// The enumerating exact search: visits every ordering of the scored half of the Trotter-Johnson
// sequence, like the reference search, but scores it incrementally.
//
// The scored half consists of (n-1)!/2 complete sweeps of the largest item over all n positions,
// one sweep for each ordering pi of the other items in the first half of their own sequence; the
// n positions of the sweeping item are SIMD lanes (16 floats cover n <= 16). Consecutive pi differ
// by one neighbour swap: when the item a at pi-position l moves right past b, every lane's Sxy
// changes by x_a - x_b, and the lane with the sweeping item at position l + 1 by twice that. So one
// step costs one update and one score per column and vector, with the doubled Sxy kept as exact
// integers in single precision (the problem's coarse grid). Lanes that pass this first screen
// are scored again on the fine grid (G, exact Sxy in doubles) and re-scored literally when in the
// window.
#pragma once

#include <cstdint>

#include "best_order_prepare.h"

namespace varandel {

inline constexpr std::int32_t enumerate_max_ntest = 16;

// The vector code to run: AVX-512, AVX2 or plain C++; all give the same screen values and so the
// same candidates and results.
enum class SimdPath { automatic, avx512, avx2, portable };

// Whether this processor runs the path (automatic and portable always).
bool simd_path_available(SimdPath path);
// The path that automatic stands for here.
SimdPath simd_path_best();

// Number of sweeps of an n-item search, (n-1)!/2.
std::int64_t enumerate_sweeps(std::int32_t n);

// Runs sweeps [first, last) of a prepared problem (kind search, 3 <= n <= 16), raising `screen`
// and offering every ordering in the window to `literal`. Returns the number of candidates.
std::int64_t enumerate_range(const BestOrderProblem& problem, SimdPath path, std::int64_t first,
                             std::int64_t last, ScreenBest& screen, LiteralBest& literal);

// The whole search of a prepared problem (kind search) on `threads` threads (the sweeps are
// shared out in chunks; call from outside any parallel region when threads > 1), leaving the
// literal decision in `literal`. Returns the number of candidates.
std::int64_t enumerate_search(const BestOrderProblem& problem, SimdPath path, int threads,
                              LiteralBest& literal);

// The whole search with perm_tj's contract (falls back to perm_tj where the analysis says so).
void best_order_enumerate(const float* DATA, std::int32_t nref, std::int32_t ntest, float* SSQ_BEST,
                          float& best, std::int32_t* TEST_ORDER,
                          SimdPath path = SimdPath::automatic, BestOrderStats* stats = nullptr);

// ---- internal: the interface of the per-ISA kernels ----

inline constexpr int enumerate_lanes = 16;

struct EnumerateKernelArgs {
    std::int32_t n = 0, na = 0;
    // diff[(a * n + b) * na + c]: xf of item a minus xf of item b in column c (exact)
    const float* diff = nullptr;
    const float* weight = nullptr; // na
    const float* masks = nullptr;  // (n - 2) rows of 16 lanes: the update factors per swap
    float* lanes = nullptr;        // na rows of 16 lanes: doubled Sxy, updated in place
    // pi: the other n - 1 items by position, their positions, sweep counters and directions.
    std::int32_t* perm = nullptr;
    std::int32_t* pos = nullptr;
    std::int32_t* count = nullptr;
    std::int32_t* dir = nullptr;
    std::int64_t first = 0, last = 0; // sweep ranks
    std::uint32_t lane_valid = 0;
    float threshold = 0.0f;
    // Called when a lane's score reaches the threshold: the 16 scores, the lanes that passed,
    // the sweep rank and pi. Returns the new threshold.
    float (*on_pass)(void* context, const float* scores, std::uint32_t passed, std::int64_t sweep,
                     const std::int32_t* perm) = nullptr;
    void* context = nullptr;
};

void enumerate_kernel_avx512(EnumerateKernelArgs& args);
void enumerate_kernel_avx2(EnumerateKernelArgs& args);
void enumerate_kernel_portable(EnumerateKernelArgs& args);

} // namespace varandel
