#include "support/records_database.h"

#include <odbcinst.h>
#include <soci/soci.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <thread>
#include <utility>

#include "records/data_source.h"
#include "records/record_database.h"

namespace velkaro::testing {
namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string timeText(const std::tm& time) {
    return formatRecordTime(time);
}

} // namespace

std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
    return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL";
}

std::time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    time.tm_isdst = -1;
    return std::mktime(&time);
}

RecordsDatabase::RecordsDatabase(Engine engine) : m_engine(engine) {
    // The driver manager binds a data source name to its driver on first use
    // and keeps that for the life of the process, whatever ODBCINI says later.
    // ctest runs every test in its own process; a direct run takes one engine.
    static std::optional<Engine> processEngine;
    if (processEngine && *processEngine != engine) {
        m_skipReason = "one engine per process: run under ctest, or filter on *" +
                       std::string(engine == Engine::SQLite ? "SQLite" : "PostgreSQL") + "*";
        return;
    }
    setenv("ODBCINI", m_folder.file("odbc.ini").c_str(), 1);
    setenv("XDG_DATA_HOME", m_folder.path().c_str(), 1);
    if (engine == Engine::PostgreSQL) {
        if (env("VELKARO_TEST_PG_PORT").empty()) {
            m_skipReason =
                "no PostgreSQL server (VELKARO_TEST_PG_* not set; scripts/test starts one)";
            return;
        }
        createPostgresDatabase();
    }
    if (m_skipReason.empty()) {
        processEngine = engine;
    }
}

RecordsDatabase::~RecordsDatabase() {
    m_session.reset();
    if (!m_pgDatabase.empty()) {
        try {
            soci::session server("odbc", m_pgServerConnect);
            server << "drop database if exists " + m_pgDatabase + " with (force)";
            if (!m_pgRole.empty()) {
                server << "drop role if exists " + m_pgRole;
            }
        } catch (const std::exception&) {
        }
    }
}

void RecordsDatabase::createPostgresDatabase() {
    static int serial = 0;
    m_pgDatabase = "velkaro_t" + std::to_string(getpid()) + "_" + std::to_string(++serial);
    const std::string driver = env("VELKARO_TEST_PG_DRIVER").empty()
                                   ? std::string("PostgreSQL Unicode")
                                   : env("VELKARO_TEST_PG_DRIVER");
    m_pgServerConnect = "Driver={" + driver + "};Servername=" + env("VELKARO_TEST_PG_HOST") +
                        ";Port=" + env("VELKARO_TEST_PG_PORT") +
                        ";Database=" + env("VELKARO_TEST_PG_DATABASE") +
                        ";Username=" + env("VELKARO_TEST_PG_USER") + ";Password=;";
    {
        soci::session server("odbc", m_pgServerConnect);
        server << "create database " + m_pgDatabase;
    }
    // The station's data source, pointed at the server as an operator would.
    // Written through the installer, which also drops the driver manager's
    // cached copy of the previous test's file.
    const char* dsn = "变频器运行记录";
    const std::pair<const char*, std::string> keys[] = {
        {"Servername", env("VELKARO_TEST_PG_HOST")},
        {"Port", env("VELKARO_TEST_PG_PORT")},
        {"Database", m_pgDatabase},
        {"Username", env("VELKARO_TEST_PG_USER")},
        {"Password", ""},
        {"pqopt", "connect_timeout=3"},
    };
    SQLSetConfigMode(ODBC_USER_DSN);
    bool written = SQLWriteDSNToIni(dsn, driver.c_str());
    for (const auto& [key, value] : keys) {
        written = written && SQLWritePrivateProfileString(dsn, key, value.c_str(), "odbc.ini");
    }
    SQLSetConfigMode(ODBC_BOTH_DSN);
    if (!written) {
        m_skipReason = "cannot write the test data source";
    }
}

soci::session& RecordsDatabase::session() {
    if (!m_session) {
        m_session = openRecordSession(std::string(kRunRecordConnect));
    }
    return *m_session;
}

void RecordsDatabase::insert(std::time_t when, const std::string& name,
                             const std::string& frequency, const std::string& state,
                             const std::optional<std::string>& station) {
    std::tm time = localTimeOf(when);
    const std::string zero = "0.0";
    const std::string columns = "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, "
                                "输出电压, 设定频率, 母线电压, 工作状态";
    const std::string values = ") values (:t, :n, :f, :i, :u, :s, :b, :w";
    if (station) {
        session() << columns + ", 站名" + values + ", :station)", soci::use(time), soci::use(name),
            soci::use(frequency), soci::use(zero), soci::use(zero), soci::use(frequency),
            soci::use(zero), soci::use(state), soci::use(*station);
    } else {
        session() << columns + values + ")", soci::use(time), soci::use(name), soci::use(frequency),
            soci::use(zero), soci::use(zero), soci::use(frequency), soci::use(zero),
            soci::use(state);
    }
}

void RecordsDatabase::execute(const std::string& sql) {
    session() << sql;
}

int RecordsDatabase::count() {
    int rows = 0;
    session() << "select count(*) from 运行记录", soci::into(rows);
    return rows;
}

int RecordsDatabase::countOf(const std::string& name) {
    int rows = 0;
    session() << "select count(*) from 运行记录 where 名字 = :n", soci::use(name), soci::into(rows);
    return rows;
}

std::vector<std::string> RecordsDatabase::rows() {
    std::vector<std::string> result;
    soci::rowset<soci::row> rowset =
        (session().prepare << "select 名字, 记录时间, 运行频率, 输出电流, 输出电压, 设定频率, "
                              "母线电压, 工作状态, coalesce(站名, '-') from 运行记录 "
                              "order by 记录时间");
    for (const soci::row& row : rowset) {
        std::string text = row.get<std::string>(0) + "|" + timeText(row.get<std::tm>(1));
        for (std::size_t column = 2; column < 9; ++column) {
            text += "|" + row.get<std::string>(column);
        }
        result.push_back(text);
    }
    return result;
}

void RecordsDatabase::makeTablesWithoutStations() {
    std::string minutes = "create table 运行记录分钟汇总 (分钟 bigint, 名字 varchar(255), "
                          "行数 integer, 首行时间 timestamp, 末行时间 timestamp, 断线行数 integer, "
                          "故障行数 integer";
    for (const char* quantity : {"运行频率", "设定频率", "输出电流", "输出电压", "母线电压"}) {
        minutes += std::string(", ") + quantity + "最小 double precision, " + quantity +
                   "最大 double precision";
    }
    const std::string statements[] = {
        "drop table if exists 运行记录",
        "drop table if exists 运行记录分钟汇总",
        "create table 运行记录 (记录时间 timestamp, 名字 varchar(255), 运行频率 varchar(255), "
        "输出电流 varchar(255), 输出电压 varchar(255), 设定频率 varchar(255), "
        "母线电压 varchar(255), 工作状态 varchar(255))",
        "create index 运行记录_记录时间 on 运行记录 (记录时间)",
        "create index 运行记录_名字_记录时间 on 运行记录 (名字, 记录时间)",
        minutes + ")",
        "create unique index 运行记录分钟汇总_名字_分钟 on 运行记录分钟汇总 (名字, 分钟)",
        "create index 运行记录分钟汇总_分钟 on 运行记录分钟汇总 (分钟, 行数)",
    };
    for (const std::string& sql : statements) {
        session() << sql;
    }
}

void RecordsDatabase::useRoleWithoutAlterRights() {
    if (m_engine != Engine::PostgreSQL) {
        return;
    }
    session(); // stays the owner's
    m_pgRole = m_pgDatabase + "_writer";
    const std::string statements[] = {
        "create role " + m_pgRole + " login",
        "grant select, insert, delete on 运行记录 to " + m_pgRole,
        "grant select, insert, update, delete on 运行记录分钟汇总 to " + m_pgRole,
    };
    for (const std::string& sql : statements) {
        session() << sql;
    }
    SQLSetConfigMode(ODBC_USER_DSN);
    SQLWritePrivateProfileString("变频器运行记录", "Username", m_pgRole.c_str(), "odbc.ini");
    SQLSetConfigMode(ODBC_BOTH_DSN);
}

void RecordsDatabase::setAvailable(bool available) {
    if (m_engine != Engine::PostgreSQL) {
        return;
    }
    m_session.reset();
    soci::session server("odbc", m_pgServerConnect);
    server << "alter database " + m_pgDatabase + " allow_connections " +
                  (available ? "true" : "false");
    if (!available) {
        const std::string activity = "from pg_stat_activity where datname = '" + m_pgDatabase + "'";
        int signalled = 0;
        server << "select count(pg_terminate_backend(pid)) " + activity, soci::into(signalled);
        // The backends end on their own time; wait until they are gone.
        for (int wait = 0; wait < 500; ++wait) {
            int left = 0;
            server << "select count(*) " + activity, soci::into(left);
            if (left == 0) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
}

int runRecordRows() {
    try {
        soci::session session("odbc", std::string(kRunRecordConnect));
        int rows = 0;
        session << "select count(*) from 运行记录", soci::into(rows);
        return rows;
    } catch (const std::exception&) {
        return -1;
    }
}

void RecordsTest::SetUp() {
    db = std::make_unique<RecordsDatabase>(GetParam());
    if (!db->skipReason().empty()) {
        GTEST_SKIP() << db->skipReason();
    }
    const DataSourceResult result = registerDataSourceFor(kTestStation);
    ASSERT_TRUE(result.ok) << result.message;
    options.stationName = kTestStation;
    now = localTime(2026, 3, 5, 9, 7, 3);
}

} // namespace velkaro::testing
