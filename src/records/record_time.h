#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

namespace velkaro {

/// A local wall-clock time as a count of seconds, reckoned as if the wall
/// clock were UTC. The run records hold local wall-clock times, so spans,
/// chart columns and paging are worked out in these seconds, with no time
/// zone or daylight rule in between.
using WallSeconds = std::int64_t;

WallSeconds wallSecondsOf(const std::tm& time);
/// The local wall-clock time of an instant (seconds since the epoch).
WallSeconds wallSecondsAt(std::time_t instant);
std::tm wallTimeOf(WallSeconds seconds);
inline constexpr WallSeconds kMinuteSeconds = 60;
/// The start of the wall-clock minute holding `seconds`.
WallSeconds minuteStartOf(WallSeconds seconds);
/// The real instant (seconds since the epoch) of a local wall-clock time, for
/// display in a local-time axis. In the hour repeated when clocks go back the
/// earlier instant is taken.
std::time_t epochOfWall(WallSeconds seconds);

/// Reads a local time as an operator types it: "2026-03-05 09:07",
/// "2026-03-05 09:07:03" or the same with "T" between date and time. None
/// for anything else, including dates that do not exist (2026-02-29) and
/// years outside 1970..9999.
std::optional<std::tm> parseRecordTime(std::string_view text);

} // namespace velkaro
