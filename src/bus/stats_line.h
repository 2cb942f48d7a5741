#pragma once

#include <cstdint>
#include <string>

#include "link/diagnostics/link_diagnostics.h"

namespace velkaro {

/// One `velkaro-bus watch --stats` line, tab-separated: the drive's name, then
/// every link counter as name=value, the reply times in ms (a tick is 1 ms)
/// and the link time of the last answer in seconds ("无" before any).
std::string formatStatsLine(const std::string& name, const LinkCounters& counters);

} // namespace velkaro
