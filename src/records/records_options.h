#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

/// What `velkaro-records` was asked to do.
struct RecordsOptions {
    enum class Command { Export, Events, Actions, Help };
    Command command = Command::Help;
    std::optional<double> hours;
    std::optional<std::tm> from; ///< local time, rows at or after it
    std::optional<std::tm> to;   ///< local time, rows at or before it
    std::optional<std::string> drive;
    std::optional<std::string> account; ///< actions --account: that account's actions
    std::optional<std::string> station; ///< --station: that station's rows
    bool allStations = false;           ///< --all-stations: every station's rows
    std::string file;                   ///< export only
};

/// The longest time any station keeps its records: older rows are purged.
inline constexpr double kLongestStorageHours = 72;
/// Windows when none is given: the history page's and the default storage time.
inline constexpr double kDefaultExportHours = 2;
inline constexpr double kDefaultEventHours = 24;

/// Parses the arguments after the program's name. None, with the reason in
/// `error`, for anything it does not accept.
std::optional<RecordsOptions> parseRecordsOptions(const std::vector<std::string>& args,
                                                  std::string& error);

/// The station whose rows a command reads: --station, none for
/// --all-stations, else `thisStation` (the station's own name on this
/// computer).
std::optional<std::string> stationOf(const RecordsOptions& options, const std::string& thisStation);

/// The rows a command covers: strictly later than `after`, at or before `upTo`.
struct RecordWindow {
    std::tm after{};
    std::tm upTo{};
    std::string note; ///< a word for the operator when the window was clipped
};

/// The window of `options` at `now`: the last --hours (or the command's
/// default), or --from to --to. A window reaching back further than the
/// longest storage time is clipped to it, with a note; one that ends before
/// it, or whose from is after its to, is refused with the reason in `error`.
std::optional<RecordWindow> resolveRecordWindow(const RecordsOptions& options, std::time_t now,
                                                std::string& error);

/// The --help text.
std::string recordsUsage();

} // namespace velkaro
