// Export, events and the console program over a real data source, on SQLite
// and on PostgreSQL.
#include "records/record_reports.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <variant>

#include "records/column_summary.h"
#include "records/data_source.h"
#include "records/minute_summary.h"
#include "records/record_time.h"
#include "records/records_command.h"
#include "support/records_database.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Engine;
using testing::RecordsDatabase;

constexpr std::time_t kMinute = 60;

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class RecordReportsTest : public testing::RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        now = testing::localTime(2026, 3, 6, 8, 0, 0);
    }

    RecordQuery lastHours(int hours) const {
        RecordQuery query;
        query.after = hoursBefore(now, static_cast<uint32_t>(hours));
        query.upTo = localTimeOf(now);
        return query;
    }

    /// Files left in the test's folder besides the data source's own.
    std::vector<std::string> strayFiles(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
};

TEST_P(RecordReportsTest, ExportWritesTheWindowOldestFirstAsQuotedCsv) {
    db->insert(now - 3 * 3600, "too old", "1.00");
    db->insert(now - 2 * kMinute, "泵,一号", "48.50", "正向运转 ");
    db->insert(now - kMinute, "3\"号\"", "0.00", "故障中 过压保护");
    db->insert(now, "3\"号\"", "0.00", "通讯断线 ");
    const std::filesystem::path out = db->folder() / "out" / "history.csv";
    std::filesystem::create_directory(out.parent_path());

    RunRecordReader reader;
    const ExportResult result = exportRecords(reader, lastHours(2), out.string());

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.rows, 3);
    EXPECT_EQ(fileText(out),
              "\xEF\xBB\xBF"
              "记录时间,名字,运行频率,输出电流,输出电压,工作状态,设定频率,母线电压,站名\r\n"
              "2026-03-06 07:58:00,\"泵,一号\",48.50,0.0,0.0,\"正向运转 \",48.50,0.0,测试站\r\n"
              "2026-03-06 07:59:00,\"3\"\"号\"\"\",0.00,0.0,0.0,故障中 过压保护,0.00,0.0,"
              "测试站\r\n"
              "2026-03-06 08:00:00,\"3\"\"号\"\"\",0.00,0.0,0.0,\"通讯断线 \",0.00,0.0,"
              "测试站\r\n");
    EXPECT_EQ(strayFiles(out.parent_path()), std::vector<std::string>{"history.csv"});
}

// Page by page, several rows per second (a pass writes every drive within
// one): no row lost or doubled at a page's edge; a cancel in the middle leaves
// no file and the old file untouched.
TEST_P(RecordReportsTest, ExportStreamsPagesAndACancelLeavesNoFile) {
    for (int pass = 0; pass < 20; ++pass) {
        for (int drive = 1; drive <= 4; ++drive) {
            db->insert(now - 100 + pass * 5, std::to_string(drive) + "#QD10-7.5",
                       std::to_string(pass) + ".00");
        }
    }
    const std::filesystem::path out = db->folder() / "out" / "history.csv";
    std::filesystem::create_directory(out.parent_path());
    std::ofstream(out) << "earlier export";

    RunRecordReader reader;
    reader.setPageRows(7);
    std::vector<long> progress;
    const ExportResult cancelled =
        exportRecords(reader, lastHours(1), out.string(), [&](long rows) {
            progress.push_back(rows);
            return progress.size() < 3;
        });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(fileText(out), "earlier export");
    EXPECT_EQ(strayFiles(out.parent_path()), std::vector<std::string>{"history.csv"});
    ASSERT_EQ(progress.size(), 3u);
    EXPECT_LE(progress[0], 7);

    progress.clear();
    const ExportResult done = exportRecords(reader, lastHours(1), out.string(), [&](long rows) {
        progress.push_back(rows);
        return true;
    });
    ASSERT_TRUE(done.ok) << done.error;
    EXPECT_EQ(done.rows, 80);
    EXPECT_GE(progress.size(), 80u / 7);
    std::istringstream lines(fileText(out));
    std::string line;
    std::getline(lines, line);
    std::vector<std::string> rows;
    while (std::getline(lines, line)) {
        rows.push_back(line.substr(0, line.find(',', 20)));
    }
    ASSERT_EQ(rows.size(), 80u);
    std::vector<std::string> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_TRUE(std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end());
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(),
                               [](auto& a, auto& b) { return a.substr(0, 19) < b.substr(0, 19); }));
}

TEST_P(RecordReportsTest, AnUnwritableFileIsNamedWithItsReason) {
    db->insert(now, "1#QD10-7.5");
    RunRecordReader reader;
    const std::string path = (db->folder() / "missing" / "out.csv").string();
    const ExportResult result = exportRecords(reader, lastHours(2), path);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(path), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("No such file"), std::string::npos) << result.error;
}

TEST_P(RecordReportsTest, EventsAreTheTripsAndLossesOfEachDrive) {
    const std::pair<const char*, const char*> log[] = {
        {"1#QD10-7.5", "正向运转 "},       {"2#QD20-11.00", "故障中 过压保护"},
        {"1#QD10-7.5", "故障中 电机过载"}, {"2#QD20-11.00", "故障中 过压保护"},
        {"1#QD10-7.5", "停止中 "},         {"2#QD20-11.00", "通讯断线 "},
        {"1#QD10-7.5", "正向运转 "},       {"2#QD20-11.00", "正向运转 "},
    };
    // The first pair lies before the window: it only tells where each drive stood.
    std::time_t at = now - 2 * 3600 - kMinute;
    for (const auto& [name, state] : log) {
        db->insert(at, name, "0.00", state);
        at = at == now - 2 * 3600 - kMinute ? now - 30 * kMinute : at + kMinute;
    }
    RunRecordReader reader;
    const auto events = findEvents(reader, lastHours(2));
    std::vector<std::string> lines;
    for (const RecordEvent& event : events) {
        lines.push_back(eventLine(event));
    }
    EXPECT_EQ(lines,
              (std::vector<std::string>{"2026-03-06 07:31:00,1#QD10-7.5,电机过载,测试站\r\n",
                                        "2026-03-06 07:34:00,2#QD20-11.00,通讯断线,测试站\r\n"}));
}

// The console reads this station's rows unless told another station or all
// of them; a station sharing the data source trips its drive of the same name.
TEST_P(RecordReportsTest, ConsoleProgramExportsAndListsEvents) {
    db->insert(now - 10 * kMinute, "1#QD10-7.5", "50.00", "正向运转 ");
    db->insert(now - 5 * kMinute, "1#QD10-7.5", "0.00", "故障中 过压保护");
    db->insert(now - 9 * kMinute, "1#QD10-7.5", "30.00", "正向运转 ", std::string("二号站"));
    db->insert(now - 4 * kMinute, "1#QD10-7.5", "0.00", "故障中 欠压保护", std::string("二号站"));
    const std::filesystem::path out = db->folder() / "night.csv";
    std::ostringstream stdOut;
    std::ostringstream stdErr;
    RecordsConsole console{stdOut, stdErr, now};
    console.station = testing::kTestStation;
    struct Case {
        std::vector<std::string> args;
        int exit;
        const char* events; ///< what `events` prints after its header
    };
    const std::string ours = "2026-03-06 07:55:00,1#QD10-7.5,过压保护,测试站\r\n";
    const std::string theirs = "2026-03-06 07:56:00,1#QD10-7.5,欠压保护,二号站\r\n";
    const std::string both = ours + theirs;
    const Case cases[] = {
        {{"export", "--hours", "1", "--drive", "1#QD10-7.5", out.string()}, 0, nullptr},
        {{"events", "--hours", "1"}, 0, ours.c_str()},
        {{"events", "--hours", "1", "--station", "二号站"}, 0, theirs.c_str()},
        {{"events", "--hours", "1", "--all-stations"}, 0, both.c_str()},
        {{"events", "--hours", "1", "--station", "三号站"}, 0, ""},
        {{"events", "--from", "2026-03-06 08:00", "--to", "2026-03-06 07:00"},
         kRecordsExitUsage,
         nullptr},
        {{"events", "--station", "二号站", "--all-stations"}, kRecordsExitUsage, nullptr},
        {{"export", "--hours", "1", (db->folder() / "no" / "x.csv").string()},
         kRecordsExitFailure,
         nullptr},
        {{"export"}, kRecordsExitUsage, nullptr},
    };
    for (const Case& c : cases) {
        stdOut.str("");
        EXPECT_EQ(runRecordsCommand(c.args, console), c.exit)
            << ::testing::PrintToString(c.args) << stdErr.str();
        if (c.events) {
            EXPECT_EQ(stdOut.str(), eventHeaderLine() + c.events)
                << ::testing::PrintToString(c.args);
        }
    }
    const auto line = [&](const char* frequency, const char* state) {
        return exportLine(RunRecord{localTimeOf(now), "1#QD10-7.5", frequency, "0.0", "0.0",
                                    frequency, "0.0", state, testing::kTestStation});
    };
    EXPECT_EQ(fileText(out).size(), 3 + exportHeaderLine().size() +
                                        line("50.00", "正向运转 ").size() +
                                        line("0.00", "故障中 过压保护").size());

    const RecordsConsole nowhere{stdOut, stdErr, now, "DSN=没有这个数据源"};
    EXPECT_EQ(runRecordsCommand({"events"}, nowhere), kRecordsExitFailure);
}

// The long reads must stay index range scans (a function around 记录时间, or
// a name compared in another type, would turn them into whole-table scans).
TEST_P(RecordReportsTest, PagesAreIndexRangeScans) {
    const bool postgres = GetParam() == Engine::PostgreSQL;
    const std::string base = formatRecordTime(localTimeOf(now));
    const std::string columns = "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, "
                                "输出电压, 设定频率, 母线电压, 工作状态, 站名) ";
    // Two stations with the same drives take turns.
    const std::string station = "(case when i / 32 % 2 = 0 then '测试站' else '二号站' end)";
    // The minutes of those rows (their counts only: plans care for no more).
    const std::string minutes = "insert into 运行记录分钟汇总 (分钟, 站名, 名字, 行数, 首行时间, "
                                "末行时间, 断线行数, 故障行数) select ";
    const std::string groups = ", 站名, 名字, count(*), min(记录时间), max(记录时间), 0, 0 from "
                               "运行记录 group by 站名, 名字, ";
    if (postgres) {
        db->execute(columns + "select timestamp '" + base +
                    "' - (i / 32) * interval '5 second', (i % 32 + 1) || '#QD10-7.5', '1', '1', "
                    "'1', '1', '1', '正向运转 ', " +
                    station + " from generate_series(0, 49999) as i");
        const std::string minute =
            "cast(extract(epoch from date_trunc('minute', 记录时间)) as bigint) / 60";
        db->execute(minutes + minute + groups + minute);
        db->execute("analyze 运行记录");
        db->execute("analyze 运行记录分钟汇总");
    } else {
        db->execute("with recursive seq(i) as (select 0 union all select i + 1 from seq where i < "
                    "49999) " +
                    columns + "select strftime('%Y-%m-%d %H:%M:%S', '" + base +
                    "', '-' || (i / 32 * 5) || ' seconds'), (i % 32 + 1) || '#QD10-7.5', '1', "
                    "'1', '1', '1', '1', '正向运转 ', " +
                    station + " from seq");
        const std::string minute = "cast(strftime('%s', substr(记录时间, 1, 19)) as integer) / 60";
        db->execute(minutes + minute + groups + minute);
    }
    soci::session session("odbc", std::string(kRunRecordConnect));
    for (const auto& [oneDrive, oneStation] :
         {std::pair{true, false}, {false, false}, {true, true}, {false, true}}) {
        RecordQuery query = lastHours(1);
        if (oneDrive) {
            query.driveName = "7#QD10-7.5";
        }
        if (oneStation) {
            query.station = testing::kTestStation;
        }
        std::tm after = query.after;
        std::tm upTo = query.upTo;
        std::string name = query.driveName.value_or("");
        std::string station = query.station.value_or("");
        const std::string sql = (postgres ? "explain " : "explain query plan ") +
                                RunRecordReader::pageSql(query, RunRecordReader::kDefaultPageRows);
        std::string plan;
        soci::details::prepare_temp_type prepared =
            (session.prepare << sql, soci::use(after), soci::use(upTo));
        if (oneDrive) {
            prepared, soci::use(name);
        }
        if (oneStation) {
            prepared, soci::use(station);
        }
        for (const soci::row& row : soci::rowset<soci::row>(prepared)) {
            plan += row.get<std::string>(row.size() - 1) + "\n";
        }
        const std::string index = std::string(oneStation ? "运行记录_站名_" : "运行记录_") +
                                  (oneDrive ? "名字_记录时间" : "记录时间");
        // With a page limit and two stations taking turns, PostgreSQL may
        // rather walk the time index and pass over the other station's half.
        const bool either = postgres && oneStation && !oneDrive &&
                            plan.find("运行记录_记录时间") != std::string::npos;
        EXPECT_TRUE(either || plan.find(index) != std::string::npos) << plan;
        EXPECT_EQ(plan.find(postgres ? "Seq Scan" : "SCAN 运行记录\n"), std::string::npos) << plan;
        if (!postgres) {
            // PostgreSQL may sort a bitmap scan's page itself; SQLite walks the index in order.
            EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
        }
    }

    // The trend's statements: a column's summary of one drive and of three,
    // the rows of two stretches, within the last ten minutes; the rows counted
    // and the minutes of the last half hour in columns of five minutes.
    using Bound = std::variant<std::string, std::tm, long long>;
    const auto at = [&](int minutes) { return Bound(localTimeOf(now - minutes * kMinute)); };
    const auto minute = [&](int minutes) {
        return Bound(static_cast<long long>(wallSecondsAt(now) / kMinute - minutes));
    };
    const std::vector<Quantity> values = {Quantity::RunningFrequency, Quantity::BusVoltage};
    const Bound one = std::string("7#QD10-7.5");
    const Bound two = std::string("9#QD10-7.5");
    const Bound three = std::string("1#QD10-7.5");
    const Bound ours = std::string(testing::kTestStation);
    const Bound grid[] = {static_cast<long long>(wallSecondsAt(now) - 30 * kMinute), 6LL,
                          30LL * kMinute};
    const std::string rows = "运行记录_";
    const std::string inMinutes = "运行记录分钟汇总_";
    const std::tuple<std::string, std::vector<Bound>, std::string> statements[] = {
        {columnSummarySql(1, values), {at(10), at(5), one}, rows},
        {columnSummarySql(3, values), {at(10), at(5), one, two, three}, rows},
        {spanRowsSql(values, 2), {one, at(10), at(9), two, at(3), at(2)}, rows},
        {minuteSummariseSql(), {minute(6), at(6), at(5)}, rows},
        {rowCountSql(1), {at(30), at(5), one}, rows},
        {rowCountSql(3), {at(30), at(5), one, two, three}, rows},
        {rowTotalSql(), {at(30), at(5)}, rows},
        {minuteColumnsSql(3, values),
         {grid[0], grid[1], grid[2], minute(30), minute(5), one, two, three},
         inMinutes},
        {minuteTotalSql(), {minute(30), minute(5)}, inMinutes},
        // The same for one station of the two.
        {columnSummarySql(3, values, true), {at(10), at(5), one, two, three, ours}, rows},
        {spanRowsSql(values, 2, true), {one, ours, at(10), at(9), two, ours, at(3), at(2)}, rows},
        {rowCountSql(3, true), {at(30), at(5), one, two, three, ours}, rows},
        {minuteColumnsSql(3, values, true),
         {grid[0], grid[1], grid[2], minute(30), minute(5), one, two, three, ours},
         inMinutes},
    };
    for (auto [sql, bound, index] : statements) {
        soci::details::prepare_temp_type prepared =
            (session.prepare << (postgres ? "explain " : "explain query plan ") + sql);
        for (Bound& value : bound) {
            std::visit([&](auto& v) { prepared, soci::use(v); }, value);
        }
        std::string plan;
        for (const soci::row& row : soci::rowset<soci::row>(prepared)) {
            plan += row.get<std::string>(row.size() - 1) + "\n";
        }
        EXPECT_NE(plan.find(index), std::string::npos) << plan;
        EXPECT_EQ(plan.find(postgres ? "Seq Scan" : "SCAN r"), std::string::npos) << plan;
        EXPECT_EQ(plan.find(postgres ? "Seq Scan" : "SCAN m"), std::string::npos) << plan;
    }
}

TEST_P(RecordReportsTest, ADataSourceThatGoesAwayFailsTheExportAndIsFoundAgain) {
    if (GetParam() != Engine::PostgreSQL) {
        GTEST_SKIP() << "a server to stop: PostgreSQL only";
    }
    db->insert(now, "1#QD10-7.5");
    RunRecordReader reader;
    const std::filesystem::path out = db->folder() / "out.csv";
    ASSERT_TRUE(exportRecords(reader, lastHours(1), out.string()).ok);
    std::filesystem::remove(out);

    db->setAvailable(false);
    const ExportResult failed = exportRecords(reader, lastHours(1), out.string());
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.empty());
    EXPECT_FALSE(std::filesystem::exists(out));

    db->setAvailable(true);
    EXPECT_TRUE(exportRecords(reader, lastHours(1), out.string()).ok);
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordReportsTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
