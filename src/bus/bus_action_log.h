#pragma once

#include <memory>
#include <string>

#include "bus/link_waiter.h"

namespace velkaro {

class ActionLog;

/// The action log of a console run: what velkaro-bus (or the headless
/// logger) does to drives goes into 操作记录 of the station's data source,
/// under the station's name kept on this account (else the host's). Rows wait
/// for the data source as the station's do, and what it has not taken by the
/// end waits in the account's spool for the next program that logs.
///
/// Logs only where the data source is defined for this account: before the
/// station's first start there is nowhere to log to, and a console tool makes
/// no data source of its own.
class BusActionLog {
public:
    explicit BusActionLog(std::string connectString = std::string(kRunRecordConnect));
    /// Writes what waits (see ActionLog::finish).
    ~BusActionLog();
    BusActionLog(const BusActionLog&) = delete;
    BusActionLog& operator=(const BusActionLog&) = delete;

    /// False when there is no data source to log to.
    bool active() const { return m_log != nullptr; }
    /// What LinkWaiter::setActionLog takes (empty when not active).
    LinkWaiter::ActionSink sink();
    /// Logs every request given through `wait` from now on.
    void attach(LinkWaiter& wait);
    /// The station's name the rows carry.
    const std::string& station() const { return m_station; }

private:
    std::unique_ptr<ActionLog> m_log;
    std::string m_station;
};

} // namespace velkaro
