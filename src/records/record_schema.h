#pragma once

#include <string>
#include <string_view>

#include "records/run_record.h"

namespace soci {
class session;
}

namespace velkaro {

// The tables of the run records: 运行记录 and, beside it, the per-minute
// summaries; made where missing and upgraded in place. Everything else of the
// records reads and writes them as made here.

/// Beside the run records, one row per drive and minute (the minute counted
/// in local wall-clock minutes since 1970-01-01 00:00): how many rows the
/// minute holds, the times of its first and last, how many were stored as
/// "通讯断线" or in fault, and the lowest and highest number of each
/// quantity. The record pass summarises each minute from the rows once it
/// is over, so a trend over days reads a row per minute instead of twelve.
inline constexpr std::string_view kMinuteSummaryTable = "运行记录分钟汇总";
/// The minute table's columns of a quantity's lowest and highest number
/// ("运行频率最小", "运行频率最大").
std::string minuteLowColumn(Quantity quantity);
std::string minuteHighColumn(Quantity quantity);

/// Creates the table 运行记录 and its indexes when they are missing, and the
/// per-minute summary table beside it, in SQL that SQLite and PostgreSQL both
/// accept; both with the column 站名 after the others. Tables made before
/// stations were told apart are upgraded in place (addStationColumns, the
/// rows there given `station`). Throws if 运行记录 cannot be made; a missing
/// index or summary table only costs speed, and a table that cannot be
/// upgraded is logged into without 站名, so failing at either is tolerated.
void ensureRunRecordTable(soci::session& session, const std::string& station);

/// Which tables hold the column 站名; a table made before stations were told
/// apart does not, nor does a missing one.
struct StationColumns {
    bool rows = false;    ///< 运行记录
    bool minutes = false; ///< the per-minute summaries
};
/// Looks at the tables. Throws when 运行记录 cannot be read at all (no
/// table, a connection gone).
StationColumns stationColumnsOf(soci::session& session);
/// Adds 站名 to 运行记录 and to the minute table where they lack it, each in
/// one transaction: the rows already there get `station`, and the indexes
/// that keep each station's reads range scans are made. Returns the data
/// source's text when 运行记录 cannot be upgraded (an account without the
/// right to alter the table), empty when it holds the column now.
std::string addStationColumns(soci::session& session, const std::string& station);

/// Creates the minute table and its indexes when missing, in SQL that SQLite
/// and PostgreSQL both accept, with the column 站名 after the others: a row
/// per station, drive and minute. Throws on failure (an account that may not
/// create tables on a shared database); the station then writes run records
/// only.
void ensureMinuteSummaryTable(soci::session& session);
/// Gives a minute table made before stations were told apart the column
/// 站名, its minutes named `station` as the rows they summarise are, and the
/// index that keeps a row per station, drive and minute; in one transaction.
/// Throws when the table cannot be altered.
void addMinuteStationColumn(soci::session& session, const std::string& station);

} // namespace velkaro
