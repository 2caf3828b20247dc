#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "input_file_fixtures.h"
#include "map_tma_data_file.h"
#include "read_tma_data_file.h"
#include "run_stop.h"

using namespace varandel;
using varandel_test::TempDir;

namespace {

struct Outcome {
    std::string path; // of the data file
    int status = 0;
    std::string error;
    std::vector<std::string> header;
    std::vector<float> raw; // column-major, as RAWDATA stores it
    DataMapping mapping;
};

// Maps and reads the two files as the job does, with tables of the mapping's sizes.
Outcome read_files(const std::string& data, const std::string& map) {
    TempDir dir;
    Outcome o;
    o.path = dir.write("data.txt", data);
    std::ostringstream console;
    try {
        o.mapping = map_tma_data_file(o.path, dir.write("map.txt", map), console);
        Table<std::string> HEADER("HEADER", o.mapping.n);
        Table<float> RAWDATA("RAWDATA", o.mapping.lines, o.mapping.n, -99.0f);
        read_tma_data_file(o.path, o.mapping, HEADER, RAWDATA);
        o.header.assign(HEADER.data(), HEADER.data() + HEADER.size());
        o.raw.assign(RAWDATA.data(), RAWDATA.data() + RAWDATA.size());
    } catch (const RunStop& stop) {
        o.status = stop.status();
        o.error = stop.what();
    }
    EXPECT_EQ(console.str(), "") << map;
    return o;
}

std::vector<std::uint32_t> bits(const std::vector<float>& values) {
    std::vector<std::uint32_t> out(values.size());
    if (!values.empty()) std::memcpy(out.data(), values.data(), values.size() * sizeof(float));
    return out;
}

std::string name(const char* text) {
    return (text + std::string(10, ' ')).substr(0, 10);
}

const std::string id_a_b = "id\tA\tB\ns1\t1.5\t2.5\ns2\t3\t4\n";

} // namespace

TEST(DataFile, ReadsNamesAndMarkerValues) {
    const std::string blanks(10, ' ');
    struct Case {
        const char* what;
        std::string data, map;
        std::vector<std::string> header;
        std::vector<float> raw;
    } cases[] = {
        {"id/A/B with line names",
         id_a_b,
         "Y\tY\t2\t1",
         {name("B"), name("A")},
         {2.5f, 4, 1.5f, 3}},
        {"id/A/B without line names",
         id_a_b,
         "Y\tN\t3\t2",
         {name("B"), name("A")},
         {2.5f, 4, 1.5f, 3}},
        {"CRLF line ends",
         "id\tA\tB\r\ns1\t1.5\t2.5\r\ns2\t3\t4\r\n",
         "Y\tY\t2\t1",
         {name("B"), name("A")},
         {2.5f, 4, 1.5f, 3}},
        {"no header line: blanks, first line is data",
         "1\t2\n3\t4\n",
         "N\tN\t2\t1",
         {blanks, blanks},
         {2, 4, 1, 3}},
        {"a column named twice", id_a_b, "Y\tY\t1\t1", {name("A"), name("A")}, {1.5f, 3, 1.5f, 3}},
        {"only a header line", "id\tA\tB\n", "Y\tY\t2", {name("B")}, {}},
        {"names cut to 10 characters", "averylongname\tB\n1\t2\n", "Y\tN\t1", {"averylongn"}, {1}},
        {"quoted names",
         "'cell count'\t\"it's\"\t'a''b'\n1\t2\t3\n",
         "Y\tN\t1\t2\t3",
         {name("cell count"), name("it's"), name("a'b")},
         {1, 2, 3}},
        {"empty header value gives blanks",
         "A,,C\t\t\n1\t2\t3\n",
         "Y\tN\t2\t3",
         {blanks, name("C")},
         {2, 3}},
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "A\tB\n1\t2\n",
         "Y\tN\t1",
         {name("A")},
         {1}},
        {"full-text conversion",
         "0.123456789\t1.23456E-05\t-1.5D2\n",
         "N\tN\t1\t2\t3",
         {blanks, blanks, blanks},
         {0.123456789f, 1.23456E-05f, -150.0f}},
        {"denormal, underflow and signed zero",
         "1e-40\t1e-50\t-0\n",
         "N\tN\t1\t2\t3",
         {blanks, blanks, blanks},
         {1e-40f, 0.0f, -0.0f}},
        {"quoted number", "'2.5'\t\" 7 \"\n", "N\tN\t1\t2", {blanks, blanks}, {2.5f, 7}},
        {"r*v fills columns", "1\t2\t3\n3*7\n", "N\tN\t1\t3", {blanks, blanks}, {1, 7, 3, 7}},
        {"unmapped columns may hold anything",
         "x\tabc\t5\ny\t,,\t6\n",
         "N\tY\t2",
         {blanks},
         {5, 6}},
        {"values after a closing slash are not read", "1\t2/junk\n", "N\tN\t2", {blanks}, {2}},
    };
    for (const auto& c : cases) {
        const Outcome o = read_files(c.data, c.map);
        ASSERT_EQ(o.status, 0) << c.what << ": " << o.error;
        EXPECT_EQ(o.header, c.header) << c.what;
        EXPECT_EQ(bits(o.raw), bits(c.raw)) << c.what;
    }
}

TEST(DataFile, ValuesAreConvertedFromTheirFullText) {
    // The literal 10-character cut would give 0.12345678 and 1.23456.
    const Outcome o = read_files("0.123456789\t1.23456E-05\n", "N\tN\t1\t2");
    ASSERT_EQ(o.status, 0) << o.error;
    EXPECT_NE(o.raw[0], 0.12345678f);
    EXPECT_NE(o.raw[1], 1.23456f);
}

TEST(DataFile, BadLinesStopTheRun) {
    const std::string hint =
        " expected (one per column of the first line); separate the columns by single TABs with "
        "a value in every cell, put names with blanks, commas or slashes in quotes, and write "
        "decimal numbers with a decimal point (1.5, not 1,5)";
    const std::string not_accepted = " (not-a-number and infinity values are not accepted)";
    struct Case {
        const char* what;
        std::string data, map;
        std::string error; // after "varandel: <data file>, "
    } cases[] = {
        {"empty cell between two TABs", "A\tB\tC\n1\t\t3\n", "Y\tN\t1",
         "line 2: 2 values found, 3" + hint},
        {"decimal comma", "A\tB\n1,5\t2\n", "Y\tN\t2", "line 2: 3 values found, 2" + hint},
        {"slash", "A\tB\n1/\t2\n", "Y\tN\t1", "line 2: 1 value found, 2" + hint},
        {"unquoted name with a blank", "cell count\tB\n1\t2\n", "Y\tN\t2",
         "line 1 (header line): 3 values found, 2" + hint},
        {"short line: nothing taken from the next", "A\tB\tC\n1\t2\t3\n4\t5\n6\t7\t8\n", "Y\tN\t1",
         "line 3: 2 values found, 3" + hint},
        {"long line", "A\tB\n1\t2\t3\n", "Y\tN\t1", "line 2: 3 values found, 2" + hint},
        {"blank line at the end", "A\tB\n1\t2\n\n", "Y\tN\t1", "line 3: 0 values found, 2" + hint},
        {"blank line within, no header", "1\t2\n \r\n3\t4\n", "N\tN\t1",
         "line 2: 0 values found, 2" + hint},
        {"empty marker value", "A\tB\n1,,\n", "Y\tN\t2",
         "line 2, column 2: empty value where a number is expected"},
        {"empty marker value on the first line", ",\t2\n", "N\tN\t1",
         "line 1, column 1: empty value where a number is expected"},
        {"empty marker value by repeat", "s1\t1*\n", "N\tY\t1",
         "line 1, column 2: empty value where a number is expected"},
        {"not a number", "A\tB\n1\tabc\n", "Y\tN\t2", "line 2, column 2: 'abc' is not a number"},
        {"name in a marker column", "s1\t1\n", "N\tN\t1", "line 1, column 1: 's1' is not a number"},
        {"quoted decimal comma", "\"1,5\"\t2\n", "N\tN\t1",
         "line 1, column 1: \"1,5\" is not a number"},
        {"NaN", "A\tB\n1\tNaN\n", "Y\tN\t2",
         "line 2, column 2: 'NaN' is not a number" + not_accepted},
        {"inf", "1\t-inf\n", "N\tN\t2", "line 1, column 2: '-inf' is not a number" + not_accepted},
        {"beyond single precision", "1\t1e40\n", "N\tY\t1",
         "line 1, column 2: '1e40' is outside the single-precision range"},
        {"quote not closed", "1\t'2\n", "N\tN\t1",
         "line 1, column 2: a quote that is not closed on its line: '2"},
        {"text after a closing quote", "'a'b\tB\n1\t2\n", "Y\tN\t2",
         "line 1, column 1: characters after the closing quote: 'a'b"},
        {"repeat count 0", "1\t0*2\n", "N\tN\t1", "line 1, column 2: a repeat count of 0: 0*2"},
    };
    for (const auto& c : cases) {
        const Outcome o = read_files(c.data, c.map);
        EXPECT_EQ(o.status, exit_input_error) << c.what;
        EXPECT_EQ(o.error, "varandel: " + o.path + ", " + c.error) << c.what;
    }
}

TEST(DataFile, LongValuesAreShortenedInMessages) {
    const std::string word(100, 'x');
    const Outcome o = read_files(word + "\n", "N\tN\t1");
    EXPECT_EQ(o.error, "varandel: " + o.path + ", line 1, column 1: '" + std::string(60, 'x') +
                           "'... is not a number");
}

TEST(DataFile, LinesOfAnyLength) {
    // 3000 columns: far beyond any fixed line buffer.
    std::string header, line;
    for (int j = 1; j <= 3000; ++j) {
        if (j > 1) header.append(1, '\t'), line.append(1, '\t');
        header.append(1, 'm').append(std::to_string(j));
        line.append(std::to_string(j)).append(".25");
    }
    const Outcome o = read_files(header + "\n" + line + "\n" + line + "\n", "Y\tN\t3000\t1");
    ASSERT_EQ(o.status, 0) << o.error;
    EXPECT_EQ(o.mapping.columns, 3000);
    EXPECT_EQ(o.header, (std::vector<std::string>{name("m3000"), name("m1")}));
    EXPECT_EQ(o.raw, (std::vector<float>{3000.25f, 3000.25f, 1.25f, 1.25f}));
}
