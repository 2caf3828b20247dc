// Fuzz target for the value reader: every conversion and both layers on the same input, each
// checked against an independent statement of its rule (the C library's conversions, the line
// sources against each other, the split against its own invariants).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "value_reader.h"

using namespace varandel;
using varandel::fuzz::finding;
using varandel::fuzz::shown;

namespace {

bool digit(char c) {
    return c >= '0' && c <= '9';
}

std::uint32_t bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// An optionally signed run of digits that fits in 32 bits, by plain decimal reasoning.
void check_whole_number(std::string_view text) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) i = 1;
    bool grammar = i < text.size();
    for (std::size_t j = i; j < text.size(); ++j) grammar = grammar && digit(text[j]);
    bool expect = false;
    std::int64_t expected = 0;
    if (grammar) {
        while (i + 1 < text.size() && text[i] == '0') ++i;
        if (text.size() - i <= 10) {
            for (; i < text.size(); ++i) expected = expected * 10 + (text[i] - '0');
            if (negative) expected = -expected;
            expect = expected >= INT32_MIN && expected <= INT32_MAX;
        }
    }
    std::int32_t value = 0;
    const bool ok = parse_whole_number(text, value);
    if (ok != expect || (ok && value != expected))
        finding("parse_whole_number(\"" + shown(text) + "\") = " + (ok ? "true " : "false ") +
                std::to_string(value) + ", expected " + (expect ? "true " : "false ") +
                std::to_string(expected));
}

// The decimal grammar of a real, then the C library's correctly rounded conversion.
void check_real(std::string_view text) {
    float expected = 0.0f;
    const RealStatus expect = fuzz::reference_real(text, expected);
    float value = 42.5f;
    const RealStatus status = parse_real(text, value);
    if (status != expect)
        finding("parse_real(\"" + shown(text) + "\") status " +
                std::to_string(static_cast<int>(status)) + ", expected " +
                std::to_string(static_cast<int>(expect)));
    if (status == RealStatus::ok && bits(value) != bits(expected))
        finding("parse_real(\"" + shown(text) + "\") = " + std::to_string(value) + ", expected " +
                std::to_string(expected));
    if (status != RealStatus::ok && bits(value) != bits(42.5f))
        finding("parse_real(\"" + shown(text) + "\") changed the value on failure");
}

// read_whole_number against a one-item read_list: a read that stores a number (the same one
// over two different starting values) is one that read_whole_number accepts, with that number.
void check_read_whole_number(std::string_view text) {
    std::int32_t value = 0;
    const bool ok = read_whole_number(text, value);
    std::int32_t a = -7, b = 7;
    TextLines la(text), lb(text);
    const ReadItem ia[] = {whole_item(a)};
    const ReadItem ib[] = {whole_item(b)};
    const bool stored =
        read_list(la, ia) == ReadResult::ok && read_list(lb, ib) == ReadResult::ok && a == b;
    if (ok != stored || (ok && value != a))
        finding("read_whole_number(\"" + shown(text) + "\") = " + (ok ? "true " : "false ") +
                std::to_string(value) + ", a one-item read gives " + (stored ? "" : "no ") +
                std::to_string(a));
}

void check_split(std::string_view line, const LineValues& v, std::size_t keep) {
    const std::string where =
        "split_line(\"" + shown(line) + "\", keep " + std::to_string(keep) + ")";
    if (v.count < 0 || v.values.size() != std::min<std::uint64_t>(v.count, keep))
        finding(where + ": " + std::to_string(v.values.size()) + " values kept of " +
                std::to_string(v.count));
    for (const LineValue& x : v.values) {
        const bool inside =
            x.raw.empty() || (x.raw.data() >= line.data() &&
                              x.raw.data() + x.raw.size() <= line.data() + line.size());
        if (!inside) finding(where + ": a value outside its line");
        switch (x.kind) {
        case ValueKind::text:
            if (x.raw.empty() ||
                x.raw.find_first_of(std::string_view(" \t\r\n,/", 6)) != x.raw.npos ||
                x.raw[0] == '\'' || x.raw[0] == '"')
                finding(where + ": text value \"" + shown(x.raw) + "\"");
            break;
        case ValueKind::quoted:
            if ((x.quote != '\'' && x.quote != '"') || x.text().size() > x.raw.size())
                finding(where + ": quoted value \"" + shown(x.raw) + "\"");
            break;
        case ValueKind::empty:
            if (!x.raw.empty()) finding(where + ": an empty value with text");
            break;
        case ValueKind::malformed:
            if (x.raw.empty() || x.problem == nullptr)
                finding(where + ": a malformed value without text");
            break;
        }
    }
}

void check_split_lines(std::string_view text) {
    TextLines lines(text);
    std::string_view line;
    LineValues few, many, all;
    while (lines.next_line(line)) {
        split_line(line, few, 3);
        split_line(line, many, 37);
        check_split(line, few, 3);
        check_split(line, many, 37);
        if (few.count != many.count || few.slash != many.slash)
            finding("split_line(\"" + shown(line) + "\"): the kept number changes the count");
        for (std::size_t k = 0; k < few.values.size(); ++k)
            if (few.values[k].kind != many.values[k].kind ||
                few.values[k].raw != many.values[k].raw)
                finding("split_line(\"" + shown(line) + "\"): the kept number changes value " +
                        std::to_string(k + 1));
        // Every value of a line is also a conversion case, far more of them than whole inputs.
        for (const LineValue& x : many.values) {
            if (x.kind != ValueKind::text) continue;
            check_whole_number(x.raw);
            check_real(x.raw);
        }
        if (many.count <= 4096) {
            split_line(line, all);
            check_split(line, all, std::numeric_limits<std::size_t>::max());
        }
    }
}

// Item lists like those of the mapping line, the data lines and a few mixed ones.
enum class Kind { text, whole, real };
struct Spec {
    Kind kind;
    int width = 0;
};

struct Items {
    std::vector<std::string> texts;
    std::vector<std::int32_t> wholes;
    std::vector<float> reals;
    std::vector<ReadItem> list;
};

Items make_items(const std::vector<Spec>& layout) {
    Items it;
    it.texts.reserve(layout.size());
    it.wholes.reserve(layout.size());
    it.reals.reserve(layout.size());
    for (const Spec& s : layout) {
        switch (s.kind) {
        case Kind::text:
            it.list.push_back(text_item(it.texts.emplace_back("old"), s.width));
            break;
        case Kind::whole:
            it.list.push_back(whole_item(it.wholes.emplace_back(-3)));
            break;
        case Kind::real:
            it.list.push_back(real_item(it.reals.emplace_back(42.5f)));
            break;
        }
    }
    return it;
}

bool same(const Items& a, const Items& b) {
    if (a.texts != b.texts || a.wholes != b.wholes) return false;
    for (std::size_t k = 0; k < a.reals.size(); ++k)
        if (bits(a.reals[k]) != bits(b.reals[k])) return false;
    return true;
}

// Successive reads over the same text, as the readers make them, from memory and from a stream:
// both sources must give the same results and the same items.
void check_reads(std::string_view text, const char* name, const std::vector<Spec>& layout) {
    Items from_text = make_items(layout);
    Items from_stream = make_items(layout);
    TextLines text_lines(text);
    std::istringstream in{std::string(text)};
    StreamLines stream_lines(in);
    for (int read = 1;; ++read) {
        const ReadResult a = read_list(text_lines, from_text.list);
        const ReadResult b = read_list(stream_lines, from_stream.list);
        const std::string where =
            std::string(name) + " read " + std::to_string(read) + " on \"" + shown(text) + "\"";
        if (a != b || !same(from_text, from_stream))
            finding(where + ": text lines and stream lines differ");
        for (std::size_t k = 0, t = 0; k < layout.size(); ++k) {
            if (layout[k].kind != Kind::text) continue;
            const auto width = static_cast<std::size_t>(std::max(layout[k].width, 0));
            const std::string& s = from_text.texts[t++];
            if (s != "old" && s.size() != width)
                finding(where + ": a text item of the wrong width");
        }
        for (const float f : from_text.reals)
            if (!std::isfinite(f)) finding(where + ": a real item that is not finite");
        if (a != ReadResult::ok) return; // every read takes at least one line: this ends
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    check_whole_number(text);
    check_real(text);
    check_read_whole_number(text);
    check_split_lines(text);
    const Spec t1{Kind::text, 1}, t10{Kind::text, 10}, w{Kind::whole}, r{Kind::real};
    check_reads(text, "mapping line", {t1, t1, w, w, w, w});
    check_reads(text, "data line", {t10, t10, t10, t10});
    check_reads(text, "reals", {r, r, r});
    check_reads(text, "mixed", {w, r, {Kind::text, 3}, {Kind::text, -1}, {Kind::text, 0}, w});
    return 0;
}
