// Opening the input text files and the details every reader of them shares.
#pragma once

#include <cstdint>
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

// Stops the run with status 1 when line `number` of a text file cannot be meant as text: a NUL
// byte (a binary file, or text saved as UTF-16), or a carriage return inside the line (a file
// whose lines end with a carriage return alone, which reads as one long line). A carriage return
// at the end of a line (CR LF line ends) is fine.
void check_text_line(std::string_view line, std::int64_t number, const std::string& path);

// Removes a UTF-8 byte-order mark from the start of a file's first line.
void drop_byte_order_mark(std::string& first_line);

} // namespace varandel
