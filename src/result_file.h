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

// Creates (or truncates) `path` and writes `lines`, each ended by a line feed. A file that
// cannot be created or written throws RunStop(exit_input_error) naming the path and reason.
void write_result_file(const std::string& path, const std::vector<std::string>& lines);

} // namespace varandel
