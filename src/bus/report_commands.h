#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/parameter_compare.h"
#include "files/parameter_report.h"

namespace velkaro {

class DriveLink;

/// `velkaro-bus report --device PATH --address A [--baud B] FILE.csv`,
/// `velkaro-bus compare --device PATH --address A [--baud B] FILE` and
/// `velkaro-bus compare FILE FILE`. `argv[1]` is the command.
/// report exits 0 when the file is written, 1 when the drive could not be
/// read or the file written, 2 for a wrong command line. compare exits 0 when
/// nothing differs, 1 when something does, 2 on any error.
int runReportCommand(int argc, char** argv);

struct ReportRequest {
    enum class Kind { Report, Compare };
    Kind kind = Kind::Report;
    std::string device; ///< empty for a comparison of two files
    int address = 0;
    int baudChoice = -1; ///< position in baudChoices; -1 keeps the default 9600
    std::vector<std::string> files;
};

/// Parses `argv[1..]`; none with `error` set when the command line is wrong.
std::optional<ReportRequest> parseReportArguments(int argc, char** argv, std::string& error);

struct DriveReadOutcome {
    bool ok = false;
    std::string message; ///< what went wrong
    ParameterReport report;
};

/// Connects the drive at `address` on an open `link` and reads every
/// parameter. A drive of another series than `expectedSeries` (when not
/// empty) is refused with the wrong-model message before anything is read.
/// `letTimePass` lets about one millisecond of link time pass. A read that
/// fails (a group unanswered, refused or cancelled) says why in `message`.
DriveReadOutcome readWholeDrive(DriveLink& link, int address, std::string_view expectedSeries,
                                const std::function<void()>& letTimePass);

/// What `compare` prints: code, name and the two values of each differing
/// parameter, tab-separated, one line each; then "N differ, M equal".
std::string comparisonText(const ParameterComparison& comparison);

} // namespace velkaro
