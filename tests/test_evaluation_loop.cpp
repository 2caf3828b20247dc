#include <gtest/gtest.h>

#include <omp.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "computedistance.h"
#include "evaluation_loop.h"
#include "perm_tj.h"

using namespace varandel;

namespace {

// Sets the threading layer's thread count for one scope.
class ThreadCount {
  public:
    explicit ThreadCount(int threads) : saved_(omp_get_max_threads()), dynamic_(omp_get_dynamic()) {
        omp_set_dynamic(0);
        omp_set_num_threads(threads);
    }
    ~ThreadCount() {
        omp_set_num_threads(saved_);
        omp_set_dynamic(dynamic_);
    }

  private:
    int saved_, dynamic_;
};

// A job's tables: RAWDATA of `lines` x n and the given reference sets, each row's test set
// being the complement in ascending order.
struct Job {
    std::int32_t n, nref, ntest, lines, ncomb;
    Table<float> RAWDATA;
    Table<std::int32_t> CREF, CTEST, ORDERDATA;
    Table<float> SSQDATA;

    Job(std::int32_t n_, std::int32_t lines_, const std::vector<std::vector<std::int32_t>>& refs)
        : n(n_), nref(static_cast<std::int32_t>(refs.at(0).size())), ntest(n - nref), lines(lines_),
          ncomb(static_cast<std::int32_t>(refs.size())), RAWDATA("RAWDATA", lines, n),
          CREF("CREF", ncomb, nref), CTEST("CTEST", ncomb, ntest),
          ORDERDATA("ORDERDATA", ncomb, ntest, -7), SSQDATA("SSQDATA", ncomb, nref + 1, -7.0f) {
        std::uint32_t s = 12345;
        for (std::int32_t i = 1; i <= lines; ++i) {
            s = s * 1664525u + 1013904223u;
            const float latent = static_cast<float>(s >> 22) / 100.0f;
            for (std::int32_t m = 1; m <= n; ++m) {
                s = s * 1664525u + 1013904223u;
                RAWDATA(i, m) =
                    latent * static_cast<float>(m % 3) + static_cast<float>(s >> 24) / 10.0f;
            }
        }
        for (std::int32_t c = 1; c <= ncomb; ++c) {
            const auto& r = refs[static_cast<std::size_t>(c - 1)];
            for (std::int32_t k = 1; k <= nref; ++k)
                CREF(c, k) = r[static_cast<std::size_t>(k - 1)];
            std::int32_t k = 0;
            for (std::int32_t m = 1; m <= n; ++m)
                if (std::find(r.begin(), r.end(), m) == r.end()) CTEST(c, ++k) = m;
        }
    }
    void make_uniform(std::int32_t marker) {
        for (std::int32_t i = 1; i <= lines; ++i) RAWDATA(i, marker) = 2.5f;
    }
    void run(std::uint64_t key, SearchRoutine search = perm_tj) {
        evaluation_loop(ncomb, n, nref, lines, RAWDATA, CREF, CTEST, SSQDATA, ORDERDATA, key,
                        search);
    }
    bool same_results(const Job& o) const {
        return std::memcmp(SSQDATA.data(), o.SSQDATA.data(), SSQDATA.size() * sizeof(float)) == 0 &&
               std::memcmp(ORDERDATA.data(), o.ORDERDATA.data(),
                           ORDERDATA.size() * sizeof(std::int32_t)) == 0;
    }
};

// 7 markers, 3 reference slots: the original set and partial combinations of it.
const std::vector<std::vector<std::int32_t>> seven_marker_sets = {
    {1, 2, 3}, {4, 2, 3}, {1, 5, 3}, {1, 2, 7}, {4, 5, 3}, {6, 2, 7}, {1, 6, 7}, {5, 4, 6},
};

// A search that only records which thread evaluated the combination.
void record_owner(const float*, std::int32_t, std::int32_t, float*, float& best, std::int32_t*) {
    best = static_cast<float>(omp_get_thread_num());
}

} // namespace

TEST(EvaluationLoop, RowsHoldEachCombinationsSearch) {
    Job job(7, 40, seven_marker_sets);
    job.run(99);
    for (std::int32_t c = 1; c <= job.ncomb; ++c) {
        std::vector<std::int32_t> REFSET, TESTSET;
        for (std::int32_t k = 1; k <= job.nref; ++k) REFSET.push_back(job.CREF(c, k));
        for (std::int32_t k = 1; k <= job.ntest; ++k) TESTSET.push_back(job.CTEST(c, k));
        std::vector<float> CORR(static_cast<std::size_t>(job.ntest * job.nref)), SSQ(3);
        std::vector<std::int32_t> ORDER(4);
        float best = 0.0f;
        computedistance(job.RAWDATA.data(), REFSET.data(), TESTSET.data(), job.n, job.nref,
                        job.lines, CORR.data(), 99, c);
        perm_tj(CORR.data(), job.nref, job.ntest, SSQ.data(), best, ORDER.data());
        ASSERT_LT(best, 2147483648.0f);
        EXPECT_EQ(job.SSQDATA(c, 4), best) << c;
        for (std::int32_t k = 1; k <= 3; ++k) EXPECT_EQ(job.SSQDATA(c, k), SSQ[k - 1]) << c;
        for (std::int32_t k = 1; k <= 4; ++k) EXPECT_EQ(job.ORDERDATA(c, k), ORDER[k - 1]) << c;
    }
}

TEST(EvaluationLoop, ResultsIndependentOfThreadCount) {
    // Marker 6 is uniform, so every combination that uses it depends on random fallbacks.
    std::vector<Job> runs;
    for (int threads : {1, 2, 3, 4}) {
        ThreadCount scope(threads);
        runs.emplace_back(7, 40, seven_marker_sets);
        runs.back().make_uniform(6);
        runs.back().run(0xfeedULL);
    }
    for (std::size_t t = 1; t < runs.size(); ++t) EXPECT_TRUE(runs[0].same_results(runs[t])) << t;

    // Another key changes the combinations in which the uniform marker is a reference marker
    // (that fit rests on fallbacks alone): the values really come from the key. Without a
    // uniform marker the key does not matter.
    Job other(7, 40, seven_marker_sets);
    other.make_uniform(6);
    other.run(0xbeefULL);
    for (std::int32_t c = 1; c <= other.ncomb; ++c) {
        for (std::int32_t k = 1; k <= 3; ++k)
            if (other.CREF(c, k) == 6) {
                EXPECT_NE(other.SSQDATA(c, k), runs[0].SSQDATA(c, k)) << c;
            }
    }
    Job plain1(7, 40, seven_marker_sets), plain2(7, 40, seven_marker_sets);
    plain1.run(0xfeedULL);
    plain2.run(0xbeefULL);
    EXPECT_TRUE(plain1.same_results(plain2));
}

TEST(EvaluationLoop, StaticBlocksOfCeilingSize) {
    struct Case {
        int threads;
        std::int32_t ncomb;
        std::vector<float> owners;
    } cases[] = {
        {4, 10, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3}},
        {4, 9, {0, 0, 0, 1, 1, 1, 2, 2, 2}},
        {3, 1, {0}},
        {4, 2, {0, 1}},
        {1, 5, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        ThreadCount scope(c.threads);
        std::vector<std::vector<std::int32_t>> refs(static_cast<std::size_t>(c.ncomb), {1, 2});
        Job job(4, 5, refs);
        job.run(1, record_owner);
        std::vector<float> got;
        for (std::int32_t i = 1; i <= c.ncomb; ++i) got.push_back(job.SSQDATA(i, 3));
        EXPECT_EQ(got, c.owners) << c.threads << " threads, " << c.ncomb << " combinations";
    }
}

TEST(EvaluationLoop, NoAcceptedOrderingWritesZeros) {
    // ntest = 1: no ordering is scored. ntest = 0: empty matrix and ordering.
    for (std::int32_t n : {4, 3}) {
        Job job(n, 6, {{1, 2, 3}});
        job.run(5);
        EXPECT_EQ(job.SSQDATA(1, 4), 2147483648.0f);
        for (std::int32_t k = 1; k <= 3; ++k) EXPECT_EQ(job.SSQDATA(1, k), 0.0f);
        for (std::int32_t k = 1; k <= job.ntest; ++k) EXPECT_EQ(job.ORDERDATA(1, k), 0);
    }
}

TEST(EvaluationLoop, BoundaryErrors) {
    Job job(7, 10, seven_marker_sets);
    Table<float> short_ssq("SSQDATA", job.ncomb, job.nref);
    EXPECT_THROW(evaluation_loop(job.ncomb, job.n, job.nref, job.lines, job.RAWDATA, job.CREF,
                                 job.CTEST, short_ssq, job.ORDERDATA, 1),
                 std::invalid_argument);
    job.CTEST(3, 2) = 8;
    EXPECT_THROW(job.run(1), std::invalid_argument);

    // A search failure inside the parallel section reaches the caller after the join.
    ThreadCount scope(2);
    std::vector<std::vector<std::int32_t>> refs(3, {1});
    Job wide(perm_tj_max_ntest + 2, 4, refs);
    try {
        wide.run(1);
        ADD_FAILURE() << "no failure";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(e.what(), perm_tj_limit_message(perm_tj_max_ntest + 1));
    }
}
