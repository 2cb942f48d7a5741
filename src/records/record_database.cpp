#include "records/record_database.h"

#include <soci/odbc/soci-odbc.h>
#include <soci/soci.h>

namespace velkaro {

std::time_t systemNow() {
    return std::time(nullptr);
}

std::tm localTimeOf(std::time_t when) {
    std::tm result{};
    localtime_r(&when, &result);
    return result;
}

std::tm hoursBefore(std::time_t now, uint32_t hours) {
    const std::time_t days = hours / 24;
    const std::time_t rest = hours % 24;
    return localTimeOf(now - days * 86400 - rest * 3600);
}

bool sameSecond(const std::tm& a, const std::tm& b) {
    return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday &&
           a.tm_hour == b.tm_hour && a.tm_min == b.tm_min && a.tm_sec == b.tm_sec;
}

std::string formatRecordTime(const std::tm& time) {
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &time);
    return std::string(text, length);
}

std::unique_ptr<soci::session> openRecordSession(const std::string& connectString) {
    return std::make_unique<soci::session>("odbc", connectString);
}

void setStatementTimeout(soci::session& session, int seconds) {
    if (session.get_backend_name() != "odbc") {
        return;
    }
    // A statement attribute given to the connection is the default of every
    // statement allocated on it from then on, the statements of a one-line
    // `session << …` too; psqlODBC has the server cancel a statement that
    // runs longer.
    auto* backend = static_cast<soci::odbc_session_backend*>(session.get_backend());
    SQLSetConnectAttr(backend->hdbc_, SQL_ATTR_QUERY_TIMEOUT,
                      // An integer attribute goes over in the pointer argument.
                      // NOLINTNEXTLINE(performance-no-int-to-ptr)
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds > 0 ? seconds : 0)),
                      0);
}

namespace {

bool onSqlite(soci::session& session) {
    if (session.get_backend_name() != "odbc") {
        return false;
    }
    auto* backend = static_cast<soci::odbc_session_backend*>(session.get_backend());
    return backend->get_database_product() == soci::odbc_session_backend::prod_sqlite;
}

} // namespace

void limitPageCache(soci::session& session) {
    // SQLite's own default, 2 MB a connection, fills a page at a time as the
    // rows grow: a logger's memory climbed for its first twenty minutes. The
    // writer touches a few dozen pages a pass.
    if (onSqlite(session)) {
        session << "pragma cache_size = -" + std::to_string(kWriterPageCacheKiB);
    }
}

} // namespace velkaro
