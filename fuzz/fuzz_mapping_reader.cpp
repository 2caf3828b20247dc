// Fuzz target for the mapping reader: the mapping file's text, the separator line, then the data
// file's text (see fuzz_support.h). A stop with its message is an orderly end; a mapping that
// passes is checked against the files.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    varandel::fuzz::checked_mapping(varandel::fuzz::split_input(data, size));
    return 0;
}
