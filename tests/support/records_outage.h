#pragma once

#include <chrono>
#include <functional>

#include "sim/series.h"
#include "support/station.h"

namespace velkaro::testing {

/// The run-record outage drills, shared by the SQLite and PostgreSQL runs. Use
/// each step under ASSERT_NO_FATAL_FAILURE.

/// Starts `st` on the station's own data source with `drives` drives of
/// `series` logging: one record pass written, a row per drive, no message.
void startLogging(Station& st, sim::Series series, int rating, int drives = 3);
/// While the database is gone: the failing passes tell the operator once,
/// without holding anything up, and their rows wait.
void expectOneMessageForTheOutage(Station& st);
/// Once it is back: the next pass writes the rows that waited and its own,
/// without a message.
void expectLoggingResumes(Station& st);

/// What the window side did while it ran as its timers run it.
struct Rhythm {
    double pollsPerSecond = 0;               ///< answers from the drives a real second
    std::chrono::milliseconds longestPass{}; ///< the longest a 100 ms pass took
    int recordPasses = 0;                    ///< record passes handed over
};
/// Runs `st` for `span` of real time as its timers would: a status pass
/// every 100 ms (the link moved on 100 ticks with it), a record pass every
/// `recordEvery` status passes, and what the records worker gave back
/// delivered in between. Late passes catch up, as a timer's do.
Rhythm runPaced(Station& st, std::chrono::milliseconds span, int recordEvery = 10);
/// Polls and commands keep their rhythm while the data source stalls:
/// `stall` takes its answers away for ten seconds of the station's passes,
/// `release` gives them back. Polls a second stay within a tenth of those
/// before, no pass of the window waits, and every row of the passes made
/// meanwhile goes in once the data source answers again.
void expectPollsKeepTheirRhythm(Station& st, const std::function<void()>& stall,
                                const std::function<void()>& release);

} // namespace velkaro::testing
