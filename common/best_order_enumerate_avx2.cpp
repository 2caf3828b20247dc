// The enumeration kernel for AVX2 with FMA: 4 lanes per register, up to four registers.
// Only the functions below are compiled for the target (see the kernel header).
#include <cstdint>
#include <immintrin.h>

#include "best_order_enumerate.h"

#pragma GCC push_options
#pragma GCC target("avx2,fma")

namespace varandel {

namespace {

struct Avx2 {
    using V = __m256d;
    static constexpr int width = 4;
    static V set1(double x) { return _mm256_set1_pd(x); }
    static V zero() { return _mm256_setzero_pd(); }
    static V load(const double* p) { return _mm256_load_pd(p); }
    static void store(double* p, V a) { _mm256_store_pd(p, a); }
    static V add(V a, V b) { return _mm256_add_pd(a, b); }
    static V mul(V a, V b) { return _mm256_mul_pd(a, b); }
    static V madd(V a, V b, V c) { return _mm256_fmadd_pd(a, b, c); }
    static std::uint32_t ge(V a, V b) {
        return static_cast<std::uint32_t>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GE_OQ)));
    }
};

#include "best_order_enumerate_kernel.h"

} // namespace

void enumerate_kernel_avx2(EnumerateKernelArgs& args) {
    switch ((args.n + 3) / 4) {
    case 1:
        enumerate_kernel_columns<Avx2, 1>(args);
        break;
    case 2:
        enumerate_kernel_columns<Avx2, 2>(args);
        break;
    case 3:
        enumerate_kernel_columns<Avx2, 3>(args);
        break;
    default:
        enumerate_kernel_columns<Avx2, 4>(args);
        break;
    }
}

} // namespace varandel

#pragma GCC pop_options
