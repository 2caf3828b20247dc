#include "value_reader.h"

#include <charconv>
#include <system_error>

namespace varandel {

namespace {

bool is_white(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool is_separator(char c) {
    return is_white(c) || c == ',' || c == '/';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_quote(char c) {
    return c == '\'' || c == '"';
}

// Where the scan of a read stands between two values. A comma directly at the start of a read,
// or right after another comma, is an empty value; after a value it is only a separator.
struct ScanState {
    bool comma_makes_empty = true;
};

enum class ScanEvent { value, slash, end };

struct Scanned {
    LineValue value;
    std::int32_t repeat = 1;
    bool open_quote = false; // a quoted value that the line ended inside (raw = its start)
};

// Scans a quoted value whose opening mark is at line[pos]; on return pos is past it.
void scan_quoted(std::string_view line, std::size_t& pos, Scanned& out) {
    const char q = line[pos];
    const std::size_t start = pos + 1;
    std::size_t i = start;
    for (;;) {
        const std::size_t j = line.find(q, i);
        if (j == std::string_view::npos) {
            out.value = {ValueKind::quoted, line.substr(start), q, nullptr};
            out.open_quote = true;
            pos = line.size();
            return;
        }
        if (j + 1 < line.size() && line[j + 1] == q) {
            i = j + 2; // a doubled mark
            continue;
        }
        pos = j + 1;
        if (pos < line.size() && !is_separator(line[pos])) {
            // Characters glued to the closing mark: the whole run up to the next separator is
            // one value that suits no item.
            std::size_t e = pos;
            while (e < line.size() && !is_separator(line[e])) ++e;
            out.value = {ValueKind::malformed, line.substr(start - 1, e - start + 1), 0,
                         "characters after the closing quote"};
            pos = e;
            return;
        }
        out.value = {ValueKind::quoted, line.substr(start, j - start), q, nullptr};
        return;
    }
}

// Scans the next value of `line` from `pos` on.
ScanEvent scan_next(std::string_view line, std::size_t& pos, ScanState& state, Scanned& out) {
    const std::size_t n = line.size();
    for (;;) {
        while (pos < n && is_white(line[pos])) ++pos;
        if (pos == n) return ScanEvent::end;
        if (line[pos] == ',') {
            ++pos;
            if (state.comma_makes_empty) {
                out = Scanned{};
                return ScanEvent::value;
            }
            state.comma_makes_empty = true;
            continue;
        }
        if (line[pos] == '/') {
            ++pos;
            return ScanEvent::slash;
        }
        break;
    }
    state.comma_makes_empty = false;
    out = Scanned{};

    // A repeat count: digits directly followed by an asterisk.
    std::size_t p = pos;
    while (p < n && is_digit(line[p])) ++p;
    if (p > pos && p < n && line[p] == '*') {
        std::int64_t r = 0;
        for (std::size_t i = pos; i < p && r <= std::numeric_limits<std::int32_t>::max(); ++i)
            r = r * 10 + (line[i] - '0');
        const std::size_t count_start = pos;
        pos = p + 1;
        if (pos == n || is_separator(line[pos])) {
            out.value = {ValueKind::empty, {}, 0, nullptr}; // r* alone: r empty values
        } else if (is_quote(line[pos])) {
            scan_quoted(line, pos, out);
        } else {
            const std::size_t start = pos;
            while (pos < n && !is_separator(line[pos])) ++pos;
            out.value = {ValueKind::text, line.substr(start, pos - start), 0, nullptr};
        }
        if (r < 1 || r > std::numeric_limits<std::int32_t>::max()) {
            out.value = {ValueKind::malformed, line.substr(count_start, pos - count_start), 0,
                         r < 1 ? "a repeat count of 0" : "a repeat count beyond 2147483647"};
            out.open_quote = false;
            out.repeat = 1;
        } else {
            out.repeat = static_cast<std::int32_t>(r);
        }
        return ScanEvent::value;
    }

    if (is_quote(line[pos])) {
        scan_quoted(line, pos, out);
        return ScanEvent::value;
    }
    const std::size_t start = pos;
    while (pos < n && !is_separator(line[pos])) ++pos;
    out.value = {ValueKind::text, line.substr(start, pos - start), 0, nullptr};
    return ScanEvent::value;
}

// Rest of a quoted value that continues from an earlier line: appends its characters (doubled
// marks made single) to `text`. True when the closing mark was found; pos is then past it.
// `glued` tells whether characters follow the closing mark without a separator.
bool continue_quoted(std::string_view line, std::size_t& pos, char q, std::string& text,
                     bool& glued) {
    std::size_t i = pos;
    for (;;) {
        const std::size_t j = line.find(q, i);
        if (j == std::string_view::npos) {
            text.append(line.substr(i));
            pos = line.size();
            return false;
        }
        text.append(line.substr(i, j - i));
        if (j + 1 < line.size() && line[j + 1] == q) {
            text.push_back(q);
            i = j + 2;
            continue;
        }
        pos = j + 1;
        glued = pos < line.size() && !is_separator(line[pos]);
        while (pos < line.size() && !is_separator(line[pos])) ++pos;
        return true;
    }
}

std::string undouble(std::string_view raw, char q) {
    std::string text;
    text.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        text.push_back(raw[i]);
        if (raw[i] == q && i + 1 < raw.size() && raw[i + 1] == q) ++i;
    }
    return text;
}

// Stores one value's text into an item; false when it does not suit the item.
bool store_text(const ReadItem& item, ValueKind kind, std::string_view text) {
    if (auto* s = std::get_if<std::string*>(&item.target)) {
        const auto w = static_cast<std::size_t>(item.width < 0 ? 0 : item.width);
        std::string& target = **s;
        target.assign(text.substr(0, w));
        target.resize(w, ' ');
        return true;
    }
    if (kind != ValueKind::text) return false; // a quoted value is never a number
    if (auto* i = std::get_if<std::int32_t*>(&item.target)) return parse_whole_number(text, **i);
    return parse_real(text, *std::get<float*>(item.target)) == RealStatus::ok;
}

} // namespace

// ---------------------------------------------------------------------------------------------

bool parse_whole_number(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!is_digit(text[i])) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > std::int64_t{1} << 31) return false; // also keeps the product in range
    }
    const std::int64_t v = negative ? -magnitude : magnitude;
    if (v > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

RealStatus parse_real(std::string_view text, float& value) {
    // Check the whole text against the decimal grammar first: from_chars alone would take
    // "inf", "nan" and a leading part of "1.5x".
    const std::size_t n = text.size();
    std::size_t i = 0;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t mantissa_start = i;
    std::int64_t order = 0; // decimal order of the first non-zero digit, when there is one
    bool nonzero = false;
    std::size_t digits = 0;
    for (; i < n && is_digit(text[i]); ++i, ++digits) {
        if (nonzero)
            ++order;
        else if (text[i] != '0')
            nonzero = true;
    }
    if (i < n && text[i] == '.') {
        for (++i; i < n && is_digit(text[i]); ++i, ++digits) {
            if (!nonzero) {
                --order;
                if (text[i] != '0') nonzero = true;
            }
        }
    }
    if (digits == 0) return RealStatus::not_a_number;
    std::size_t exponent_letter = n;
    std::int64_t exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
        exponent_letter = i++;
        bool exp_negative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) exp_negative = text[i++] == '-';
        const std::size_t exp_start = i;
        for (; i < n && is_digit(text[i]); ++i)
            if (exponent < 1000000000) exponent = exponent * 10 + (text[i] - '0');
        if (i == exp_start) return RealStatus::not_a_number;
        if (exp_negative) exponent = -exponent;
    }
    if (i != n) return RealStatus::not_a_number;

    // from_chars takes neither a leading '+' nor a D exponent.
    std::string copy;
    const char* first = text.data() + (negative ? 0 : mantissa_start);
    const char* last = text.data() + n;
    if (exponent_letter < n && (text[exponent_letter] == 'D' || text[exponent_letter] == 'd')) {
        copy.assign(first, last);
        copy[exponent_letter - static_cast<std::size_t>(first - text.data())] = 'e';
        first = copy.data();
        last = copy.data() + copy.size();
    }
    float v = 0.0f;
    const auto result = std::from_chars(first, last, v, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Rounded to zero or to infinity; the decimal order tells which.
        if (nonzero && order + exponent >= 0) return RealStatus::out_of_range;
        v = negative ? -0.0f : 0.0f;
    } else if (result.ec != std::errc{} || result.ptr != last) {
        return RealStatus::not_a_number;
    }
    value = v;
    return RealStatus::ok;
}

// ---------------------------------------------------------------------------------------------

std::string LineValue::text() const {
    if (kind == ValueKind::quoted) return undouble(raw, quote);
    return std::string(raw);
}

void split_line(std::string_view line, LineValues& out, std::size_t keep) {
    out.values.clear();
    out.count = 0;
    out.slash = false;
    std::size_t pos = 0;
    ScanState state;
    Scanned s;
    for (;;) {
        const ScanEvent event = scan_next(line, pos, state, s);
        if (event == ScanEvent::end) return;
        if (event == ScanEvent::slash) {
            out.slash = true;
            return;
        }
        if (s.open_quote) {
            s.value = {ValueKind::malformed,
                       line.substr(static_cast<std::size_t>(s.value.raw.data() - line.data() - 1)),
                       0, "a quote that is not closed on its line"};
        }
        out.count += s.repeat;
        for (std::int32_t r = 0; r < s.repeat && out.values.size() < keep; ++r)
            out.values.push_back(s.value);
    }
}

// ---------------------------------------------------------------------------------------------

bool TextLines::next_line(std::string_view& line) {
    if (done_) return false;
    const std::size_t lf = rest_.find('\n');
    if (lf == std::string_view::npos) {
        done_ = true;
        if (rest_.empty()) return false; // a final line feed ends the last line
        line = rest_;
        rest_ = {};
        return true;
    }
    line = rest_.substr(0, lf);
    rest_.remove_prefix(lf + 1);
    return true;
}

bool StreamLines::next_line(std::string_view& line) {
    if (!std::getline(in_, buffer_)) return false;
    line = buffer_;
    return true;
}

ReadResult read_list(LineSource& source, std::span<const ReadItem> items) {
    std::string_view line;
    if (!source.next_line(line)) return ReadResult::end_of_text;
    std::size_t pos = 0;
    ScanState state;
    Scanned s;
    std::size_t next = 0;
    std::string joined; // a quoted value that runs over several lines
    while (next < items.size()) {
        const ScanEvent event = scan_next(line, pos, state, s);
        if (event == ScanEvent::end) {
            if (!source.next_line(line)) return ReadResult::end_of_text;
            pos = 0;
            continue;
        }
        if (event == ScanEvent::slash) return ReadResult::ok;

        ValueKind kind = s.value.kind;
        std::string_view text = s.value.raw;
        std::string undoubled;
        if (kind == ValueKind::malformed) return ReadResult::failure;
        if (s.open_quote) {
            // The line end inside quotes adds no character; the value goes on on the next line.
            joined = undouble(s.value.raw, s.value.quote);
            const char q = s.value.quote;
            bool closed = false;
            bool glued = false;
            while (!closed) {
                if (!source.next_line(line)) return ReadResult::end_of_text;
                pos = 0;
                closed = continue_quoted(line, pos, q, joined, glued);
            }
            if (glued) return ReadResult::failure;
            text = joined;
        } else if (kind == ValueKind::quoted) {
            undoubled = undouble(text, s.value.quote);
            text = undoubled;
        }
        for (std::int32_t r = 0; r < s.repeat && next < items.size(); ++r, ++next) {
            if (kind == ValueKind::empty) continue; // the item keeps what it held
            if (!store_text(items[next], kind, text)) return ReadResult::failure;
        }
    }
    return ReadResult::ok;
}

bool read_whole_number(std::string_view text, std::int32_t& value) {
    TextLines lines(text);
    std::string_view line;
    if (!lines.next_line(line)) return false;
    std::size_t pos = 0;
    ScanState state;
    Scanned s;
    for (;;) {
        const ScanEvent event = scan_next(line, pos, state, s);
        if (event == ScanEvent::slash) return false;
        if (event == ScanEvent::value) {
            if (s.value.kind != ValueKind::text) return false;
            return parse_whole_number(s.value.raw, value);
        }
        if (!lines.next_line(line)) return false;
        pos = 0;
    }
}

} // namespace varandel
