#include "records/action_table.h"

#include <soci/soci.h>

#include <array>
#include <memory>

#include "files/csv_text.h"
#include "records/csv_file.h"

namespace velkaro {
namespace {

struct Column {
    const char* name;
    const char* type;
};
constexpr Column kColumns[] = {
    {"记录时间", "timestamp"}, {"站名", "varchar(255)"}, {"账户", "varchar(255)"},
    {"名字", "varchar(255)"},  {"地址", "integer"},      {"操作", "varchar(255)"},
    {"原值", "varchar(255)"},  {"新值", "varchar(255)"}, {"结果", "varchar(255)"},
};

/// Reads by time, of all stations or one, of one drive.
constexpr const char* kIndexes[] = {
    "create index if not exists 操作记录_记录时间 on 操作记录 (记录时间)",
    "create index if not exists 操作记录_站名_记录时间 on 操作记录 (站名, 记录时间)",
    "create index if not exists 操作记录_名字_记录时间 on 操作记录 (名字, 记录时间)",
};

bool runs(soci::session& session, const std::string& sql) {
    try {
        long long rows = 0;
        session << sql, soci::into(rows);
        return true;
    } catch (const soci::soci_error&) {
        return false;
    }
}

std::time_t timeOf(std::tm local) {
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::string textOf(const std::string& value, soci::indicator flag) {
    return flag == soci::i_null ? std::string() : value;
}

} // namespace

std::vector<std::string> actionColumns() {
    std::vector<std::string> names;
    for (const Column& column : kColumns) {
        names.emplace_back(column.name);
    }
    return names;
}

void ensureActionTable(soci::session& session) {
    // Only a missing table is created: a shared account may have the right to
    // write rows but not to create tables (see ensureRunRecordTable).
    if (!runs(session, "select count(*) from 操作记录 where 1 = 0")) {
        std::string columns;
        for (const Column& column : kColumns) {
            columns += std::string(columns.empty() ? "" : ", ") + column.name + " " + column.type;
        }
        session << "create table if not exists 操作记录 (" + columns + ")";
    }
    for (const Column& column : kColumns) {
        if (runs(session,
                 std::string("select count(") + column.name + ") from 操作记录 where 1 = 0")) {
            continue;
        }
        try {
            session << std::string("alter table 操作记录 add column ") + column.name + " " +
                           column.type;
        } catch (const soci::soci_error&) {
            // Not this account's table: its rows go in without the column.
        }
    }
    for (const char* statement : kIndexes) {
        try {
            session << statement;
        } catch (const soci::soci_error&) {
        }
    }
}

struct ActionInsert::Bound {
    explicit Bound(soci::session& session)
        : statement((session.prepare << "insert into 操作记录 (记录时间, 站名, 账户, 名字, 地址, "
                                        "操作, 原值, 新值, 结果) values (:t, :s, :a, :n, :d, :o, "
                                        ":v0, :v1, :r)",
                     soci::use(time), soci::use(row.station), soci::use(row.account),
                     soci::use(row.drive), soci::use(row.address), soci::use(row.action),
                     soci::use(row.oldValue), soci::use(row.newValue), soci::use(row.result))) {}

    std::tm time{};
    ActionRecord row;
    soci::statement statement;
};

ActionInsert::ActionInsert(soci::session& session) : m_bound(std::make_unique<Bound>(session)) {}

ActionInsert::~ActionInsert() = default;

void ActionInsert::insert(const ActionRecord& row) {
    m_bound->row = row;
    m_bound->time = localTimeOf(row.time);
    m_bound->statement.execute(true);
}

std::vector<ActionRecord> readActions(soci::session& session, const ActionQuery& query) {
    std::tm after = query.after;
    std::tm upTo = query.upTo;
    std::string drive = query.drive.value_or("");
    std::string station = query.station.value_or("");
    std::string account = query.account.value_or("");
    std::tm time{};
    ActionRecord row;
    std::array<soci::indicator, 8> flags{};
    soci::statement statement(session);
    std::string sql =
        "select 记录时间, 站名, 账户, 名字, 地址, 操作, 原值, 新值, 结果 from 操作记录 "
        "where 记录时间 > :after and 记录时间 <= :upto";
    statement.exchange(soci::use(after));
    statement.exchange(soci::use(upTo));
    if (query.drive) {
        sql += " and 名字 = :drive";
        statement.exchange(soci::use(drive));
    }
    if (query.station) {
        sql += " and 站名 = :station";
        statement.exchange(soci::use(station));
    }
    if (query.account) {
        sql += " and 账户 = :account";
        statement.exchange(soci::use(account));
    }
    sql += query.newestFirst ? " order by 记录时间 desc" : " order by 记录时间";
    if (query.limit > 0) {
        sql += " limit " + std::to_string(query.limit);
    }
    statement.exchange(soci::into(time));
    std::string* texts[] = {&row.station,  &row.account,  &row.drive, &row.action,
                            &row.oldValue, &row.newValue, &row.result};
    statement.exchange(soci::into(*texts[0], flags[0]));
    statement.exchange(soci::into(*texts[1], flags[1]));
    statement.exchange(soci::into(*texts[2], flags[2]));
    statement.exchange(soci::into(row.address, flags[7]));
    for (std::size_t i = 3; i < 7; ++i) {
        statement.exchange(soci::into(*texts[i], flags[i]));
    }
    statement.alloc();
    statement.prepare(sql);
    statement.define_and_bind();
    std::vector<ActionRecord> rows;
    if (!statement.execute(true)) {
        return rows;
    }
    do {
        ActionRecord read;
        read.time = timeOf(time);
        read.station = textOf(row.station, flags[0]);
        read.account = textOf(row.account, flags[1]);
        read.drive = textOf(row.drive, flags[2]);
        read.address = flags[7] == soci::i_null ? 0 : row.address;
        read.action = textOf(row.action, flags[3]);
        read.oldValue = textOf(row.oldValue, flags[4]);
        read.newValue = textOf(row.newValue, flags[5]);
        read.result = textOf(row.result, flags[6]);
        rows.push_back(std::move(read));
    } while (statement.fetch());
    return rows;
}

std::string actionHeaderLine() {
    return csvRecord(actionColumns());
}

std::string actionLine(const ActionRecord& row) {
    return csvRecord({formatRecordTime(localTimeOf(row.time)), row.station, row.account, row.drive,
                      row.address > 0 ? std::to_string(row.address) : std::string(), row.action,
                      row.oldValue, row.newValue, row.result});
}

} // namespace velkaro

namespace velkaro {

std::string writeActionCsv(const std::vector<ActionRecord>& rows, const std::string& path) {
    CsvFile file;
    if (!file.open(path) || !file.write(actionHeaderLine())) {
        return file.error();
    }
    for (const ActionRecord& row : rows) {
        if (!file.write(actionLine(row))) {
            return file.error();
        }
    }
    return file.commit() ? std::string() : file.error();
}

} // namespace velkaro
