#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include "files/parameter_compare.h"
#include "files/parameter_report.h"

namespace velkaro {

class DriveLink;
struct BusOptions;

/// `velkaro-bus report --device PATH --address A FILE.csv`,
/// `velkaro-bus compare --device PATH --address A FILE` and
/// `velkaro-bus compare FILE FILE`. report exits 0 when the file is written,
/// 1 when the drive could not be read or the file written. compare exits 0
/// when nothing differs, 1 when something does, 2 on any error. Both exit
/// 128 + the signal when Ctrl-C or SIGTERM stopped the readout (no file).
int runReportCommand(const BusOptions& options);

struct DriveReadOutcome {
    bool ok = false;
    std::string message; ///< what went wrong
    ParameterReport report;
    bool interrupted = false; ///< cancelled by Ctrl-C or SIGTERM
};

/// Connects the drive at `address` on an open `link` and reads every
/// parameter. A drive of another series than `expectedSeries` (when not
/// empty) is refused with the wrong-model message before anything is read.
/// `letTimePass` lets about one millisecond of link time pass. A read that
/// fails (a group unanswered, refused or cancelled) says why in `message`;
/// once `interrupt` is raised the readout is cancelled.
DriveReadOutcome readWholeDrive(DriveLink& link, int address, std::string_view expectedSeries,
                                const std::function<void()>& letTimePass,
                                const std::atomic<bool>* interrupt = nullptr);

/// What `compare` prints: code, name and the two values of each differing
/// parameter, tab-separated, one line each; then "N differ, M equal".
std::string comparisonText(const ParameterComparison& comparison);

} // namespace velkaro
