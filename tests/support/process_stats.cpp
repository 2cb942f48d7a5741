#include "support/process_stats.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace velkaro::testing {

uint64_t residentKiB() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr) {
        return 0;
    }
    unsigned long long size = 0;
    unsigned long long resident = 0;
    const int read = std::fscanf(file, "%llu %llu", &size, &resident);
    std::fclose(file);
    return read == 2 ? resident * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE)) / 1024 : 0;
}

double processCpuSeconds() {
    timespec used{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used);
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

int minutesFromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return fallback;
    }
    const int minutes = std::atoi(value);
    return minutes > 0 ? minutes : fallback;
}

} // namespace velkaro::testing
