#include "records/action_log.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "link/link_snapshot.h"
#include "records/action_table.h"
#include "records/data_source.h"
#include "records/records_command.h"
#include "registry/catalogue.h"
#include "support/records_database.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using namespace std::chrono_literals;
using testing::Engine;

// ------------------------------------------------------------ what is logged

class ActionTrackerTest : public ::testing::Test {
protected:
    void SetUp() override {
        DriveRecord& drive = view.table.slots[2];
        drive.name = "3#QD30-7.50";
        drive.address = "3";
        drive.series = "QD30";
        drive.online = 1;
        drive.status[kSetFrequency.word] = 2500;
        view.statusRead[2] = true;
        view.table.driveNames[view.table.driveCount++] = drive.name;
        tracker.setStation("一号站");
        tracker.setAccount("zhang");
        tracker.setClock([] { return std::time_t{1000}; });
    }

    Outcome confirmed(std::vector<uint16_t> words = {}) const {
        Outcome o;
        o.target = drive;
        o.words = std::move(words);
        return o;
    }

    LinkSnapshot view;
    ActionTracker tracker;
    Target drive{2, 3, "3#QD30-7.50"};
};

TEST_F(ActionTrackerTest, EachOperatorRequestIsNamedWithItsValuesInDisplayUnits) {
    ParameterWrite write;
    write.registerAddress = registerOf(0, 6);
    write.group = 0;
    write.row = 6;
    write.word = 4000;
    struct Case {
        const char* label;
        Request request;
        const char* action;
        const char* oldValue;
        const char* newValue;
    };
    const Case cases[] = {
        {"run", Command::word(command_word::kRun), "运行", "", ""},
        {"reverse", Command::word(command_word::kReverse), "运行", "", "反转"},
        {"stop", Command::word(command_word::kStop), "停机", "", ""},
        {"coast", Command::word(command_word::kCoastStop), "自由停车", "", ""},
        {"e-stop", Command::word(command_word::kEmergencyStop), "急停", "", ""},
        {"reset", Command::word(command_word::kFaultReset), "复位", "", ""},
        {"jog", Command::word(command_word::kJogReverse), "点动", "", "反转"},
        {"other word", Command::word(0x1234), "命令字", "", "0x1234"},
        {"store", Command::store(), "存储EEPROM", "", ""},
        {"frequency", Command::frequency(5000), "频率设定", "25.00Hz", "50.00Hz"},
        {"parameter", write, "参数修改 F0-06", "", "40.00"},
        {"import", Import{{}, -1, "/home/op/泵 1.sav"}, "参数导入", "", "泵 1.sav"},
        {"export", Export{"/tmp/out.sav"}, "参数导出", "", "out.sav"},
    };
    for (const Case& c : cases) {
        const ActionTracker::Started started = tracker.start(drive, c.request, view);
        const std::optional<ActionRecord> row = tracker.finish(started, confirmed());
        ASSERT_TRUE(row) << c.label;
        EXPECT_EQ(row->action, c.action) << c.label;
        EXPECT_EQ(row->oldValue, c.oldValue) << c.label;
        EXPECT_EQ(row->newValue, c.newValue) << c.label;
        EXPECT_EQ(*row, (ActionRecord{1000, "一号站", "zhang", "3#QD30-7.50", 3, c.action,
                                      c.oldValue, c.newValue, "已确认"}))
            << c.label;
    }
    // Before the drive's status is read the station does not know what it replaces.
    view.statusRead[2] = false;
    EXPECT_EQ(
        tracker.finish(tracker.start(drive, Command::frequency(5000), view), confirmed())->oldValue,
        "");
}

// Reads are no actions; but a group read teaches the tracker the value a
// later change replaces.
TEST_F(ActionTrackerTest, ReadsAreNotLoggedButGiveAParameterChangeItsOldValue) {
    for (const Request& read :
         std::vector<Request>{StatusPoll{}, ParameterRead{0}, Readout{}, FindLine{1, 3}}) {
        const auto started = tracker.start(drive, read, view);
        std::vector<uint16_t> group(20, 0);
        group[6] = 5000;
        EXPECT_FALSE(tracker.finish(started, confirmed(group)));
    }
    ParameterWrite write;
    write.registerAddress = registerOf(0, 6);
    write.group = 0;
    write.row = 6;
    write.word = 4000;
    write.readBack = true;
    const auto first = tracker.finish(tracker.start(drive, write, view),
                                      confirmed(std::vector<uint16_t>(20, 4000)));
    EXPECT_EQ(first->oldValue, "50.00");
    write.word = 3000;
    const auto second = tracker.finish(tracker.start(drive, write, view), confirmed());
    EXPECT_EQ(second->oldValue, "40.00") << "the value the drive held after the last change";
}

TEST(ActionResultTest, EachOutcomeKindHasItsResultText) {
    struct Case {
        Result result;
        uint8_t exception;
        const char* why;
        const char* text;
    };
    const Case cases[] = {
        {Result::Confirmed, 0, "", "已确认"},
        {Result::Refused, 3, "非法数据值", "被拒绝：非法数据值"},
        {Result::Refused, 0, "变频器正在运行", "被拒绝：变频器正在运行"},
        {Result::TimedOut, 0, "", "超时"},
        {Result::Cancelled, 0, "变频器已断开", "已取消"},
    };
    for (const Case& c : cases) {
        Outcome o;
        o.result = c.result;
        o.exception = c.exception;
        o.why = c.why;
        EXPECT_EQ(actionResultOf(o), c.text);
    }
}

TEST(ActionSpoolTest, ALineGivesBackTheRowWhateverItsTextsHold) {
    const ActionRecord row{
        1765270000, "站\t1", "op", "名\\字", 7, "参数导入", "", "a\nb.sav", "被拒绝：非法数据值\r"};
    const std::string line = spoolLine(row);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(rowOfSpoolLine(line.substr(0, line.size() - 1)), row);
    EXPECT_FALSE(rowOfSpoolLine("12\tonly three"));
}

// ------------------------------------------------------------ the table

class ActionLogTest : public testing::RecordsTest {
protected:
    ActionRecord rowAt(std::time_t when, const std::string& drive, const std::string& action,
                       const std::string& station = testing::kTestStation) const {
        return {when, station, "zhang", drive, 3, action, "25.00Hz", "50.00Hz", "已确认"};
    }
    std::vector<ActionRecord> readAll(std::string connect = std::string(kRunRecordConnect)) {
        const auto session = openRecordSession(connect);
        ActionQuery query;
        query.after = localTimeOf(now - 86400);
        query.upTo = localTimeOf(now + 86400);
        return readActions(*session, query);
    }
    ActionLog::Limits quick() const {
        ActionLog::Limits limits;
        limits.retryEvery = 20ms;
        limits.finishWithin = 2000ms;
        return limits;
    }
};

TEST_P(ActionLogTest, RowsGoInInOrderAndAreReadBackByDriveStationAndAccount) {
    {
        ActionLog log(std::string(kRunRecordConnect), quick());
        log.add(rowAt(now, "1#泵", "运行"));
        log.add(rowAt(now + 1, "2#风机", "参数修改 F0-05", "二号站"));
        ActionRecord other = rowAt(now + 2, "1#泵", "急停");
        other.account = "li";
        other.result = "被拒绝：非法数据值";
        log.add(other);
        ASSERT_TRUE(log.waitWritten(10s)) << log.state().error;
        EXPECT_EQ(log.state().written, 3u);
    }
    const auto session = openRecordSession(std::string(kRunRecordConnect));
    ActionQuery query;
    query.after = localTimeOf(now - 1);
    query.upTo = localTimeOf(now + 2);
    EXPECT_EQ(readActions(*session, query).size(), 3u);
    query.drive = "1#泵";
    const auto drive = readActions(*session, query);
    ASSERT_EQ(drive.size(), 2u);
    EXPECT_EQ(drive[0], rowAt(now, "1#泵", "运行"));
    EXPECT_EQ(drive[1].result, "被拒绝：非法数据值");
    query.account = "li";
    EXPECT_EQ(readActions(*session, query).size(), 1u);
    query = ActionQuery{};
    query.after = localTimeOf(now - 1);
    query.upTo = localTimeOf(now + 2);
    query.station = "二号站";
    EXPECT_EQ(readActions(*session, query).at(0).action, "参数修改 F0-05");
    query.upTo = localTimeOf(now);
    EXPECT_TRUE(readActions(*session, query).empty()) << "the window ends before it";
    EXPECT_EQ(actionLine(drive[0]), "2026-03-05 09:07:03,测试站,zhang,1#泵,3,运行,25.00Hz,"
                                    "50.00Hz,已确认\r\n");
}

// A station of an older version upgrades in place: its run-record tables get
// the action table beside them, and an action table short of a column gets it
// with its rows kept.
TEST_P(ActionLogTest, UpgradeAddsTheTableAndMissingColumnsKeepingEveryRow) {
    db->makeTablesWithoutStations();
    db->execute("drop table if exists 操作记录");
    db->execute("create table 操作记录 (记录时间 timestamp, 名字 varchar(255), "
                "操作 varchar(255), 结果 varchar(255))");
    db->execute("insert into 操作记录 (记录时间, 名字, 操作, 结果) values "
                "('2026-03-05 09:00:00', '1#泵', '停机', '已确认')");
    ASSERT_TRUE(registerDataSourceFor(testing::kTestStation).ok);
    {
        ActionLog log(std::string(kRunRecordConnect), quick());
        log.add(rowAt(now, "1#泵", "运行"));
        ASSERT_TRUE(log.waitWritten(10s)) << log.state().error;
    }
    const auto rows = readAll();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].action, "停机");
    EXPECT_EQ(rows[0].station, "");
    EXPECT_EQ(rows[1], rowAt(now, "1#泵", "运行"));
}

// While the data source is down the rows wait, in order, within their bound;
// what is left at the end waits in the spool for the next start.
TEST_P(ActionLogTest, RowsWaitAcrossAnOutageAndAcrossAnEndWhileItLasts) {
    testing::TempDir folder;
    std::string connect = std::string(kRunRecordConnect);
    const std::filesystem::path missing = folder.path() / "later";
    if (GetParam() == Engine::SQLite) {
        // A database in a folder not there yet: every connection fails.
        connect = "Driver=SQLite3;Database=" + (missing / "actions.db").string();
    }
    auto setOutage = [&](bool out) {
        if (GetParam() == Engine::PostgreSQL) {
            db->setAvailable(!out);
        } else if (!out) {
            std::filesystem::create_directories(missing);
        }
    };
    const std::filesystem::path spool = folder.path() / "spool.txt";
    ActionLog::Limits limits = quick();
    limits.queuedRows = 3;
    limits.finishWithin = 500ms;
    setOutage(true);
    {
        ActionLog log(connect, limits, spool);
        for (int i = 0; i < 4; ++i) {
            log.add(rowAt(now + i, "1#泵", "动作" + std::to_string(i)));
        }
        EXPECT_FALSE(log.waitWritten(200ms));
        const ActionLog::State state = log.state();
        EXPECT_TRUE(state.down);
        EXPECT_FALSE(state.error.empty());
        EXPECT_EQ(state.queued, 3u);
        EXPECT_EQ(state.dropped, 1u) << "the oldest gives way";
    }
    ASSERT_TRUE(std::filesystem::exists(spool));
    EXPECT_EQ(std::filesystem::status(spool).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    setOutage(false);
    {
        ActionLog log(connect, quick(), spool);
        EXPECT_FALSE(std::filesystem::exists(spool));
        log.add(rowAt(now + 10, "1#泵", "动作4"));
        ASSERT_TRUE(log.waitWritten(10s)) << log.state().error;
    }
    std::vector<std::string> actions;
    for (const ActionRecord& row : readAll(connect)) {
        actions.push_back(row.action);
    }
    EXPECT_EQ(actions, (std::vector<std::string>{"动作1", "动作2", "动作3", "动作4"}));
    EXPECT_FALSE(std::filesystem::exists(spool));
}

// Down in the middle: rows given meanwhile go in once it is back, without a
// new start.
TEST_P(ActionLogTest, AnOutageInTheMiddleLosesNothing) {
    if (GetParam() != Engine::PostgreSQL) {
        GTEST_SKIP() << "a SQLite file does not go away under an open session";
    }
    ActionLog log(std::string(kRunRecordConnect), quick());
    log.add(rowAt(now, "1#泵", "运行"));
    ASSERT_TRUE(log.waitWritten(10s));
    db->setAvailable(false);
    log.add(rowAt(now + 1, "1#泵", "停机"));
    log.add(rowAt(now + 2, "1#泵", "复位"));
    EXPECT_FALSE(log.waitWritten(300ms));
    EXPECT_TRUE(log.state().down);
    db->setAvailable(true);
    ASSERT_TRUE(log.waitWritten(10s)) << log.state().error;
    EXPECT_FALSE(log.state().down);
    EXPECT_EQ(readAll().size(), 3u);
}

TEST_P(ActionLogTest, ConsoleProgramListsTheActionsOfTheWindow) {
    std::ostringstream stdOut;
    std::ostringstream stdErr;
    RecordsConsole console{stdOut, stdErr, now};
    console.station = testing::kTestStation;
    EXPECT_EQ(runRecordsCommand({"actions"}, console), 0) << stdErr.str();
    EXPECT_EQ(stdOut.str(), actionHeaderLine()) << "nothing logged yet: no rows, no failure";
    {
        ActionLog log(std::string(kRunRecordConnect), quick());
        log.add(rowAt(now - 7200, "1#泵", "运行"));
        log.add(rowAt(now - 60, "1#泵", "停机"));
        log.add(rowAt(now - 30, "2#风机", "急停", "二号站"));
        ASSERT_TRUE(log.waitWritten(10s)) << log.state().error;
    }
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> actions;
    };
    const Case cases[] = {
        {{"actions"}, {"运行", "停机"}},
        {{"actions", "--hours", "1"}, {"停机"}},
        {{"actions", "--all-stations", "--hours", "1"}, {"停机", "急停"}},
        {{"actions", "--station", "二号站"}, {"急停"}},
        {{"actions", "--drive", "2#风机", "--all-stations"}, {"急停"}},
        {{"actions", "--account", "li"}, {}},
    };
    for (const Case& c : cases) {
        stdOut.str("");
        EXPECT_EQ(runRecordsCommand(c.args, console), 0) << stdErr.str();
        std::string expected = actionHeaderLine();
        for (const std::string& action : c.actions) {
            expected += action;
        }
        std::string got;
        std::istringstream lines(stdOut.str());
        std::getline(lines, got); // the header
        std::string actions = actionHeaderLine();
        for (std::string line; std::getline(lines, line);) {
            actions += line.substr(0, line.rfind(','))
                           .substr(0, line.find(",25.00Hz"))
                           .substr(line.find(",3,") + 3);
        }
        EXPECT_EQ(actions, expected) << ::testing::PrintToString(c.args);
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, ActionLogTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
