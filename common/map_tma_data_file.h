// The mapping file: which value columns of the data file are the markers of the analysis, in
// analysis order, and whether the data file has a header line and a column of line names.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

namespace varandel {

inline constexpr std::int32_t mapping_capacity = 100; // most markers a mapping can hold

struct DataMapping {
    std::int32_t rows = 0;    // lines of the data file, header line included
    std::int32_t columns = 0; // fields of the data file's first line: 1 + its TABs
    std::int32_t factors = 0; // value columns: columns, less the line-names column if any
    std::int32_t lines = 0;   // data lines: rows, less the header line if any
    std::array<std::int32_t, mapping_capacity> MAPPING{}; // value column of marker k at k - 1
    std::int32_t n = 0;                                   // markers of the analysis
};

// Scans the data file for its size, then reads and checks the mapping line. Every check that
// fails writes its console lines ("... ", "Programm canceled") to `console` and stops the run
// with status 1 (RunStop); a file that cannot be read stops it with a message for standard
// error.
DataMapping map_tma_data_file(const std::string& DATAFILENAME, const std::string& MAPFILENAME,
                              std::ostream& console);

// The field of a data line (1 at the left, the line-names column included) that holds marker k.
inline std::int32_t marker_field(const DataMapping& mapping, std::int32_t k) {
    return mapping.MAPPING[static_cast<std::size_t>(k - 1)] +
           (mapping.factors < mapping.columns ? 1 : 0);
}

} // namespace varandel
