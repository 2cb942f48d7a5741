#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/column_summary.h"
#include "records/curve_decimator.h"
#include "records/record_database.h"
#include "records/record_schema.h"
#include "records/run_record.h"
#include "records/run_record_reader.h"

namespace soci {
class session;
class statement;
} // namespace soci

namespace velkaro {

/// The record pass's side, on the writer's session. The statements are
/// prepared at construction, which throws when the table is missing; the
/// object holds their bound values and does not move.
class MinuteSummaryWriter {
public:
    explicit MinuteSummaryWriter(soci::session& session);
    ~MinuteSummaryWriter();
    MinuteSummaryWriter(const MinuteSummaryWriter&) = delete;
    MinuteSummaryWriter& operator=(const MinuteSummaryWriter&) = delete;

    /// Summarises the minute starting at `minute` (wall seconds) afresh from
    /// every station's rows in it, a summary per station and drive, so a
    /// minute done again or by two stations comes out the same. Throws on a
    /// database error.
    void summarise(WallSeconds minute);
    /// Summarises the minutes of the `count` before `before` (minute starts,
    /// not before `oldest`) that hold no summary yet: minutes missed while the
    /// station was stopped, or written before the table was made. Returns the
    /// start of the oldest minute looked at. Throws on a database error.
    WallSeconds fillGaps(WallSeconds before, WallSeconds oldest, int count);
    /// Deletes the minutes that lie wholly before `cutoff`, as the purge of
    /// the run records deletes their rows, and summarises the minute holding
    /// it again. Throws on a database error.
    void purge(const std::tm& cutoff);

private:
    struct Bound;
    std::unique_ptr<Bound> m_bound;
    std::unique_ptr<soci::statement> m_summarise;
    std::unique_ptr<soci::statement> m_clear;
    std::unique_ptr<soci::statement> m_purge;
    std::unique_ptr<soci::statement> m_present;
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
/// as many rows as the run records hold in the stretch: the rows and
/// minutes of `station`, or of every station when none. None when the table
/// cannot be read (a data source without it, or without stations in it when
/// one is asked for); the reader's session stays open then.
std::optional<MinuteColumns>
summariseMinutes(RunRecordReader& reader, const std::vector<std::string>& drives,
                 const std::vector<Quantity>& quantities, const std::vector<ColumnSpan>& columns,
                 const CurveDecimator& grid, const std::optional<std::string>& station = {});

/// The statements' SQL, for checking their query plans: a minute summarised,
/// bound as the minute's number, after and upTo, as the tables' columns
/// allow; the drives' rows counted in a stretch, bound as after, upTo and
/// the names; all stations' rows counted, bound as after and upTo; the
/// drives' minutes grouped into columns, bound as the grid's from, columns
/// and span, the first minute, the minute after the last, and the names; and
/// all stations' minutes' rows added up, bound as the first minute and the
/// one after the last. With `station` the drives' rows and minutes are that
/// station's only, the station bound after the names.
std::string minuteSummariseSql(const StationColumns& columns = {true, true});
std::string rowCountSql(std::size_t drives, bool station = false);
std::string rowTotalSql();
std::string minuteColumnsSql(std::size_t drives, const std::vector<Quantity>& quantities,
                             bool station = false);
std::string minuteTotalSql();

} // namespace velkaro
