#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "records/action_record.h"
#include "records/record_database.h"

namespace velkaro {

/// Writes the action log 操作记录 on a thread of its own, so no caller ever
/// waits for the data source. Rows wait in a bounded queue while the data
/// source is down and go in, in order, once it is back (tried again every
/// retryEvery); when the queue is full the oldest rows give way and are
/// counted. finish() writes what waits; what the data source does not take
/// by then is kept in the spool file, if one is given, and goes in first at
/// the next start of any program logging as this account.
class ActionLog {
public:
    struct Limits {
        /// Rows that may wait for the data source: far more than a shift of
        /// operator actions.
        std::size_t queuedRows = 10000;
        std::chrono::milliseconds retryEvery{5000};
        /// How long finish() lets the thread write what waits.
        std::chrono::milliseconds finishWithin{3000};
        /// Every statement's bound (see setStatementTimeout).
        int statementTimeoutSeconds = 30;
    };
    struct State {
        std::size_t queued = 0;
        std::size_t written = 0; ///< since the start
        std::size_t dropped = 0; ///< given way to the full queue, since the start
        bool down = false;       ///< the last try failed
        std::string error;       ///< the data source's words of the last failure
    };

    /// Starts the thread; rows kept in `spool` by an earlier run are taken
    /// back first. Nothing reaches the data source before the first row.
    ActionLog(std::string connectString, Limits limits, std::filesystem::path spool = {});
    explicit ActionLog(std::string connectString = std::string(kRunRecordConnect),
                       std::filesystem::path spool = {});
    /// finish()
    ~ActionLog();
    ActionLog(const ActionLog&) = delete;
    ActionLog& operator=(const ActionLog&) = delete;

    /// Queues a row; never waits for the data source.
    void add(ActionRecord row);
    /// Waits until every queued row is written; false when `timeout` passes
    /// first (a data source that is down). For tests and tools.
    bool waitWritten(std::chrono::milliseconds timeout);
    State state() const;
    /// Writes what waits within finishWithin, then keeps the rest in the
    /// spool file (rows lost without one). Nothing is logged afterwards.
    void finish();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

/// Where rows the data source did not take before the program ended wait
/// for the next start: $XDG_DATA_HOME/velkaro/操作记录待写.txt (default
/// ~/.local/share/velkaro/).
std::filesystem::path defaultActionSpool();

/// The spool's lines: one row each, its fields separated by tabs, with
/// backslash, tab and line ends escaped.
std::string spoolLine(const ActionRecord& row);
std::optional<ActionRecord> rowOfSpoolLine(const std::string& line);

} // namespace velkaro
