// Helpers for tests that run the built program: a temporary directory and a process runner
// that captures standard output, standard error and the exit status.
#pragma once

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

std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

} // namespace varandel::testing
