// Outputs that are never half-written: an interrupted job, a disk that fills while the result
// file or the log is written, and how the result file replaces what stood at its path.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "expected_log.h"
#include "interrupt.h"
#include "result_file.h"
#include "run_stop.h"
#include "test_support.h"

using namespace varandel;
using namespace varandel::testing;

namespace {

// 12 markers over 8 data lines, none uniform.
std::string twelve_markers() {
    std::string data;
    for (int j = 1; j <= 12; ++j)
        data.append("M").append(std::to_string(j)).append(j < 12 ? "\t" : "\n");
    for (int i = 1; i <= 8; ++i) {
        for (int j = 1; j <= 12; ++j) {
            const double v = (i * 7 + j * j * 3) % 17 + i * 0.25 + j * 0.5;
            data.append(std::to_string(v)).append(j < 12 ? "\t" : "\n");
        }
    }
    return data;
}

LogCounts twelve_counts(int nref, int z, int ncomb) {
    LogCounts c;
    c.rows = 9;
    c.columns = c.factors = c.n = 12;
    c.nref = nref;
    c.z = z;
    c.ncomb = ncomb;
    c.names.clear();
    for (int j = 1; j <= 12; ++j) c.names.push_back(std::string("M").append(std::to_string(j)));
    return c;
}

class JobFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.write("data.txt", twelve_markers());
        dir.write("map.txt", "Y\tN\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\n");
    }
    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            names.insert(e.path().filename().string());
        return names;
    }
    TempDir dir;
};

// True once the file holds `text`; gives up after a minute (the job would be stuck).
bool wait_for(const std::string& path, const std::string& text) {
    for (int i = 0; i < 6000; ++i) {
        if (read_file(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

// ntest 10 with the literal search: about a quarter of a second per combination, 66 of them.
TEST_F(JobFiles, InterruptEndsTheJobAndKeepsThePreviousResult) {
    const std::vector<std::string> job = {"data.txt", "map.txt",  "result.txt", "job.log",
                                          "1000",     "2",        "2",          "1",
                                          "--engine", "reference"};
    struct Case {
        int sig;
        bool previous_result;
        int status;
        const char* message;
    } cases[] = {
        {SIGTERM, false, 143,
         "varandel: interrupted by SIGTERM: job cancelled, result file not written\n"},
        {SIGINT, true, 130,
         "varandel: interrupted by SIGINT: job cancelled, result file not written\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::filesystem::remove(dir.file("result.txt"));
        std::filesystem::remove(dir.file("job.log"));
        if (c.previous_result) dir.write("result.txt", "the previous job's result\n");
        const std::set<std::string> before = listing();

        StartedProcess p = start_varandel(job, dir.path());
        const bool calculating = wait_for(dir.file("job.log"), "Starting calculations:");
        kill(p.pid, calculating ? c.sig : SIGKILL);
        const ProcessResult r = finish_varandel(p);
        ASSERT_TRUE(calculating) << r.out << r.err;

        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(mask(read_file(dir.file("job.log"))),
                  log_until_calculations(twelve_counts(2, 2, 66)));
        std::set<std::string> after = before;
        after.insert("job.log");
        EXPECT_EQ(listing(), after); // no temporary file, no new result file
        if (c.previous_result) {
            EXPECT_EQ(read_file(dir.file("result.txt")), "the previous job's result\n");
        }
    }
}

// A full disk, imitated by a file size limit: ntest 3 gives 220 result lines of about 9 kB and
// a log of about 1 kB.
TEST_F(JobFiles, FullDiskLeavesThePreviousResultAndWholeLogLines) {
    const std::vector<std::string> job = {"data.txt", "map.txt", "result.txt", "job.log",
                                          "1000",     "9",       "3",          "1"};
    const std::string log_head = log_until_calculations(twelve_counts(9, 3, 220));
    struct Case {
        const char* what;
        long long limit;
        std::string error;
        std::string log;
    } cases[] = {
        {"the result file does not fit", 4096,
         "varandel: cannot write result file 'result.txt': File too large\n",
         log_head + " Finished calculation and start collecting data: <stamp>\n"},
        // Four whole lines take 222 bytes; the fifth does not fit and is taken back.
        {"the log does not fit", 300, "varandel: cannot write log file 'job.log': File too large\n",
         log_head.substr(0, log_head.find("     logfile:"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dir.write("result.txt", "the previous job's result\n");
        const std::set<std::string> before = listing();
        StartOptions options;
        options.file_size_limit = c.limit;
        StartedProcess p = start_varandel(job, dir.path(), options);
        const ProcessResult r = finish_varandel(p);

        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.error);
        EXPECT_EQ(mask(read_file(dir.file("job.log"))), c.log);
        std::set<std::string> after = before;
        after.insert("job.log");
        EXPECT_EQ(listing(), after);
        EXPECT_EQ(read_file(dir.file("result.txt")), "the previous job's result\n");
    }
}

// The handler itself, in a child process: it removes the registered file, says what became of
// the result and ends the process by the signal.
TEST(InterruptDeathTest, RemovesTheTemporaryFileAndNamesTheResultState) {
    struct Case {
        ResultProgress progress;
        const char* message;
    } cases[] = {
        {ResultProgress::not_written,
         "interrupted by SIGTERM: job cancelled, result file not written"},
        {ResultProgress::writing,
         "interrupted by SIGTERM: job cancelled, the result output is incomplete"},
        {ResultProgress::complete,
         "interrupted by SIGTERM: the result file is complete, the log lacks its last lines"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string temp = dir.write("result.txt.tmp1", "0.5\t1\t2\n0.2");
        EXPECT_EXIT(
            {
                install_interrupt_handlers();
                set_result_progress(c.progress);
                InterruptCleanup cleanup(temp);
                std::raise(SIGTERM);
            },
            ::testing::KilledBySignal(SIGTERM), c.message);
        EXPECT_FALSE(file_exists(temp)) << c.message;
    }
}

TEST(ResultFileReplace, KeepsModeAndLinksAndWritesPipesInPlace) {
    TempDir dir;
    const std::string target = dir.write("result.txt", "old\n");
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("result.txt", dir.file("link.txt"));
    write_result_file(dir.file("link.txt"), {"0.500000\t1\t2"});
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.txt")));
    EXPECT_EQ(read_file(target), "0.500000\t1\t2\n");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = read_file(fifo); });
    write_result_file(fifo, {"1.000000\t2\t1"});
    reader.join();
    EXPECT_EQ(received, "1.000000\t2\t1\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    // Nothing but the three entries: no temporary file left anywhere.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              3);
}

TEST(ResultFileReplace, CheckedBeforeTheEvaluation) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    struct Case {
        std::string path, reason;
    } cases[] = {
        {dir.file("none/result.txt"), "No such file or directory"},
        {dir.file("sub"), "Is a directory"},
        {dir.file("data.txt/result.txt"), "Not a directory"},
    };
    dir.write("data.txt", "x\n");
    for (const Case& c : cases) {
        try {
            check_result_path(c.path);
            ADD_FAILURE() << "no failure for " << c.path;
        } catch (const RunStop& stop) {
            EXPECT_EQ(stop.status(), exit_input_error);
            EXPECT_EQ(std::string(stop.what()),
                      "varandel: cannot write result file '" + c.path + "': " + c.reason);
        }
    }
    EXPECT_NO_THROW(check_result_path(dir.file("new.txt")));
    EXPECT_NO_THROW(check_result_path(dir.file("data.txt")));
    EXPECT_NO_THROW(check_result_path("/dev/null"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2); // the probe left nothing behind
}
