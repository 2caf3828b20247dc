#include "result_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "csv_record_append_i4.h"
#include "csv_record_append_re.h"
#include "interrupt.h"
#include "run_stop.h"

namespace varandel {

namespace {

[[noreturn]] void stop_writing(const std::string& path, int error) {
    throw RunStop(exit_input_error,
                  "varandel: cannot write result file '" + path + "': " + std::strerror(error));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Where and how the result file is written.
struct ResultTarget {
    bool replace = false; // through a temporary file and a rename; else written in place
    std::string path;     // the file replaced: `path` with its symbolic links resolved
    bool existed = false; // a file is replaced, whose mode and owner the new one keeps
    struct stat old {};
};

ResultTarget result_target(const std::string& path) {
    ResultTarget t;
    t.path = path;
    if (stat(path.c_str(), &t.old) == 0) {
        if (S_ISDIR(t.old.st_mode)) stop_writing(path, EISDIR);
        if (!S_ISREG(t.old.st_mode)) return t; // a device, a pipe: written in place
        // Refused as opening it for writing would be, though a rename could replace it.
        if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) stop_writing(path, errno);
        struct stat link {};
        if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr),
                                                             &std::free);
            if (!real) stop_writing(path, errno);
            t.path = real.get();
        }
        t.replace = true;
        t.existed = true;
        return t;
    }
    if (errno != ENOENT) stop_writing(path, errno);
    struct stat link {};
    // A dangling symbolic link: opening it creates the file it names, in whatever directory.
    if (lstat(path.c_str(), &link) == 0) return t;
    t.replace = true;
    return t;
}

// A temporary file next to the target (same directory, so the rename stays within one file
// system). Removed again unless renamed, also when the job is interrupted.
class TemporaryFile {
  public:
    TemporaryFile(const ResultTarget& target, const std::string& shown) {
        const std::string base = target.path + ".tmp" + std::to_string(getpid());
        for (int attempt = 0;; ++attempt) {
            path = attempt == 0 ? base : base + "-" + std::to_string(attempt);
            cleanup_.emplace(path);
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) break;
            const int error = errno;
            cleanup_.reset();
            if (error != EEXIST || attempt == 100) stop_writing(shown, error);
        }
        if (target.existed) {
            // The replacement keeps the old file's owner (where allowed: root) and mode; it is
            // not worth failing the job for either.
            const bool owner_kept = fchown(fd, target.old.st_uid, target.old.st_gid) == 0;
            const bool mode_kept = fchmod(fd, target.old.st_mode & 07777) == 0;
            (void)owner_kept;
            (void)mode_kept;
        }
    }
    ~TemporaryFile() {
        if (fd >= 0) ::close(fd);
        if (!renamed_) ::unlink(path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    void renamed() { renamed_ = true; }

    std::string path;
    int fd = -1;

  private:
    std::optional<InterruptCleanup> cleanup_;
    bool renamed_ = false;
};

// Writes the lines and flushes them; returns 0 or the error.
int write_lines(std::FILE* file, const std::vector<std::string>& lines) {
    errno = 0;
    for (const std::string& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() ||
            std::fputc('\n', file) == EOF)
            return errno != 0 ? errno : EIO;
    }
    // Buffered write errors (a full disk) surface only when the buffer is flushed.
    if (std::fflush(file) != 0) return errno != 0 ? errno : EIO;
    return 0;
}

void write_in_place(const std::string& path, const std::vector<std::string>& lines) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
    if (!file) stop_writing(path, errno != 0 ? errno : EIO);
    const int error = write_lines(file.get(), lines);
    errno = 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (error != 0) stop_writing(path, error);
    if (!closed) stop_writing(path, errno != 0 ? errno : EIO);
}

} // namespace

std::string result_line(const ResultTables& t, std::int32_t i, std::int32_t n, std::int32_t nref) {
    const std::int32_t ntest = n - nref;
    std::string RECORD;
    csv_record_append_re(t.SSQDATA(i, nref + 1), RECORD);
    for (std::int32_t j = 1; j <= n; ++j)
        csv_record_append_i4(j <= nref ? t.CREF(i, j) : t.CTEST(i, j - nref), RECORD);
    for (std::int32_t w = 1; w <= ntest; ++w) csv_record_append_i4(t.ORDERDATA(i, w), RECORD);
    RECORD.resize(csv_record_used(RECORD));
    return RECORD;
}

std::vector<std::string> result_lines(const ResultTables& tables, std::int32_t n,
                                      std::int32_t nref) {
    std::vector<std::string> lines;
    const std::int32_t ncomb = tables.SSQDATA.rows();
    lines.reserve(static_cast<std::size_t>(ncomb));
    for (std::int32_t i = 1; i <= ncomb; ++i) lines.push_back(result_line(tables, i, n, nref));
    return lines;
}

void write_result_file(const std::string& path, const std::vector<std::string>& lines) {
    const ResultTarget target = result_target(path);
    if (!target.replace) {
        set_result_progress(ResultProgress::writing);
        write_in_place(path, lines);
        set_result_progress(ResultProgress::complete);
        return;
    }
    TemporaryFile temp(target, path);
    errno = 0;
    std::FILE* file = fdopen(temp.fd, "w");
    if (!file) stop_writing(path, errno != 0 ? errno : EIO);
    temp.fd = -1; // now closed through `file`
    int error = write_lines(file, lines);
    // The data must be on the disk before the rename makes it the result file.
    if (error == 0 && fsync(fileno(file)) != 0) error = errno;
    if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (error != 0) stop_writing(path, error);
    if (std::rename(temp.path.c_str(), target.path.c_str()) != 0) stop_writing(path, errno);
    temp.renamed();
    set_result_progress(ResultProgress::complete);
}

void check_result_path(const std::string& path) {
    const ResultTarget target = result_target(path);
    if (target.replace) TemporaryFile probe(target, path);
}

} // namespace varandel
