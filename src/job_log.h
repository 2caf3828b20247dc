// The texts of the job log and of the console summary line. Everything here is a pure function
// returning text; the run sequence decides when each line is written. Fixed-layout lines are
// returned without a line feed (write them as they are); free-form texts are returned without
// the leading blank (write them with write_free_form).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "get_seed.h"
#include "table.h"

namespace varandel {

// Labels of the stamped free-form lines; each ends with the one blank before the stamp.
inline constexpr std::string_view log_starting_job = "Starting job: ";
inline constexpr std::string_view log_starting_calculations = "Starting calculations: ";
inline constexpr std::string_view log_finished_calculation =
    "Finished calculation and start collecting data: ";
inline constexpr std::string_view log_finished_collecting = "Finished collecting data: ";

// DD.MM.YYYY hh:mm:ss.sss, every part zero-padded (23 characters).
std::string date_time_stamp(const LocalTime& t);

// A stamped free-form text: `label` followed by the stamp of `t`.
std::string stamped_text(std::string_view label, const LocalTime& t);

// Seconds since the start of the month: day * 86400 + hour * 3600 + minute * 60 + second
// (integers) plus millisecond / 1000.
double clock_value(const LocalTime& t);

// Elapsed seconds from `start` to `end`: the difference of their clock values, corrected by
// the whole days between the first days of their months so a job across a month end reports
// its true duration; within one month exactly clock_value(end) - clock_value(start).
double elapsed_seconds(const LocalTime& start, const LocalTime& end);

// The texts of an elapsed time: days, hours and minutes truncated with the remainders carried
// down (decimal, no blanks), the seconds left over as seconds_text gives them.
struct ElapsedTexts {
    std::string days;
    std::string hours;
    std::string minutes;
    std::string seconds;
};

// Splits `elapsed` seconds into days, hours, minutes and seconds texts.
ElapsedTexts elapsed_texts(double elapsed);

// The log's last line: "Finished computation after D days, H hours, M minutes and S seconds".
std::string elapsed_line(const ElapsedTexts& e);

// The console summary line, without days; hours and minutes are dropped while their texts are
// "0"; "thread" in the singular when `threads` is 1.
std::string console_summary_line(std::int32_t threads, const ElapsedTexts& e);

// The values echoed by the configuration lines; `ntest` is derived as n - nref.
struct LogConfig {
    std::string infile;
    std::string mapfile;
    std::string logfile;
    std::string resultfile;
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t factors = 0;
    std::int32_t n = 0;
    std::int32_t nref = 0;
    std::int32_t z = 0;
    std::int32_t ncomb = 0;
    std::int32_t processors = 0;
    std::int32_t threads = 0;
};

// The 14 fixed-layout configuration lines (file: ... threads:): paths cut or padded to 75,
// counts right-aligned in 6 (asterisks when too wide).
std::vector<std::string> log_configuration_lines(const LogConfig& config);

// The "marker:" line: each name cut or padded to a cell of 10 characters.
std::string log_marker_line(const std::vector<std::string>& HEADER);

// For each marker (column of RAWDATA): true when all its values are equal, or it has none.
std::vector<bool> uniform_markers(const Table<float>& RAWDATA);

// True when at least one marker is uniform.
bool any_uniform(const std::vector<bool>& uniform);

// The "uniform:" line: "X" and 9 blanks under each uniform marker, 10 blanks otherwise.
std::string log_uniform_line(const std::vector<bool>& uniform);

// The three free-form warning texts that follow the "uniform:" line.
std::vector<std::string> uniform_warning_lines();

} // namespace varandel
