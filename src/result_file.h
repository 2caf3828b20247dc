// The result file: one TAB-separated line per combination, in combination order: the best
// total, the reference markers, the test markers and the best ordering.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "table.h"

namespace varandel {

// The job's result tables, combination index fastest (ncomb = SSQDATA.rows()):
// SSQDATA ncomb x (nref + 1), CREF ncomb x nref, CTEST and ORDERDATA ncomb x (n - nref).
struct ResultTables {
    const Table<float>& SSQDATA;
    const Table<std::int32_t>& CREF;
    const Table<std::int32_t>& CTEST;
    const Table<std::int32_t>& ORDERDATA;
};

// Line i (1-based) of the result file, without a line feed; it has no length limit.
std::string result_line(const ResultTables& tables, std::int32_t i, std::int32_t n,
                        std::int32_t nref);

// All ncomb lines of the result file, in combination order.
std::vector<std::string> result_lines(const ResultTables& tables, std::int32_t n,
                                      std::int32_t nref);

// Writes `lines`, each ended by a line feed, as the file `path`. A regular file (or a name not
// yet taken) is replaced whole: the lines go to a temporary file in the same directory that is
// renamed over `path` when complete, so a failure or an interrupt leaves the old file or the
// whole new one, never a part; the file keeps its mode, and a symbolic link stays a link to the
// replaced file. Anything else (a device such as /dev/stdout, a pipe) is written in place. A file
// that cannot be created or written throws RunStop(exit_input_error) naming the path and reason.
void write_result_file(const std::string& path, const std::vector<std::string>& lines);

// Checks, before the evaluation starts, that write_result_file can write `path` later: not a
// directory, in an existing directory that takes new files, not a file that cannot be written.
// Throws RunStop(exit_input_error) with the message write_result_file would give.
void check_result_path(const std::string& path);

} // namespace varandel
