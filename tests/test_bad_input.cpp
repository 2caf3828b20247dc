// Hostile and unusual input, run through the built program: for each input the exact console
// lines, standard-error message, exit status and log (time stamps masked), and which files the
// job leaves behind (never a result file after a failure, never a temporary file).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "expected_log.h"
#include "test_support.h"

using varandel::testing::cannot_drop_root;
using varandel::testing::finish_varandel;
using varandel::testing::full_log;
using varandel::testing::LogCounts;
using varandel::testing::mask;
using varandel::testing::masked_start;
using varandel::testing::masked_summary;
using varandel::testing::read_file;
using varandel::testing::start_varandel;
using varandel::testing::StartedProcess;
using varandel::testing::TempDir;

namespace {

// A clean job of 5 markers (nref 2, z 2: 10 combinations) that every case starts from.
const std::string clean_data = "A\tB\tC\tD\tE\n"
                               "1.5\t2\t0\t4\t3.25\n"
                               "2\t3.5\t1\t5\t1\n"
                               "3\t1\t2.5\t7\t2\n"
                               "4\t5\t6\t1\t0.5\n"
                               "2.5\t4\t3\t2\t6\n";
const std::string clean_map = "Y\tN\t1\t2\t3\t4\t5\n";
const std::vector<std::string> job_args = {"data.txt", "map.txt", "result.txt", "job.log",
                                           "10",       "2",       "2",          "1"};
const std::string clean_result = "0.522477\t1\t2\t3\t4\t5\t1\t3\t2\n"
                                 "0.214593\t3\t2\t1\t4\t5\t1\t3\t2\n"
                                 "0.135662\t4\t2\t1\t3\t5\t3\t1\t2\n"
                                 "0.846558\t5\t2\t1\t3\t4\t1\t2\t3\n"
                                 "0.646210\t1\t3\t2\t4\t5\t1\t3\t2\n"
                                 "1.284020\t1\t4\t2\t3\t5\t1\t2\t3\n"
                                 "1.779513\t1\t5\t2\t3\t4\t1\t3\t2\n"
                                 "1.154982\t3\t4\t1\t2\t5\t3\t1\t2\n"
                                 "1.413511\t3\t5\t1\t2\t4\t1\t2\t3\n"
                                 "0.013216\t4\t5\t1\t2\t3\t1\t3\t2\n";
const std::string summary = masked_summary;
const std::string started_only = masked_start;
const std::string clean_log = full_log({});

std::string with_cr_lf(const std::string& text) {
    return std::regex_replace(text, std::regex("\n"), "\r\n");
}

std::string data_error(const std::string& where, const std::string& what) {
    return "varandel: data.txt, line " + where + ": " + what + "\n";
}

// One input and everything the job must do with it. The defaults are those of a job that stops
// on its input with exit status 1 after the log's first line, leaving no result file.
struct Case {
    explicit Case(std::string what) : name(std::move(what)) {}
    Case& file(const std::string& file_name, std::string content) {
        files[file_name] = std::move(content);
        return *this;
    }
    Case& run(std::vector<std::string> arguments) {
        args = std::move(arguments);
        return *this;
    }
    Case& before(std::function<void(const TempDir&)> f) {
        setup = std::move(f);
        return *this;
    }
    Case& as_nobody() {
        unprivileged = true;
        return *this;
    }
    Case& exits(int exit_status) {
        status = exit_status;
        return *this;
    }
    Case& prints(std::string lines) {
        console = std::move(lines);
        return *this;
    }
    Case& reports(std::string message) {
        error = std::move(message);
        return *this;
    }
    Case& no_log() {
        log.reset();
        return *this;
    }
    // A job that runs to its end with this log and result file.
    Case& succeeds(std::string full_log, std::string result_file) {
        status = 0;
        console = summary;
        log = std::move(full_log);
        result = std::move(result_file);
        return *this;
    }

    std::string name;
    std::map<std::string, std::string> files; // replace or add to data.txt and map.txt
    std::vector<std::string> args = job_args;
    std::function<void(const TempDir&)> setup; // directories, permissions
    bool unprivileged = false;
    int status = 1;
    std::string console;
    std::string error;
    std::optional<std::string> log = started_only; // masked; none: no log file
    std::optional<std::string> result;             // none: no result file
};

std::set<std::string> listing(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.insert(e.path().filename().string());
    return names;
}

// Runs one case; false when it needs an unprivileged user that cannot be had.
bool check(const Case& c) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::map<std::string, std::string> files = {{"data.txt", clean_data}, {"map.txt", clean_map}};
    for (const auto& [name, content] : c.files) files[name] = content;
    for (const auto& [name, content] : files) dir.write(name, content);
    if (c.setup) c.setup(dir);
    std::set<std::string> expected_files = listing(dir);

    varandel::testing::StartOptions options;
    options.unprivileged = c.unprivileged;
    StartedProcess process = start_varandel(c.args, dir.path(), options);
    const auto r = finish_varandel(process);
    if (c.unprivileged && r.status == cannot_drop_root) return false;

    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(mask(r.out), c.console);
    EXPECT_EQ(r.err, c.error);
    if (c.log) {
        expected_files.insert("job.log");
        EXPECT_EQ(mask(read_file(dir.file("job.log"))), *c.log);
    }
    if (c.result) {
        expected_files.insert("result.txt");
        EXPECT_EQ(read_file(dir.file("result.txt")), *c.result);
    }
    // No result file after a failure, no temporary file ever, and the inputs untouched.
    EXPECT_EQ(listing(dir), expected_files);
    for (const auto& [name, content] : files) EXPECT_EQ(read_file(dir.file(name)), content) << name;
    return true;
}

void make_dir(const TempDir& dir, const std::string& name) {
    std::filesystem::create_directory(dir.file(name));
}

// "M1", "M2", ... (appended piecewise: GCC 12 misreports "literal" + std::string as -Wrestrict).
std::string column_name(int j) {
    return std::string("M").append(std::to_string(j));
}

std::string header_of(int columns) {
    std::string line;
    for (int j = 1; j <= columns; ++j)
        line.append(column_name(j)).append(j < columns ? "\t" : "\n");
    return line;
}

std::string mapping_of(int entries) {
    std::string line = "Y\tN";
    for (int j = 1; j <= entries; ++j) line.append("\t").append(std::to_string(j));
    return line + "\n";
}

// 101 columns of 3 data lines, no column uniform and no two correlations equal.
std::string wide_data() {
    std::string data = header_of(101);
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 101; ++j) {
            const int v = i == 1 ? j + 1 : i == 2 ? j * j % 101 + 2 : j * j * j % 103 + 3;
            data += std::to_string(v) + (j < 101 ? "\t" : "\n");
        }
    }
    return data;
}

} // namespace

TEST(BadInput, FilesThatCannotBeUsed) {
    const auto with_dir = [](const TempDir& d) { make_dir(d, "sub"); };
    const auto job = [](const std::string& data, const std::string& map, const std::string& result,
                        const std::string& log) {
        return std::vector<std::string>{data, map, result, log, "10", "2", "2", "1"};
    };
    const Case cases[] = {
        Case("missing data file")
            .run(job("none.txt", "map.txt", "result.txt", "job.log"))
            .exits(2)
            .prints(" input file not found\n programm cancled\n")
            .no_log(),
        Case("missing mapping file")
            .run(job("data.txt", "none.txt", "result.txt", "job.log"))
            .exits(2)
            .prints(" mapping file not found\n programm cancled\n")
            .no_log(),
        Case("data file is a directory")
            .run(job("sub", "map.txt", "result.txt", "job.log"))
            .before(with_dir)
            .reports("varandel: cannot read data file 'sub': Is a directory\n"),
        Case("mapping file is a directory")
            .run(job("data.txt", "sub", "result.txt", "job.log"))
            .before(with_dir)
            .reports("varandel: cannot read mapping file 'sub': Is a directory\n"),
        Case("result path in a missing directory")
            .run(job("data.txt", "map.txt", "none/result.txt", "job.log"))
            .reports("varandel: cannot write result file 'none/result.txt': No such file or "
                     "directory\n"),
        Case("result path is a directory")
            .run(job("data.txt", "map.txt", "sub", "job.log"))
            .before(with_dir)
            .reports("varandel: cannot write result file 'sub': Is a directory\n"),
        // Refused with the command line, before anything is written.
        Case("result path is the data file")
            .run(job("data.txt", "map.txt", "data.txt", "job.log"))
            .exits(2)
            .prints(" The result file would overwrite the input file\n programm cancled\n")
            .no_log(),
        Case("log path is the mapping file")
            .run(job("data.txt", "map.txt", "result.txt", "./map.txt"))
            .exits(2)
            .prints(" The log file would overwrite the mapping file\n programm cancled\n")
            .no_log(),
        Case("result path is the log path")
            .run(job("data.txt", "map.txt", "job.log", "job.log"))
            .exits(2)
            .prints(" The result file and the log file are the same file\n programm cancled\n")
            .no_log(),
        Case("log path in a missing directory")
            .run(job("data.txt", "map.txt", "result.txt", "none/job.log"))
            .reports("varandel: cannot create log file 'none/job.log': No such file or directory\n")
            .no_log(),
        Case("log path is a directory")
            .run(job("data.txt", "map.txt", "result.txt", "sub"))
            .before(with_dir)
            .reports("varandel: cannot create log file 'sub': Is a directory\n")
            .no_log(),
    };
    for (const Case& c : cases) check(c);
}

// As root permission bits do not stop reads, so the program then runs as the user nobody.
TEST(BadInput, UnreadableFiles) {
    const auto unreadable = [](const std::string& name) {
        return [name](const TempDir& d) {
            std::filesystem::permissions(d.path(), std::filesystem::perms::all);
            chmod(d.file(name).c_str(), 0);
        };
    };
    const Case cases[] = {
        Case("unreadable data file")
            .before(unreadable("data.txt"))
            .as_nobody()
            .reports("varandel: cannot open data file 'data.txt': Permission denied\n"),
        Case("unreadable mapping file")
            .before(unreadable("map.txt"))
            .as_nobody()
            .reports("varandel: cannot open mapping file 'map.txt': Permission denied\n"),
    };
    for (const Case& c : cases) {
        if (!check(c)) GTEST_SKIP() << "running as root and cannot switch to the user nobody";
    }
}

TEST(BadInput, FileContents) {
    const std::string not_text = "a NUL byte: this is not a plain text file (a binary file, or "
                                 "text saved as UTF-16 \"Unicode text\"); save the data as "
                                 "TAB-separated plain text";
    const std::string lone_cr =
        "a carriage return inside the line: the file's lines seem to end with a carriage return "
        "alone (old Macintosh text), which makes the file one long line; save it with line feed "
        "(or carriage return + line feed) line ends";
    // The start of an executable, and a text saved as UTF-16.
    const std::string binary("\x7f"
                             "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x3e\0\t\n\xff\xfe",
                             24);
    const std::string utf16("\xff\xfe"
                            "A\0\t\0B\0\n\0",
                            10);
    std::string nul_line = clean_data;
    nul_line.insert(nul_line.find("\t5\t1\n"), 1, '\0');
    std::string long_name = "id\tA\tB\tC\tD\tE\n";
    long_name.append(10 << 20, 'x');
    long_name.append("\t1.5\t2\t0\t4\t3.25\n"
                     "s2\t2\t3.5\t1\t5\t1\ns3\t3\t1\t2.5\t7\t2\n"
                     "s4\t4\t5\t6\t1\t0.5\ns5\t2.5\t4\t3\t2\t6\n");
    LogCounts long_name_counts;
    long_name_counts.columns = 6;
    const Case cases[] = {
        Case("empty data file")
            .file("data.txt", "")
            .prints(" Mapping does not fit the data file\n Programm canceled\n"),
        Case("empty mapping file")
            .file("map.txt", "")
            .prints(" Error in mapping file\n Programm canceled\n"),
        Case("binary data file").file("data.txt", binary).reports(data_error("1", not_text)),
        Case("NUL byte in a data line")
            .file("data.txt", nul_line)
            .reports(data_error("3", not_text)),
        Case("data file saved as UTF-16")
            .file("data.txt", utf16)
            .reports(data_error("1", not_text)),
        Case("data file with carriage returns alone as line ends")
            .file("data.txt", std::regex_replace(clean_data, std::regex("\n"), "\r"))
            .reports(data_error("1", lone_cr)),
        Case("UTF-8 byte-order mark in the data file")
            .file("data.txt", "\xef\xbb\xbf" + clean_data)
            .succeeds(clean_log, clean_result),
        Case("UTF-8 byte-order mark in the mapping file")
            .file("map.txt", "\xef\xbb\xbf" + clean_map)
            .succeeds(clean_log, clean_result),
        Case("CR LF line ends")
            .file("data.txt", with_cr_lf(clean_data))
            .file("map.txt", with_cr_lf(clean_map))
            .succeeds(clean_log, clean_result),
        Case("mapping line ended by a carriage return alone")
            .file("map.txt", "Y\tN\t1\t2\t3\t4\t5\r")
            .succeeds(clean_log, clean_result),
        Case("a 10-MB line (a line name)")
            .file("data.txt", long_name)
            .file("map.txt", "Y\tY\t1\t2\t3\t4\t5\n")
            .succeeds(full_log(long_name_counts), clean_result),
    };
    for (const Case& c : cases) check(c);
}

TEST(BadInput, MarkerValues) {
    // The clean data with `text` as marker 2 of data line 3 (line 4 of the file).
    const auto value = [](const std::string& text) {
        return std::regex_replace(clean_data, std::regex("\n3\t1\t"), "\n3\t" + text + "\t");
    };
    const std::string refused = " is not a number (not-a-number and infinity values are not "
                                "accepted)";
    const Case cases[] = {
        Case("NaN")
            .file("data.txt", value("NaN"))
            .reports(data_error("4, column 2", "'NaN'" + refused)),
        Case("inf")
            .file("data.txt", value("inf"))
            .reports(data_error("4, column 2", "'inf'" + refused)),
        Case("-Infinity")
            .file("data.txt", value("-Infinity"))
            .reports(data_error("4, column 2", "'-Infinity'" + refused)),
        Case("1e40")
            .file("data.txt", value("1e40"))
            .reports(data_error("4, column 2", "'1e40' is outside the single-precision range")),
        // A denormal standing for the clean job's 0 changes no sum: the same result.
        Case("denormal")
            .file("data.txt", std::regex_replace(clean_data, std::regex("\t0\t"), "\t1e-40\t"))
            .succeeds(clean_log, clean_result),
    };
    for (const Case& c : cases) check(c);
}

TEST(BadInput, MappingEntries) {
    const std::string no_fit = " Mapping does not fit the data file\n Programm canceled\n";
    LogCounts hundred;
    hundred.rows = 4;
    hundred.columns = hundred.factors = 101;
    hundred.n = 100;
    hundred.nref = 98;
    hundred.z = hundred.ncomb = 1;
    hundred.names.clear();
    std::string hundred_result = "0.000000";
    for (int j = 1; j <= 100; ++j) {
        hundred.names.push_back(column_name(j));
        hundred_result.append("\t").append(std::to_string(j));
    }
    hundred_result += "\t1\t2\n";
    LogCounts repeated;
    repeated.names = {"A", "B", "A", "D", "E"};
    const Case cases[] = {
        Case("100 entries")
            .file("data.txt", wide_data())
            .file("map.txt", mapping_of(100))
            .run({"data.txt", "map.txt", "result.txt", "job.log", "1", "98", "1", "1"})
            .succeeds(full_log(hundred), hundred_result),
        Case("101 entries")
            .file("data.txt", wide_data())
            .file("map.txt", mapping_of(101))
            .prints(" Error in mapping file: more than 100 markers\n Programm canceled\n"),
        Case("negative entry").file("map.txt", "Y\tN\t1\t-2\t3\t4\t5\n").prints(no_fit),
        Case("zero entry").file("map.txt", "Y\tN\t1\t2\t0\t4\t5\n").prints(no_fit),
        // Markers 1 and 3 are one column: exchanging one for the other changes nothing.
        Case("an entry repeated")
            .file("map.txt", "Y\tN\t1\t2\t1\t4\t5\n")
            .succeeds(full_log(repeated), "0.551440\t1\t2\t3\t4\t5\t1\t3\t2\n"
                                          "0.551440\t3\t2\t1\t4\t5\t1\t3\t2\n"
                                          "1.000000\t4\t2\t1\t3\t5\t1\t2\t3\n"
                                          "1.000000\t5\t2\t1\t3\t4\t1\t2\t3\n"
                                          "0.937002\t1\t3\t2\t4\t5\t1\t2\t3\n"
                                          "1.436939\t1\t4\t2\t3\t5\t1\t2\t3\n"
                                          "1.237670\t1\t5\t2\t3\t4\t3\t1\t2\n"
                                          "1.436939\t3\t4\t1\t2\t5\t3\t1\t2\n"
                                          "1.237670\t3\t5\t1\t2\t4\t1\t2\t3\n"
                                          "1.000000\t4\t5\t1\t2\t3\t1\t3\t2\n"),
        // Names are labels only.
        Case("a column name repeated in the header line")
            .file("data.txt", std::regex_replace(clean_data, std::regex("C\t"), "A\t"))
            .succeeds(full_log(repeated), clean_result),
    };
    for (const Case& c : cases) check(c);
}

TEST(BadInput, SizesTooSmallToAnalyse) {
    const auto nref = [](const std::string& maxc, const std::string& value, const std::string& z) {
        return std::vector<std::string>{"data.txt", "map.txt", "result.txt", "job.log", maxc,
                                        value,      z,         "1"};
    };
    LogCounts smallest;
    smallest.nref = 3;
    smallest.z = smallest.ncomb = 1;
    std::string one_long_line(10 << 20, '1');
    one_long_line.append("\t2\t3\t4\t5\n");
    const Case cases[] = {
        Case("nref = n: no test marker")
            .run(nref("10", "5", "2"))
            .prints(" The reference set size (nref = 5) leaves 0 of the 5 markers\n"
                    " for the test set; at least 2 are needed\n Programm canceled\n"),
        Case("nref = n - 1: one test marker")
            .run(nref("10", "4", "2"))
            .prints(" The reference set size (nref = 4) leaves 1 of the 5 markers\n"
                    " for the test set; at least 2 are needed\n Programm canceled\n"),
        Case("nref = n - 2: two test markers, the smallest job")
            .run(nref("1", "3", "1"))
            .succeeds(full_log(smallest), "0.000000\t1\t2\t3\t4\t5\t1\t2\n"),
        Case("one data line")
            .file("data.txt", "A\tB\tC\tD\tE\n1.5\t2\t0\t4\t3.25\n")
            .reports("varandel: data.txt has 1 data line; the correlations need at least 2\n"),
        Case("zero data lines")
            .file("data.txt", "A\tB\tC\tD\tE\n")
            .reports("varandel: data.txt has no data lines (a header line does not count); the "
                     "correlations need at least 2\n"),
        Case("a whole file of one 10-MB line")
            .file("data.txt", one_long_line)
            .file("map.txt", "N\tN\t1\t2\t3\t4\t5\n")
            .reports("varandel: data.txt has 1 data line; the correlations need at least 2\n"),
    };
    for (const Case& c : cases) check(c);
}
