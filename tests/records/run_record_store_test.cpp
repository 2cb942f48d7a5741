#include "link/link_snapshot.h"

#include "records/run_record_store.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <tuple>

#include "records/data_source.h"
#include "records/record_time.h"
#include "support/records_database.h"

namespace velkaro {
namespace {

using testing::Engine;

constexpr std::time_t kHour = 3600;

class RunRecordStoreTest : public testing::RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        store.setClock([this] { return now; });
    }

    /// A connected, running drive in `slot`, appended to the list.
    void connect(int slot, const std::string& name, int32_t frequency = 5000) {
        DriveRecord& drive = view.table.slots[static_cast<std::size_t>(slot)];
        drive.name = name;
        drive.series = "QD10";
        drive.online = 1;
        drive.status[0] = 0x4004;
        drive.status[1] = frequency;
        view.table.driveNames[view.table.driveCount++] = name;
    }

    void pass(const std::function<void()>& afterEachRow = {}) {
        store.writeRunRecords(view, options, afterEachRow);
    }

    RunRecordStore store{messages};
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
    pass();
    for (const Age& a : ages) {
        EXPECT_EQ(db->countOf(a.name), a.kept ? 1 : 0) << a.name;
    }
    EXPECT_EQ(db->countOf("A"), 1);
    EXPECT_EQ(messages.count(), 0u);
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
    EXPECT_EQ(db->rows(), (std::vector<std::string>{
                              "O'Brien 1# |2026-03-05 09:07:03|12.34|0.0|0.0|0.00|0.0|正向运转 ",
                              "2#QD20|2026-03-05 09:07:03|0.00|0.0|0.0|0.00|0.0|正向运转 ",
                              "3#QD30|2026-03-05 09:07:03|1.25|0.0|0.0|0.00|0.0|通讯断线 ",
                          }));
}

// Each minute is summarised once it is over, with the rows another station
// wrote into it too; minutes left unsummarised are found later; the purge
// takes the minutes with their rows and leaves the one it cuts counting the
// rows left; a data source without the minute table still gets every row.
TEST_P(RunRecordStoreTest, SummarisesEachMinuteOnceItIsOver) {
    connect(0, "A");
    const std::time_t start = now;
    RunRecordStore other(messages);
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
    RunRecordStore late(messages);
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
    pass();
    EXPECT_EQ(messages.count(), 0u);
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

// The box is modal and the timer may run another pass behind it: while one
// box is open no second one opens; once the table is back the pass writes.
TEST_P(RunRecordStoreTest, ErrorShowsOneBoxAtATimeAndTheNextPassTriesAgain) {
    connect(0, "A");
    pass();
    db->execute("drop table 运行记录");
    int passesBehindTheBox = 0;
    messages.setOnShow([&](const auto&) {
        ++passesBehindTheBox;
        pass();
        pass();
    });
    pass();
    messages.setOnShow({});
    EXPECT_EQ(passesBehindTheBox, 1);
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_NE(messages.last().text, "");
    EXPECT_EQ(messages.last().caption, "");

    ASSERT_TRUE(registerDataSource().ok); // the table is back
    pass();
    EXPECT_EQ(messages.count(), 1u);
    EXPECT_EQ(db->countOf("A"), 1);
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
    pass();
    EXPECT_EQ(messages.count(), 1u) << "one box for the failed pass, not one per drive";
    EXPECT_FALSE(store.connected());

    db->setAvailable(true);
    ++now;
    pass();
    EXPECT_EQ(messages.count(), 1u);
    EXPECT_EQ(db->countOf("A"), 2);
    EXPECT_EQ(db->countOf("B"), 2);
}

TEST_P(PostgresOutageTest, SessionLostBetweenPassesReconnectsWithoutAMessage) {
    connect(0, "A");
    pass();
    db->setAvailable(false); // the server drops the kept session...
    db->setAvailable(true);  // ...and is back before the next pass
    ++now;
    pass();
    EXPECT_EQ(messages.count(), 0u);
    EXPECT_EQ(db->countOf("A"), 2);
}

INSTANTIATE_TEST_SUITE_P(Engines, PostgresOutageTest, ::testing::Values(Engine::PostgreSQL),
                         testing::engineName);

} // namespace
} // namespace velkaro
