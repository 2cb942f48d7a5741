#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/column_summary.h"
#include "records/curve_decimator.h"
#include "records/run_record.h"
#include "records/run_record_reader.h"

namespace soci {
class session;
class statement;
} // namespace soci

namespace velkaro {

/// Beside the run records, one row per drive and minute (the minute counted
/// in local wall-clock minutes since 1970-01-01 00:00): how many rows the
/// minute holds, the seconds of its first and last, how many were stored as
/// "通讯断线" or in fault, and the lowest and highest number of each
/// quantity. The record pass keeps it with every row it writes, so a trend
/// over days reads a row per minute instead of twelve.
inline constexpr std::string_view kMinuteSummaryTable = "运行记录分钟汇总";

/// Creates the table and its indexes when missing, in SQL that SQLite and
/// PostgreSQL both accept. Throws on failure (an account that may not create
/// tables on a shared database); the station then writes run records only.
void ensureMinuteSummaryTable(soci::session& session);

/// The record pass's side, on the writer's session: adds each written row
/// to its drive's minute (a new minute or one more row in it, so stations
/// sharing the database may write the same drive) and purges old minutes.
/// The statements are prepared at construction, which throws when the table
/// is missing; the object holds their bound values and does not move.
class MinuteSummaryWriter {
public:
    explicit MinuteSummaryWriter(soci::session& session);
    ~MinuteSummaryWriter();
    MinuteSummaryWriter(const MinuteSummaryWriter&) = delete;
    MinuteSummaryWriter& operator=(const MinuteSummaryWriter&) = delete;

    /// Adds a row as written (its time included). Throws on a database error.
    void add(const RunRecord& row);
    /// Deletes the minutes that lie wholly before `cutoff`, as the purge of
    /// the run records deletes their rows. Throws on a database error.
    void purge(const std::tm& cutoff);

private:
    struct Bound;
    std::unique_ptr<Bound> m_bound;
    std::unique_ptr<soci::statement> m_add;
    std::unique_ptr<soci::statement> m_purge;
};

/// Column summaries taken from the minutes, and the drives left to the rows.
struct MinuteColumns {
    std::vector<ColumnSummary> summaries;
    /// Drives whose minutes do not add up to their rows in the columns: rows
    /// written by a station that keeps no minutes, or before the table was
    /// made. Their columns must be summarised from the rows.
    std::vector<std::string> incomplete;
};

/// Summarises each drive's rows in `columns` (oldest first, together one
/// stretch, each column whole minutes of `grid`) from the minute table, as
/// summariseColumns does from the rows, for every drive whose minutes count
/// as many rows as the run records hold in the stretch. None when the table
/// cannot be read (a data source without it); the reader's session stays
/// open then.
std::optional<MinuteColumns> summariseMinutes(RunRecordReader& reader,
                                              const std::vector<std::string>& drives,
                                              const std::vector<Quantity>& quantities,
                                              const std::vector<ColumnSpan>& columns,
                                              const CurveDecimator& grid);

/// The statements' SQL, for checking their query plans: the drives' rows
/// counted in a stretch, bound as after, upTo and the names; all rows
/// counted, bound as after and upTo; the drives' minutes grouped into
/// columns, bound as the grid's from, columns and span, the first minute,
/// the minute after the last, and the names; and all minutes' rows added
/// up, bound as the first minute and the one after the last.
std::string rowCountSql(std::size_t drives);
std::string rowTotalSql();
std::string minuteColumnsSql(std::size_t drives, const std::vector<Quantity>& quantities);
std::string minuteTotalSql();

} // namespace velkaro
