#pragma once

#include <iosfwd>

#include "bus/bus_options.h"

namespace velkaro {

class LinkWaiter;

/// Exit statuses of `control`, `read` and `write`.
inline constexpr int kDriveCommandDone = 0;    ///< every request confirmed
inline constexpr int kDriveCommandFailed = 1;  ///< one refused, timed out or cancelled; no drive
inline constexpr int kDriveCommandMistake = 2; ///< command line, value or port

/// `velkaro-bus control|read|write`: opens the device with the line options,
/// finds the drive at --address and serves the requests one after another,
/// each awaiting its own outcome. One line per request on standard output;
/// what the operator must be told on standard error. Returns the exit status;
/// after Ctrl-C or SIGTERM the request under way is cancelled, the rest not
/// given, and the status is 128 + the signal.
int runDriveCommand(const BusOptions& options);

/// The same on an open link: finds the drive, then serves the requests.
/// Lines go to `out`, operator texts to `errors`. A value the parameter's
/// register cannot hold, a code or group not in the drive's catalogue, is a
/// mistake of the command line: nothing is written, kDriveCommandMistake.
int serveDriveCommand(LinkWaiter& wait, const BusOptions& options, std::ostream& out,
                      std::ostream& errors);

/// "已确认", "被拒绝：非法功能 (01)", "超时", "已取消：变频器已断开连接".
std::string outcomeText(const Outcome& outcome);

} // namespace velkaro
