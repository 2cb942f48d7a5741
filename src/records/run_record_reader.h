#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/record_database.h"
#include "records/run_record.h"

namespace soci {
class session;
}

namespace velkaro {

/// Which rows to read: those strictly later than `after` and at or before
/// `upTo`, of one drive or of all, of one station or of all. Times are local
/// wall-clock times.
struct RecordQuery {
    std::tm after{};
    std::tm upTo{};
    std::optional<std::string> driveName;
    /// Only the rows this station wrote (站名); none = every station's. On a
    /// table without the column every row is read (see stationFilter()).
    std::optional<std::string> station;
    /// The value columns to fetch; the others stay empty (fewer columns,
    /// quicker long reads). Time, name and working state always come.
    std::vector<Quantity> values = {Quantity::RunningFrequency, Quantity::SetFrequency,
                                    Quantity::OutputCurrent, Quantity::OutputVoltage,
                                    Quantity::BusVoltage};
};

/// Which run records the history grid shows.
struct HistoryFilter {
    std::optional<std::tm> since;         ///< only rows strictly later; none = all rows
    std::optional<std::string> driveName; ///< only this drive; none = all drives
    /// Only the rows this station wrote; none = every station's. A table
    /// without station names shows every row.
    std::optional<std::string> station;
};

/// A page of the history grid, newest first.
struct HistoryPage {
    /// Time, name, 运行频率, 输出电流, 输出电压 and 工作状态 of each row (the
    /// grid's six columns); trailing blanks of the texts are not kept.
    std::vector<RunRecord> rows;
    /// Where the next page starts (rows strictly earlier); none = no more rows.
    std::optional<std::tm> nextBefore;
};

/// Reads run records through a session of its own, oldest first, a page at a
/// time: each page is a short query of its own that starts after the last
/// whole second of the page before, so no cursor or read lock stays open
/// between pages, the writer is never held up, and memory stays that of one
/// page however long the window. Every value is bound. The queries are range
/// scans of the indexes on 记录时间 and on (名字, 记录时间).
///
/// A database error is thrown (soci::soci_error or std::exception); the
/// session is dropped then, so the next call connects afresh.
class RunRecordReader {
public:
    static constexpr int kDefaultPageRows = 2000;

    explicit RunRecordReader(std::string connectString = std::string(kRunRecordConnect));
    ~RunRecordReader();
    RunRecordReader(const RunRecordReader&) = delete;
    RunRecordReader& operator=(const RunRecordReader&) = delete;

    /// Calls onPage with each page of rows in time order until the rows are
    /// done (true) or onPage returns false (false).
    bool readPages(const RecordQuery& query,
                   const std::function<bool(const std::vector<RunRecord>&)>& onPage);
    /// Rows the query covers.
    long count(const RecordQuery& query);
    /// The drive's newest row at or before `time` (of `station` only, when
    /// given), if any (time, name and working state only).
    std::optional<RunRecord> rowAtOrBefore(const std::string& driveName, const std::tm& time,
                                           const std::optional<std::string>& station = {});
    /// The history grid's page of `filter` below `before` (none: the newest
    /// rows), about `pageRows` rows: a page never ends inside a second, so the
    /// next one, keyed on that second, neither skips nor repeats a row.
    HistoryPage historyPage(const HistoryFilter& filter, const std::optional<std::tm>& before,
                            int pageRows);
    /// Every drive name in the table (of `station` only, when given), sorted;
    /// one index step per name.
    std::vector<std::string> driveNames(const std::optional<std::string>& station = {});

    /// The station filter a read can apply: `station` while the table holds
    /// the column 站名, none (every row) on a table made before stations were
    /// told apart, whose rows no station name tells apart. Looked at once a
    /// session while the column is there, on every call while it is not.
    std::optional<std::string> stationFilter(const std::optional<std::string>& station);

    /// The SQL of one page, for checking its query plan; the query's station
    /// is bound after its other values.
    static std::string pageSql(const RecordQuery& query, int limit, bool stationColumn = true);

    void setPageRows(int rows) { m_pageRows = rows > 0 ? rows : 1; }
    /// Bounds each statement of the sessions opened from now on (see
    /// setStatementTimeout in record_database.h); 0, the default, leaves
    /// them unbounded.
    void setStatementTimeout(int seconds) { m_timeoutSeconds = seconds; }
    /// Drops the session; the next call connects afresh.
    void disconnect();

    /// Runs work(session) on the reader's session, for reads of other shapes.
    /// A failure drops the session, as in every read here, and is rethrown.
    template <typename Work> auto withSession(Work&& work) {
        try {
            return work(session());
        } catch (...) {
            disconnect();
            throw;
        }
    }

private:
    soci::session& session();
    /// True when 运行记录 holds 站名 (see stationFilter()).
    bool stationColumn();
    std::vector<RunRecord> selectPage(const RecordQuery& query, const std::tm& after, int limit,
                                      bool stationColumn);
    std::vector<RunRecord> selectHistory(const HistoryFilter& filter,
                                         const std::optional<std::tm>& before, int limit);
    template <typename Work> auto guarded(Work&& work) -> decltype(work());

    std::string m_connectString;
    std::unique_ptr<soci::session> m_session;
    bool m_stationColumn = false; ///< the session found 站名 in 运行记录
    int m_pageRows = kDefaultPageRows;
    int m_timeoutSeconds = 0;
};

} // namespace velkaro
