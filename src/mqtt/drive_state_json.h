#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "registry/drive_table.h"

namespace velkaro {

/// `text` as a JSON string, quotes included: quote, backslash and control
/// characters escaped, UTF-8 passed through as it is.
std::string jsonString(std::string_view text);

/// `when` in local time as ISO 8601 with the zone: "2026-12-09T09:05:03+08:00".
std::string isoLocalTime(std::time_t when);

/// The state of one drive as published, without its time: name, address,
/// series, rating (the rated size as the station shows it), state and cause
/// (the station's texts), and the status block in Hz, A, V and % as JSON
/// numbers with the drive's own decimals. Two equal bodies mean nothing a
/// subscriber sees has changed.
std::string driveStateBody(const DriveRecord& drive);

/// The published message: the body with "time" added.
std::string driveStateJson(std::string_view body, std::time_t when);

} // namespace velkaro
