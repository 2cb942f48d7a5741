#pragma once

#include <cstdint>
#include <string>

#include "records/station_name.h"

namespace velkaro {

/// Settings of the run records and the history view; not saved between runs,
/// apart from the station's name (see station_name.h).
struct DisplayOptions {
    uint32_t recordIntervalMs = 5000;   ///< record timer period
    uint32_t displayWindowHours = 2;    ///< history shows rows younger than this
    uint32_t maxStorageHours = 24;      ///< rows older than this are purged
    std::string displayDriveName = "*"; ///< "*" = all drives
    /// 站名: written into every row, and the rows the history, the trends and
    /// the export show.
    std::string stationName = hostStationName();
    /// The name was given on the command line: the options dialog shows it
    /// and does not change it.
    bool stationFromCommandLine = false;
};

} // namespace velkaro
