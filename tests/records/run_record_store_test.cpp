#include "link/link_snapshot.h"

#include "records/run_record_store.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>

#include "records/data_source.h"
#include "records/record_reports.h"
#include "records/record_time.h"
#include "records/records_worker.h"
#include "records/trend_data.h"
#include "support/records_database.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Engine;

constexpr std::time_t kHour = 3600;

class RunRecordStoreTest : public testing::RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        store.setClock([this] { return now; });
    }

    /// A connected, running drive in `slot`, its status read, appended to the
    /// list.
    void connect(int slot, const std::string& name, int32_t frequency = 5000) {
        view.statusRead[static_cast<std::size_t>(slot)] = true;
        DriveRecord& drive = view.table.slots[static_cast<std::size_t>(slot)];
        drive.name = name;
        drive.series = "QD10";
        drive.online = 1;
        drive.status[0] = 0x4004;
        drive.status[1] = frequency;
        view.table.driveNames[view.table.driveCount++] = name;
    }

    PassOutcome pass(const std::function<void()>& afterEachRow = {}) {
        return store.writeRunRecords(view, options, afterEachRow);
    }

    RunRecordStore store;
};

TEST_P(RunRecordStoreTest, PurgeDeletesExactlyTheRowsOlderThanTheStorageTime) {
    struct Age {
        const char* name;
        std::time_t age;
        bool kept;
    };
    const Age ages[] = {
        {"25h", 25 * kHour, false},
        {"24h+1s", 24 * kHour + 1, false},
        {"24h", 24 * kHour, true},
        {"23h", 23 * kHour, true},
    };
    for (const Age& a : ages) {
        db->insert(now - a.age, a.name);
    }
    connect(0, "A");
    const PassOutcome outcome = pass();
    for (const Age& a : ages) {
        EXPECT_EQ(db->countOf(a.name), a.kept ? 1 : 0) << a.name;
    }
    EXPECT_EQ(db->countOf("A"), 1);
    EXPECT_TRUE(outcome.done()) << outcome.error;
    EXPECT_EQ(outcome.written, 1u);
}

TEST_P(RunRecordStoreTest, ShorterStorageTimePurgesInTheNextPass) {
    db->insert(now - 70 * kHour, "old");
    db->insert(now - 13 * kHour, "older than 12h");
    db->insert(now - 11 * kHour, "younger than 12h");
    connect(0, "A");
    options.maxStorageHours = 72;
    pass();
    EXPECT_EQ(db->count(), 4);
    options.maxStorageHours = 12;
    ++now;
    pass();
    EXPECT_EQ(db->countOf("old"), 0);
    EXPECT_EQ(db->countOf("older than 12h"), 0);
    EXPECT_EQ(db->countOf("younger than 12h"), 1);
    EXPECT_EQ(db->countOf("A"), 2);
}

TEST_P(RunRecordStoreTest, AppendsOneRowPerDriveInListOrderWithRefreshAfterEach) {
    connect(4, "O'Brien 1# ", 1234);
    connect(0, "2#QD20", 0);
    connect(2, "3#QD30", 125);
    view.table.slots[2].online = 0; // dropped: its last values are kept
    std::vector<int> rowsSeen;
    pass([&] { rowsSeen.push_back(db->count()); });
    EXPECT_EQ(rowsSeen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(db->rows(),
              (std::vector<std::string>{
                  "O'Brien 1# |2026-03-05 09:07:03|12.34|0.0|0.0|0.00|0.0|正向运转 |测试站",
                  "2#QD20|2026-03-05 09:07:03|0.00|0.0|0.0|0.00|0.0|正向运转 |测试站",
                  "3#QD30|2026-03-05 09:07:03|1.25|0.0|0.0|0.00|0.0|通讯断线 |测试站",
              }));
}

// Each minute is summarised once it is over, with the rows another station
// wrote into it too; minutes left unsummarised are found later; the purge
// takes the minutes with their rows and leaves the one it cuts counting the
// rows left; a data source without the minute table still gets every row.
TEST_P(RunRecordStoreTest, SummarisesEachMinuteOnceItIsOver) {
    connect(0, "A");
    const std::time_t start = now;
    RunRecordStore other;
    other.setClock([this] { return now; });
    const WallSeconds firstMinute = minuteStartOf(wallSecondsAt(now));
    // Every 5 s from 09:07:03 to 09:08:08, then once at 09:09:08; A answers
    // not at 09:07:58, and another station writes C at each pass.
    for (int step = 0; step < 15; ++step) {
        view.table.slots[0].status[1] = 4000 + step * 10;
        view.table.slots[0].online = step == 11 ? 0 : 1;
        pass();
        RunRecord c;
        c.name = "C";
        c.runningFrequency = "1.00";
        other.writeRows({c}, options.maxStorageHours, {});
        now += step == 13 ? 60 : 5;
    }
    using Minute = std::tuple<std::string, WallSeconds, long long, WallSeconds, WallSeconds,
                              long long, long long, double, double>;
    const auto minutes = [&] {
        std::vector<Minute> found;
        soci::session session("odbc", std::string(kRunRecordConnect));
        std::string name;
        long long minute = 0;
        long long rows = 0;
        std::tm first{};
        std::tm last{};
        long long lost = 0;
        long long faults = 0;
        double low = 0;
        double high = 0;
        soci::statement select =
            (session.prepare
                 << "select 名字, 分钟, 行数, 首行时间, 末行时间, 断线行数, 故障行数, "
                    "运行频率最小, 运行频率最大 from 运行记录分钟汇总 order by 名字, 分钟",
             soci::into(name), soci::into(minute), soci::into(rows), soci::into(first),
             soci::into(last), soci::into(lost), soci::into(faults), soci::into(low),
             soci::into(high));
        select.execute();
        while (select.fetch()) {
            const WallSeconds start = minute * kMinuteSeconds;
            found.emplace_back(name, (start - firstMinute) / kMinuteSeconds, rows,
                               wallSecondsOf(first) - start, wallSecondsOf(last) - start, lost,
                               faults, low, high);
        }
        return found;
    };
    std::vector<Minute> expected = {
        {"A", 0, 12, 3, 58, 1, 0, 40.0, 41.1},
        {"A", 1, 2, 3, 8, 0, 0, 41.2, 41.3},
        {"C", 0, 12, 3, 58, 0, 0, 1.0, 1.0},
        {"C", 1, 2, 3, 8, 0, 0, 1.0, 1.0},
    };
    EXPECT_EQ(minutes(), expected) << "09:09 is not over";

    // A station started 40 minutes on finds those minutes unsummarised and
    // fills them in, a few a pass, past minutes that hold no rows; 09:09 is
    // over by now.
    db->execute("delete from 运行记录分钟汇总");
    now += 40 * kMinuteSeconds;
    RunRecordStore late;
    late.setClock([this] { return now; });
    RunRecord c;
    c.name = "C";
    for (int step = 0; step < 3; ++step) {
        late.writeRows({c}, options.maxStorageHours, {});
    }
    expected.insert(expected.begin() + 2, {"A", 2, 1, 8, 8, 0, 0, 41.4, 41.4});
    expected.push_back({"C", 2, 1, 8, 8, 0, 0, 1.0, 1.0});
    EXPECT_EQ(minutes(), expected) << "09:09 with them";

    // The purge cuts 09:07 at :33: its minute counts the rows left.
    now = start + 30 + static_cast<std::time_t>(options.maxStorageHours) * kHour;
    late.writeRows({c}, options.maxStorageHours, {});
    expected[0] = {"A", 0, 6, 33, 58, 1, 0, 40.6, 41.1};
    expected[3] = {"C", 0, 6, 33, 58, 0, 0, 1.0, 1.0};
    EXPECT_EQ(minutes(), expected);

    now += 25 * kHour;
    pass();
    EXPECT_TRUE(minutes().empty()) << "purged with their rows";

    db->execute("drop table 运行记录分钟汇总");
    now += kMinuteSeconds;
    EXPECT_TRUE(pass().done());
    EXPECT_EQ(db->countOf("A"), 2) << "the purge pass's row and this one";
}

TEST_P(RunRecordStoreTest, NameWithoutSlotEndsThePass) {
    connect(0, "A");
    view.table.driveNames[view.table.driveCount++] = "gone";
    connect(1, "C");
    pass();
    EXPECT_EQ(db->countOf("A"), 1);
    EXPECT_EQ(db->count(), 1);
}

TEST_P(RunRecordStoreTest, NoDriveNoPassAndNoPurge) {
    db->insert(now - 100 * kHour, "ancient");
    pass();
    EXPECT_EQ(db->count(), 1);
    EXPECT_FALSE(store.connected());
}

// An error ends the pass with the data source's own words; the pass after it
// tries again on a fresh session, and a pass tried again from its first
// unwritten row writes no row twice.
TEST_P(RunRecordStoreTest, AnErrorEndsThePassAndTheNextTriesAgain) {
    connect(0, "A");
    connect(1, "B");
    ASSERT_TRUE(pass().done());
    db->execute("drop table 运行记录");
    const PassOutcome failed = pass();
    EXPECT_FALSE(failed.done());
    EXPECT_NE(failed.error.find("运行记录"), std::string::npos) << failed.error;
    EXPECT_EQ(failed.written, 0u);
    EXPECT_FALSE(store.connected());

    ASSERT_TRUE(registerDataSourceFor(testing::kTestStation).ok); // the table is back
    std::vector<RunRecord> rows = runRecordsOf(view);
    const RecordPass again{now, rows, options.maxStorageHours, testing::kTestStation};
    const PassOutcome rest = store.write(again, 1);
    EXPECT_TRUE(rest.done()) << rest.error;
    EXPECT_EQ(rest.written, 1u);
    EXPECT_EQ(db->countOf("A"), 0);
    EXPECT_EQ(db->countOf("B"), 1);
}

/// One row of a pass, as the link would hand it over.
RunRecord rowOf(const std::string& name, const std::string& frequency,
                const std::string& state = "正向运转 ") {
    RunRecord row;
    row.name = name;
    row.runningFrequency = frequency;
    row.workingState = state;
    return row;
}

/// What the history grid shows of a query, every page, as "name frequency".
std::vector<std::string> historyOf(const HistoryFilter& filter) {
    RunRecordReader reader;
    std::vector<std::string> shown;
    std::optional<std::tm> before;
    do {
        const HistoryPage page = reader.historyPage(filter, before, 16);
        for (const RunRecord& row : page.rows) {
            shown.push_back(row.name + " " + row.runningFrequency);
        }
        before = page.nextBefore;
    } while (before);
    std::sort(shown.begin(), shown.end());
    return shown;
}

// A database made by the version before stations were told apart: the first
// start names every old row, and every old minute, after the station that
// upgrades it, loses nothing, and later starts of other stations change
// nothing; the rows are read as that station's.
TEST_P(RunRecordStoreTest, UpgradesATableWithoutStationsInPlaceOnFirstStart) {
    db->makeTablesWithoutStations();
    for (int i = 0; i < 3; ++i) {
        db->insert(now - (3 - i) * 5, "1#QD10-7.5", "40.00", "正向运转 ", std::nullopt);
        db->insert(now - (3 - i) * 5, "2#QD20-11.00", "20.00", "正向运转 ", std::nullopt);
    }
    db->execute(
        "insert into 运行记录分钟汇总 (分钟, 名字, 行数) values (29544907, '1#QD10-7.5', 3)");

    ASSERT_TRUE(registerDataSourceFor("一号站").ok);
    ASSERT_TRUE(registerDataSourceFor("二号站").ok) << "a second station starting later";
    EXPECT_EQ(db->count(), 6);
    for (const std::string& row : db->rows()) {
        EXPECT_TRUE(row.ends_with("|一号站")) << row;
    }
    int namedMinutes = 0;
    db->execute("insert into 运行记录分钟汇总 (分钟, 名字, 行数, 站名) values "
                "(29544907, '1#QD10-7.5', 1, '二号站')"); // a minute per station now
    auto session = openRecordSession(std::string(kRunRecordConnect));
    *session << "select count(*) from 运行记录分钟汇总 where 站名 = '一号站'",
        soci::into(namedMinutes);
    EXPECT_EQ(namedMinutes, 1);

    options.stationName = "一号站";
    connect(0, "1#QD10-7.5");
    const PassOutcome outcome = pass();
    EXPECT_TRUE(outcome.done()) << outcome.error;
    EXPECT_EQ(outcome.stationRefusal, "");
    EXPECT_EQ(db->rows().back(),
              "1#QD10-7.5|2026-03-05 09:07:03|50.00|0.0|0.0|0.00|0.0|正向运转 |一号站");
    HistoryFilter mine;
    mine.station = "一号站";
    EXPECT_EQ(historyOf(mine).size(), 7u);
    mine.station = "二号站";
    EXPECT_TRUE(historyOf(mine).empty());
}

// An account that may write rows but not alter the tables keeps logging
// without 站名, is told once why, and reads every row as its own.
TEST_P(RunRecordStoreTest, AnAccountWithoutAlterRightsKeepsLoggingAndIsToldOnce) {
    if (GetParam() != Engine::PostgreSQL) {
        GTEST_SKIP() << "rights on a table: PostgreSQL only";
    }
    db->makeTablesWithoutStations();
    db->insert(now - 60, "1#QD10-7.5", "40.00", "正向运转 ", std::nullopt);
    db->useRoleWithoutAlterRights();
    ASSERT_TRUE(registerDataSourceFor(testing::kTestStation).ok) << "no failure to start";

    connect(0, "1#QD10-7.5");
    const PassOutcome first = pass();
    EXPECT_TRUE(first.done()) << "the pass goes on: " << first.error;
    EXPECT_NE(first.stationRefusal.find("owner"), std::string::npos) << first.stationRefusal;

    db->setAvailable(false); // a new session after the server was away says it no more
    db->setAvailable(true);
    ++now;
    EXPECT_EQ(pass().stationRefusal, "");
    ++now;
    EXPECT_EQ(pass().stationRefusal, "");
    EXPECT_EQ(db->countOf("1#QD10-7.5"), 4);
    HistoryFilter mine;
    mine.station = testing::kTestStation;
    EXPECT_EQ(historyOf(mine).size(), 4u) << "no column to tell stations apart: every row";
    RunRecordReader reader;
    EXPECT_FALSE(reader.stationFilter(testing::kTestStation).has_value());
}

// Two stations log the same drive names into one database, each with its own
// session: each station's history, trends, minutes, export and events hold
// its own rows only; all stations together hold both.
TEST_P(RunRecordStoreTest, TwoStationsWithTheSameDriveNamesKeepTheirRecordsApart) {
    RunRecordStore north;
    RunRecordStore south;
    north.setStationName("北站");
    south.setStationName("南站");
    const std::time_t start = now;
    for (RunRecordStore* store : {&north, &south}) {
        store->setClock([this] { return now; });
    }
    // Three minutes at 5 s; the south's pump drops out for a minute.
    for (int step = 0; step < 36; ++step) {
        north.writeRows({rowOf("1#泵", "10.00"), rowOf("2#风机", "20.00")}, 24, {});
        const bool lost = step >= 12 && step < 24;
        south.writeRows(
            {rowOf("1#泵", "30.00", lost ? "通讯断线 " : "正向运转 "), rowOf("2#风机", "40.00")},
            24, {});
        now += 5;
    }
    now += kMinuteSeconds; // the last minute is over and summarised
    EXPECT_TRUE(north.writeRows({rowOf("1#泵", "10.00"), rowOf("2#风机", "20.00")}, 24).done());

    HistoryFilter filter;
    filter.station = "北站";
    const std::vector<std::string> northRows = historyOf(filter);
    EXPECT_EQ(northRows.size(), 74u);
    EXPECT_EQ(std::set<std::string>(northRows.begin(), northRows.end()),
              (std::set<std::string>{"1#泵 10.00", "2#风机 20.00"}));
    filter.station.reset();
    EXPECT_EQ(historyOf(filter).size(), 146u) << "all stations";

    RunRecordReader reader;
    EXPECT_EQ(reader.driveNames("南站"), (std::vector<std::string>{"1#泵", "2#风机"}));
    EXPECT_TRUE(reader.driveNames("西站").empty());

    // Minutes a station, drive and minute, each counting its own rows.
    long long minutes = 0;
    long long rows = 0;
    auto session = openRecordSession(std::string(kRunRecordConnect));
    *session << "select count(*), sum(行数) from 运行记录分钟汇总 where 站名 = '南站' and 名字 = "
                "'1#泵'",
        soci::into(minutes), soci::into(rows);
    EXPECT_EQ(minutes, 3);
    EXPECT_EQ(rows, 36);

    // Trends by the minutes (a column a minute) and by the rows (a column a
    // row): the north's pump at 10 throughout, the south's broken where it
    // dropped out.
    for (const int columns : {3, 400}) {
        SCOPED_TRACE(std::to_string(columns) + " columns");
        TrendRequest request{{"1#泵"},
                             {Quantity::RunningFrequency},
                             wallSecondsAt(start),
                             wallSecondsAt(start) + 180,
                             columns};
        for (const char* station : {"北站", "南站"}) {
            request.station = station;
            const TrendData data = loadTrend(reader, request);
            const bool ours = std::string(station) == "北站";
            EXPECT_EQ(data.rows, 36);
            ASSERT_EQ(data.curves.size(), 1u);
            EXPECT_EQ(data.curves[0].segments.size(), ours ? 1u : 2u);
            for (const CurveSegment& segment : data.curves[0].segments) {
                for (const CurvePoint& point : segment) {
                    EXPECT_EQ(point.value, ours ? 10.0 : 30.0);
                }
            }
            EXPECT_EQ(data.events.size(), ours ? 0u : 1u);
        }
    }

    RecordQuery query;
    query.after = localTimeOf(start - 1);
    query.upTo = localTimeOf(now);
    query.station = "南站";
    const std::vector<RecordEvent> events = findEvents(reader, query);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], (RecordEvent{RecordEvent::Kind::Loss, wallSecondsAt(start + 60), "1#泵",
                                      "通讯断线", "南站"}));
    query.station.reset();
    EXPECT_EQ(findEvents(reader, query), events)
        << "the north's rows make no events of the south's";

    const std::filesystem::path out = db->folder() / "north.csv";
    query.station = "北站";
    ASSERT_TRUE(exportRecords(reader, query, out.string()).ok);
    EXPECT_EQ(testing::fileText(out).find("南站"), std::string::npos);
    EXPECT_NE(testing::fileText(out).find("1#泵,10.00,,,\"正向运转 \",,,北站"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Engines, RunRecordStoreTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

class PostgresOutageTest : public RunRecordStoreTest {};

TEST_P(PostgresOutageTest, ServerGoneOneMessageNoCrashRowsAgainWhenBack) {
    connect(0, "A");
    connect(1, "B");
    pass();
    ASSERT_EQ(db->count(), 2);

    db->setAvailable(false);
    ++now;
    const PassOutcome failed = pass();
    EXPECT_FALSE(failed.done()) << "the whole pass ends at the first error";
    EXPECT_EQ(failed.written, 0u);
    EXPECT_FALSE(store.connected());

    db->setAvailable(true);
    ++now;
    EXPECT_TRUE(pass().done());
    EXPECT_EQ(db->countOf("A"), 2);
    EXPECT_EQ(db->countOf("B"), 2);
}

TEST_P(PostgresOutageTest, SessionLostBetweenPassesReconnectsWithoutAMessage) {
    connect(0, "A");
    pass();
    db->setAvailable(false); // the server drops the kept session...
    db->setAvailable(true);  // ...and is back before the next pass
    ++now;
    const PassOutcome outcome = pass();
    EXPECT_TRUE(outcome.done()) << outcome.error;
    EXPECT_EQ(db->countOf("A"), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, PostgresOutageTest, ::testing::Values(Engine::PostgreSQL),
                         testing::engineName);

using namespace std::chrono_literals;

/// Where a read waits, as for a statement the data source does not answer;
/// opened at the latest when the test ends (the worker's thread may hold it
/// longer than the worker lives).
class Gate {
public:
    void open() {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }
    void wait() {
        std::unique_lock lock(m_mutex);
        m_opened.wait(lock, [this] { return m_open; });
    }
    /// A read that waits here.
    static RecordsWorker::Read readAt(const std::shared_ptr<Gate>& gate) {
        return [gate](RunRecordReader&) {
            gate->wait();
            return RecordsWorker::Completion();
        };
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

class RecordsWorkerTest : public RunRecordStoreTest {
protected:
    void TearDown() override {
        gate->open();
        RunRecordStoreTest::TearDown();
    }

    std::unique_ptr<RecordsWorker> start(RecordsWorker::Limits limits = {}) {
        return std::make_unique<RecordsWorker>(
            std::string(kRunRecordConnect),
            [this](const RecordsEvent& event) { events.push_back(event); }, limits);
    }
    RecordPass passAt(std::time_t when) const {
        return {when, runRecordsOf(view), options.maxStorageHours, testing::kTestStation};
    }
    /// Waits until the worker has done what it can, and takes what it said.
    void settle(RecordsWorker& worker) {
        ASSERT_TRUE(worker.waitIdle(30s));
        worker.deliver();
    }
    /// The events so far, in a word each: "row", "pass", "down", "down: …",
    /// "up N", "station"; then forgotten.
    std::vector<std::string> said() {
        std::vector<std::string> words;
        for (const RecordsEvent& event : events) {
            switch (event.kind) {
            case RecordsEvent::Kind::RowWritten:
                words.push_back("row");
                break;
            case RecordsEvent::Kind::PassWritten:
                words.push_back("pass");
                break;
            case RecordsEvent::Kind::Down:
                words.push_back(event.text.empty() ? "down" : "down: …");
                break;
            case RecordsEvent::Kind::Up:
                words.push_back("up " + std::to_string(event.dropped));
                break;
            case RecordsEvent::Kind::StationColumnRefused:
                words.push_back("station");
                break;
            }
        }
        events.clear();
        return words;
    }
    /// The data source fails every statement, or takes them again.
    void setOutage(bool out) {
        if (GetParam() == Engine::PostgreSQL) {
            db->setAvailable(!out);
        } else if (out) {
            db->execute("drop table 运行记录");
        } else {
            ASSERT_TRUE(registerDataSourceFor(testing::kTestStation).ok);
        }
    }
    /// "name time" of every row, oldest first.
    std::vector<std::string> namesAndTimes() {
        std::vector<std::string> found;
        for (const std::string& row : db->rows()) {
            found.push_back(row.substr(0, row.find('|', row.find('|') + 1)));
        }
        std::sort(found.begin(), found.end(), [](const std::string& a, const std::string& b) {
            return a.substr(a.find('|')) + a < b.substr(b.find('|')) + b;
        });
        return found;
    }

    std::vector<RecordsEvent> events;
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
};

// Passes go in in the order they were handed over, each row with the time
// its pass was taken, and each row and pass is told; a pass without rows is
// no pass.
TEST_P(RecordsWorkerTest, PassesGoInInTheirOrderWithTheTimeTheyWereTaken) {
    connect(0, "A");
    connect(1, "B");
    auto worker = start();
    worker->submitPass(passAt(now - 10));
    worker->submitPass(passAt(now - 5));
    worker->submitPass(RecordPass{now, {}, 24, testing::kTestStation});
    settle(*worker);
    EXPECT_EQ(said(), (std::vector<std::string>{"row", "row", "pass", "row", "row", "pass"}));
    EXPECT_EQ(namesAndTimes(),
              (std::vector<std::string>{"A|2026-03-05 09:06:53", "B|2026-03-05 09:06:53",
                                        "A|2026-03-05 09:06:58", "B|2026-03-05 09:06:58"}));
}

// The data source goes away under a running worker: said once, with its own
// words, however many passes fail; the passes wait, and go in, every row
// with its own time, once it is back.
TEST_P(RecordsWorkerTest, AnOutageIsSaidOnceAndItsRowsGoInWhenItIsOver) {
    connect(0, "A");
    auto worker = start();
    worker->submitPass(passAt(now));
    settle(*worker);
    ASSERT_EQ(said(), (std::vector<std::string>{"row", "pass"}));

    ASSERT_NO_FATAL_FAILURE(setOutage(true));
    for (int pass = 1; pass <= 3; ++pass) {
        worker->submitPass(passAt(now + 5 * pass));
        settle(*worker);
    }
    EXPECT_EQ(said(), (std::vector<std::string>{"down: …"}));
    EXPECT_EQ(worker->state().queuedPasses, 3u);
    EXPECT_TRUE(worker->state().down);

    ASSERT_NO_FATAL_FAILURE(setOutage(false));
    worker->submitPass(passAt(now + 20));
    settle(*worker);
    EXPECT_EQ(said(), (std::vector<std::string>{"row", "pass", "up 0", "row", "pass", "row", "pass",
                                                "row", "pass"}));
    const std::vector<std::string> kept = namesAndTimes();
    const std::vector<std::string> written = {"A|2026-03-05 09:07:08", "A|2026-03-05 09:07:13",
                                              "A|2026-03-05 09:07:18", "A|2026-03-05 09:07:23"};
    // SQLite's outage took the table, and the first row with it.
    ASSERT_EQ(kept.size(), GetParam() == Engine::SQLite ? 4u : 5u);
    EXPECT_TRUE(std::equal(written.rbegin(), written.rend(), kept.rbegin()));
    EXPECT_FALSE(worker->state().down);
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordsWorkerTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

// What the queue does is the same on every engine.
class RecordsWorkerQueueTest : public RecordsWorkerTest {};

// Past its bound the queue drops the oldest passes, never the one coming in;
// their rows are counted and said when logging resumes.
TEST_P(RecordsWorkerQueueTest, AFullQueueDropsTheOldestPassesAndCountsTheirRows) {
    connect(0, "A");
    connect(1, "B");
    RecordsWorker::Limits limits;
    limits.queuedRows = 4;
    auto worker = start(limits);
    ASSERT_NO_FATAL_FAILURE(setOutage(true));
    for (int pass = 1; pass <= 5; ++pass) {
        worker->submitPass(passAt(now + pass));
        settle(*worker);
    }
    EXPECT_EQ(worker->state().queuedRows, 4u);
    EXPECT_EQ(worker->state().droppedRows, 6u);
    ASSERT_NO_FATAL_FAILURE(setOutage(false));
    worker->submitPass(passAt(now + 6));
    settle(*worker);
    EXPECT_EQ(said(), (std::vector<std::string>{"down: …", "row", "row", "pass", "up 8", "row",
                                                "row", "pass"}));
    EXPECT_EQ(namesAndTimes(),
              (std::vector<std::string>{"A|2026-03-05 09:07:08", "B|2026-03-05 09:07:08",
                                        "A|2026-03-05 09:07:09", "B|2026-03-05 09:07:09"}));
}

// A statement that does not come back holds only the worker: handing a pass
// over stays quick, the stall is said once after its time, and what waited
// goes in once the statement is back.
TEST_P(RecordsWorkerQueueTest, AStallIsSaidOnceAndNeverHoldsTheOwner) {
    connect(0, "A");
    RecordsWorker::Limits limits;
    limits.stallAfter = 100ms;
    auto worker = start(limits);
    worker->submitRead(Gate::readAt(gate));
    while (!worker->state().busy) {
        std::this_thread::sleep_for(1ms);
    }
    std::this_thread::sleep_for(150ms);
    for (int pass = 1; pass <= 3; ++pass) {
        const auto handedAt = std::chrono::steady_clock::now();
        worker->submitPass(passAt(now + pass));
        EXPECT_LT(std::chrono::steady_clock::now() - handedAt, 50ms);
    }
    worker->deliver();
    EXPECT_EQ(said(), (std::vector<std::string>{"down"}));

    gate->open();
    settle(*worker);
    EXPECT_EQ(said(),
              (std::vector<std::string>{"row", "pass", "up 0", "row", "pass", "row", "pass"}));
    EXPECT_EQ(db->countOf("A"), 3);
}

// Reads run in turn; when more wait than the bound the oldest gives way, and
// its owner hears so.
TEST_P(RecordsWorkerQueueTest, TooManyReadsAndTheOldestGivesWay) {
    RecordsWorker::Limits limits;
    limits.queuedReads = 2;
    auto worker = start(limits);
    std::vector<std::string> done;
    worker->submitRead(Gate::readAt(gate));
    while (!worker->state().busy) {
        std::this_thread::sleep_for(1ms);
    }
    for (const std::string name : {"1", "2", "3"}) {
        worker->submitRead(
            [&done, name](RunRecordReader& reader) {
                reader.driveNames();
                return RecordsWorker::Completion([&done, name] { done.push_back(name); });
            },
            [&done, name] { done.push_back(name + " dropped"); });
    }
    gate->open();
    settle(*worker);
    EXPECT_EQ(done, (std::vector<std::string>{"1 dropped", "2", "3"}));
}

// The end writes what is queued, but a data source that holds the worker
// holds the end no longer than its bound, and nothing is written after it.
TEST_P(RecordsWorkerQueueTest, TheEndWritesWhatIsQueuedButNeverHangs) {
    connect(0, "A");
    start()->submitPass(passAt(now)); // the worker ends with the statement
    EXPECT_EQ(db->countOf("A"), 1);

    RecordsWorker::Limits limits;
    limits.finishWithin = 200ms;
    auto worker = start(limits);
    // The held read hands progress over once it gets on, as an export does:
    // by then its worker is gone, and nothing may reach it.
    auto posted = std::make_shared<std::atomic<bool>>(false);
    worker->submitRead([gate = gate, post = worker->poster(), posted](RunRecordReader&) {
        gate->wait();
        post([] {});
        *posted = true;
        return RecordsWorker::Completion();
    });
    while (!worker->state().busy) { // held by the data source, not merely queued
        std::this_thread::sleep_for(1ms);
    }
    worker->submitPass(passAt(now + 5));
    const auto endedAt = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - endedAt, 2s);
    gate->open();
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(*posted);
    EXPECT_EQ(db->countOf("A"), 1) << "written after the end";
}

INSTANTIATE_TEST_SUITE_P(Engines, RecordsWorkerQueueTest, ::testing::Values(Engine::SQLite),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
