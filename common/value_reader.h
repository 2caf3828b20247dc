// The value reader: how values are taken from lines of text (the mapping line, the data file
// and the numeric command-line arguments).
//
// Rules: blanks, TABs, carriage returns and line feeds are white space. Values are separated by a
// run of white space or by one comma with optional white space around it; a comma at the start
// of a read, or two commas with only white space between them, give an empty value (the item
// keeps what it held). An unquoted value ends at white space, a comma, a slash or the end of the
// line; a value that starts with an apostrophe or a quotation mark runs to the matching mark (a
// doubled mark stands for one mark). A slash ends the read. r*v stands for r copies of v, r*
// alone for r empty values.
//
// Two layers:
// - split_line() takes one line apart into its values, so a caller can insist that every value
//   of a line comes from that line (the data file);
// - read_list() fills a list of items from a line source the literal way: it continues onto the
//   following lines while items remain and skips the rest of the line once all are filled.
//
// Numbers are always converted from the full text of a value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace varandel {

// ---------------------------------------------------------------------------------------------
// Conversions of one value's full text.

// An optionally signed decimal integer that fits in 32 bits; nothing else may be in `text`.
bool parse_whole_number(std::string_view text, std::int32_t& value);

enum class RealStatus { ok, not_a_number, out_of_range };

// An optionally signed decimal number with an optional decimal point and an optional exponent
// (E or D, either case, then an optionally signed integer), rounded to the nearest float from all
// its digits. Words such as "nan" or "inf" are not numbers; a value whose magnitude rounds
// beyond the largest float is out_of_range (the value is left alone); one that rounds below the
// smallest denormal becomes a signed zero.
RealStatus parse_real(std::string_view text, float& value);

// ---------------------------------------------------------------------------------------------
// Layer 1: the values of one line.

enum class ValueKind : std::uint8_t {
    text,     // an unquoted value
    quoted,   // a value enclosed in apostrophes or quotation marks
    empty,    // no value between two separators: the item keeps what it held
    malformed // an unterminated quote, text glued to a closing quote, a repeat count of 0 or
              // beyond 32 bits
};

struct LineValue {
    ValueKind kind = ValueKind::empty;
    // text: the value's characters. quoted: the characters between the marks, doubled marks
    // still doubled. malformed: the offending characters. Points into the line that was split.
    std::string_view raw;
    char quote = 0;                // quoted: the mark
    const char* problem = nullptr; // malformed: what is wrong, for messages

    // The value's text: doubled marks of a quoted value made single.
    std::string text() const;
};

struct LineValues {
    std::vector<LineValue> values; // the first values of the line, r*v expanded
    std::int64_t count = 0;        // all values of the line before a slash or its end
    bool slash = false;            // a slash ended the values of the line
};

// Takes `line` apart as a read that starts on it. `values` keeps at most `keep` values (count
// still counts them all), so a huge repeat count costs no memory. `out` is reused, so the caller
// can split many lines without allocating.
void split_line(std::string_view line, LineValues& out,
                std::size_t keep = std::numeric_limits<std::size_t>::max());

// ---------------------------------------------------------------------------------------------
// Layer 2: reading a list of items, the literal way.

// Where a read takes its lines from. The view stays valid until the next call.
class LineSource {
  public:
    virtual ~LineSource() = default;
    virtual bool next_line(std::string_view& line) = 0; // false at the end of the text
};

// The lines of a text held in memory, split at line feeds; a last line without a line feed
// counts as a line.
class TextLines : public LineSource {
  public:
    explicit TextLines(std::string_view text) : rest_(text) {}
    bool next_line(std::string_view& line) override;

  private:
    std::string_view rest_;
    bool done_ = false;
};

// The lines of a stream, read with std::getline.
class StreamLines : public LineSource {
  public:
    explicit StreamLines(std::istream& in) : in_(in) {}
    bool next_line(std::string_view& line) override;

  private:
    std::istream& in_;
    std::string buffer_;
};

// One item of a read: a text of width w (the first w characters of the value, padded with
// blanks), a whole number or a real.
struct ReadItem {
    std::variant<std::string*, std::int32_t*, float*> target;
    int width = 0;
};
inline ReadItem text_item(std::string& target, int width) {
    return {&target, width};
}
inline ReadItem whole_item(std::int32_t& target) {
    return {&target, 0};
}
inline ReadItem real_item(float& target) {
    return {&target, 0};
}

enum class ReadResult {
    ok,         // every item filled (or kept by an empty value or a slash)
    failure,    // a value that does not suit its item
    end_of_text // the lines ran out while items remained
};

// One read: starts on the next line of `source`, fills `items` in order and leaves the rest of
// its last line unread. Items filled before a failure keep their new values.
ReadResult read_list(LineSource& source, std::span<const ReadItem> items);

// Reads one whole-number item from `text` by the rules above (leading white space skipped, the
// value ends at a blank, comma, slash or the end: "12,5" gives 12, "2*7" gives 7). False for a
// read failure, an empty text, a value left empty (",5", "/") or a value outside 32 bits.
bool read_whole_number(std::string_view text, std::int32_t& value);

} // namespace varandel
