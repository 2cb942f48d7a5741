#include "records/record_schema.h"

#include <soci/soci.h>

#include "records/action_table.h"

namespace velkaro {
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
    try {
        ensureActionTable(session);
    } catch (const soci::soci_error&) {
        // The action log makes it itself when it writes its first row.
    }
}

std::string minuteLowColumn(Quantity quantity) {
    return std::string(quantityInfo(quantity).column) + "最小";
}

std::string minuteHighColumn(Quantity quantity) {
    return std::string(quantityInfo(quantity).column) + "最大";
}

void ensureMinuteSummaryTable(soci::session& session) {
    const std::string table(kMinuteSummaryTable);
    std::string columns = "分钟 bigint, 名字 varchar(255), 行数 integer, 首行时间 timestamp, "
                          "末行时间 timestamp, 断线行数 integer, 故障行数 integer";
    for (const Quantity quantity : allQuantities()) {
        columns += ", " + minuteLowColumn(quantity) + " double precision, " +
                   minuteHighColumn(quantity) + " double precision";
    }
    try {
        long long rows = 0;
        session << "select count(*) from " + table + " where 1 = 0", soci::into(rows);
    } catch (const soci::soci_error&) {
        // Only a missing table is created (see ensureRunRecordTable).
        session << "create table if not exists " + table + " (" + columns + ", 站名 varchar(255))";
    }
    // The purge goes by minute, and a trend adds up all stations' rows from
    // this index alone.
    session << "create index if not exists " + table + "_分钟 on " + table + " (分钟, 行数)";
}

void addMinuteStationColumn(soci::session& session, const std::string& station) {
    const std::string table(kMinuteSummaryTable);
    if (!stationColumnsOf(session).minutes) {
        soci::transaction upgrade(session);
        session << "alter table " + table + " add column 站名 varchar(255)";
        session << "update " + table + " set 站名 = :station", soci::use(station);
        upgrade.commit();
    }
    // A row per station, drive and minute (what a summary replaces): two
    // stations' drives of one name keep a minute each. A station of an older
    // version may have made the index of one row per drive and minute again.
    try {
        session << "drop index if exists " + table + "_名字_分钟";
    } catch (const soci::soci_error&) {
    }
    session << "create unique index if not exists " + table + "_站名_名字_分钟 on " + table +
                   " (站名, 名字, 分钟)";
}

} // namespace velkaro
