// The enumeration kernel, written once for every instruction set. Each per-ISA source includes
// this file inside an anonymous namespace, after switching the compiler to its target, and
// supplies `Isa`: a vector type V of `width` floats with set1, zero, load, store, add, mul,
// madd (a * b + c) and ge (lane mask of a >= b). Everything here has internal linkage, so no
// code compiled for one target can be picked for another.
//
// Exactness: the doubled Sxy lanes are integers below 2^24 and every update adds a product of
// such an integer with 2 or 4, so the updates are exact whether or not madd is fused. The score
// is formed by the same plain products and the same order of sums in every path (a fixed
// pairwise tree over up to 8 columns, a sequential sum beyond), so all paths produce
// bit-identical scores.
//
// No includes: the including file provides <cstdint> and EnumerateKernelArgs.

// Sum of t[Lo..Hi) by a fixed pairwise tree.
template <class Isa, int Lo, int Hi, int NA, int NV>
typename Isa::V tree_sum(const typename Isa::V (&t)[NA][NV], int v) {
    if constexpr (Hi - Lo == 1)
        return t[Lo][v];
    else
        return Isa::add(tree_sum<Isa, Lo, (Lo + Hi) / 2>(t, v),
                        tree_sum<Isa, (Lo + Hi) / 2, Hi>(t, v));
}

// NA > 0: the lanes of NA columns are kept in registers; NA == 0: any number, kept in memory.
template <class Isa, int NV, int NA> void enumerate_kernel_body(EnumerateKernelArgs& k) {
    using V = typename Isa::V;
    constexpr int W = Isa::width;
    constexpr int L = enumerate_lanes;
    const std::int32_t n = k.n, na = NA > 0 ? NA : k.na, top = n - 2;
    const float* diff = k.diff;
    const float* weight = k.weight;
    const float* masks = k.masks;
    float* lanes = k.lanes;
    std::int32_t* perm = k.perm;
    std::int32_t* pos = k.pos;
    std::int32_t* count = k.count;
    std::int32_t* dir = k.dir;
    alignas(64) float scores[L];
    V regs[NA > 0 ? NA : 1][NV];
    V score[NV];
    if constexpr (NA > 0) {
        V t[NA][NV];
        for (int a = 0; a < NA; ++a) {
            const V wa = Isa::set1(weight[a]);
            for (int v = 0; v < NV; ++v) {
                regs[a][v] = Isa::load(lanes + a * L + v * W);
                t[a][v] = Isa::mul(Isa::mul(regs[a][v], regs[a][v]), wa);
            }
        }
        for (int v = 0; v < NV; ++v) score[v] = tree_sum<Isa, 0, NA>(t, v);
    } else {
        for (int v = 0; v < NV; ++v) score[v] = Isa::zero();
        for (std::int32_t a = 0; a < na; ++a) {
            const V wa = Isa::set1(weight[a]);
            for (int v = 0; v < NV; ++v) {
                const V s = Isa::load(lanes + a * L + v * W);
                score[v] = Isa::add(score[v], Isa::mul(Isa::mul(s, s), wa));
            }
        }
    }

    std::int32_t ptop = pos[top], ctop = count[top], dtop = dir[top];
    // Next pi (plain changes with counters and directions): the largest item whose sweep is not
    // complete moves one step; mostly that is pi's own top item, whose state stays in registers.
    // Then every lane's doubled Sxy moves by 2 (x_a - x_b), lane left + 1 by twice that, where the
    // item a on the left moved right past b; and the score is formed again.
    auto advance = [&]() {
        std::int32_t left, ia, ib;
        if (ctop < top) {
            ++ctop;
            const std::int32_t p = ptop, p2 = p + dtop, o = perm[p2];
            perm[p] = o;
            perm[p2] = top;
            pos[o] = p;
            ptop = p2;
            left = p2 < p ? p2 : p;
            ia = p2 < p ? o : top;
            ib = p2 < p ? top : o;
        } else {
            ctop = 0;
            dtop = -dtop;
            pos[top] = ptop;
            std::int32_t j = top - 1;
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
            ptop = pos[top];
            left = p2 < p ? p2 : p;
            ia = p2 < p ? o : j;
            ib = p2 < p ? j : o;
        }
        const float* d = diff + (static_cast<std::int64_t>(ia) * n + ib) * na;
        const float* mask = masks + left * L;
        V m[NV];
        for (int v = 0; v < NV; ++v) m[v] = Isa::load(mask + v * W);
        if constexpr (NA > 0) {
            V t[NA][NV];
            for (int a = 0; a < NA; ++a) {
                const V da = Isa::set1(d[a]);
                const V wa = Isa::set1(weight[a]);
                for (int v = 0; v < NV; ++v) {
                    regs[a][v] = Isa::madd(da, m[v], regs[a][v]);
                    t[a][v] = Isa::mul(Isa::mul(regs[a][v], regs[a][v]), wa);
                }
            }
            for (int v = 0; v < NV; ++v) score[v] = tree_sum<Isa, 0, NA>(t, v);
        } else {
            for (int v = 0; v < NV; ++v) score[v] = Isa::zero();
            for (std::int32_t a = 0; a < na; ++a) {
                const V da = Isa::set1(d[a]);
                const V wa = Isa::set1(weight[a]);
                for (int v = 0; v < NV; ++v) {
                    float* at = lanes + a * L + v * W;
                    const V s = Isa::madd(da, m[v], Isa::load(at));
                    Isa::store(at, s);
                    score[v] = Isa::add(score[v], Isa::mul(Isa::mul(s, s), wa));
                }
            }
        }
    };

    float threshold = k.threshold;
    V thr = Isa::set1(threshold);
    auto passed_lanes = [&]() {
        std::uint32_t passed = 0;
        for (int v = 0; v < NV; ++v) passed |= Isa::ge(score[v], thr) << (v * W);
        return passed & k.lane_valid;
    };
    // The hot loop has no call in it; the rare passes leave it.
    std::int64_t sweep = k.first;
    for (bool more = true; more;) {
        std::uint32_t passed = passed_lanes();
        while (passed == 0) {
            if (++sweep == k.last) {
                more = false;
                break;
            }
            advance();
            passed = passed_lanes();
        }
        if (!more) break;
        for (int v = 0; v < NV; ++v) Isa::store(scores + v * W, score[v]);
        threshold = k.on_pass(k.context, scores, passed, sweep, perm);
        thr = Isa::set1(threshold);
        if (++sweep == k.last) break;
        advance();
    }
    pos[top] = ptop;
    count[top] = ctop;
    dir[top] = dtop;
    if constexpr (NA > 0)
        for (int a = 0; a < NA; ++a)
            for (int v = 0; v < NV; ++v) Isa::store(lanes + a * L + v * W, regs[a][v]);
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
