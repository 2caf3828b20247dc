#include "input_file.h"

#include <cerrno>
#include <cstring>

#include "run_stop.h"

namespace varandel {

namespace {

std::string reason(int error) {
    return error != 0 ? std::string(std::strerror(error)) : std::string("unknown reason");
}

} // namespace

std::ifstream open_input_file(const std::string& path, std::string_view role) {
    errno = 0;
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        const int error = errno;
        throw RunStop(exit_input_error, "varandel: cannot open " + std::string(role) + " '" + path +
                                            "': " + reason(error));
    }
    return in;
}

void check_input_read(const std::istream& in, const std::string& path, std::string_view role) {
    if (!in.bad()) return;
    const int error = errno;
    throw RunStop(exit_input_error, "varandel: cannot read " + std::string(role) + " '" + path +
                                        "': " + reason(error));
}

void check_text_line(std::string_view line, std::int64_t number, const std::string& path) {
    const std::string where = "varandel: " + path + ", line " + std::to_string(number) + ": ";
    if (line.find('\0') != std::string_view::npos)
        throw RunStop(exit_input_error,
                      where + "a NUL byte: this is not a plain text file (a binary file, or text "
                              "saved as UTF-16 \"Unicode text\"); save the data as TAB-separated "
                              "plain text");
    // Carriage returns at the end of the line are white space (CR LF line ends).
    const auto end = line.find_last_not_of('\r');
    if (end != std::string_view::npos && line.substr(0, end).find('\r') != std::string_view::npos)
        throw RunStop(exit_input_error,
                      where + "a carriage return inside the line: the file's lines seem to end "
                              "with a carriage return alone (old Macintosh text), which makes the "
                              "file one long line; save it with line feed (or carriage return + "
                              "line feed) line ends");
}

void drop_byte_order_mark(std::string& first_line) {
    if (first_line.starts_with("\xEF\xBB\xBF")) first_line.erase(0, 3);
}

} // namespace varandel
