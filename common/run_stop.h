// How a routine ends the run: it has already written its console lines (if any) and throws
// RunStop; the program's entry catches it, prints `message` on standard error when it is not
// empty, and exits with `status`.
#pragma once

#include <stdexcept>
#include <string>

namespace varandel {

// Exit statuses of the program.
inline constexpr int exit_ok = 0;
inline constexpr int exit_input_error = 1; // data, mapping, file or memory problems
inline constexpr int exit_usage_error = 2; // unusable command line

class RunStop : public std::runtime_error {
  public:
    explicit RunStop(int status, const std::string& message = {})
        : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

  private:
    int status_;
};

} // namespace varandel
