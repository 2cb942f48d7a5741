#include "records/record_database.h"

#include <soci/soci.h>

#include "records/minute_summary.h"

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

namespace {

/// The purge and the history window of all stations scan by time; one drive
/// of all stations by name, then time.
constexpr const char* kRowIndexes[] = {
    "create index if not exists 运行记录_记录时间 on 运行记录 (记录时间)",
    "create index if not exists 运行记录_名字_记录时间 on 运行记录 (名字, 记录时间)",
};
/// The same for one station's rows, which share the table with other
/// stations' rows of the same drive names.
constexpr const char* kStationIndexes[] = {
    "create index if not exists 运行记录_站名_记录时间 on 运行记录 (站名, 记录时间)",
    "create index if not exists 运行记录_站名_名字_记录时间 on 运行记录 (站名, 名字, 记录时间)",
};

template <std::size_t N> void createIndexes(soci::session& session, const char* const (&sql)[N]) {
    for (const char* statement : sql) {
        try {
            session << statement;
        } catch (const soci::soci_error&) {
            // A shared table owned by another account may refuse new indexes.
        }
    }
}

/// True when the query can be run (its columns exist).
bool runs(soci::session& session, const std::string& sql) {
    try {
        long long rows = 0;
        session << sql, soci::into(rows);
        return true;
    } catch (const soci::soci_error&) {
        return false;
    }
}

} // namespace

StationColumns stationColumnsOf(soci::session& session) {
    long long rows = 0;
    session << "select count(*) from 运行记录 where 1 = 0", soci::into(rows);
    StationColumns columns;
    columns.rows = runs(session, "select count(站名) from 运行记录 where 1 = 0");
    columns.minutes = runs(session, "select count(站名) from " + std::string(kMinuteSummaryTable) +
                                        " where 1 = 0");
    return columns;
}

std::string addStationColumns(soci::session& session, const std::string& station) {
    std::string refused;
    if (!stationColumnsOf(session).rows) {
        // One transaction: another station sees the column only with every
        // old row named, and a failure leaves the table as it was.
        try {
            soci::transaction upgrade(session);
            session << "alter table 运行记录 add column 站名 varchar(255)";
            session << "update 运行记录 set 站名 = :station", soci::use(station);
            upgrade.commit();
        } catch (const soci::soci_error& error) {
            refused = error.what();
        }
    }
    // A station starting at the same time may have added it meanwhile.
    const bool added = stationColumnsOf(session).rows;
    if (added) {
        createIndexes(session, kStationIndexes);
    }
    try {
        addMinuteStationColumn(session, station);
    } catch (const soci::soci_error&) {
        // Minutes without stations are read only for all stations together.
    }
    return added ? std::string() : refused;
}

void ensureRunRecordTable(soci::session& session, const std::string& station) {
    // Only a missing table is created: PostgreSQL refuses even "if not
    // exists" to an account without the right to create tables, and a shared
    // account may only read and write the rows.
    if (!runs(session, "select count(*) from 运行记录 where 1 = 0")) {
        session << "create table if not exists 运行记录 ("
                   "记录时间 timestamp, 名字 varchar(255), 运行频率 varchar(255), "
                   "输出电流 varchar(255), 输出电压 varchar(255), 设定频率 varchar(255), "
                   "母线电压 varchar(255), 工作状态 varchar(255), 站名 varchar(255))";
    }
    createIndexes(session, kRowIndexes);
    try {
        ensureMinuteSummaryTable(session);
    } catch (const soci::soci_error&) {
        // Without the minutes, long trends read every row: slower, not wrong.
    }
    addStationColumns(session, station);
}

} // namespace velkaro
