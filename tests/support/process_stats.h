#pragma once

#include <cstdint>

namespace velkaro::testing {

/// False in a sanitizer build: its allocator holds freed memory back
/// (quarantine), so resident size says nothing about leaks there; LeakSanitizer
/// checks those at exit instead.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kResidentSizeMeaningful = false;
#else
inline constexpr bool kResidentSizeMeaningful = true;
#endif
#else
inline constexpr bool kResidentSizeMeaningful = true;
#endif

/// Resident memory of this process in KiB (from /proc/self/statm).
uint64_t residentKiB();
/// CPU time this process has used, user and system, in seconds.
double processCpuSeconds();
/// Whole simulated minutes a long test runs: `name` from the environment when
/// set (the manual long run), else `fallback` (the bounded run of the suite).
int minutesFromEnvironment(const char* name, int fallback);

} // namespace velkaro::testing
