#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "job_log.h"
#include "text_output.h"

using namespace varandel;

TEST(JobLogStamps, DateTimeAndClock) {
    const LocalTime t{2024, 12, 9, 13, 5, 42, 118};
    EXPECT_EQ(date_time_stamp(t), "09.12.2024 13:05:42.118");
    EXPECT_EQ(date_time_stamp({2025, 1, 2, 3, 4, 5, 6}), "02.01.2025 03:04:05.006");
    EXPECT_EQ(free_form_text({stamped_text(log_starting_job, t)}),
              " Starting job: 09.12.2024 13:05:42.118\n");
    EXPECT_EQ(clock_value(t), 824742.0 + 0.118);
    EXPECT_EQ(clock_value({2024, 12, 9, 13, 6, 10, 463}), 824770.0 + 0.463);
}

TEST(JobLogElapsed, LogAndConsoleLines) {
    struct Case {
        LocalTime start, end;
        std::int32_t threads;
        std::string log, console;
    } cases[] = {
        // The worked example.
        {{2024, 12, 9, 13, 5, 42, 118},
         {2024, 12, 9, 13, 6, 10, 463},
         2,
         "0 days, 0 hours, 0 minutes and 28.345",
         "on 2 threads after 28.345"},
        {{2024, 3, 4, 10, 0, 0, 0},
         {2024, 3, 4, 10, 0, 7, 250},
         1,
         "0 days, 0 hours, 0 minutes and 7.250",
         "on 1 thread after 7.250"},
        {{2024, 3, 4, 10, 0, 0, 0},
         {2024, 3, 4, 12, 0, 3, 500},
         4,
         "0 days, 2 hours, 0 minutes and 3.500",
         "on 4 threads after 2 hours, 0 minutes and 3.500"},
        {{2024, 3, 4, 10, 0, 0, 0},
         {2024, 3, 5, 10, 0, 4, 0},
         8,
         "1 days, 0 hours, 0 minutes and 4.000",
         "on 8 threads after 4.000"},
        {{2024, 3, 4, 10, 0, 0, 0},
         {2024, 3, 5, 10, 5, 2, 0},
         8,
         "1 days, 0 hours, 5 minutes and 2.000",
         "on 8 threads after 5 minutes and 2.000"},
        {{2024, 3, 4, 10, 0, 59, 900},
         {2024, 3, 4, 10, 1, 0, 312},
         1,
         "0 days, 0 hours, 0 minutes and 0.412",
         "on 1 thread after 0.412"},
        {{2024, 3, 4, 10, 0, 0, 0},
         {2024, 3, 4, 10, 3, 0, 45},
         3,
         "0 days, 0 hours, 3 minutes and 0.045",
         "on 3 threads after 3 minutes and 0.045"},
        // Across month, leap-day and year ends: the true duration.
        {{2024, 1, 31, 23, 59, 58, 500},
         {2024, 2, 1, 0, 0, 3, 250},
         2,
         "0 days, 0 hours, 0 minutes and 4.750",
         "on 2 threads after 4.750"},
        {{2024, 2, 29, 23, 0, 0, 0},
         {2024, 3, 1, 1, 0, 0, 0},
         2,
         "0 days, 2 hours, 0 minutes and 0.000",
         "on 2 threads after 2 hours, 0 minutes and 0.000"},
        {{2024, 12, 31, 23, 59, 59, 0},
         {2025, 1, 2, 0, 0, 1, 0},
         2,
         "1 days, 0 hours, 0 minutes and 2.000",
         "on 2 threads after 2.000"},
    };
    for (const auto& c : cases) {
        const ElapsedTexts e = elapsed_texts(elapsed_seconds(c.start, c.end));
        EXPECT_EQ(elapsed_line(e), "Finished computation after " + c.log + " seconds");
        EXPECT_EQ(console_summary_line(c.threads, e), "Finished job " + c.console + " seconds");
    }
}

TEST(JobLogElapsed, WithinMonthIsClockDifference) {
    const LocalTime a{2024, 5, 3, 1, 2, 3, 456}, b{2024, 5, 27, 22, 58, 1, 7};
    EXPECT_EQ(elapsed_seconds(a, b), clock_value(b) - clock_value(a));
}

TEST(JobLogElapsed, NegativeFiguresKeepTheirSign) {
    // A clock set back during the run: the texts are still well formed.
    const ElapsedTexts e = elapsed_texts(-3725.5);
    EXPECT_EQ(e.hours, "-1");
    EXPECT_EQ(e.minutes, "-2");
    EXPECT_EQ(e.seconds, "-5.500");
    EXPECT_EQ(console_summary_line(2, e),
              "Finished job on 2 threads after -1 hours, -2 minutes and -5.500 seconds");
}

namespace {

LogConfig worked_example_config() {
    LogConfig c;
    c.infile = "data.txt";
    c.mapfile = "map.txt";
    c.logfile = "job.log";
    c.resultfile = "result.txt";
    c.rows = 41;
    c.columns = 13;
    c.factors = 12;
    c.n = 8;
    c.nref = 4;
    c.z = 2;
    c.ncomb = 53;
    c.processors = 8;
    c.threads = 2;
    return c;
}

std::string pad(const std::string& s, std::size_t width) {
    return s + std::string(width - s.size(), ' ');
}

} // namespace

TEST(JobLogConfiguration, LabelsPathsAndCounts) {
    LogConfig c = worked_example_config();
    c.logfile = std::string(80, 'L') + ".log";
    c.ncomb = 1000000;
    c.z = -3;
    const auto lines = log_configuration_lines(c);
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], pad("        file:  data.txt", 90));
    EXPECT_EQ(lines[2], "     logfile:  " + std::string(75, 'L'));
    EXPECT_EQ(lines[3], pad("  resultfile:  result.txt", 90));
    EXPECT_EQ(lines[9], "           z:      -3");
    EXPECT_EQ(lines[10], "        test:       4");
    EXPECT_EQ(lines[11], "combinations:  ******");
    c.ncomb = 999999;
    EXPECT_EQ(log_configuration_lines(c)[11], "combinations:  999999");
}

TEST(JobLogMarkers, UniformCheck) {
    Table<float> RAWDATA("RAWDATA", 3, 5);
    const float values[5][3] = {{2, 2, 2}, {1, 2, 3}, {0, -0.0f, 0}, {NAN, NAN, NAN}, {5, 5, 5.5f}};
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 3; ++i) RAWDATA(i + 1, j + 1) = values[j][i];
    const std::vector<bool> want{true, false, true, false, false};
    EXPECT_EQ(uniform_markers(RAWDATA), want);
    EXPECT_TRUE(any_uniform(want));
    EXPECT_FALSE(any_uniform({false, false}));
    // Without data lines every marker counts as uniform.
    EXPECT_EQ(uniform_markers(Table<float>("RAWDATA", 0, 2)), std::vector<bool>(2, true));
}

TEST(JobLogMarkers, CellsOfTenCharacters) {
    EXPECT_EQ(log_marker_line({"averylongname", "", "A"}),
              "      marker:  averylongn" + std::string(10, ' ') + pad("A", 10));
    EXPECT_EQ(log_uniform_line({false, true}),
              "     uniform:  " + std::string(10, ' ') + pad("X", 10));
}

TEST(JobLog, WorkedExampleLog) {
    // The log of the worked example job, assembled from its pieces in the order they are
    // written; fixed-layout lines keep their trailing blanks.
    const std::vector<std::string> HEADER{"CD3", "CD8", "Ki67", "p53", "HER2", "ER", "PR", "EGFR"};
    const std::vector<bool> uniform{false, false, false, false, false, true, false, false};
    const LocalTime start{2024, 12, 9, 13, 5, 42, 118}, calc{2024, 12, 9, 13, 5, 42, 131},
        done{2024, 12, 9, 13, 6, 10, 457}, end{2024, 12, 9, 13, 6, 10, 463};

    std::string log = free_form_text({stamped_text(log_starting_job, start)});
    log += free_form_text({});
    for (const auto& line : log_configuration_lines(worked_example_config())) log += line + "\n";
    log += log_marker_line(HEADER) + "\n";
    ASSERT_TRUE(any_uniform(uniform));
    log += log_uniform_line(uniform) + "\n";
    for (const auto& line : uniform_warning_lines()) log += free_form_text({line});
    log += free_form_text({});
    log += free_form_text({stamped_text(log_starting_calculations, calc)});
    log += free_form_text({stamped_text(log_finished_calculation, done)});
    log += free_form_text({stamped_text(log_finished_collecting, end)});
    log += free_form_text({});
    const ElapsedTexts e = elapsed_texts(elapsed_seconds(start, end));
    log += free_form_text({elapsed_line(e)});

    const std::string want =
        " Starting job: 09.12.2024 13:05:42.118\n"
        " \n" +
        pad("        file:  data.txt", 90) + "\n" + pad("     mapfile:  map.txt", 90) + "\n" +
        pad("     logfile:  job.log", 90) + "\n" + pad("  resultfile:  result.txt", 90) + "\n" +
        "        rows:      41\n"
        "     columns:      13\n"
        "     factors:      12\n"
        "           n:       8\n"
        "   reference:       4\n"
        "           z:       2\n"
        "        test:       4\n"
        "combinations:      53\n"
        "  processors:       8\n"
        "     threads:       2\n"
        "      marker:  CD3       CD8       Ki67      p53       HER2      ER        PR        EGFR"
        "      \n"
        "     uniform:  " +
        std::string(50, ' ') + "X" + std::string(29, ' ') +
        "\n"
        " Uniform marker vector(s) found!\n"
        " The Person correlation can not be calculated correctly with this marker(s).\n"
        " Instead a correlation value near to 0 is randomly generated.\n"
        " \n"
        " Starting calculations: 09.12.2024 13:05:42.131\n"
        " Finished calculation and start collecting data: 09.12.2024 13:06:10.457\n"
        " Finished collecting data: 09.12.2024 13:06:10.463\n"
        " \n"
        " Finished computation after 0 days, 0 hours, 0 minutes and 28.345 seconds\n";
    EXPECT_EQ(log, want);
    EXPECT_EQ(free_form_text({console_summary_line(2, e)}),
              " Finished job on 2 threads after 28.345 seconds\n");
}
