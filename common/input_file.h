// Opening the input text files and the details every reader of them shares.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

namespace varandel {

// Opens `path` for reading; when that fails the run stops with status 1 and a message that names
// the file's role ("data file", "mapping file"), its path and the system's reason.
std::ifstream open_input_file(const std::string& path, std::string_view role);

// Stops the run with status 1 when reading `in` failed for a reason other than its end (a
// directory, an I/O error), so that a failed read never passes for a short file.
void check_input_read(const std::istream& in, const std::string& path, std::string_view role);

// Removes a UTF-8 byte-order mark from the start of a file's first line.
void drop_byte_order_mark(std::string& first_line);

} // namespace varandel
