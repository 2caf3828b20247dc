#include "map_tma_data_file.h"

#include <algorithm>
#include <limits>
#include <span>
#include <vector>

#include "input_file.h"
#include "run_stop.h"
#include "text_output.h"
#include "value_reader.h"

namespace varandel {

namespace {

[[noreturn]] void cancel(std::ostream& console, std::initializer_list<std::string_view> lines) {
    write_messages(console, lines);
    throw RunStop(exit_input_error);
}

// rows and columns of the data file. Lines of any length count in full.
void scan_data_file(const std::string& path, DataMapping& m) {
    std::ifstream in = open_input_file(path, "data file");
    std::string line;
    std::int64_t rows = 0;
    m.columns = 1; // an empty file: one field more than its (no) TABs
    while (std::getline(in, line)) {
        check_text_line(line, rows + 1, path);
        if (rows == 0) {
            drop_byte_order_mark(line);
            // TABs are not blanks, so every TAB of the line lies before its last non-blank.
            const auto tabs = std::count(line.begin(), line.end(), '\t');
            if (tabs >= std::numeric_limits<std::int32_t>::max())
                throw RunStop(exit_input_error, "varandel: " + path + ", line 1: too many columns");
            m.columns = static_cast<std::int32_t>(1 + tabs);
        }
        if (++rows > std::numeric_limits<std::int32_t>::max())
            throw RunStop(exit_input_error, "varandel: " + path + ": too many lines");
    }
    check_input_read(in, path, "data file");
    m.rows = static_cast<std::int32_t>(rows);
}

} // namespace

DataMapping map_tma_data_file(const std::string& DATAFILENAME, const std::string& MAPFILENAME,
                              std::ostream& console) {
    DataMapping m;
    scan_data_file(DATAFILENAME, m);

    std::string line;
    {
        std::ifstream in = open_input_file(MAPFILENAME, "mapping file");
        const bool got = static_cast<bool>(std::getline(in, line));
        check_input_read(in, MAPFILENAME, "mapping file");
        if (!got) cancel(console, {"Error in mapping file", "Programm canceled"});
    }
    drop_byte_order_mark(line);

    const auto tabs = std::count(line.begin(), line.end(), '\t');
    if (tabs == 0) {
        cancel(console, {"Error in mapping file:",
                         "Mapping is supposed to be tab-separated, but no tabs were found",
                         "Programm canceled"});
    }
    // Checked before anything is read, so nothing is ever stored beyond the 100 entries.
    if (tabs - 1 > mapping_capacity)
        cancel(console, {"Error in mapping file: more than 100 markers", "Programm canceled"});
    m.n = static_cast<std::int32_t>(tabs - 1);
    m.MAPPING.fill(0);

    // Only the mapping line is available: values missing at its end are a read failure.
    std::string header_flag = " ";
    std::string names_flag = " ";
    std::vector<ReadItem> items{text_item(header_flag, 1), text_item(names_flag, 1)};
    for (std::int32_t k = 0; k < m.n; ++k)
        items.push_back(whole_item(m.MAPPING[static_cast<std::size_t>(k)]));
    TextLines source(line);
    if (read_list(source, items) != ReadResult::ok)
        cancel(console, {"Error in mapping file", "Programm canceled"});

    switch (header_flag[0]) {
    case 'Y':
    case 'y':
        m.lines = m.rows - 1;
        break;
    case 'N':
    case 'n':
        m.lines = m.rows;
        break;
    default:
        cancel(console,
               {"Error in mapping file: Illegal header specification", "Programm canceled"});
    }
    switch (names_flag[0]) {
    case 'Y':
    case 'y':
        m.factors = m.columns - 1;
        break;
    case 'N':
    case 'n':
        m.factors = m.columns;
        break;
    default:
        cancel(console,
               {"Error in mapping file: Illegal line names specification", "Programm canceled"});
    }

    // Every entry must name a value column (1 ... factors), and a data file without lines, or
    // without the header line the mapping announces, fits no mapping.
    const auto entries = std::span(m.MAPPING).first(static_cast<std::size_t>(m.n));
    const bool entries_fit = std::all_of(entries.begin(), entries.end(),
                                         [&](std::int32_t c) { return c >= 1 && c <= m.factors; });
    if (m.n > m.factors || !entries_fit || m.rows < 1 || m.lines < 0)
        cancel(console, {"Mapping does not fit the data file", "Programm canceled"});
    return m;
}

} // namespace varandel
