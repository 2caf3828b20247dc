// The enumeration kernel in plain C++: one float per "vector", 16 of them.
#include <cstdint>

#include "best_order_enumerate.h"

namespace varandel {

namespace {

struct Portable {
    using V = float;
    static constexpr int width = 1;
    static V set1(float x) { return x; }
    static V zero() { return 0.0f; }
    static V load(const float* p) { return *p; }
    static void store(float* p, V a) { *p = a; }
    static V add(V a, V b) { return a + b; }
    static V mul(V a, V b) { return a * b; }
    static V madd(V a, V b, V c) { return a * b + c; }
    static std::uint32_t ge(V a, V b) { return a >= b ? 1u : 0u; }
};

#include "best_order_enumerate_kernel.h"

} // namespace

void enumerate_kernel_portable(EnumerateKernelArgs& args) {
    enumerate_kernel_columns<Portable, enumerate_lanes>(args);
}

} // namespace varandel
