// The log and console texts that end-to-end tests expect, with the time stamps and elapsed times
// masked, for jobs run as: data.txt map.txt result.txt job.log [maxc nref z threads].
#pragma once

#include <omp.h>

#include <regex>
#include <string>
#include <vector>

namespace varandel::testing {

// A date-and-time stamp; its groups are day, month, year, hour, minute, second and millisecond.
inline const std::regex& stamp_regex() {
    static const std::regex stamp(R"((\d\d)\.(\d\d)\.(\d{4}) (\d\d):(\d\d):(\d\d)\.(\d{3}))");
    return stamp;
}

// Every stamp becomes <stamp>; a malformed stamp stays as it is and so fails the comparison.
inline std::string mask_stamps(const std::string& text) {
    return std::regex_replace(text, stamp_regex(), "<stamp>");
}

// Stamps masked and every elapsed time, days to seconds, replaced by <elapsed>.
inline std::string mask(const std::string& text) {
    static const std::regex elapsed(
        R"(after (\d+ days, \d+ hours, \d+ minutes and )?[0-9.]+ seconds)");
    return std::regex_replace(mask_stamps(text), elapsed, "after <elapsed>");
}

// Stamps masked and only the measured seconds replaced, by <s>, so that the days, hours and
// minutes of an elapsed time still show.
inline std::string mask_seconds(const std::string& text) {
    static const std::regex seconds(R"(\d+\.\d{3} seconds)");
    return std::regex_replace(mask_stamps(text), seconds, "<s> seconds");
}

inline const std::string masked_summary = " Finished job on 1 thread after <elapsed>\n";
inline const std::string masked_start = " Starting job: <stamp>\n";
// The elapsed time of a short job, as mask_seconds leaves it.
inline const std::string short_elapsed = "0 days, 0 hours, 0 minutes and <s> seconds";

// What the log echoes of a job's configuration.
struct LogCounts {
    int rows = 0, columns = 0, factors = 0, n = 0, nref = 0, z = 0, ncomb = 0, threads = 1;
    std::vector<std::string> names; // the marker names
    std::string uniform;            // the cells of the "uniform:" line; empty: no marker uniform
};

// The lines of the configuration echo, without their line feeds.
inline std::string log_label(const std::string& name) {
    return std::string(12 - name.size(), ' ') + name + ":  ";
}

inline std::string log_path(const std::string& name, const std::string& value) {
    return log_label(name) + value + std::string(value.size() < 75 ? 75 - value.size() : 0, ' ');
}

inline std::string log_count(const std::string& name, int value) {
    const std::string v = std::to_string(value);
    return log_label(name) + std::string(v.size() < 6 ? 6 - v.size() : 0, ' ') + v;
}

// The log up to and including its "Starting calculations:" line.
inline std::string log_until_calculations(const LogCounts& c) {
    std::string markers;
    for (const std::string& name : c.names) markers += name + std::string(10 - name.size(), ' ');
    std::vector<std::string> lines = {" Starting job: <stamp>",
                                      " ",
                                      log_path("file", "data.txt"),
                                      log_path("mapfile", "map.txt"),
                                      log_path("logfile", "job.log"),
                                      log_path("resultfile", "result.txt"),
                                      log_count("rows", c.rows),
                                      log_count("columns", c.columns),
                                      log_count("factors", c.factors),
                                      log_count("n", c.n),
                                      log_count("reference", c.nref),
                                      log_count("z", c.z),
                                      log_count("test", c.n - c.nref),
                                      log_count("combinations", c.ncomb),
                                      log_count("processors", omp_get_num_procs()),
                                      log_count("threads", c.threads),
                                      log_label("marker") + markers};
    if (!c.uniform.empty()) {
        lines.insert(
            lines.end(),
            {log_label("uniform") + c.uniform, " Uniform marker vector(s) found!",
             " The Person correlation can not be calculated correctly with this marker(s).",
             " Instead a correlation value near to 0 is randomly generated."});
    }
    lines.insert(lines.end(), {" ", " Starting calculations: <stamp>"});
    std::string log;
    for (const std::string& line : lines) log += line + "\n";
    return log;
}

// The whole log of a job that ran to its end; `elapsed` is its elapsed time as masked.
inline std::string full_log(const LogCounts& c, const std::string& elapsed = "<elapsed>") {
    return log_until_calculations(c) +
           " Finished calculation and start collecting data: <stamp>\n"
           " Finished collecting data: <stamp>\n \n Finished computation after " +
           elapsed + "\n";
}

} // namespace varandel::testing
