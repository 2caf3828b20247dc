// The whole job, run through the built program on small fixture jobs: the console output, the
// log (date and time stamps and the measured seconds masked) and the result file, byte for byte.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "best_order.h"
#include "perm_tj.h"
#include "test_support.h"

using varandel::testing::file_exists;
using varandel::testing::ProcessResult;
using varandel::testing::read_file;
using varandel::testing::run_varandel;
using varandel::testing::TempDir;

namespace {

// The fixture job: 40 cores with a header line and line names, 13 columns; map.txt selects
// CD3 CD8 Ki67 p53 HER2 ER PR EGFR (ER holds 50.00 in every line), map_no_uniform.txt the
// same markers with CK5 in place of ER.
const std::string fixtures = std::string(VARANDEL_FIXTURES) + "/job/";

// A directory holding copies of fixture files, so a job runs with the short relative paths
// that its log echoes.
class JobDir {
  public:
    explicit JobDir(std::initializer_list<const char*> copies = {"data.txt", "map.txt"}) {
        for (const char* name : copies) copy(name, name);
    }
    void copy(const std::string& fixture, const std::string& name) const {
        std::filesystem::copy_file(fixtures + fixture, dir_.file(name));
    }
    ProcessResult run(const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {}) const {
        return run_varandel(args, dir_.path(), env);
    }
    void write(const std::string& name, const std::string& content) const {
        dir_.write(name, content);
    }
    std::string read(const std::string& name) const { return read_file(dir_.file(name)); }
    bool has(const std::string& name) const { return file_exists(dir_.file(name)); }
    std::string path(const std::string& name) const { return dir_.file(name); }

  private:
    TempDir dir_;
};

std::vector<std::string> job_args(std::initializer_list<const char*> settings) {
    std::vector<std::string> args = {"data.txt", "map.txt", "result.txt", "job.log"};
    args.insert(args.end(), settings.begin(), settings.end());
    return args;
}

// Stamps become <stamp> and the measured seconds <s>; a malformed stamp stays as it is and so
// fails the comparison.
std::string masked(const std::string& text) {
    static const std::regex stamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3})");
    static const std::regex seconds(R"(\d+\.\d{3} seconds)");
    return std::regex_replace(std::regex_replace(text, stamp, "<stamp>"), seconds, "<s> seconds");
}

// The lines of a text; a last line without its line feed is marked so that it never matches.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find('\n', begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin) + "<no line feed>");
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

void expect_lines(const std::string& text, const std::vector<std::string>& want) {
    const std::vector<std::string> got = split_lines(text);
    for (std::size_t i = 0; i < std::max(got.size(), want.size()); ++i)
        EXPECT_EQ(i < got.size() ? got[i] : "<missing>", i < want.size() ? want[i] : "<none>")
            << "line " << i + 1;
}

std::string pad(std::string text, std::size_t width) {
    text.resize(std::max(width, text.size()), ' ');
    return text;
}

std::string count_line(const char* label, int value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%13s  %6d", label, value);
    return buf;
}

const std::vector<std::string> uniform_warning = {
    " Uniform marker vector(s) found!",
    " The Person correlation can not be calculated correctly with this marker(s).",
    " Instead a correlation value near to 0 is randomly generated."};

// The figures of a finished job of the fixture files, and its log with stamps and seconds
// masked.
struct Figures {
    int rows = 41, columns = 13, factors = 12, n = 8, nref = 4, z = 2, ncomb = 53, threads = 2;
    std::string markers = "CD3       CD8       Ki67      p53       HER2      ER        PR        "
                          "EGFR      ";
    std::string uniform = std::string(50, ' ') + "X" + std::string(29, ' '); // "" if none
};

std::vector<std::string> finished_log(const Figures& f) {
    std::vector<std::string> log = {" Starting job: <stamp>",
                                    " ",
                                    pad("        file:  data.txt", 90),
                                    pad("     mapfile:  map.txt", 90),
                                    pad("     logfile:  job.log", 90),
                                    pad("  resultfile:  result.txt", 90),
                                    count_line("rows:", f.rows),
                                    count_line("columns:", f.columns),
                                    count_line("factors:", f.factors),
                                    count_line("n:", f.n),
                                    count_line("reference:", f.nref),
                                    count_line("z:", f.z),
                                    count_line("test:", f.n - f.nref),
                                    count_line("combinations:", f.ncomb),
                                    count_line("processors:", omp_get_num_procs()),
                                    count_line("threads:", f.threads),
                                    "      marker:  " + f.markers};
    if (!f.uniform.empty()) {
        log.push_back("     uniform:  " + f.uniform);
        log.insert(log.end(), uniform_warning.begin(), uniform_warning.end());
    }
    log.insert(log.end(),
               {" ", " Starting calculations: <stamp>",
                " Finished calculation and start collecting data: <stamp>",
                " Finished collecting data: <stamp>", " ",
                " Finished computation after 0 days, 0 hours, 0 minutes and <s> seconds"});
    return log;
}

// `text` as a regular expression that matches exactly it.
std::string literal(const std::string& text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(text, special, R"(\$&)");
}

std::vector<std::string> split_fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream s(line);
    for (std::string f; std::getline(s, f, '\t');) fields.push_back(f);
    return fields;
}

// Checks what every result file must show whatever the data: ncomb distinct lines, the first
// the original combination; each reference set exchanges at most z of the original markers;
// the test markers are the rest in ascending order; the ordering is a permutation of 1..ntest.
void expect_result_layout(const std::string& text, int n, int nref, int z, int ncomb) {
    const int ntest = n - nref;
    const std::vector<std::string> lines = split_lines(text);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(ncomb));
    const std::regex total(R"(\d+\.\d{6}|\*{14})");
    std::set<std::vector<int>> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE("result line " + std::to_string(i + 1) + ": " + lines[i]);
        const std::vector<std::string> fields = split_fields(lines[i]);
        ASSERT_EQ(fields.size(), static_cast<std::size_t>(1 + n + ntest));
        EXPECT_TRUE(std::regex_match(fields[0], total));
        std::vector<int> numbers;
        for (std::size_t k = 1; k < fields.size(); ++k) {
            ASSERT_TRUE(std::regex_match(fields[k], std::regex("[1-9][0-9]*")));
            numbers.push_back(std::stoi(fields[k]));
        }
        const std::vector<int> ref(numbers.begin(), numbers.begin() + nref);
        const std::vector<int> test(numbers.begin() + nref, numbers.begin() + n);
        std::vector<int> order(numbers.begin() + n, numbers.end());
        int exchanged = 0;
        for (int j = 0; j < nref; ++j) exchanged += ref[j] != j + 1;
        EXPECT_LE(exchanged, z);
        EXPECT_EQ(exchanged == 0, i == 0);
        std::vector<int> rest;
        for (int m = 1; m <= n; ++m)
            if (std::find(ref.begin(), ref.end(), m) == ref.end()) rest.push_back(m);
        EXPECT_EQ(test, rest);
        // With two test markers only the ordering (1, 2) is scored.
        if (ntest == 2 && fields[0][0] != '*') {
            EXPECT_EQ(order, (std::vector<int>{1, 2}));
        }
        std::sort(order.begin(), order.end());
        std::vector<int> identity(static_cast<std::size_t>(ntest));
        std::iota(identity.begin(), identity.end(), 1);
        EXPECT_EQ(order, identity);
        EXPECT_TRUE(seen.insert(ref).second) << "repeated reference set";
    }
}

// Four markers without header line or line names whose correlations with marker 1 are exactly
// 0.75, 0.25 and 0.5 (up to rounding): e1..e4 are zero-mean vectors on disjoint data lines with
// squared lengths 2, 14, 30 and 6, and the markers are 10 + e1, 10 + 3e1 + e2, 10 + e1 + e3 and
// 10 + e1 + e4.
std::string four_marker_data() {
    const std::vector<std::vector<int>> pairs = {{1}, {2, 1, 1, 1}, {3, 2, 1, 1}, {1, 1, 1}};
    std::string data;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        for (int c : pairs[k]) {
            for (int sign : {1, -1}) {
                int e[4] = {0, 0, 0, 0};
                e[k] = sign * c;
                const int x[4] = {e[0], 3 * e[0] + e[1], e[0] + e[2], e[0] + e[3]};
                for (int j = 0; j < 4; ++j)
                    data += std::to_string(10 + x[j]) + (j < 3 ? "\t" : "\n");
            }
        }
    }
    return data;
}

// `columns` varied, non-uniform marker columns of `lines` lines, no header line or line names.
std::string plain_data(int columns, int lines) {
    std::string data;
    for (int i = 1; i <= lines; ++i)
        for (int j = 1; j <= columns; ++j)
            data += std::to_string((i * (j + 3)) % 11 + j) + (j < columns ? "\t" : "\n");
    return data;
}

std::string plain_map(int markers) {
    std::string map = "N\tN";
    for (int j = 1; j <= markers; ++j) map.append(1, '\t').append(std::to_string(j));
    return map + "\n";
}

} // namespace

TEST(Job, WorkedExampleLogAndConsole) {
    // 8 markers, ER uniform, 4 reference markers, z 2, 2 threads: 1 + 4 * 4 + 6 * 6 = 53
    // combinations. The seed comes from the clock here.
    const JobDir job;
    const ProcessResult r = job.run(job_args({"1000", "4", "2", "2"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(masked(r.out), " Finished job on 2 threads after <s> seconds\n");

    const std::string log = job.read("job.log");
    expect_lines(
        masked(log),
        {
            " Starting job: <stamp>",
            " ",
            pad("        file:  data.txt", 90),
            pad("     mapfile:  map.txt", 90),
            pad("     logfile:  job.log", 90),
            pad("  resultfile:  result.txt", 90),
            "        rows:      41",
            "     columns:      13",
            "     factors:      12",
            "           n:       8",
            "   reference:       4",
            "           z:       2",
            "        test:       4",
            "combinations:      53",
            count_line("processors:", omp_get_num_procs()),
            "     threads:       2",
            "      marker:  CD3       CD8       Ki67      p53       HER2      ER        PR        "
            "EGFR      ",
            "     uniform:  " + std::string(50, ' ') + "X" + std::string(29, ' '),
            " Uniform marker vector(s) found!",
            " The Person correlation can not be calculated correctly with this marker(s).",
            " Instead a correlation value near to 0 is randomly generated.",
            " ",
            " Starting calculations: <stamp>",
            " Finished calculation and start collecting data: <stamp>",
            " Finished collecting data: <stamp>",
            " ",
            " Finished computation after 0 days, 0 hours, 0 minutes and <s> seconds",
        });

    // The stamps follow each other, and the elapsed seconds are those between the first and
    // the last stamp (a short job: no day, hour or minute).
    std::vector<long long> ms;
    const std::regex stamp(R"((\d\d)\.(\d\d)\.(\d{4}) (\d\d):(\d\d):(\d\d)\.(\d{3}))");
    for (std::sregex_iterator it(log.begin(), log.end(), stamp), end; it != end; ++it) {
        const auto v = [&](int k) { return std::stoi((*it)[k].str()); };
        const std::chrono::sys_days day{std::chrono::year{v(3)} / v(2) / v(1)};
        ms.push_back(((day.time_since_epoch().count() * 24LL + v(4)) * 3600 + v(5) * 60 + v(6)) *
                         1000 +
                     v(7));
    }
    ASSERT_EQ(ms.size(), 4u);
    EXPECT_TRUE(std::is_sorted(ms.begin(), ms.end()));
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%lld.%03lld seconds", (ms[3] - ms[0]) / 1000,
                  (ms[3] - ms[0]) % 1000);
    EXPECT_NE(log.find("0 minutes and " + std::string(seconds) + "\n"), std::string::npos) << log;
    EXPECT_NE(r.out.find("after " + std::string(seconds) + "\n"), std::string::npos) << r.out;

    expect_result_layout(job.read("result.txt"), 8, 4, 2, 53);
}

TEST(Job, LogAndConsoleVariants) {
    const std::string cap_z = " The specified value for z (maximum number of factors by which\n"
                              " the combinations are allowed to differ from the original\n"
                              " combination) is higher than the size of the test set.\n"
                              " Size of test set is used.\n";
    struct Variant {
        const char* name;
        const char* map; // fixture copied as map.txt
        std::vector<std::string> args;
        std::vector<std::string> env;
        Figures figures;
        std::string console; // seconds masked
    };
    Figures no_uniform;
    no_uniform.markers = "CD3       CD8       Ki67      p53       HER2      CK5       PR        "
                         "EGFR      ";
    no_uniform.uniform = "";
    Figures first_ten;
    first_ten.ncomb = 10;
    first_ten.threads = 3;
    // nref 6 and z 6 by default, 8 markers: the test set has 2 markers, so z becomes 2 and
    // there are 1 + 6 * 2 + 15 * 1 = 28 combinations; threads follow OMP_NUM_THREADS.
    Figures defaults;
    defaults.nref = 6;
    defaults.ncomb = 28;
    defaults.threads = 3;
    // nref 5 and z 5 from the command line: z becomes 3, 1 + 15 + 30 + 10 = 56 combinations.
    Figures cap_five;
    cap_five.nref = 5;
    cap_five.z = 3;
    cap_five.ncomb = 56;
    cap_five.threads = 1;
    const Variant variants[] = {
        {"no uniform marker",
         "map_no_uniform.txt",
         job_args({"1000", "4", "2", "2"}),
         {},
         no_uniform,
         " Finished job on 2 threads after <s> seconds\n"},
        {"maxc below the count",
         "map.txt",
         job_args({"10", "4", "2", "3"}),
         {},
         first_ten,
         " Finished job on 3 threads after <s> seconds\n"},
        {"all defaults",
         "map.txt",
         job_args({}),
         {"OMP_NUM_THREADS=3"},
         defaults,
         " No maximum number of combinations specified\n"
         " All combinations are computated\n"
         " No reference set size specified\n"
         " Default value of 6 is used\n"
         " Number of factors that can differ from the original combination not specified\n"
         " Number of refernce factors is used\n"
         " No number of threads spezified\n"
         " One thread per available processor is used\n" +
             cap_z + " Finished job on 3 threads after <s> seconds\n"},
        {"z from the command line above the test set",
         "map.txt",
         job_args({"1000", "5", "5", "1"}),
         {},
         cap_five,
         cap_z + " Finished job on 1 thread after <s> seconds\n"},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const JobDir job({"data.txt"});
        job.copy(v.map, "map.txt");
        const ProcessResult r = job.run(v.args, v.env);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(masked(r.out), v.console);
        expect_lines(masked(job.read("job.log")), finished_log(v.figures));
        const Figures& f = v.figures;
        expect_result_layout(job.read("result.txt"), f.n, f.nref, f.z, f.ncomb);
    }
}

TEST(Job, WorkedCombinationResultFile) {
    // n = 4, nref = 1, z = 1: reference sets {1}, {2}, {3}, {4}. For {1} the test markers 2, 3, 4
    // correlate 0.75, 0.25, 0.5 with it, which lie on a line in the ordering (1, 3, 2). For {2}
    // they are 0.75, 0.1875, 0.375 and for {4} 0.5, 0.375, 0.125: best residual sum 1/14. For
    // {3} they are 0.25, 0.1875, 0.125, on a line in their own order.
    const JobDir job({});
    job.write("data.txt", four_marker_data());
    job.write("map.txt", "N\tN\t1\t2\t3\t4\n");
    const ProcessResult r = job.run(job_args({"1000", "1", "1", "1"}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(masked(r.out), " Finished job on 1 thread after <s> seconds\n");
    EXPECT_EQ(job.read("result.txt"), "0.000000\t1\t2\t3\t4\t1\t3\t2\n"
                                      "0.071429\t2\t1\t3\t4\t1\t3\t2\n"
                                      "0.000000\t3\t1\t2\t4\t1\t2\t3\n"
                                      "0.071429\t4\t1\t2\t3\t1\t2\t3\n");
    // Without a header line the marker cells are blank.
    Figures f;
    f.rows = 24;
    f.columns = f.factors = f.n = 4;
    f.nref = f.z = 1;
    f.ncomb = 4;
    f.threads = 1;
    f.markers = std::string(40, ' ');
    f.uniform = "";
    expect_lines(masked(job.read("job.log")), finished_log(f));
}

TEST(Job, ResultsDoNotDependOnThreadsAndFollowTheSeed) {
    // With ER uniform its correlations are random near-zero values; where ER is a reference
    // marker they decide the fits, so the seed shows in the result file.
    const JobDir job;
    const auto result = [&](const char* threads, const char* seed, const char* maxc = "1000") {
        const ProcessResult r = job.run(job_args({maxc, "4", "2", threads, "--seed", seed}));
        EXPECT_EQ(r.status, 0) << r.err;
        return job.read("result.txt");
    };
    const std::string seeded = result("1", "7");
    ASSERT_EQ(split_lines(seeded).size(), 53u);
    EXPECT_EQ(result("2", "7"), seeded);
    EXPECT_EQ(result("3", "7"), seeded);
    EXPECT_NE(result("2", "8"), seeded);
    EXPECT_NE(result("2", "9"), result("2", "8"));

    // maxc below the count: the first maxc lines of the full job.
    const std::vector<std::string> all = split_lines(seeded);
    const std::vector<std::string> ten(all.begin(), all.begin() + 10);
    EXPECT_EQ(split_lines(result("3", "7", "10")), ten);

    // A thread count far beyond the combinations: the surplus threads would take none.
    EXPECT_EQ(result("200000", "7"), seeded);
    EXPECT_NE(job.read("job.log").find("     threads:  200000\n"), std::string::npos);

    // No marker uniform: nothing random, so neither the seed nor the thread count matters.
    const JobDir plain({"data.txt", "map_no_uniform.txt"});
    std::string first;
    for (const auto& settings :
         {job_args({"1000", "4", "2", "1"}), job_args({"1000", "4", "2", "3", "--seed", "1"}),
          job_args({"1000", "4", "2", "2", "--seed", "2"})}) {
        std::vector<std::string> args = settings;
        args[1] = "map_no_uniform.txt";
        EXPECT_EQ(plain.run(args).status, 0);
        if (first.empty()) first = plain.read("result.txt");
        EXPECT_EQ(plain.read("result.txt"), first);
    }
    expect_result_layout(first, 8, 4, 2, 53);
}

TEST(Job, StopsBeforeTheEvaluation) {
    // Every stop after the log is opened leaves the "Starting job:" line alone and no result
    // file, and exits with status 1.
    struct Stop {
        const char* name;
        std::string data;
        std::string map;
        std::vector<std::string> args;
        std::string console;
        std::string err; // a regular expression
    };
    const Stop stops[] = {
        {"mapping error", plain_data(4, 3), "X\tN\t1\t2\t3\t4\n", job_args({"10", "1", "1", "1"}),
         " Error in mapping file: Illegal header specification\n Programm canceled\n", ""},
        {"nref above n", plain_data(4, 3), plain_map(4), job_args({"10", "5", "2", "1"}),
         " The reference set size (nref = 5) is larger than the number of markers (4)\n"
         " Programm canceled\n",
         ""},
        {"data file error", "1\t2\t5\n3\tn.d.\t4\n", plain_map(3), job_args({"10", "1", "1", "1"}),
         "", R"(varandel: data\.txt, line 2, column 2: 'n\.d\.' is not a number\n)"},
        {"ntest above the literal search's limit", plain_data(22, 3), plain_map(22),
         job_args({"10", "1", "1", "1", "--engine", "reference"}), "",
         literal("varandel: " + varandel::perm_tj_limit_message(21) + "\n")},
        {"ntest above the fast searches' limit", plain_data(40, 3), plain_map(40),
         job_args({"10", "1", "1", "1"}), "",
         literal("varandel: " +
                 varandel::best_order_limit_message(varandel::Engine::automatic, 39) + "\n")},
        // 40 markers, 20 of them reference: C(40, 20) combinations, capped at 2147483647.
        {"tables too large", plain_data(40, 3), plain_map(40),
         job_args({"2147483647", "20", "20", "1"}), "",
         R"(varandel: the job's 2147483647 combinations need \d+ MiB of memory, .*\n)"},
    };
    for (const Stop& s : stops) {
        SCOPED_TRACE(s.name);
        const JobDir job({});
        job.write("data.txt", s.data);
        job.write("map.txt", s.map);
        const ProcessResult r = job.run(s.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, s.console);
        EXPECT_TRUE(std::regex_match(r.err, std::regex(s.err))) << r.err;
        EXPECT_EQ(masked(job.read("job.log")), " Starting job: <stamp>\n");
        EXPECT_FALSE(job.has("result.txt"));
    }
}

TEST(Job, FileErrorsNameThePathAndReason) {
    struct FileError {
        std::string result, log, path, reason;
        std::string last_log_line; // empty: the log is not written at all
    } errors[] = {
        {"result.txt", "none/job.log", "none/job.log", "No such file or directory", ""},
        {"result.txt", "/dev/full", "/dev/full", "No space left on device", ""},
        // Checked before the evaluation, so no work is lost.
        {"none/result.txt", "job.log", "none/result.txt", "No such file or directory",
         " Starting job: <stamp>"},
        {"/dev/full", "job.log", "/dev/full", "No space left on device",
         " Finished calculation and start collecting data: <stamp>"},
    };
    for (const FileError& e : errors) {
        SCOPED_TRACE(e.result + " " + e.log);
        const JobDir job;
        const ProcessResult r =
            job.run({"data.txt", "map.txt", e.result, e.log, "10", "4", "2", "1"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, ""); // no summary line
        EXPECT_NE(r.err.find("'" + e.path + "'"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(e.reason), std::string::npos) << r.err;
        if (e.last_log_line.empty()) {
            EXPECT_FALSE(job.has("job.log"));
            EXPECT_FALSE(job.has("result.txt"));
        } else {
            const std::vector<std::string> log = split_lines(masked(job.read("job.log")));
            ASSERT_FALSE(log.empty());
            EXPECT_EQ(log.back(), e.last_log_line);
        }
    }
}

TEST(Job, ResultLinesHaveNoLengthLimit) {
    // 70 markers, 67 of them reference: about 220 characters a line.
    const JobDir job({});
    job.write("data.txt", plain_data(70, 5));
    job.write("map.txt", plain_map(70));
    const ProcessResult r = job.run(job_args({"3", "67", "1", "2", "--seed", "3"}));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string result = job.read("result.txt");
    expect_result_layout(result, 70, 67, 1, 3);
    EXPECT_GT(split_lines(result)[0].size(), 200u);
}

TEST(Job, OutputsThatWouldOverwriteAnInputAreRefused) {
    struct Clash {
        std::string result, log;
        const char* message;
    } clashes[] = {
        {"result.txt", "data.txt", " The log file would overwrite the input file\n"},
        {"link.txt", "job.log", " The result file would overwrite the input file\n"},
        {"result.txt", "./map.txt", " The log file would overwrite the mapping file\n"},
        {"out.txt", "./out.txt", " The result file and the log file are the same file\n"},
    };
    for (const Clash& c : clashes) {
        SCOPED_TRACE(c.message);
        const JobDir job;
        const std::string data = job.read("data.txt"), map = job.read("map.txt");
        std::filesystem::create_symlink("data.txt", job.path("link.txt"));
        const ProcessResult r =
            job.run({"data.txt", "map.txt", c.result, c.log, "10", "4", "2", "1"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, std::string(c.message) + " programm cancled\n");
        EXPECT_EQ(job.read("data.txt"), data);
        EXPECT_EQ(job.read("map.txt"), map);
        EXPECT_FALSE(job.has("job.log"));
        EXPECT_FALSE(job.has("out.txt"));
    }
}
