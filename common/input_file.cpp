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

void drop_byte_order_mark(std::string& first_line) {
    if (first_line.starts_with("\xEF\xBB\xBF")) first_line.erase(0, 3);
}

} // namespace varandel
