#include "result_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "csv_record_append_i4.h"
#include "csv_record_append_re.h"
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
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w"));
    if (!file) stop_writing(path, errno != 0 ? errno : EIO);
    errno = 0;
    for (const std::string& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file.get()) != line.size() ||
            std::fputc('\n', file.get()) == EOF)
            stop_writing(path, errno != 0 ? errno : EIO);
    }
    // Buffered write errors (a full disk) surface only when the buffer is flushed and closed.
    errno = 0;
    const bool flushed = std::fflush(file.get()) == 0;
    const int flush_error = errno;
    errno = 0;
    const bool closed = std::fclose(file.release()) == 0;
    if (!flushed) stop_writing(path, flush_error != 0 ? flush_error : EIO);
    if (!closed) stop_writing(path, errno != 0 ? errno : EIO);
}

} // namespace varandel
