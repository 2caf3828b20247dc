// Helpers for tests that run the built program: a temporary directory and a process runner
// that captures standard output, standard error and the exit status.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace varandel::testing {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes `content` to the file `name` inside the directory and returns its full path.
    std::string write(const std::string& name, const std::string& content) const;
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

struct ProcessResult {
    int status = -1; // exit status, or 128 + signal number
    std::string out;
    std::string err;
};

// Runs the program with `args` in the working directory `cwd`; `env` entries (NAME=value) are
// added to the environment, replacing inherited variables of the same name.
ProcessResult run_varandel(const std::vector<std::string>& args, const std::string& cwd,
                           const std::vector<std::string>& env = {});

// How start_varandel sets up the child before it runs the program.
struct StartOptions {
    std::vector<std::string> env; // NAME=value entries added to the environment
    // When the tests run as root (where permission bits do not stop reads), the child switches to
    // the user and group nobody (65534); a child that cannot switch exits with status
    // cannot_drop_root. Without root nothing changes.
    bool unprivileged = false;
    // RLIMIT_FSIZE of the child in bytes (negative: unchanged), with SIGXFSZ ignored so a write
    // beyond it fails with EFBIG like a full disk.
    long long file_size_limit = -1;
};
inline constexpr int cannot_drop_root = 125;

// A started program: its pid and the read ends of its standard output and standard error.
struct StartedProcess {
    pid_t pid = -1;
    int out_fd = -1;
    int err_fd = -1;
};

// Starts the program like run_varandel but returns at once; collect it with finish_varandel.
StartedProcess start_varandel(const std::vector<std::string>& args, const std::string& cwd,
                              const StartOptions& options = {});

// Reads the started program's output to its end and waits for it.
ProcessResult finish_varandel(StartedProcess& process);

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

} // namespace varandel::testing
