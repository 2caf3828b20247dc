#include <gtest/gtest.h>

#include <string>

#include "csv_record_append_i4.h"
#include "csv_record_append_re.h"
#include "text_output.h"

using namespace varandel;

// One written line: the leading blank, the text and the line feed.
static std::string line(const std::string& text) {
    std::string out(1, ' ');
    out.append(text).append(1, '\n');
    return out;
}

TEST(FreeForm, LayoutRules) {
    const std::string seventy(70, 'a');
    const std::string eighty(80, 'b');
    const std::string long_item(170, 'c');
    struct Case {
        std::string got, want;
    } cases[] = {
        {free_form_text({}), " \n"},
        {free_form_text({"", ""}), " \n"},
        {free_form_text({"programm cancled"}), " programm cancled\n"},
        {free_form_text({"Starting job: ", "09.12.2024 13:05:42.118"}),
         " Starting job: 09.12.2024 13:05:42.118\n"},
        {free_form_text({"Starting job:", seventy}), line("Starting job:") + line(seventy)},
        {free_form_text({eighty}), line(eighty.substr(0, 79)) + line("b")},
        {free_form_text({std::string(79, 'x')}), line(std::string(79, 'x'))},
        {free_form_text({long_item, "zz"}), line(std::string(79, 'c')) +
                                                line(std::string(79, 'c')) +
                                                line(std::string(12, 'c') + "zz")},
        {free_form_text({std::string(78, 'x'), "y", "z"}),
         line(std::string(78, 'x') + "y") + line("z")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(FixedLayout, Fields) {
    EXPECT_EQ(label_column("rows:") + fixed_int(1000000, 6), "        rows:  ******");
    EXPECT_EQ(label_column("rows:") + fixed_int(41, 6), "        rows:      41");
    EXPECT_EQ(fixed_int(-12345, 6), "-12345");
    EXPECT_EQ(fixed_int(-123456, 6), "******");
    EXPECT_EQ(fixed_int(0, 3), "  0");
    EXPECT_EQ(fixed_text("abc", 5), "  abc");
    EXPECT_EQ(fixed_text("abcdef", 3), "abc");
    EXPECT_EQ(left_text(std::string(80, 'p'), 75), std::string(75, 'p'));
    EXPECT_EQ(left_text("data.txt", 10), "data.txt  ");
    EXPECT_EQ(fixed_skip(2), "  ");
    EXPECT_EQ(fixed_point(0.25, 6, 3), " 0.250");
    EXPECT_EQ(fixed_point(-0.5, 7, 2), "  -0.50");
    EXPECT_EQ(fixed_point(123.456, 5, 3), "*****");
}

TEST(NumbersAsText, IntegersAndSeconds) {
    EXPECT_EQ(int_text(0), "0");
    EXPECT_EQ(int_text(-2147483648LL), "-2147483648");
    EXPECT_EQ(seconds_text(7.5), "7.500");
    EXPECT_EQ(seconds_text(0.25), "0.250");
    EXPECT_EQ(seconds_text(28.345), "28.345");
    EXPECT_EQ(seconds_text(59.9996), "60.000");
    EXPECT_EQ(seconds_text(123456.0), "******");
}

TEST(CsvRecord, AppendInteger) {
    struct Case {
        std::string before;
        int value;
        std::string after;
    } cases[] = {
        {std::string(200, ' '), 0, "0"}, {"123456789012", -45, "123456789012\t-45"},
        {"", 2147483647, "2147483647"},  {"", -2147483647 - 1, "-2147483648"},
        {"1.5\t2     ", 3, "1.5\t2\t3"},
    };
    for (auto c : cases) {
        csv_record_append_i4(c.value, c.before);
        EXPECT_EQ(c.before, c.after);
    }
}

TEST(CsvRecord, AppendReal) {
    struct Case {
        float value;
        std::string field;
    } cases[] = {
        {0.5f, "0.500000"},
        {-0.25f, "-0.250000"},
        {9999999.0f, "9999999.000000"},
        {0.0000004f, "0.000000"},
        {2147483648.0f, "**************"},
        {0.0f, "0.000000"},
        {-999999.0f, "-999999.000000"},
        {-1000000.0f, "**************"},
    };
    for (const auto& c : cases) {
        std::string record;
        csv_record_append_re(c.value, record);
        EXPECT_EQ(record, c.field) << c.value;
        std::string tail = "7";
        csv_record_append_re(c.value, tail);
        EXPECT_EQ(tail, "7\t" + c.field);
    }
}
