#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "input_file_fixtures.h"
#include "map_tma_data_file.h"
#include "run_stop.h"

using namespace varandel;
using varandel_test::console_lines;
using varandel_test::TempDir;

namespace {

const std::string four_columns = "a\tb\tc\td\n1\t2\t3\t4\n5\t6\t7\t8\n"; // rows 3, columns 4

struct Outcome {
    DataMapping mapping;
    std::string console;
    int status = 0; // 0: the mapping was accepted
    std::string error;
};

Outcome map_files(const std::string& data, const std::string& map) {
    TempDir dir;
    Outcome o;
    std::ostringstream console;
    try {
        o.mapping =
            map_tma_data_file(dir.write("data.txt", data), dir.write("map.txt", map), console);
    } catch (const RunStop& stop) {
        o.status = stop.status();
        o.error = stop.what();
    }
    o.console = console.str();
    return o;
}

std::string tabbed(const std::string& first, int count, const std::string& each) {
    std::string line = first;
    for (int k = 0; k < count; ++k) line += "\t" + each;
    return line;
}

} // namespace

TEST(MappingFile, AcceptedMappings) {
    const std::string long_first_line = tabbed("name", 99, "abcdef"); // 697 characters
    std::vector<std::int32_t> eighty_entries(79, 60);
    eighty_entries.push_back(1);
    struct Case {
        const char* what;
        std::string data, map;
        std::int32_t rows, columns, factors, lines;
        std::vector<std::int32_t> entries;
    } cases[] = {
        {"3-1-2", four_columns, "Y\tN\t3\t1\t2", 3, 4, 4, 2, {3, 1, 2}},
        {"line names", four_columns, "Y\tY\t3\t1\t2\n", 3, 4, 3, 2, {3, 1, 2}},
        {"n = 0", four_columns, "Y\tN", 3, 4, 4, 2, {}},
        {"blank inside a field: the 3 is not read",
         four_columns,
         "Y\tN\t1 2\t3",
         3,
         4,
         4,
         2,
         {1, 2}},
        {"flags as words", four_columns, "yes\tNo\t2", 3, 4, 4, 2, {2}},
        {"lower-case flags", four_columns, "n\ty\t1", 3, 4, 3, 3, {1}},
        {"duplicates", four_columns, "N\tN\t1\t1\t2", 3, 4, 4, 3, {1, 1, 2}},
        {"entry equal to factors", four_columns, "N\tN\t4", 3, 4, 4, 3, {4}},
        {"commas and repeats", four_columns, "Y\tN\t2,3*4\t\t\t", 3, 4, 4, 2, {2, 4, 4, 4}},
        {"first line ending with a TAB", "a\tb\t\n1\t2\t3\n", "Y\tN\t3", 2, 3, 3, 1, {3}},
        {"first line over 200 characters",
         long_first_line + "\n",
         "N\tN\t100",
         1,
         100,
         100,
         1,
         {100}},
        {"mapping line over 200 characters", long_first_line, tabbed("N\tN", 79, "60") + "\t1", 1,
         100, 100, 1, eighty_entries},
        {"CRLF in both files", "a\tb\r\n1\t2\r\n", "Y\tN\t2\t1\r\n", 2, 2, 2, 1, {2, 1}},
        {"byte-order marks",
         "\xEF\xBB\xBF"
         "a\tb\n1\t2\n",
         "\xEF\xBB\xBFN\tN\t2",
         2,
         2,
         2,
         2,
         {2}},
        {"last line without line feed and blank lines count",
         "a\tb\n\n1\t2",
         "Y\tN\t1",
         3,
         2,
         2,
         2,
         {1}},
        {"only a header line", "a\tb\n", "Y\tN\t1\t2", 1, 2, 2, 0, {1, 2}},
        {"100 entries", tabbed("x", 99, "x"), tabbed("N\tN", 100, "10"), 1, 100, 100, 1,
         std::vector<std::int32_t>(100, 10)},
    };
    for (const auto& c : cases) {
        const Outcome o = map_files(c.data, c.map);
        ASSERT_EQ(o.status, 0) << c.what << ": " << o.console << o.error;
        EXPECT_EQ(o.console, "") << c.what;
        const DataMapping& m = o.mapping;
        EXPECT_EQ(m.rows, c.rows) << c.what;
        EXPECT_EQ(m.columns, c.columns) << c.what;
        EXPECT_EQ(m.factors, c.factors) << c.what;
        EXPECT_EQ(m.lines, c.lines) << c.what;
        EXPECT_EQ(m.n, static_cast<std::int32_t>(c.entries.size())) << c.what;
        std::vector<std::int32_t> all(c.entries);
        all.resize(mapping_capacity, 0);
        EXPECT_EQ(std::vector<std::int32_t>(m.MAPPING.begin(), m.MAPPING.end()), all) << c.what;
    }
}

TEST(MappingFile, LineNamesMoveMarkersOneFieldRight) {
    const Outcome o = map_files(four_columns, "Y\tY\t3\t1\t2");
    ASSERT_EQ(o.status, 0);
    EXPECT_EQ(marker_field(o.mapping, 1), 4); // marker 1 is the fourth field
    EXPECT_EQ(marker_field(o.mapping, 2), 2);
    const Outcome plain = map_files(four_columns, "Y\tN\t3\t1\t2");
    EXPECT_EQ(marker_field(plain.mapping, 1), 3);
}

TEST(MappingFile, RefusedMappings) {
    const std::string read_error = console_lines({"Error in mapping file", "Programm canceled"});
    const std::string no_tabs = console_lines(
        {"Error in mapping file:",
         "Mapping is supposed to be tab-separated, but no tabs were found", "Programm canceled"});
    const std::string header =
        console_lines({"Error in mapping file: Illegal header specification", "Programm canceled"});
    const std::string names = console_lines(
        {"Error in mapping file: Illegal line names specification", "Programm canceled"});
    const std::string no_fit =
        console_lines({"Mapping does not fit the data file", "Programm canceled"});
    const std::string too_many =
        console_lines({"Error in mapping file: more than 100 markers", "Programm canceled"});
    struct Case {
        const char* what;
        std::string data, map, console;
    } cases[] = {
        {"empty mapping file", four_columns, "", read_error},
        {"no TAB at all", four_columns, "Y N 1 2", no_tabs},
        {"all-blank line", four_columns, "   \nY\tN\t1", no_tabs},
        {"blank first line", four_columns, "\nY\tN\t1", no_tabs},
        {"TAB at the end: a number missing", four_columns, "Y\tN\t1\t2\t", read_error},
        {"entry not a number", four_columns, "Y\tN\tx", read_error},
        {"entry a real", four_columns, "Y\tN\t1.5", read_error},
        {"entry beyond 32 bits", four_columns, "Y\tN\t12345678901", read_error},
        {"unclosed quote", four_columns, "'Y\tN\t1", read_error},
        {"header flag X", four_columns, "X\tN\t1", header},
        {"both flags illegal", four_columns, "X\tQ\t1", header},
        {"empty header flag", four_columns, ",N\t1", header},
        {"line-names flag Q", four_columns, "Y\tQ\t1", names},
        {"entry equal to factors + 1", four_columns, "Y\tN\t5", no_fit},
        {"entry equal to factors + 1 with line names", four_columns, "Y\tY\t4", no_fit},
        {"n = factors + 1", four_columns, "Y\tN\t1\t1\t1\t1\t1", no_fit},
        {"entry 0", four_columns, "Y\tN\t0\t1", no_fit},
        {"negative entry", four_columns, "Y\tN\t2\t-3", no_fit},
        {"entry left empty", four_columns, "Y\tN\t1,,2\t\t", no_fit},
        {"entry cut off by a slash", four_columns, "Y\tN\t1/\t2", no_fit},
        {"more than 100 entries", tabbed("x", 9, "x"), tabbed("N\tN", 101, "1"), too_many},
        {"more than 100 entries by repeats", tabbed("x", 9, "x"),
         "N\tN\t101*1" + std::string(101, '\t'), too_many},
        {"empty data file", "", "N\tN\t1", no_fit},
        {"empty data file, no markers", "", "N\tN", no_fit},
        {"header announced, empty data file", "", "Y\tY", no_fit},
    };
    for (const auto& c : cases) {
        const Outcome o = map_files(c.data, c.map);
        EXPECT_EQ(o.status, exit_input_error) << c.what;
        EXPECT_EQ(o.console, c.console) << c.what;
        EXPECT_EQ(o.error, "") << c.what;
    }
}

TEST(MappingFile, FilesThatCannotBeOpened) {
    TempDir dir;
    const std::string data = dir.write("data.txt", four_columns);
    const std::string map = dir.write("map.txt", "Y\tN\t1");
    struct Case {
        std::string data, map, error;
    } cases[] = {
        {dir.path("none.txt"), map,
         "varandel: cannot open data file '" + dir.path("none.txt") +
             "': No such file or directory"},
        {data, dir.path("none.txt"),
         "varandel: cannot open mapping file '" + dir.path("none.txt") +
             "': No such file or directory"},
        {dir.path(""), map,
         "varandel: cannot read data file '" + dir.path("") + "': Is a directory"},
    };
    for (const auto& c : cases) {
        std::ostringstream console;
        try {
            map_tma_data_file(c.data, c.map, console);
            ADD_FAILURE() << c.error;
        } catch (const RunStop& stop) {
            EXPECT_EQ(stop.status(), exit_input_error);
            EXPECT_EQ(std::string(stop.what()), c.error);
        }
        EXPECT_EQ(console.str(), "");
    }
}
