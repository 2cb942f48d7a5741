#pragma once

#include <string>

#include "files/parameter_report.h"
#include "link/requests.h"

namespace velkaro {

/// The report of a confirmed Readout outcome, stamped with `readTime`.
ParameterReport readoutReport(const Outcome& outcome, std::string readTime);

} // namespace velkaro
