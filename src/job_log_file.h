// The job log file: written line by line, each line whole or not at all, so that a stop, an
// interrupt or a full disk never leaves a partial line in it.
#pragma once

#include <string>
#include <vector>

namespace varandel {

class JobLogFile {
  public:
    // Creates (or truncates) the log; failure throws RunStop(exit_input_error) naming the path.
    explicit JobLogFile(const std::string& path);
    ~JobLogFile();
    JobLogFile(const JobLogFile&) = delete;
    JobLogFile& operator=(const JobLogFile&) = delete;

    // A fixed-layout line as it is, followed by a line feed.
    void line(const std::string& text);
    // A free-form line (write_free_form's layout).
    void free_form(const std::vector<std::string>& items);
    // Closes the log; a late write error throws like a failed line.
    void close();

  private:
    // Writes `text` with one write where possible; a write that fails part-way is cut back to
    // the last whole line before the failure is reported.
    void append(const std::string& text);
    [[noreturn]] void fail(const char* what, int error) const;

    std::string path_;
    int fd_ = -1;
    long long size_ = 0; // bytes of whole lines written
};

} // namespace varandel
