#pragma once

#include <string>

#include "registry/drive_table.h"

namespace velkaro {

/// One `velkaro-bus watch` line for a drive, tab-separated: elapsed seconds,
/// name, state text, cause text, then the running values with their units.
std::string formatWatchLine(double elapsedSeconds, const DriveRecord& drive);

} // namespace velkaro
