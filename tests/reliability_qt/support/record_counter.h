#pragma once

#include <string>

namespace velkaro::reliability {

/// Rows in the run-record table of the station's data source, through a
/// session of its own; -1 when the data source cannot be read.
int runRecordRows();

} // namespace velkaro::reliability
