#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace soci {
class session;
}

namespace velkaro {

/// The ODBC data source the run records live in.
inline constexpr std::string_view kRunRecordDsn = "变频器运行记录";
/// How the writer and the history grid reach it.
inline constexpr std::string_view kRunRecordConnect = "DSN=变频器运行记录";

/// Seconds since the epoch; replaceable so tests can pin "now".
using WallClock = std::function<std::time_t()>;
std::time_t systemNow();

/// Local calendar time of `when`, whole seconds.
std::tm localTimeOf(std::time_t when);
/// Local time `hours` hours before `now` (whole days plus remaining hours,
/// which is the same span of seconds).
std::tm hoursBefore(std::time_t now, uint32_t hours);
/// True when both name the same second.
bool sameSecond(const std::tm& a, const std::tm& b);
/// "2006-03-05 09:07:03".
std::string formatRecordTime(const std::tm& time);

/// Opens a session on the ODBC backend. Throws soci::soci_error on failure.
std::unique_ptr<soci::session> openRecordSession(const std::string& connectString);

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

} // namespace velkaro
