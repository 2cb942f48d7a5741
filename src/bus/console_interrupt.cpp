#include "bus/console_interrupt.h"

#include <csignal>

namespace velkaro {

namespace {

std::atomic<bool> g_interrupted{false};
volatile std::sig_atomic_t g_signal = SIGINT;

static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void onInterrupt(int signal) {
    g_signal = signal;
    g_interrupted.store(true);
}

} // namespace

void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // The handler goes after its first signal: an operator pressing Ctrl-C
    // again does not wait for the command's own end.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>& interruptFlag() {
    return g_interrupted;
}

int interruptedExitStatus() {
    return 128 + static_cast<int>(g_signal);
}

} // namespace velkaro
