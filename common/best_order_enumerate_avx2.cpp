// The enumeration kernel for AVX2 with FMA: 8 floats per register, two cover 16 positions.
// Only the functions below are compiled for the target (see the kernel header).
#include <cstdint>
#include <immintrin.h>

#include "best_order_enumerate.h"

// clang has no target pragma; its attribute pragma gives every function below the target.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

namespace varandel {

namespace {

struct Avx2 {
    using V = __m256;
    static constexpr int width = 8;
    static V set1(float x) { return _mm256_set1_ps(x); }
    static V zero() { return _mm256_setzero_ps(); }
    static V load(const float* p) { return _mm256_load_ps(p); }
    static void store(float* p, V a) { _mm256_store_ps(p, a); }
    static V add(V a, V b) { return _mm256_add_ps(a, b); }
    static V mul(V a, V b) { return _mm256_mul_ps(a, b); }
    static V madd(V a, V b, V c) { return _mm256_fmadd_ps(a, b, c); }
    static std::uint32_t ge(V a, V b) {
        return static_cast<std::uint32_t>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_GE_OQ)));
    }
};

#include "best_order_enumerate_kernel.h"

} // namespace

void enumerate_kernel_avx2(EnumerateKernelArgs& args) {
    if (args.n <= 8)
        enumerate_kernel_columns<Avx2, 1>(args);
    else
        enumerate_kernel_columns<Avx2, 2>(args);
}

} // namespace varandel

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
