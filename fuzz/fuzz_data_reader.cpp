// Fuzz target for the data reader: maps the files as the job does, then, when the mapping
// passed, creates the tables at the sizes the job gives them and reads the data file. A stop
// with its message is an orderly end; a read that passes must have set every value to a finite
// number and every name to 10 characters. A plain data file is also read by hand, and the
// reader must agree with that reading.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "read_tma_data_file.h"
#include "table.h"

using namespace varandel;
using varandel::fuzz::finding;

namespace {

using Fields = std::vector<std::vector<std::string_view>>;

bool plain_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
           c == '+' || c == '-' || c == '_';
}

// The fields of every line when the file is plain: each line (an optional byte-order mark
// before the first, an optional carriage return at its end) holds exactly `columns` non-empty
// TAB-separated fields of letters, digits, '.', '+', '-' and '_' only. Nothing of the value
// rules beyond the TAB then comes into play.
std::optional<Fields> plain_fields(std::string_view data, std::int32_t columns) {
    Fields lines;
    while (!data.empty()) {
        const std::size_t lf = data.find('\n');
        std::string_view line = data.substr(0, lf);
        data.remove_prefix(lf == std::string_view::npos ? data.size() : lf + 1);
        if (lines.empty() && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        if (line.ends_with('\r')) line.remove_suffix(1);
        std::vector<std::string_view>& fields = lines.emplace_back();
        for (;;) {
            const std::size_t tab = line.find('\t');
            const std::string_view field = line.substr(0, tab);
            if (field.empty()) return std::nullopt;
            for (const char c : field)
                if (!plain_char(c)) return std::nullopt;
            fields.push_back(field);
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
        }
        if (fields.size() != static_cast<std::size_t>(columns)) return std::nullopt;
    }
    return lines;
}

std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// The reader's outcome against the reading by hand of a plain file.
void check_plain(const Fields& file, const DataMapping& m, bool read,
                 const Table<std::string>& HEADER, const Table<float>& RAWDATA) {
    if (file.size() != static_cast<std::size_t>(m.rows))
        finding("the mapping counted " + std::to_string(m.rows) + " lines, the file has " +
                std::to_string(file.size()));
    const std::size_t first = m.lines < m.rows ? 1 : 0;
    bool numbers = true;
    for (std::int32_t i = 1; i <= m.lines && numbers; ++i) {
        for (std::int32_t k = 1; k <= m.n && numbers; ++k) {
            const std::string_view field =
                file[first + static_cast<std::size_t>(i - 1)][marker_field(m, k) - 1];
            float x = 0.0f;
            numbers = fuzz::reference_real(field, x) == RealStatus::ok;
            if (numbers && read && bits(RAWDATA(i, k)) != bits(x))
                finding("RAWDATA(" + std::to_string(i) + ", " + std::to_string(k) + ") = " +
                        std::to_string(RAWDATA(i, k)) + ", but the file has " + fuzz::shown(field));
        }
    }
    if (numbers != read)
        finding(read ? "a plain file with a marker value that is not a number was read"
                     : "a plain file of numbers was not read");
    if (!read || first == 0) return;
    for (std::int32_t k = 1; k <= m.n; ++k) {
        std::string name(file[0][marker_field(m, k) - 1].substr(0, 10));
        name.resize(10, ' ');
        if (HEADER(k) != name)
            finding("HEADER(" + std::to_string(k) + ") = \"" + HEADER(k) + "\", but the file has " +
                    fuzz::shown(file[0][marker_field(m, k) - 1]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fuzz::InputParts parts = fuzz::split_input(data, size);
    const auto mapping = fuzz::checked_mapping(parts);
    if (!mapping) return 0;
    const DataMapping& m = *mapping;
    // The job refuses tables beyond the machine's memory; the fuzzer's own limit is far lower.
    if (static_cast<std::int64_t>(m.lines) * m.n > fuzz::max_matrix_elements) return -1;

    Table<std::string> HEADER("HEADER", m.n, 1, std::string(10, ' '));
    // Not-a-number marks every value the reader has not set.
    Table<float> RAWDATA("RAWDATA", m.lines, m.n, std::numeric_limits<float>::quiet_NaN());
    bool read = true;
    try {
        read_tma_data_file(fuzz::data_path(), m, HEADER, RAWDATA);
    } catch (const RunStop& stop) {
        fuzz::check_stop(stop, {});
        read = false;
    } catch (const std::exception& e) {
        finding(std::string("read_tma_data_file: an exception other than RunStop: ") + e.what());
    }
    if (read) {
        for (std::size_t e = 0; e < RAWDATA.size(); ++e)
            if (!std::isfinite(RAWDATA.data()[e]))
                finding("RAWDATA element " + std::to_string(e) + " is " +
                        std::to_string(RAWDATA.data()[e]));
        const bool header = m.lines < m.rows;
        for (std::int32_t k = 1; k <= m.n; ++k) {
            const std::string& name = HEADER(k);
            if (name.size() != 10 || (!header && name != std::string(10, ' ')))
                finding("HEADER(" + std::to_string(k) + ") = \"" + name + "\"");
        }
    }
    if (const auto file = plain_fields(parts.data, m.columns))
        check_plain(*file, m, read, HEADER, RAWDATA);
    return 0;
}
