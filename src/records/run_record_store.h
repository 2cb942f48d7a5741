#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/display_options.h"
#include "records/record_database.h"
#include "records/record_time.h"
#include "records/run_record.h"
#include "records/station_name.h"

namespace velkaro {

class OperatorMessages;
struct LinkSnapshot;

/// Writes the run records: one row per connected drive per pass, named with
/// the station's name (站名), after purging the rows older than the maximum
/// storage time and summarising the minutes that have ended since the last
/// pass (when the data source has the minute table). Keeps one session open
/// between passes and reconnects after an error.
///
/// A table made before stations were told apart is upgraded when the session
/// opens (see addStationColumns). Where the account may not alter it, the
/// rows are written without 站名 and the operator is told so once, with the
/// data source's reason.
class RunRecordStore {
public:
    explicit RunRecordStore(OperatorMessages& messages,
                            std::string connectString = std::string(kRunRecordConnect));
    ~RunRecordStore();
    RunRecordStore(const RunRecordStore&) = delete;
    RunRecordStore& operator=(const RunRecordStore&) = delete;

    /// One pass (record timer): takes the drives' values from `view`, the
    /// station's latest snapshot of the link, then purges and appends a row per drive in list
    /// order, calling afterEachRow() after every row. No drive, no pass (and no purge). A database
    /// error ends the pass and is shown to the operator with the data source's own text; while such
    /// a box is open no other is opened. The next pass tries again. The rows carry
    /// options.stationName.
    void writeRunRecords(const LinkSnapshot& view, const DisplayOptions& options,
                         const std::function<void()>& afterEachRow);

    /// The database half of a pass for rows already taken from the table,
    /// written with stationName().
    void writeRows(const std::vector<RunRecord>& rows, uint32_t maxStorageHours,
                   const std::function<void()>& afterEachRow);

    /// The name written into 站名 from the next row on (the host's name until
    /// set).
    void setStationName(std::string name) { m_stationName = std::move(name); }
    const std::string& stationName() const { return m_stationName; }

    void setClock(WallClock clock) { m_clock = std::move(clock); }
    /// True while a session to the data source is open.
    bool connected() const { return m_writer != nullptr; }

private:
    struct Writer;

    bool purge(uint32_t maxStorageHours);
    /// Summarises the minutes that have ended since the last pass, and a few
    /// older ones left without a summary.
    void summariseMinutes();
    bool append(const RunRecord& row);
    /// Opens the session when none is open.
    void open();
    void fail(const std::string& text);

    OperatorMessages& m_messages;
    std::string m_connectString;
    WallClock m_clock = systemNow;
    std::unique_ptr<Writer> m_writer;
    std::string m_stationName = hostStationName();
    bool m_messageOpen = false;
    bool m_stationRefusalShown = false;
    /// Start of the first minute not yet summarised (wall seconds).
    std::optional<WallSeconds> m_nextMinute;
    /// Start of the minute after the next older one to look at for a
    /// missing summary (wall seconds).
    std::optional<WallSeconds> m_gapsBefore;
};

} // namespace velkaro
