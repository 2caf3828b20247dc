#include "read_tma_data_file.h"

#include <stdexcept>
#include <vector>

#include "input_file.h"
#include "run_stop.h"
#include "text_output.h"
#include "value_reader.h"

namespace varandel {

namespace {

// A value as it stands in the file, in quotes and shortened for a message.
std::string shown(const LineValue& v) {
    constexpr std::size_t limit = 60;
    std::string_view raw = v.raw.substr(0, limit);
    const char* more = v.raw.size() > limit ? "..." : "";
    const char mark = v.kind == ValueKind::quoted ? v.quote : '\'';
    std::string text;
    if (v.kind == ValueKind::malformed) return text.append(raw).append(more);
    return text.append(1, mark).append(raw).append(1, mark).append(more);
}

bool is_nan_or_infinity_word(std::string_view t) {
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
    std::string lower;
    for (char c : t) lower.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c);
    return lower == "nan" || lower == "inf" || lower == "infinity";
}

struct LineReader {
    const std::string& path;
    std::ifstream in;
    std::string line;
    std::int64_t number = 0; // of the line last read
    LineValues values;

    // The next line, split; it must hold exactly `columns` values.
    void next(std::int32_t columns, bool header) {
        ++number;
        if (!std::getline(in, line)) {
            check_input_read(in, path, "data file");
            throw RunStop(exit_input_error,
                          "varandel: " + path + ", line " + std::to_string(number) +
                              ": the file ended early; it has fewer lines than when the job "
                              "started");
        }
        if (number == 1) drop_byte_order_mark(line);
        split_line(line, values, static_cast<std::size_t>(columns) + 1);
        for (std::size_t j = 0; j < values.values.size(); ++j) {
            const LineValue& v = values.values[j];
            if (v.kind == ValueKind::malformed)
                fail(static_cast<std::int32_t>(j + 1), std::string(v.problem) + ": " + shown(v));
        }
        if (values.count != columns) {
            const std::string found = std::to_string(values.count);
            throw RunStop(
                exit_input_error,
                "varandel: " + path + ", line " + std::to_string(number) +
                    (header ? " (header line)" : "") + ": " + found +
                    (values.count == 1 ? " value" : " values") + " found, " +
                    std::to_string(columns) +
                    " expected (one per column of the first line); separate the columns by "
                    "single TABs with a value in every cell, put names with blanks, commas or "
                    "slashes in quotes, and write decimal numbers with a decimal point (1.5, "
                    "not 1,5)");
        }
    }

    [[noreturn]] void fail(std::int32_t column, const std::string& what) const {
        throw RunStop(exit_input_error, "varandel: " + path + ", line " + std::to_string(number) +
                                            ", column " + std::to_string(column) + ": " + what);
    }

    // The number in field `column` of the current line.
    float number_at(std::int32_t column) const {
        const LineValue& v = values.values[static_cast<std::size_t>(column - 1)];
        if (v.kind == ValueKind::empty) fail(column, "empty value where a number is expected");
        float x = 0.0f;
        RealStatus status;
        if (v.kind == ValueKind::text) {
            status = parse_real(v.raw, x);
        } else {
            // A quoted cell holds the text of its number.
            const std::string text = v.text();
            const auto first = text.find_first_not_of(" \t\r\n");
            const auto last = text.find_last_not_of(" \t\r\n");
            status = first == std::string::npos
                         ? RealStatus::not_a_number
                         : parse_real(std::string_view(text).substr(first, last - first + 1), x);
        }
        if (status == RealStatus::out_of_range)
            fail(column, shown(v) + " is outside the single-precision range");
        if (status != RealStatus::ok) {
            fail(column, shown(v) + " is not a number" +
                             (is_nan_or_infinity_word(v.raw)
                                  ? " (not-a-number and infinity values are not accepted)"
                                  : ""));
        }
        return x;
    }
};

} // namespace

void read_tma_data_file(const std::string& DATAFILENAME, const DataMapping& mapping,
                        Table<std::string>& HEADER, Table<float>& RAWDATA) {
    const std::int32_t n = mapping.n;
    const std::int32_t lines = mapping.lines;
    // The caller's tables and record must agree; past this point the loops index them unchecked.
    if (n < 0 || n > mapping_capacity || lines < 0 || lines > mapping.rows || mapping.columns < 1 ||
        HEADER.size() != static_cast<std::size_t>(n) || RAWDATA.rows() != lines ||
        RAWDATA.cols() != n)
        throw std::invalid_argument("read_tma_data_file: tables do not match the mapping");
    std::vector<std::int32_t> fields(static_cast<std::size_t>(n));
    for (std::int32_t k = 1; k <= n; ++k) {
        const std::int32_t f = marker_field(mapping, k);
        if (mapping.MAPPING[static_cast<std::size_t>(k - 1)] < 1 || f > mapping.columns)
            throw std::invalid_argument("read_tma_data_file: a marker outside the data columns");
        fields[static_cast<std::size_t>(k - 1)] = f;
    }

    std::string* names = HEADER.data();
    for (std::int32_t k = 0; k < n; ++k) names[k].assign(marker_name_width, ' ');

    LineReader reader{DATAFILENAME, open_input_file(DATAFILENAME, "data file"), {}, 0, {}};
    if (lines < mapping.rows) {
        reader.next(mapping.columns, true);
        for (std::int32_t k = 0; k < n; ++k) {
            const LineValue& v = reader.values.values[static_cast<std::size_t>(fields[k] - 1)];
            if (v.kind != ValueKind::empty) names[k] = left_text(v.text(), marker_name_width);
        }
    }
    float* values = RAWDATA.data();
    for (std::int32_t i = 0; i < lines; ++i) {
        reader.next(mapping.columns, false);
        for (std::int32_t k = 0; k < n; ++k)
            values[static_cast<std::size_t>(k) * static_cast<std::size_t>(lines) +
                   static_cast<std::size_t>(i)] = reader.number_at(fields[k]);
    }
}

} // namespace varandel
