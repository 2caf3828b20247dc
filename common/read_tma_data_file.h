// The data file: one line per sample, one TAB-separated column per measured factor, with an
// optional header line of names and an optional first column of line names.
#pragma once

#include <string>

#include "map_tma_data_file.h"
#include "table.h"

namespace varandel {

inline constexpr std::size_t marker_name_width = 10; // the log shows names in 10-character cells

// Fills HEADER (n names, each cut or padded to exactly 10 characters; blanks when the data file
// has no header line) and RAWDATA (lines x n, the values of one marker contiguous) from the data
// file, as `mapping` describes it. Every line must hold exactly `columns` values and every marker
// value must be a finite single-precision number; otherwise the run stops with status 1 and a
// message for standard error that names the file, the line and, for a value, its column.
// HEADER must hold n cells and RAWDATA be lines x n.
void read_tma_data_file(const std::string& DATAFILENAME, const DataMapping& mapping,
                        Table<std::string>& HEADER, Table<float>& RAWDATA);

} // namespace varandel
