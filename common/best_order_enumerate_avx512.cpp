// The enumeration kernel for AVX-512: one register of 16 floats covers every position.
// Only the functions below are compiled for the target (see the kernel header).
#include <cstdint>
#include <immintrin.h>

#include "best_order_enumerate.h"

// clang has no target pragma; its attribute pragma gives every function below the target.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f")
#endif

namespace varandel {

namespace {

struct Avx512 {
    using V = __m512;
    static constexpr int width = 16;
    static V set1(float x) { return _mm512_set1_ps(x); }
    static V zero() { return _mm512_setzero_ps(); }
    static V load(const float* p) { return _mm512_load_ps(p); }
    static void store(float* p, V a) { _mm512_store_ps(p, a); }
    static V add(V a, V b) { return _mm512_add_ps(a, b); }
    static V mul(V a, V b) { return _mm512_mul_ps(a, b); }
    static V madd(V a, V b, V c) { return _mm512_fmadd_ps(a, b, c); }
    static std::uint32_t ge(V a, V b) { return _mm512_cmp_ps_mask(a, b, _CMP_GE_OQ); }
};

#include "best_order_enumerate_kernel.h"

} // namespace

void enumerate_kernel_avx512(EnumerateKernelArgs& args) {
    enumerate_kernel_columns<Avx512, 1>(args);
}

} // namespace varandel

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
