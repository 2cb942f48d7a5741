#pragma once

#include <cstdint>
#include <string>

namespace velkaro::reliability {

/// Resident memory of this process in KiB (from /proc/self/statm).
uint64_t residentKiB();
/// CPU time this process has used, user and system, in seconds.
double processCpuSeconds();
/// Whole simulated minutes a long test runs: `name` from the environment when
/// set (the manual long run), else `fallback` (the bounded run of the suite).
int minutesFromEnvironment(const char* name, int fallback);
/// The build folder: $VELKARO_BINARY_DIR, else the one the test was built in.
std::string binaryDir();

} // namespace velkaro::reliability
