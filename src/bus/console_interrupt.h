#pragma once

#include <atomic>

namespace velkaro {

/// Ctrl-C (SIGINT) and SIGTERM for a console command: the first one only
/// raises the flag, which the command's waits look at so that it ends within
/// a second, telling what it got so far; a second one ends the program at
/// once, as it would without the handler.
void catchInterrupts();

/// Raised once SIGINT or SIGTERM has come.
const std::atomic<bool>& interruptFlag();

/// The exit status of a command the signal ended: 128 + its number (130 for
/// Ctrl-C, 143 for SIGTERM).
int interruptedExitStatus();

} // namespace velkaro
