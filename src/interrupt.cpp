#include "interrupt.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace varandel {

namespace {

// A signal handler can reach only static data, so the little it needs lives here: the name of
// the temporary result file to remove and what to say about the result. The name is copied into
// a fixed buffer before the file is created, so the handler neither allocates nor locks. The
// handler may run on any thread, hence lock-free atomics rather than plain flags.
char cleanup_path[4096];
std::atomic<bool> cleanup_armed{false};
std::atomic<int> result_progress{static_cast<int>(ResultProgress::not_written)};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the signal handler needs lock-free atomics");

void say(const char* text) {
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<std::size_t>(n);
    }
}

const char* signal_name(int sig) {
    switch (sig) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "SIGHUP";
    }
}

// Only async-signal-safe calls: unlink, write, raise.
extern "C" void on_interrupt(int sig) {
    const int saved_errno = errno;
    if (cleanup_armed.load(std::memory_order_acquire)) ::unlink(cleanup_path);
    say("varandel: interrupted by ");
    say(signal_name(sig));
    switch (static_cast<ResultProgress>(result_progress.load(std::memory_order_relaxed))) {
    case ResultProgress::not_written:
        say(": job cancelled, result file not written\n");
        break;
    case ResultProgress::writing:
        say(": job cancelled, the result output is incomplete\n");
        break;
    case ResultProgress::complete:
        say(": the result file is complete, the log lacks its last lines\n");
        break;
    }
    errno = saved_errno;
    // SA_RESETHAND has restored the default action: the signal, blocked while the handler runs,
    // ends the process as soon as the handler returns.
    std::raise(sig);
}

} // namespace

void install_interrupt_handlers() {
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, sig);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
}

void set_result_progress(ResultProgress progress) {
    result_progress.store(static_cast<int>(progress), std::memory_order_relaxed);
}

InterruptCleanup::InterruptCleanup(const std::string& path) {
    // A name too long for the buffer could not be created either (PATH_MAX is 4096).
    if (path.size() >= sizeof cleanup_path) return;
    std::memcpy(cleanup_path, path.c_str(), path.size() + 1);
    cleanup_armed.store(true, std::memory_order_release);
}

InterruptCleanup::~InterruptCleanup() {
    cleanup_armed.store(false, std::memory_order_release);
}

} // namespace varandel
