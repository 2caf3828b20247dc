// The log and console texts that end-to-end tests expect, with the time stamps and elapsed times
// masked, for jobs run as: data.txt map.txt result.txt job.log maxc nref z 1.
#pragma once

#include <omp.h>

#include <regex>
#include <string>
#include <vector>

namespace varandel::testing {

// Replaces every date-and-time stamp by <stamp> and every elapsed time by <elapsed>.
inline std::string mask(const std::string& text) {
    static const std::regex stamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3})");
    static const std::regex elapsed(
        R"(after (\d+ days, \d+ hours, \d+ minutes and )?[0-9.]+ seconds)");
    return std::regex_replace(std::regex_replace(text, stamp, "<stamp>"), elapsed,
                              "after <elapsed>");
}

inline const std::string masked_summary = " Finished job on 1 thread after <elapsed>\n";
inline const std::string masked_start = " Starting job: <stamp>\n";

// The counts of the configuration echo; `names` are the marker names, none uniform.
struct LogCounts {
    int rows = 6, columns = 5, factors = 5, n = 5, nref = 2, z = 2, ncomb = 10;
    std::vector<std::string> names = {"A", "B", "C", "D", "E"};
};

inline std::string log_label(const std::string& name) {
    return std::string(12 - name.size(), ' ') + name + ":  ";
}

// The log up to and including its "Starting calculations:" line.
inline std::string log_until_calculations(const LogCounts& c) {
    const auto path = [](const std::string& name, const std::string& value) {
        return log_label(name) + value + std::string(75 - value.size(), ' ') + "\n";
    };
    const auto count = [](const std::string& name, int value) {
        const std::string v = std::to_string(value);
        return log_label(name) + std::string(6 - v.size(), ' ') + v + "\n";
    };
    std::string log = masked_start + " \n" + path("file", "data.txt") + path("mapfile", "map.txt") +
                      path("logfile", "job.log") + path("resultfile", "result.txt") +
                      count("rows", c.rows) + count("columns", c.columns) +
                      count("factors", c.factors) + count("n", c.n) + count("reference", c.nref) +
                      count("z", c.z) + count("test", c.n - c.nref) +
                      count("combinations", c.ncomb) + count("processors", omp_get_num_procs()) +
                      count("threads", 1) + log_label("marker");
    for (const std::string& name : c.names) log += name + std::string(10 - name.size(), ' ');
    return log + "\n \n Starting calculations: <stamp>\n";
}

// The whole log of a job that ran to its end.
inline std::string full_log(const LogCounts& c) {
    return log_until_calculations(c) +
           " Finished calculation and start collecting data: <stamp>\n"
           " Finished collecting data: <stamp>\n \n Finished computation after <elapsed>\n";
}

} // namespace varandel::testing
