// Ending a job on SIGINT, SIGTERM or SIGHUP: a message on standard error, the temporary result
// file removed, and the process ended by the signal itself (status 128 + signal number to a
// shell), so a calling script sees the interruption. The log needs nothing: it holds whole lines
// only at every moment.
#pragma once

#include <string>

namespace varandel {

// Installs the handlers. A signal that was ignored when the program started (a job started with
// nohup, or in the background by a non-interactive shell) stays ignored.
void install_interrupt_handlers();

// What the interrupt message says about the result file.
enum class ResultProgress {
    not_written, // nothing written yet, or only a temporary file that an interrupt removes
    writing,     // written in place (a device or pipe): an interrupt leaves it incomplete
    complete,    // the whole result file is in place
};
void set_result_progress(ResultProgress progress);

// While it lives, an interrupt removes the file `path` (the temporary result file) before the
// process ends. One at a time; create it before the file is created.
class InterruptCleanup {
  public:
    explicit InterruptCleanup(const std::string& path);
    ~InterruptCleanup();
    InterruptCleanup(const InterruptCleanup&) = delete;
    InterruptCleanup& operator=(const InterruptCleanup&) = delete;
};

} // namespace varandel
