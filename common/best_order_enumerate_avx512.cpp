// The enumeration kernel for AVX-512: 8 lanes per register, two registers cover 16 positions.
// Only the functions below are compiled for the target (see the kernel header).
#include <cstdint>
#include <immintrin.h>

#include "best_order_enumerate.h"

#pragma GCC push_options
#pragma GCC target("avx512f")

namespace varandel {

namespace {

struct Avx512 {
    using V = __m512d;
    static constexpr int width = 8;
    static V set1(double x) { return _mm512_set1_pd(x); }
    static V zero() { return _mm512_setzero_pd(); }
    static V load(const double* p) { return _mm512_load_pd(p); }
    static void store(double* p, V a) { _mm512_store_pd(p, a); }
    static V add(V a, V b) { return _mm512_add_pd(a, b); }
    static V mul(V a, V b) { return _mm512_mul_pd(a, b); }
    static V madd(V a, V b, V c) { return _mm512_fmadd_pd(a, b, c); }
    static std::uint32_t ge(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
};

#include "best_order_enumerate_kernel.h"

} // namespace

void enumerate_kernel_avx512(EnumerateKernelArgs& args) {
    if (args.n <= 8)
        enumerate_kernel_columns<Avx512, 1>(args);
    else
        enumerate_kernel_columns<Avx512, 2>(args);
}

} // namespace varandel

#pragma GCC pop_options
