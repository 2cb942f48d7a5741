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

/// Bounds every statement of `session` to `seconds` (0: no bound), as the
/// ODBC statement time-out each statement takes from its connection. Drivers
/// that keep none of their own ignore it: SQLite's lock waits are bounded by
/// the data source's Timeout instead.
void setStatementTimeout(soci::session& session, int seconds);

/// On SQLite, keeps the session's page cache to kWriterPageCacheKiB; other
/// engines keep theirs on the server. For the writer's session, which only
/// appends at one end of its tables and purges at the other.
void limitPageCache(soci::session& session);
inline constexpr int kWriterPageCacheKiB = 512;

} // namespace velkaro
