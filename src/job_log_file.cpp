#include "job_log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "run_stop.h"
#include "text_output.h"

namespace varandel {

JobLogFile::JobLogFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) fail("cannot create", errno);
}

JobLogFile::~JobLogFile() {
    if (fd_ >= 0) ::close(fd_);
}

void JobLogFile::line(const std::string& text) {
    append(text + '\n');
}

void JobLogFile::free_form(const std::vector<std::string>& items) {
    append(free_form_text(items));
}

void JobLogFile::close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("cannot write", errno);
}

void JobLogFile::append(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            const int error = n < 0 ? errno : ENOSPC;
            // Where the cut fails too (a pipe, a device) the failure is reported all the same.
            const bool cut = done == 0 || ::ftruncate(fd_, static_cast<off_t>(size_)) == 0;
            (void)cut;
            fail("cannot write", error);
        }
    }
    size_ += static_cast<long long>(text.size());
}

void JobLogFile::fail(const char* what, int error) const {
    throw RunStop(exit_input_error, std::string("varandel: ") + what + " log file '" + path_ +
                                        "': " + std::strerror(error != 0 ? error : EIO));
}

} // namespace varandel
