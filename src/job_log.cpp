#include "job_log.h"

#include <cmath>
#include <cstdio>

#include "text_output.h"

namespace varandel {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian calendar).
std::int64_t days_from_civil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// A truncated quotient as an integer; an elapsed time is always finite and far below 2^63.
std::int64_t truncated(double value) {
    return std::isfinite(value) ? static_cast<std::int64_t>(std::trunc(value)) : 0;
}

} // namespace

std::string date_time_stamp(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d.%03d", int(t.day), int(t.month),
                  int(t.year), int(t.hour), int(t.minute), int(t.second), int(t.millisecond));
    return buf;
}

std::string stamped_text(std::string_view label, const LocalTime& t) {
    return std::string(label) + date_time_stamp(t);
}

double clock_value(const LocalTime& t) {
    const std::int32_t whole = t.day * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    return static_cast<double>(whole) + static_cast<double>(t.millisecond) / 1000.0;
}

double elapsed_seconds(const LocalTime& start, const LocalTime& end) {
    // The clock counts from the start of its month; the months' offsets put both on one scale.
    // Within one month the offset is 0 and the difference is the clocks' own.
    const std::int64_t month_days =
        days_from_civil(end.year, end.month, 1) - days_from_civil(start.year, start.month, 1);
    return (clock_value(end) - clock_value(start)) + static_cast<double>(month_days) * 86400.0;
}

ElapsedTexts elapsed_texts(double elapsed) {
    const std::int64_t days = truncated(elapsed / 86400.0);
    const double r1 = std::fmod(elapsed, 86400.0);
    const std::int64_t hours = truncated(r1 / 3600.0);
    const double r2 = std::fmod(r1, 3600.0);
    const std::int64_t minutes = truncated(r2 / 60.0);
    const double r3 = std::fmod(r2, 60.0);
    return {int_text(days), int_text(hours), int_text(minutes), seconds_text(r3)};
}

std::string elapsed_line(const ElapsedTexts& e) {
    return "Finished computation after " + e.days + " days, " + e.hours + " hours, " + e.minutes +
           " minutes and " + e.seconds + " seconds";
}

std::string console_summary_line(std::int32_t threads, const ElapsedTexts& e) {
    std::string line = "Finished job on " + int_text(threads) +
                       (threads == 1 ? " thread after " : " threads after ");
    if (e.hours != "0") {
        line += e.hours + " hours, " + e.minutes + " minutes and ";
    } else if (e.minutes != "0") {
        line += e.minutes + " minutes and ";
    }
    return line + e.seconds + " seconds";
}

std::vector<std::string> log_configuration_lines(const LogConfig& c) {
    const auto path = [](std::string_view label, const std::string& value) {
        return label_column(label) + left_text(value, 75);
    };
    const auto count = [](std::string_view label, std::int32_t value) {
        return label_column(label) + fixed_int(value, 6);
    };
    return {
        path("file:", c.infile),
        path("mapfile:", c.mapfile),
        path("logfile:", c.logfile),
        path("resultfile:", c.resultfile),
        count("rows:", c.rows),
        count("columns:", c.columns),
        count("factors:", c.factors),
        count("n:", c.n),
        count("reference:", c.nref),
        count("z:", c.z),
        count("test:", c.n - c.nref),
        count("combinations:", c.ncomb),
        count("processors:", c.processors),
        count("threads:", c.threads),
    };
}

std::string log_marker_line(const std::vector<std::string>& HEADER) {
    std::string line = label_column("marker:");
    for (const std::string& name : HEADER) line += left_text(name, 10);
    return line;
}

std::vector<bool> uniform_markers(const Table<float>& RAWDATA) {
    const std::int32_t lines = RAWDATA.rows();
    std::vector<bool> uniform(static_cast<std::size_t>(RAWDATA.cols()), true);
    for (std::int32_t j = 1; j <= RAWDATA.cols(); ++j) {
        if (lines == 0) continue;
        const float* column = RAWDATA.column(j);
        for (std::int32_t i = 1; i < lines; ++i) {
            if (!(column[i] == column[0])) {
                uniform[static_cast<std::size_t>(j - 1)] = false;
                break;
            }
        }
    }
    return uniform;
}

bool any_uniform(const std::vector<bool>& uniform) {
    for (bool u : uniform)
        if (u) return true;
    return false;
}

std::string log_uniform_line(const std::vector<bool>& uniform) {
    std::string line = label_column("uniform:");
    for (bool u : uniform) line += u ? "X         " : "          ";
    return line;
}

std::vector<std::string> uniform_warning_lines() {
    return {
        "Uniform marker vector(s) found!",
        "The Person correlation can not be calculated correctly with this marker(s).",
        "Instead a correlation value near to 0 is randomly generated.",
    };
}

} // namespace varandel
