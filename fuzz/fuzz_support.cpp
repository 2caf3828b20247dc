#include "fuzz_support.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace varandel::fuzz {

namespace {

class ScratchDir {
  public:
    ScratchDir() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/varandel-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) finding("cannot create the scratch directory " + pattern);
        path_ = pattern;
        mapping_ = path_ + "/map.txt";
        data_ = path_ + "/data.txt";
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path_, mapping_, data_;
};

const ScratchDir& scratch() {
    static const ScratchDir dir;
    return dir;
}

std::string_view first_line(std::string_view text) {
    return text.substr(0, text.find('\n'));
}

std::string describe(const DataMapping& m) {
    std::string s = "rows " + std::to_string(m.rows) + ", columns " + std::to_string(m.columns) +
                    ", factors " + std::to_string(m.factors) + ", lines " +
                    std::to_string(m.lines) + ", n " + std::to_string(m.n) + ", MAPPING";
    for (std::int32_t k = 0; k < mapping_capacity; ++k) {
        if (k >= m.n && m.MAPPING[static_cast<std::size_t>(k)] == 0) continue;
        s += " " + std::to_string(k + 1) + ":" +
             std::to_string(m.MAPPING[static_cast<std::size_t>(k)]);
    }
    return s;
}

} // namespace

InputParts split_input(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(bytes), size);
    const std::size_t at = all.find(input_separator);
    if (at == std::string_view::npos) return {all, {}};
    return {all.substr(0, at), all.substr(at + input_separator.size())};
}

const std::string& mapping_path() {
    return scratch().mapping_;
}
const std::string& data_path() {
    return scratch().data_;
}

void write_file(const std::string& path, std::string_view text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) finding("cannot write " + path);
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok) finding("cannot write " + path);
}

void finding(const std::string& what) {
    std::fprintf(stderr, "==fuzz finding== %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

std::string shown(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, 80)) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f && c != '\\') {
            out.push_back(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            out += buf;
        }
    }
    if (text.size() > 80) out += "...";
    return out;
}

RealStatus reference_real(std::string_view text, float& value) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    for (; i < n && digit(text[i]); ++i) ++digits;
    if (i < n && text[i] == '.')
        for (++i; i < n && digit(text[i]); ++i) ++digits;
    if (digits == 0) return RealStatus::not_a_number;
    std::string copy(text); // strtof knows no D exponent
    if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        copy[i++] = 'e';
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t start = i;
        while (i < n && digit(text[i])) ++i;
        if (i == start) return RealStatus::not_a_number;
    }
    if (i != n) return RealStatus::not_a_number;
    errno = 0;
    char* end = nullptr;
    const float v = std::strtof(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) finding("strtof did not take \"" + shown(text) + "\"");
    if (errno == ERANGE && std::isinf(v)) return RealStatus::out_of_range;
    value = v;
    return RealStatus::ok;
}

void check_stop(const RunStop& stop, const std::string& console) {
    const std::string message = stop.what();
    if (stop.status() == 0) finding("a stop with exit status 0: " + message + console);
    if (message.empty() && !console.ends_with("Programm canceled\n"))
        finding("a stop without a message; console: \"" + console + "\"");
    if (!message.empty() && !message.starts_with("varandel: "))
        finding("a stop message that does not name the program: " + message);
}

std::optional<DataMapping> checked_mapping(const InputParts& parts) {
    write_file(mapping_path(), parts.mapping);
    write_file(data_path(), parts.data);
    std::ostringstream console;
    DataMapping m;
    try {
        m = map_tma_data_file(data_path(), mapping_path(), console);
    } catch (const RunStop& stop) {
        check_stop(stop, console.str());
        return std::nullopt;
    } catch (const std::exception& e) {
        finding(std::string("map_tma_data_file: an exception other than RunStop: ") + e.what());
    }
    if (!console.str().empty()) finding("a mapping that passed wrote: " + console.str());

    // What the mapping must say about the data file, counted independently.
    const std::string_view data = parts.data;
    const auto rows =
        std::count(data.begin(), data.end(), '\n') + (!data.empty() && data.back() != '\n');
    const std::string_view first = first_line(data);
    const auto columns = 1 + std::count(first.begin(), first.end(), '\t');
    const std::string_view map_line = first_line(parts.mapping);
    const auto n = std::count(map_line.begin(), map_line.end(), '\t') - 1;
    bool sound = m.rows == rows && m.columns == columns && m.n == n && m.rows >= 1 &&
                 (m.lines == m.rows || m.lines == m.rows - 1) && m.lines >= 0 &&
                 (m.factors == m.columns || m.factors == m.columns - 1) && m.n >= 0 &&
                 m.n <= mapping_capacity && m.n <= m.factors;
    for (std::int32_t k = 0; k < mapping_capacity; ++k) {
        const std::int32_t c = m.MAPPING[static_cast<std::size_t>(k)];
        sound = sound && (k < m.n ? c >= 1 && c <= m.factors : c == 0);
    }
    if (!sound)
        finding("an unsound mapping passed: " + describe(m) + "; expected rows " +
                std::to_string(rows) + ", columns " + std::to_string(columns) + ", n " +
                std::to_string(n));
    return m;
}

} // namespace varandel::fuzz
