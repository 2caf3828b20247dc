// The enumeration kernel, written once for every instruction set. Each per-ISA source includes
// this file inside an anonymous namespace, after switching the compiler to its target, and
// supplies `Isa`: a vector type V of `width` doubles with set1, zero, load, store, add, mul,
// madd (a * b + c) and ge (lane mask of a >= b). Everything here has internal linkage, so no
// code compiled for one target can be picked for another.
//
// Exactness: the doubled Sxy lanes are integers below 2^53 and every update adds a product of
// such an integer with 2 or 4, so the updates are exact whether or not madd is fused; the score
// is formed by the same plain products and sums in every path (lane-wise, column by column,
// starting from zero), so all paths produce bit-identical scores.
//
// No includes: the including file provides <cstdint> and EnumerateKernelArgs.

// NA > 0: the lanes of NA columns are kept in registers; NA == 0: any number, kept in memory.
template <class Isa, int NV, int NA> void enumerate_kernel_body(EnumerateKernelArgs& k) {
    using V = typename Isa::V;
    constexpr int W = Isa::width;
    const std::int32_t n = k.n, na = NA > 0 ? NA : k.na, top = n - 2;
    const double* xq = k.xq;
    const double* weight = k.weight;
    const double* masks = k.masks;
    double* lanes = k.lanes;
    std::int32_t* perm = k.perm;
    std::int32_t* pos = k.pos;
    std::int32_t* count = k.count;
    std::int32_t* dir = k.dir;
    alignas(64) double scores[enumerate_lanes];
    V regs[NA > 0 ? NA : 1][NV];
    if constexpr (NA > 0)
        for (int a = 0; a < NA; ++a)
            for (int v = 0; v < NV; ++v)
                regs[a][v] = Isa::load(lanes + a * enumerate_lanes + v * W);

    V score[NV];
    for (int v = 0; v < NV; ++v) score[v] = Isa::zero();
    for (std::int32_t a = 0; a < na; ++a) {
        const V wa = Isa::set1(weight[a]);
        for (int v = 0; v < NV; ++v) {
            V s;
            if constexpr (NA > 0)
                s = regs[a][v];
            else
                s = Isa::load(lanes + a * enumerate_lanes + v * W);
            score[v] = Isa::add(score[v], Isa::mul(Isa::mul(s, s), wa));
        }
    }
    double threshold = k.threshold;
    V thr = Isa::set1(threshold);
    for (std::int64_t sweep = k.first;;) {
        std::uint32_t passed = 0;
        for (int v = 0; v < NV; ++v) passed |= Isa::ge(score[v], thr) << (v * W);
        passed &= k.lane_valid;
        if (passed != 0) {
            for (int v = 0; v < NV; ++v) Isa::store(scores + v * W, score[v]);
            threshold = k.on_pass(k.context, scores, passed, sweep, perm);
            thr = Isa::set1(threshold);
        }
        if (++sweep == k.last) break;

        // Next pi (plain changes with counters and directions): the largest item whose sweep
        // is not complete moves one step.
        std::int32_t j = top;
        while (count[j] == j) {
            count[j] = 0;
            dir[j] = -dir[j];
            --j;
        }
        ++count[j];
        const std::int32_t p = pos[j], p2 = p + dir[j], o = perm[p2];
        perm[p] = o;
        perm[p2] = j;
        pos[j] = p2;
        pos[o] = p;
        // The item that was on the left (a) moved right past the one on its right (b).
        const std::int32_t left = p2 < p ? p2 : p;
        const std::int32_t ia = p2 < p ? o : j;
        const std::int32_t ib = p2 < p ? j : o;
        const double* mask = masks + left * enumerate_lanes;

        for (int v = 0; v < NV; ++v) score[v] = Isa::zero();
        for (std::int32_t a = 0; a < na; ++a) {
            const V d = Isa::set1(xq[a * n + ia] - xq[a * n + ib]);
            const V wa = Isa::set1(weight[a]);
            for (int v = 0; v < NV; ++v) {
                V s;
                if constexpr (NA > 0) {
                    s = Isa::madd(d, Isa::load(mask + v * W), regs[a][v]);
                    regs[a][v] = s;
                } else {
                    double* at = lanes + a * enumerate_lanes + v * W;
                    s = Isa::madd(d, Isa::load(mask + v * W), Isa::load(at));
                    Isa::store(at, s);
                }
                score[v] = Isa::add(score[v], Isa::mul(Isa::mul(s, s), wa));
            }
        }
    }
    if constexpr (NA > 0)
        for (int a = 0; a < NA; ++a)
            for (int v = 0; v < NV; ++v)
                Isa::store(lanes + a * enumerate_lanes + v * W, regs[a][v]);
    k.threshold = threshold;
}

// Instantiates the kernel for the column counts kept in registers.
template <class Isa, int NV> void enumerate_kernel_columns(EnumerateKernelArgs& k) {
    switch (k.na) {
    case 1:
        enumerate_kernel_body<Isa, NV, 1>(k);
        break;
    case 2:
        enumerate_kernel_body<Isa, NV, 2>(k);
        break;
    case 3:
        enumerate_kernel_body<Isa, NV, 3>(k);
        break;
    case 4:
        enumerate_kernel_body<Isa, NV, 4>(k);
        break;
    case 5:
        enumerate_kernel_body<Isa, NV, 5>(k);
        break;
    case 6:
        enumerate_kernel_body<Isa, NV, 6>(k);
        break;
    case 7:
        enumerate_kernel_body<Isa, NV, 7>(k);
        break;
    case 8:
        enumerate_kernel_body<Isa, NV, 8>(k);
        break;
    default:
        enumerate_kernel_body<Isa, NV, 0>(k);
        break;
    }
}
