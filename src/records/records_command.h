#pragma once

#include <atomic>
#include <ctime>
#include <iosfwd>
#include <string>
#include <vector>

#include "records/record_database.h"
#include "records/station_name.h"

namespace velkaro {

inline constexpr int kRecordsExitFailure = 1;
inline constexpr int kRecordsExitUsage = 2;

/// Where `velkaro-records` runs: its streams, the clock and the data source.
struct RecordsConsole {
    std::ostream& out;
    std::ostream& err;
    std::time_t now = 0;
    std::string connectString = std::string(kRunRecordConnect);
    /// Set from another thread or a signal handler: the export stops after
    /// the page it is writing and leaves no file.
    const std::atomic<bool>* interrupted = nullptr;
    /// This station's name, whose rows are read unless the command line
    /// names another station or all of them.
    std::string station = hostStationName();
};

/// Runs `velkaro-records` with the arguments after the program's name and
/// returns its exit code: 0 done, 1 data source or file failure or
/// interrupted, 2 bad command line. Messages go to `err`; events to `out`.
int runRecordsCommand(const std::vector<std::string>& args, const RecordsConsole& console);

} // namespace velkaro
