#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "result_file.h"
#include "run_stop.h"

using namespace varandel;

namespace {

// Result tables of ncomb combinations with n markers of which nref are reference markers.
struct Results {
    Table<float> SSQDATA;
    Table<std::int32_t> CREF, CTEST, ORDERDATA;
    Results(std::int32_t ncomb, std::int32_t n, std::int32_t nref)
        : SSQDATA("SSQDATA", ncomb, nref + 1), CREF("CREF", ncomb, nref),
          CTEST("CTEST", ncomb, n - nref), ORDERDATA("ORDERDATA", ncomb, n - nref) {}
    ResultTables tables() const { return {SSQDATA, CREF, CTEST, ORDERDATA}; }
};

std::string read_all(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(ResultLine, WorkedExampleAndRows) {
    // Two combinations of 4 markers, 1 reference marker; row 1 is the worked example.
    Results r(2, 4, 1);
    r.SSQDATA(1, 1) = 0.0f;
    r.SSQDATA(1, 2) = 0.0f;
    r.CREF(1, 1) = 1;
    r.SSQDATA(2, 1) = 9.0f; // per-reference sums are not written
    r.SSQDATA(2, 2) = 2147483648.0f;
    r.CREF(2, 1) = 3;
    const std::int32_t test[2][3] = {{2, 3, 4}, {1, 2, 4}}, order[2][3] = {{1, 3, 2}, {0, 0, 0}};
    for (int i = 0; i < 2; ++i)
        for (int w = 0; w < 3; ++w) {
            r.CTEST(i + 1, w + 1) = test[i][w];
            r.ORDERDATA(i + 1, w + 1) = order[i][w];
        }
    EXPECT_EQ(result_lines(r.tables(), 4, 1),
              (std::vector<std::string>{"0.000000\t1\t2\t3\t4\t1\t3\t2",
                                        "**************\t3\t1\t2\t4\t0\t0\t0"}));
}

TEST(ResultLine, FieldsAndLength) {
    // 70 markers: the line is far longer than 200 characters and is kept whole.
    const std::int32_t n = 70, nref = 6;
    Results r(1, n, nref);
    r.SSQDATA(1, nref + 1) = -0.25f;
    std::string want = "-0.250000";
    for (std::int32_t j = 1; j <= nref; ++j) r.CREF(1, j) = j;
    for (std::int32_t j = 1; j <= n - nref; ++j) r.CTEST(1, j) = nref + j;
    const auto field = [&want](std::int32_t v) { want.append(1, '\t').append(std::to_string(v)); };
    for (std::int32_t j = 1; j <= n; ++j) field(j);
    for (std::int32_t w = 1; w <= n - nref; ++w) {
        r.ORDERDATA(1, w) = n - nref + 1 - w;
        field(n - nref + 1 - w);
    }
    const std::string line = result_line(r.tables(), 1, n, nref);
    EXPECT_GT(line.size(), 200u);
    EXPECT_EQ(line, want);

    // No test markers: the total and the reference markers only.
    Results all_ref(1, 3, 3);
    all_ref.SSQDATA(1, 4) = 1234.5f;
    for (std::int32_t j = 1; j <= 3; ++j) all_ref.CREF(1, j) = j;
    EXPECT_EQ(result_line(all_ref.tables(), 1, 3, 3), "1234.500000\t1\t2\t3");
}

class ResultFileWrite : public ::testing::Test {
  protected:
    std::filesystem::path dir;
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("varandel_result_" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

TEST_F(ResultFileWrite, ReplacesFileWithExactlyTheLines) {
    const auto path = dir / "result.txt";
    {
        std::ofstream old(path);
        old << "an older and much longer result file\nwith two lines\n";
    }
    write_result_file(path.string(), {"0.500000\t1\t2", "1.000000\t2\t1"});
    EXPECT_EQ(read_all(path), "0.500000\t1\t2\n1.000000\t2\t1\n");
    write_result_file(path.string(), {});
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(read_all(path), "");
}

TEST_F(ResultFileWrite, FailuresNameThePathAndReason) {
    struct Case {
        std::string path, reason;
    } cases[] = {
        {(dir / "missing" / "result.txt").string(), "No such file or directory"},
        {dir.string(), "Is a directory"},
        {"/dev/full", "No space left on device"},
    };
    for (const auto& c : cases) {
        if (c.path == "/dev/full" && !std::filesystem::exists(c.path)) continue;
        try {
            write_result_file(c.path, {"0.500000\t1\t2"});
            ADD_FAILURE() << "no failure for " << c.path;
        } catch (const RunStop& stop) {
            EXPECT_EQ(stop.status(), exit_input_error);
            EXPECT_STREQ(
                stop.what(),
                ("varandel: cannot write result file '" + c.path + "': " + c.reason).c_str());
        }
    }
}
