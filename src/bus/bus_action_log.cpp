#include "bus/bus_action_log.h"

#include "records/action_log.h"
#include "records/data_source.h"
#include "records/station_name.h"

namespace velkaro {

BusActionLog::BusActionLog(std::string connectString)
    : m_station(chooseStationName(std::nullopt, readKeptStationName(stationSettingsFile()))) {
    bool defined = true;
    if (const std::string dsn = dataSourceNameOf(connectString); !dsn.empty()) {
        // Only looked at: the account's data source file is neither made nor touched.
        const ReadOnlyDataSources readOnly;
        defined = dataSourceExists(dsn);
    }
    if (defined) {
        m_log = std::make_unique<ActionLog>(std::move(connectString), defaultActionSpool());
    }
}

BusActionLog::~BusActionLog() {
    if (m_log) {
        m_log->finish();
    }
}

LinkWaiter::ActionSink BusActionLog::sink() {
    if (!m_log) {
        return {};
    }
    return [log = m_log.get(), station = m_station](ActionRecord row) {
        row.station = station;
        log->add(std::move(row));
    };
}

void BusActionLog::attach(LinkWaiter& wait) {
    wait.setActionLog(sink());
}

} // namespace velkaro
