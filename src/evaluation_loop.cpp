#include "evaluation_loop.h"

#include <omp.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "computedistance.h"

namespace varandel {

namespace {

std::int32_t extent(std::int32_t value) {
    return value < 0 ? 0 : value;
}

template <class T> void check_shape(const Table<T>& table, std::int32_t rows, std::int32_t cols) {
    if (table.rows() != extent(rows) || table.cols() != extent(cols))
        throw std::invalid_argument(
            "evaluation loop: table " + table.name() + " is " + std::to_string(table.rows()) +
            " x " + std::to_string(table.cols()) + ", expected " + std::to_string(extent(rows)) +
            " x " + std::to_string(extent(cols)));
}

void check_markers(const Table<std::int32_t>& table, std::int32_t n) {
    for (std::size_t k = 0; k < table.size(); ++k) {
        const std::int32_t m = table.data()[k];
        if (m < 1 || m > n)
            throw std::invalid_argument("evaluation loop: table " + table.name() +
                                        " holds marker " + std::to_string(m) + " outside 1.." +
                                        std::to_string(n));
    }
}

// The shared tables as raw arrays, combination index fastest; checked before they are made.
struct RawTables {
    std::int32_t ncomb, n, nref, lines;
    std::uint64_t key;
    const std::int32_t* cref;
    const std::int32_t* ctest;
    const float* rawdata;
    float* ssqdata;
    std::int32_t* orderdata;
    const PairCorrelations* pairs; // null: each combination computes its own coefficients
};

// Combination c: its correlation matrix, its best ordering, and row c of the result tables.
void evaluate_combination(const RawTables& t, std::int32_t c, SearchRoutine search) {
    const std::int32_t ntest = t.n - t.nref;
    const std::size_t rows = static_cast<std::size_t>(t.ncomb);
    const std::size_t nr = static_cast<std::size_t>(extent(t.nref));
    const std::size_t nt = static_cast<std::size_t>(extent(ntest));
    const std::size_t row = static_cast<std::size_t>(c - 1);
    // Work arrays of this combination only; the search leaves SSQ_BEST and TEST_ORDER untouched
    // when it accepts no ordering, so they start as zeros.
    std::vector<float> CORRMATRIX(nt * nr);
    std::vector<float> SSQ_BEST(nr, 0.0f);
    std::vector<std::int32_t> TEST_ORDER(nt, 0);
    std::vector<std::int32_t> REFSET(nr), TESTSET(nt);
    for (std::size_t k = 0; k < nr; ++k) REFSET[k] = t.cref[k * rows + row];
    for (std::size_t k = 0; k < nt; ++k) TESTSET[k] = t.ctest[k * rows + row];
    float best = 0.0f;

    if (t.pairs != nullptr)
        computedistance_from_pairs(*t.pairs, REFSET.data(), TESTSET.data(), t.nref,
                                   CORRMATRIX.data(), t.key, c);
    else
        computedistance(t.rawdata, REFSET.data(), TESTSET.data(), t.n, t.nref, t.lines,
                        CORRMATRIX.data(), t.key, c);
    search(CORRMATRIX.data(), t.nref, ntest, SSQ_BEST.data(), best, TEST_ORDER.data());

    for (std::size_t k = 0; k < nr; ++k) t.ssqdata[k * rows + row] = SSQ_BEST[k];
    t.ssqdata[nr * rows + row] = best;
    for (std::size_t k = 0; k < nt; ++k) t.orderdata[k * rows + row] = TEST_ORDER[k];
}

// Lowers the threading layer's thread count to at most `limit` for its lifetime.
class SharedSearchThreads {
  public:
    explicit SharedSearchThreads(int limit) : saved_(omp_get_max_threads()) {
        omp_set_num_threads(std::max(1, std::min(saved_, limit)));
    }
    ~SharedSearchThreads() { omp_set_num_threads(saved_); }
    SharedSearchThreads(const SharedSearchThreads&) = delete;
    SharedSearchThreads& operator=(const SharedSearchThreads&) = delete;

  private:
    int saved_;
};

} // namespace

void evaluation_loop(std::int32_t ncomb, std::int32_t n, std::int32_t nref, std::int32_t lines,
                     const Table<float>& RAWDATA, const Table<std::int32_t>& CREF,
                     const Table<std::int32_t>& CTEST, Table<float>& SSQDATA,
                     Table<std::int32_t>& ORDERDATA, std::uint64_t key, SearchRoutine search,
                     SearchRoutine shared_search) {
    const std::int32_t ntest = n - nref;
    // Everything the threads touch is checked here, once, so the section itself uses raw access.
    check_shape(RAWDATA, lines, n);
    check_shape(CREF, ncomb, nref);
    check_shape(CTEST, ncomb, ntest);
    check_shape(SSQDATA, ncomb, nref + 1);
    check_shape(ORDERDATA, ncomb, ntest);
    if (ntest >= 1) {
        check_markers(CREF, n);
        check_markers(CTEST, n);
    }
    if (ncomb < 1) return;

    // A pair's coefficient is the same in every combination, so when the combinations ask for
    // more coefficients than there are pairs each pair is computed once, with the same arithmetic.
    PairCorrelations pairs;
    const bool share_pairs = std::int64_t{n} * (n + 1) / 2 <
                             std::int64_t{ncomb} * std::max(nref, 0) * std::max(ntest, 0);
    if (share_pairs) pairs = pair_correlations(RAWDATA.data(), n, lines);
    const RawTables tables{ncomb,
                           n,
                           nref,
                           lines,
                           key,
                           CREF.data(),
                           CTEST.data(),
                           RAWDATA.data(),
                           SSQDATA.data(),
                           ORDERDATA.data(),
                           share_pairs ? &pairs : nullptr};

    // Fewer combinations than threads: the combinations one after the other, each searched by
    // all threads together, when the search can share one combination's work.
    if (shared_search != nullptr && ncomb < omp_get_max_threads()) {
        // The shared search starts the threading layer's thread count; more threads than
        // processors would not help it, and a huge count can make the team fail to start.
        const SharedSearchThreads threads(omp_get_num_procs());
        for (std::int32_t c = 1; c <= ncomb; ++c) evaluate_combination(tables, c, shared_search);
        return;
    }

    // An exception must not leave the parallel section: the failure of the lowest combination
    // seen is kept, the combinations not yet started are skipped, and it is rethrown after the
    // join.
    std::exception_ptr failure;
    std::int32_t failed_comb = 0;
    std::atomic<bool> failed{false};

    // Threads beyond the ncomb-th would take no combination; not starting them changes nothing
    // in the distribution and keeps a huge thread count for a small job from failing (libgomp
    // aborts, or crashes, when it cannot create the team).
    const int team = std::min(omp_get_max_threads(), ncomb);

#pragma omp parallel num_threads(team) default(none)                                               \
    shared(ncomb, search, tables, failure, failed_comb, failed)
    {
        // Contiguous blocks of ceil(ncomb / T): thread t takes t*b+1 .. min((t+1)*b, ncomb).
        const std::int32_t threads = omp_get_num_threads();
        const auto block = static_cast<std::int32_t>((std::int64_t{ncomb} + threads - 1) / threads);
#pragma omp for schedule(static, block)
        for (std::int32_t index = 0; index < ncomb; ++index) {
            if (failed.load(std::memory_order_relaxed)) continue;
            const std::int32_t c = index + 1;
            try {
                evaluate_combination(tables, c, search);
            } catch (...) {
                failed.store(true, std::memory_order_relaxed);
#pragma omp critical(varandel_evaluation_failure)
                if (!failure || c < failed_comb) {
                    failure = std::current_exception();
                    failed_comb = c;
                }
            }
        }
    }
    if (failure) std::rethrow_exception(failure);
}

} // namespace varandel
