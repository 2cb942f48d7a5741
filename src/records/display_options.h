#pragma once

#include <cstdint>
#include <string>

namespace velkaro {

/// Settings of the run records and the history view; not saved between runs.
struct DisplayOptions {
    uint32_t recordIntervalMs = 5000;   ///< record timer period
    uint32_t displayWindowHours = 2;    ///< history shows rows younger than this
    uint32_t maxStorageHours = 24;      ///< rows older than this are purged
    std::string displayDriveName = "*"; ///< "*" = all drives
};

} // namespace velkaro
