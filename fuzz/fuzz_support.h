// Shared pieces of the fuzz targets: the readers take file paths, so each input is written to
// files in a directory of the fuzzing process's own, reused for every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "map_tma_data_file.h"
#include "run_stop.h"
#include "value_reader.h"

namespace varandel::fuzz {

// An input for the file readers: the mapping file's text, this separator line, then the data
// file's text. Without the separator the whole input is the mapping file and the data file is
// empty. The separator starts with a line feed that belongs to it, so "Y\tN\t1" + separator gives
// a mapping file without a final line feed and "Y\tN\t1\n" + separator one with it.
inline constexpr std::string_view input_separator = "\n--data--\n";

struct InputParts {
    std::string_view mapping;
    std::string_view data;
};
InputParts split_input(const std::uint8_t* bytes, std::size_t size);

// Paths of the two files in this process's scratch directory (created on first use under
// $TMPDIR or /tmp, removed at exit).
const std::string& mapping_path();
const std::string& data_path();

// Replaces the file's contents with `text`.
void write_file(const std::string& path, std::string_view text);

// A broken invariant: prints what and aborts, so that libFuzzer records the input.
[[noreturn]] void finding(const std::string& what);

// `text` with bytes outside printable ASCII escaped, cut for a message.
std::string shown(std::string_view text);

// What parse_real must give for `text`, by the decimal grammar and the C library's correctly
// rounded strtof: ok with the value, out_of_range (beyond the largest float) or not_a_number.
RealStatus reference_real(std::string_view text, float& value);

// Limit of the value matrix a data-reader input may ask for, in floats (4 MB): larger inputs
// are skipped like the job would refuse them, so the fuzzer never reports its own allocation.
inline constexpr std::int64_t max_matrix_elements = 1 << 20;

// Writes both files and maps them as the job does. A stop with its message is an orderly end
// (nullopt); a mapping that passes must describe the data file and name only its value columns;
// anything else is a finding.
std::optional<DataMapping> checked_mapping(const InputParts& parts);

// A RunStop must say why: console lines ending in "Programm canceled", or a message for
// standard error; and it must not end the run as a success.
void check_stop(const RunStop& stop, const std::string& console);

} // namespace varandel::fuzz
