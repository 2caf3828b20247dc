#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "value_reader.h"

using namespace varandel;

namespace {

// A split line written back as one string: each value as text|'quoted'|<empty>|!malformed, then
// "/" when a slash ended it.
std::string show(const LineValues& v) {
    std::string out;
    for (const LineValue& x : v.values) {
        if (!out.empty()) out += ' ';
        switch (x.kind) {
        case ValueKind::text:
            out += x.text();
            break;
        case ValueKind::quoted:
            out.append(1, '\'').append(x.text()).append(1, '\'');
            break;
        case ValueKind::empty:
            out += "<>";
            break;
        case ValueKind::malformed:
            out.append(1, '!').append(x.raw);
            break;
        }
    }
    if (v.slash) out += " /";
    return out;
}

std::string float_bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", u);
    return buf;
}

} // namespace

TEST(ValueReaderLine, SeparatorsQuotesSlashRepeats) {
    struct Case {
        std::string line, values;
        std::int64_t count;
    } cases[] = {
        // white space: blanks, TABs, CR, LF; a run of it is one separator
        {"1 2\t3\r\n4", "1 2 3 4", 4},
        {"  a\t\t\tb  \r", "a b", 2},
        {"", "", 0},
        {" \t\r", "", 0},
        // commas: one comma with white space around it separates; two give an empty value
        {"1,2 , 3", "1 2 3", 3},
        {"1,,2", "1 <> 2", 3},
        {"1, ,2", "1 <> 2", 3},
        {",5", "<> 5", 2},
        {"1,2,", "1 2", 2},
        {"1,5\t2", "1 5 2", 3},
        // quotes: either mark, doubled marks, separators inside
        {"'a b',\"c,d\"", "'a b' 'c,d'", 2},
        {"'it''s' \"say \"\"hi\"\"\"", "'it's' 'say \"hi\"'", 2},
        {"''", "''", 1},
        {"ab'c", "ab'c", 1},
        {"'open", "!'open", 1},
        {"'ab'cd 5", "!'ab'cd 5", 2},
        // the slash ends the values of the line
        {"1 2/3 4", "1 2 /", 2},
        {"/", " /", 0},
        {"'a/b' c", "'a/b' c", 2},
        // repeats
        {"3*7 x", "7 7 7 x", 4},
        {"2* 5", "<> <> 5", 3},
        {"2*,5", "<> <> 5", 3},
        {"2*'a b'", "'a b' 'a b'", 2},
        {"1*2*3", "2*3", 1},
        {"-2*5", "-2*5", 1},
        {"0*5", "!0*5", 1},
        {"99999999999*1", "!99999999999*1", 1},
    };
    LineValues v;
    for (const auto& c : cases) {
        split_line(c.line, v);
        EXPECT_EQ(show(v), c.values) << c.line;
        EXPECT_EQ(v.count, c.count) << c.line;
    }
}

TEST(ValueReaderLine, KeepLimitsStoredValuesNotCount) {
    LineValues v;
    split_line("2000000000*1.5 2", v, 3);
    EXPECT_EQ(v.count, 2000000001);
    ASSERT_EQ(v.values.size(), 3u);
    EXPECT_EQ(v.values[2].raw, "1.5");
}

TEST(ValueReaderConversion, WholeNumbers) {
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"0", true, 0},
        {"+12", true, 12},
        {"-7", true, -7},
        {"007", true, 7},
        {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"12345678901", false, 0},
        {"99999999999999999999999", false, 0},
        {"", false, 0},
        {"+", false, 0},
        {"1.5", false, 0},
        {"12a", false, 0},
        {"1e3", false, 0},
        {" 1", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t v = -99;
        EXPECT_EQ(parse_whole_number(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : -99) << c.text;
    }
}

TEST(ValueReaderConversion, RealsFromTheirFullText) {
    struct Case {
        const char* text;
        RealStatus status;
        float value;
    } cases[] = {
        {"1.5", RealStatus::ok, 1.5f},
        {"-3", RealStatus::ok, -3.0f},
        {"+.5", RealStatus::ok, 0.5f},
        {"5.", RealStatus::ok, 5.0f},
        {"1.23456E-05", RealStatus::ok, 1.23456E-05f},
        {"0.123456789", RealStatus::ok, 0.123456789f},
        {"2.5e2", RealStatus::ok, 250.0f},
        {"2.5D2", RealStatus::ok, 250.0f},
        {"-1d-1", RealStatus::ok, -0.1f},
        {"1E+3", RealStatus::ok, 1000.0f},
        // nearest float from all digits: just below / above the midpoint of 1 and 1 + 2^-23
        {"1.0000000596046447", RealStatus::ok, 1.0f},
        {"1.0000000596046449", RealStatus::ok, 1.00000012f},
        {"3.4028235e38", RealStatus::ok, 3.4028235e38f},
        {"1e-40", RealStatus::ok, 1e-40f},
        {"1e-50", RealStatus::ok, 0.0f},
        {"0e999999", RealStatus::ok, 0.0f},
        {"1e40", RealStatus::out_of_range, 0.0f},
        {"-3.4028236e38", RealStatus::out_of_range, 0.0f},
        {"1e99999999999999999999", RealStatus::out_of_range, 0.0f},
        {"nan", RealStatus::not_a_number, 0.0f},
        {"NaN", RealStatus::not_a_number, 0.0f},
        {"inf", RealStatus::not_a_number, 0.0f},
        {"-Infinity", RealStatus::not_a_number, 0.0f},
        {"0x1p3", RealStatus::not_a_number, 0.0f},
        {"", RealStatus::not_a_number, 0.0f},
        {".", RealStatus::not_a_number, 0.0f},
        {"1e", RealStatus::not_a_number, 0.0f},
        {"1.5x", RealStatus::not_a_number, 0.0f},
        {"1,5", RealStatus::not_a_number, 0.0f},
        {"++1", RealStatus::not_a_number, 0.0f},
        {"1.0+5", RealStatus::not_a_number, 0.0f},
    };
    for (const auto& c : cases) {
        float v = -99.0f;
        EXPECT_EQ(parse_real(c.text, v), c.status) << c.text;
        if (c.status == RealStatus::ok)
            EXPECT_EQ(float_bits(v), float_bits(c.value)) << c.text;
        else
            EXPECT_EQ(v, -99.0f) << c.text;
    }
    float v = 1.0f;
    ASSERT_EQ(parse_real("-1e-60", v), RealStatus::ok);
    EXPECT_TRUE(v == 0.0f && std::signbit(v));
}

TEST(ValueReaderConversion, ReadWholeNumberArgument) {
    struct Case {
        const char* text;
        bool ok;
        std::int32_t value;
    } cases[] = {
        {"42", true, 42},
        {"  -5", true, -5},
        {"12,5", true, 12},
        {"12 5", true, 12},
        {"12/", true, 12},
        {"2*7", true, 7},
        {"\t\r\n 9", true, 9},
        {"+0", true, 0},
        {"2147483647", true, 2147483647},
        {"", false, 0},
        {"   ", false, 0},
        {",5", false, 0},
        {"/", false, 0},
        {"2*", false, 0},
        {"abc", false, 0},
        {"12abc", false, 0},
        {"1.5", false, 0},
        {"'12'", false, 0},
        {"12345678901", false, 0},
        {"-2147483649", false, 0},
        {"0*3", false, 0},
    };
    for (const auto& c : cases) {
        std::int32_t v = -99;
        EXPECT_EQ(read_whole_number(c.text, v), c.ok) << c.text;
        EXPECT_EQ(v, c.ok ? c.value : -99) << c.text;
    }
}

// read_list: the items are given as a pattern, T = 1-character text, W = 3-character text,
// I = whole number, R = real; before the read texts hold '?', numbers -1.
TEST(ValueReaderList, LiteralRules) {
    struct Case {
        std::string text, items;
        ReadResult result;
        std::string values; // after the read, blank-separated; texts in brackets
        std::string next;   // the next read's first item, as text of width 20 ("" = no line)
    } cases[] = {
        {"Y\tN\t3\t1\t2", "TTIII", ReadResult::ok, "[Y] [N] 3 1 2", ""},
        {"yes\tNo\t3", "TTI", ReadResult::ok, "[y] [N] 3", ""},
        {"1 2 3 4\nnext", "II", ReadResult::ok, "1 2", "next"},   // rest of line skipped
        {"1\n2 3\nnext", "III", ReadResult::ok, "1 2 3", "next"}, // continuation
        {"1,\n,3", "III", ReadResult::ok, "1 -1 3", ""},          // comma over the line end
        {"1\n,3", "II", ReadResult::ok, "1 3", ""},
        {"1,,3", "III", ReadResult::ok, "1 -1 3", ""},       // empty keeps the item
        {"1 /\n5 6", "III", ReadResult::ok, "1 -1 -1", "5"}, // slash ends the read
        {"3*2.5", "RR", ReadResult::ok, "2.5 2.5", ""},      // surplus repeats dropped
        {"2*\n9", "III", ReadResult::ok, "-1 -1 9", ""},
        {"abcdef 'x y' \"\"", "WWW", ReadResult::ok, "[abc] [x y] [   ]", ""},
        {"'a\nb' 4", "WI", ReadResult::ok, "[ab ] 4", ""}, // a quote over the line end
        {"1.5D1 -2E-1 7", "RRR", ReadResult::ok, "15 -0.2 7", ""},
        {"1 2", "III", ReadResult::end_of_text, "1 2 -1", ""},
        {"", "I", ReadResult::end_of_text, "-1", ""},
        {"'open", "W", ReadResult::end_of_text, "[?  ]", ""},
        {"1 x 3", "III", ReadResult::failure, "1 -1 -1", ""},
        {"1.5", "I", ReadResult::failure, "-1", ""},
        {"'7'", "I", ReadResult::failure, "-1", ""},
        {"nan", "R", ReadResult::failure, "-1", ""},
        {"1e40", "R", ReadResult::failure, "-1", ""},
        {"0*4", "I", ReadResult::failure, "-1", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> texts(c.items.size(), "?");
        std::vector<std::int32_t> ints(c.items.size(), -1);
        std::vector<float> reals(c.items.size(), -1.0f);
        std::vector<ReadItem> items;
        for (std::size_t k = 0; k < c.items.size(); ++k) {
            const char kind = c.items[k];
            if (kind == 'T' || kind == 'W') {
                texts[k].resize(kind == 'T' ? 1 : 3, ' ');
                items.push_back(text_item(texts[k], kind == 'T' ? 1 : 3));
            } else if (kind == 'I') {
                items.push_back(whole_item(ints[k]));
            } else {
                items.push_back(real_item(reals[k]));
            }
        }
        std::istringstream in(c.text);
        StreamLines source(in);
        EXPECT_EQ(read_list(source, items), c.result) << c.text;
        std::string got;
        for (std::size_t k = 0; k < c.items.size(); ++k) {
            if (!got.empty()) got += ' ';
            const char kind = c.items[k];
            if (kind == 'T' || kind == 'W')
                got.append(1, '[').append(texts[k]).append(1, ']');
            else if (kind == 'I')
                got += std::to_string(ints[k]);
            else {
                char buf[32];
                std::snprintf(buf, sizeof buf, "%g", reals[k]);
                got += buf;
            }
        }
        EXPECT_EQ(got, c.values) << c.text;
        if (c.result == ReadResult::ok) {
            std::string next = "none";
            const ReadItem item = text_item(next, 20);
            const ReadResult r = read_list(source, {&item, 1});
            EXPECT_EQ(r == ReadResult::ok ? next.substr(0, next.find(' ')) : "", c.next) << c.text;
        }
    }
}

TEST(ValueReaderList, TextLinesSplitsAtLineFeeds) {
    TextLines lines("a\n\nb\n");
    std::vector<std::string> got;
    std::string_view line;
    while (lines.next_line(line)) got.emplace_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "", "b"}));
    TextLines last("x\ny");
    int n = 0;
    while (last.next_line(line)) ++n;
    EXPECT_EQ(n, 2);
}
