#pragma once

#include "sim/series.h"
#include "support/station.h"

namespace velkaro::testing {

/// The run-record outage drill, shared by the SQLite and PostgreSQL runs. Use
/// each step under ASSERT_NO_FATAL_FAILURE.

/// Starts `st` on the station's own data source with three drives of `series`
/// logging: one record pass written, three rows, no message.
void startLogging(Station& st, sim::Series series, int rating);
/// While the database is gone: each failing record pass tells the operator
/// once, and a pass that comes round while that box is open adds none.
void expectOneBoxPerFailingPass(Station& st);
/// Once it is back: the next pass logs again without a message.
void expectLoggingResumes(Station& st);

} // namespace velkaro::testing
