#pragma once

#include <cstdint>
#include <ctime>
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

struct LinkSnapshot;

/// One record pass as the station takes it: the drives' rows in list order,
/// the time they were taken (记录时间 of every row, whenever the rows reach
/// the table) and the settings of the moment.
struct RecordPass {
    std::time_t takenAt = 0;
    std::vector<RunRecord> rows;
    uint32_t maxStorageHours = 24;
    std::string station; ///< 站名 of every row
};

/// What writing a pass came to.
struct PassOutcome {
    std::size_t written = 0; ///< rows this call appended
    /// The data source's text when the pass ended early; empty when every
    /// row is in.
    std::string error;
    /// Said once a run, when the session finds 运行记录 without 站名 and the
    /// account may not add it: the data source's reason. The rows go in
    /// without the column.
    std::string stationRefusal;

    bool done() const { return error.empty(); }
};

/// Writes the run records: one row per connected drive per pass, named with
/// the station's name (站名), after purging the rows older than the maximum
/// storage time and summarising the minutes that have ended before the pass
/// (when the data source has the minute table). Keeps one session open
/// between passes and reconnects after an error. Nothing here talks to the
/// operator: the outcome says what there is to say.
///
/// A table made before stations were told apart is upgraded when the session
/// opens (see addStationColumns). Where the account may not alter it, the
/// rows are written without 站名.
class RunRecordStore {
public:
    explicit RunRecordStore(std::string connectString = std::string(kRunRecordConnect));
    ~RunRecordStore();
    RunRecordStore(const RunRecordStore&) = delete;
    RunRecordStore& operator=(const RunRecordStore&) = delete;

    /// Writes `pass` from its row `firstRow` on (an earlier try wrote the rows
    /// before it): purges, summarises the minutes that ended before the
    /// pass's time, then appends the rows in order, calling afterEachRow()
    /// after every row. No row, no pass (and no purge). A database error ends
    /// the pass with the data source's own text; the next call tries again on
    /// a fresh session.
    PassOutcome write(const RecordPass& pass, std::size_t firstRow = 0,
                      const std::function<void()>& afterEachRow = {});

    /// One pass of the drives in `view` (the station's latest snapshot of the
    /// link), taken now, with the options' storage time and station name.
    PassOutcome writeRunRecords(const LinkSnapshot& view, const DisplayOptions& options,
                                const std::function<void()>& afterEachRow = {});
    /// A pass of rows already taken from the table, taken now, written with
    /// stationName().
    PassOutcome writeRows(const std::vector<RunRecord>& rows, uint32_t maxStorageHours,
                          const std::function<void()>& afterEachRow = {});

    /// The name writeRows() writes into 站名 (the host's name until set).
    void setStationName(std::string name) { m_stationName = std::move(name); }
    const std::string& stationName() const { return m_stationName; }

    void setClock(WallClock clock) { m_clock = std::move(clock); }
    /// Bounds each statement of the sessions opened from now on (the table's
    /// upgrade when the session opens excepted: on a big table it may take
    /// longer, and must not be cut off half done). 0 = unbounded.
    void setStatementTimeout(int seconds) { m_timeoutSeconds = seconds; }
    /// True while a session to the data source is open.
    bool connected() const { return m_writer != nullptr; }

private:
    struct Writer;

    void purge(const std::tm& cutoff);
    /// Summarises the minutes that have ended before `now` since the last
    /// pass, and a few older ones left without a summary.
    void summariseMinutes(std::time_t now);
    /// Opens the session when none is open; the refusal to say, if any.
    std::string open();

    std::string m_connectString;
    WallClock m_clock = systemNow;
    std::unique_ptr<Writer> m_writer;
    std::string m_stationName = hostStationName();
    int m_timeoutSeconds = 0;
    bool m_stationRefusalSaid = false;
    /// Start of the first minute not yet summarised (wall seconds).
    std::optional<WallSeconds> m_nextMinute;
    /// Start of the minute after the next older one to look at for a
    /// missing summary (wall seconds).
    std::optional<WallSeconds> m_gapsBefore;
};

} // namespace velkaro
