// The command line, run through the built program: every message in its order, the defaults,
// the corrections, the stops and their exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

using varandel::testing::file_exists;
using varandel::testing::run_varandel;
using varandel::testing::TempDir;

namespace {

std::string lines(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& t : texts) out.append(1, ' ').append(t).append(1, '\n');
    return out;
}

const std::vector<std::string> maxc_default = {"No maximum number of combinations specified",
                                               "All combinations are computated"};
const std::vector<std::string> nref_default = {"No reference set size specified",
                                               "Default value of 6 is used"};
const std::vector<std::string> z_default = {
    "Number of factors that can differ from the original combination not specified",
    "Number of refernce factors is used"};
const std::vector<std::string> z_illegal = {
    "The specified value for z (maximum number of factors by which",
    "the combinations are allowed to differ from the original", "combination) is illegal.",
    "Number of refernce factors is used."};
const std::vector<std::string> threads_default = {"No number of threads spezified",
                                                  "One thread per available processor is used"};
const std::vector<std::string> threads_illegal = {"Specified number of threads is illegal",
                                                  "One thread per available processor is used"};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A small valid job of 8 markers, so that accepted command lines run to their end.
class CommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string data = "A\tB\tC\tD\tE\tF\tG\tH\n";
        for (int i = 1; i <= 5; ++i) {
            for (int j = 1; j <= 8; ++j)
                data += std::to_string((i * (j + 2)) % 7 + j) + (j < 8 ? "\t" : "\n");
        }
        dir.write("data.txt", data);
        dir.write("map.txt", "Y\tN\t1\t2\t3\t4\t5\t6\t7\t8\n");
    }
    std::vector<std::string> files() const { return {"data.txt", "map.txt", "res.txt", "job.log"}; }
    TempDir dir;
};

struct Case {
    const char* name;
    std::vector<std::string> extra; // arguments after the four files
    std::vector<std::string> console;
};

} // namespace

TEST_F(CommandLine, DefaultsAndCorrectionsInOrder) {
    const Case cases[] = {
        {"four arguments", {}, concat({maxc_default, nref_default, z_default, threads_default})},
        {"five arguments", {"10"}, concat({nref_default, z_default, threads_default})},
        {"six arguments, nref 4", {"10", "4"}, concat({z_default, threads_default})},
        {"z = 0", {"10", "4", "0"}, concat({z_illegal, threads_default})},
        {"z above nref", {"10", "4", "5"}, concat({z_illegal, threads_default})},
        {"z equal to nref", {"10", "4", "4"}, threads_default},
        {"threads 0", {"10", "4", "2", "0"}, threads_illegal},
        {"threads negative", {"10", "4", "2", "-3"}, threads_illegal},
        {"threads legal", {"10", "4", "2", "2"}, {}},
        {"excess arguments", {"10", "4", "2", "1", "x", "y"}, {"Excess arguments irgnored"}},
        {"value reader rules", {"12,5", " 4", "2*2", "1"}, {}},
        {"options are not positional",
         {"--seed", "7", "10", "--engine=reference", "4"},
         concat({z_default, threads_default})},
    };
    for (const auto& c : cases) {
        auto args = files();
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto res = run_varandel(args, dir.path());
        const std::string want = lines(c.console);
        EXPECT_EQ(res.out.substr(0, want.size()), want) << c.name;
        EXPECT_EQ(res.status, 0) << c.name << "\n" << res.err;
    }
}

TEST_F(CommandLine, StopsWithProgrammCancled) {
    struct Stop {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> console;
    } cases[] = {
        {"no arguments",
         {},
         {"not enough arguments submitted",
          "scheme: infile mapfile resultfile logfile (maxc) (nref)",
          "the specification of the files is mandatory", "programm cancled"}},
        {"three arguments",
         {"data.txt", "map.txt", "res.txt"},
         {"not enough arguments submitted",
          "scheme: infile mapfile resultfile logfile (maxc) (nref)",
          "the specification of the files is mandatory", "programm cancled"}},
        {"both files missing",
         {"nodata.txt", "nomap.txt", "res.txt", "job.log"},
         {"input file not found", "programm cancled"}},
        {"mapping file missing",
         {"data.txt", "nomap.txt", "res.txt", "job.log"},
         {"mapping file not found", "programm cancled"}},
        {"maxc 0",
         {"data.txt", "map.txt", "res.txt", "job.log", "0"},
         concat({{"The maximum number of combinations (maxc) must be at least 1",
                  "programm cancled"}})},
        {"nref -1",
         {"data.txt", "map.txt", "res.txt", "job.log", "5", "-1"},
         {"The reference set size (nref) must be at least 1", "programm cancled"}},
        {"a data file path cut at a trailing blank is another file",
         {"data.txt ", "map.txt", "res.txt", "job.log"},
         {"input file not found", "programm cancled"}},
    };
    for (const auto& c : cases) {
        const auto r = run_varandel(c.args, dir.path());
        EXPECT_EQ(r.out, lines(c.console)) << c.name;
        EXPECT_EQ(r.status, 2) << c.name;
        EXPECT_FALSE(file_exists(dir.file("job.log"))) << c.name;
        EXPECT_FALSE(file_exists(dir.file("res.txt"))) << c.name;
    }
}

TEST_F(CommandLine, UnreadableArgumentsAndOptions) {
    struct Bad {
        std::vector<std::string> extra;
        std::string console; // lines printed before the error
        std::string error;
    } cases[] = {
        {{"abc"}, "", "varandel: argument 5 (maxc): 'abc' is not a whole number\n"},
        {{""}, "", "varandel: argument 5 (maxc): '' is not a whole number\n"},
        {{"12345678901"}, "", "varandel: argument 5 (maxc): '12345678901' is not a whole number\n"},
        {{"10", "4", "x2"}, "", "varandel: argument 7 (z): 'x2' is not a whole number\n"},
        {{"10", "4", "2", "1.5"},
         "",
         "varandel: argument 8 (threads): '1.5' is not a whole number\n"},
        {{"--frobnicate"}, "", "varandel: unknown option '--frobnicate' (see varandel --help)\n"},
        {{"--engine", "fastest"},
         "",
         "varandel: option --engine: unknown engine 'fastest' (known: auto, reference, "
         "enumerate, bnb)\n"},
        {{"--seed"}, "", "varandel: option --seed needs a value\n"},
        {{"--seed=abc"},
         "",
         "varandel: option --seed: 'abc' is not a whole number from 1 to 2147483647\n"},
    };
    for (const auto& c : cases) {
        auto args = files();
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const auto r = run_varandel(args, dir.path());
        EXPECT_EQ(r.err, c.error);
        EXPECT_EQ(r.status, 2) << c.error;
        EXPECT_FALSE(file_exists(dir.file("job.log"))) << c.error;
    }
    // A message for the maxc default comes before an unreadable nref.
    auto r = run_varandel({"data.txt", "map.txt", "r", "l", "5", "six"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "varandel: argument 6 (nref): 'six' is not a whole number\n");
}

TEST_F(CommandLine, HelpAndVersion) {
    auto help = run_varandel({"--help"}, dir.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: varandel infile mapfile resultfile logfile", 0), 0u);
    EXPECT_NE(help.out.find("exit status"), std::string::npos);
    auto version = run_varandel({"data.txt", "--version"}, dir.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("varandel ", 0), 0u);
    EXPECT_EQ(version.err, "");
}

TEST_F(CommandLine, PathsAreUsedExactlyAsGiven) {
    // A path of more than 200 characters must not be cut.
    std::string deep = "d";
    while (deep.size() < 230) deep += "/directory_level";
    std::filesystem::create_directories(dir.file(deep));
    dir.write(deep + "/data.txt", varandel::testing::read_file(dir.file("data.txt")));
    const auto r = run_varandel(
        {deep + "/data.txt", "map.txt", "res.txt", "job.log", "10", "4", "2", "1"}, dir.path());
    EXPECT_EQ(r.out.find("not found"), std::string::npos) << r.out;
    EXPECT_EQ(r.status, 0) << r.err;
    // A trailing blank is part of the name.
    dir.write("blank.txt ", varandel::testing::read_file(dir.file("data.txt")));
    const auto b = run_varandel(
        {"blank.txt ", "map.txt", "res.txt", "job.log", "10", "4", "2", "1"}, dir.path());
    EXPECT_EQ(b.out.find("not found"), std::string::npos) << b.out;
}
