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

void ensureRunRecordTable(soci::session& session) {
    session << "create table if not exists 运行记录 ("
               "记录时间 timestamp, 名字 varchar(255), 运行频率 varchar(255), "
               "输出电流 varchar(255), 输出电压 varchar(255), 设定频率 varchar(255), "
               "母线电压 varchar(255), 工作状态 varchar(255))";
    // The purge and the history window scan by time; the drive filter by name, then time.
    const char* const indexes[] = {
        "create index if not exists 运行记录_记录时间 on 运行记录 (记录时间)",
        "create index if not exists 运行记录_名字_记录时间 on 运行记录 (名字, 记录时间)",
    };
    for (const char* sql : indexes) {
        try {
            session << sql;
        } catch (const soci::soci_error&) {
            // A shared table owned by another account may refuse new indexes.
        }
    }
    try {
        ensureMinuteSummaryTable(session);
    } catch (const soci::soci_error&) {
        // Without the minutes, long trends read every row: slower, not wrong.
    }
}

} // namespace velkaro
