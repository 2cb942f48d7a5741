#include "link/link_snapshot.h"

#include "ui/records/history_panel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>

#include "records/action_log.h"
#include "records/data_source.h"
#include "records/display_options.h"
#include "support/records_database.h"
#include "support/temp_dir.h"
#include "ui/records/action_records_window.h"
#include "ui/records/display_options_dialog.h"
#include "ui/records/history_model.h"
#include "ui/records/station_records.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Engine;

constexpr std::time_t kMinute = 60;
constexpr std::time_t kHour = 3600;

class HistoryPanelTest : public testing::RecordsTest {
protected:
    HistoryPanel& panel() {
        if (!m_panel) {
            m_records = std::make_unique<StationRecords>(messages, std::string(kRunRecordConnect));
            m_panel = std::make_unique<HistoryPanel>(&area, view, options, messages, *m_records);
            m_panel->setClock([this] { return now; });
            m_panel->showAllRows();
            settle();
        }
        return *m_panel;
    }

    /// Lets the records worker answer what was asked.
    void settle() { ASSERT_TRUE(m_records->settle()); }

    /// Column 1 (名字) of every row the grid holds, fetching all pages.
    std::vector<std::string> shownNames() {
        HistoryModel& model = *panel().model();
        for (settle(); model.canFetchMore({}); settle()) {
            model.fetchMore({});
        }
        std::vector<std::string> names;
        for (int row = 0; row < model.rowCount(); ++row) {
            names.push_back(model.index(row, 1).data().toString().toStdString());
        }
        return names;
    }

    QWidget area;

private:
    std::unique_ptr<StationRecords> m_records;
    std::unique_ptr<HistoryPanel> m_panel;
};

TEST_P(HistoryPanelTest, AtStartShowsAllRowsNewestFirstInSixColumns) {
    db->insert(now - 100 * kHour, "oldest", "1.00", "停止中 ");
    db->insert(now, "newest", "50.00", "正向运转 ");
    db->insert(now - kHour, "middle", "25.00", "故障中 过压保护");
    db->insert(now - 2 * kHour, "other station's", "1.00", "停止中 ", std::string("二号站"));
    HistoryModel& model = *panel().model();
    QAbstractItemModelTester tester(&model);

    ASSERT_EQ(model.columnCount(), 6);
    QStringList headers;
    for (int column = 0; column < 6; ++column) {
        headers << model.headerData(column, Qt::Horizontal).toString();
    }
    EXPECT_EQ(headers,
              (QStringList{"记录时间", "名字", "运行频率", "输出电流", "输出电压", "工作状态"}));
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"newest", "middle", "oldest"}));
    EXPECT_EQ(model.index(0, 0).data().toString(), "2026-03-05 09:07:03");
    EXPECT_EQ(model.index(0, 2).data().toString(), "50.00");
    EXPECT_EQ(model.index(1, 5).data().toString(), "故障中 过压保护");
}

TEST_P(HistoryPanelTest, RefreshShowsRowsStrictlyInsideTheWindow) {
    struct Case {
        uint32_t windowHours;
        std::time_t age;
        bool shown;
    };
    const Case cases[] = {
        {2, 2 * kHour + 1, false},          {2, 2 * kHour, false},   {2, 2 * kHour - 1, true},
        {2, kHour + 59 * kMinute, true},    {30, 30 * kHour, false}, {30, 30 * kHour - 1, true},
        {30, 24 * kHour + 5 * kHour, true},
    };
    for (const Case& c : cases) {
        db->execute("delete from 运行记录");
        db->insert(now - c.age, "row");
        options.displayWindowHours = c.windowHours;
        panel().refreshHistory();
        EXPECT_EQ(shownNames().size(), c.shown ? 1u : 0u)
            << "window " << c.windowHours << " h, row " << c.age << " s old";
    }
}

TEST_P(HistoryPanelTest, DriveFilterIsBoundSoAQuoteInTheNameWorks) {
    const std::string quoted = "1#QD10'7.5";
    db->insert(now - 3 * kMinute, quoted);
    db->insert(now - 2 * kMinute, "2#QD20");
    db->insert(now - 1 * kMinute, quoted);
    db->insert(now - 1 * kMinute, quoted, "0.00", "停止中 ", std::string("二号站"));
    options.displayDriveName = quoted;
    panel().refreshHistory();
    EXPECT_EQ(shownNames(), (std::vector<std::string>{quoted, quoted}));
    options.displayDriveName = "' or 1=1 --";
    panel().refreshHistory();
    EXPECT_TRUE(shownNames().empty());
    options.displayDriveName = "*";
    panel().refreshHistory();
    EXPECT_EQ(shownNames().size(), 3u);
}

// Pages end inside seconds that hold many rows; every row must come exactly
// once and in order, however the page boundaries fall.
TEST_P(HistoryPanelTest, LazyPagesShowEveryRowOnceNewestFirst) {
    int serial = 0;
    for (int second = 0; second < 12; ++second) {
        const int rowsInSecond = second == 5 ? 25 : (second % 3) + 1;
        for (int i = 0; i < rowsInSecond; ++i) {
            db->insert(now - second, "r" + std::to_string(serial++));
        }
    }
    HistoryModel& model = *panel().model();
    model.setPageRows(7);
    QAbstractItemModelTester tester(&model);
    bool shown = false;
    QObject::connect(&model, &HistoryModel::queryFinished, [&](bool ok) { shown = ok; });
    model.runQuery(HistoryFilter{});
    settle();
    ASSERT_TRUE(shown);
    EXPECT_LT(model.rowCount(), serial) << "the first page is not everything";
    EXPECT_TRUE(model.canFetchMore({}));

    const std::vector<std::string> names = shownNames();
    EXPECT_EQ(names.size(), static_cast<std::size_t>(serial));
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (int row = 1; row < model.rowCount(); ++row) {
        EXPECT_GE(model.index(row - 1, 0).data().toString(), model.index(row, 0).data().toString());
    }
}

TEST_P(HistoryPanelTest, FailedRefreshKeepsTheRowsAndTheNextOneWorks) {
    db->insert(now - kMinute, "A");
    panel().refreshHistory();
    ASSERT_EQ(shownNames().size(), 1u);
    db->execute("drop table 运行记录");
    panel().refreshHistory();
    EXPECT_EQ(shownNames().size(), 1u);
    ASSERT_TRUE(registerDataSource().ok);
    db->insert(now - kMinute, "B");
    panel().refreshHistory();
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"B"}));
    EXPECT_EQ(messages.count(), 0u);
}

TEST_P(HistoryPanelTest, LiveRefreshBoxOnlyRecordsTheChoice) {
    db->insert(now - kMinute, "A");
    EXPECT_TRUE(panel().liveRefresh());
    EXPECT_TRUE(panel().liveRefreshBox()->isChecked());
    db->insert(now, "B");
    panel().liveRefreshBox()->click();
    EXPECT_FALSE(panel().liveRefresh());
    EXPECT_EQ(panel().model()->rowCount(), 1) << "clicking refreshes nothing";
    panel().liveRefreshBox()->click();
    EXPECT_TRUE(panel().liveRefresh());
    EXPECT_EQ(panel().model()->rowCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Engines, HistoryPanelTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

class HistoryPanelOptionsTest : public HistoryPanelTest {};

TEST_P(HistoryPanelOptionsTest, OptionsOpensTheDialogOnTheConnectedNames) {
    view.table.driveNames[0] = "1#";
    view.table.driveNames[1] = "2#";
    view.table.driveCount = 2;
    QStringList entries;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<DisplayOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (int i = 0; i < dialog->driveList()->count(); ++i) {
            entries << dialog->driveList()->itemText(i);
        }
        dialog->reject();
    });
    panel().optionsButton()->click();
    EXPECT_EQ(entries, (QStringList{"ALL", "1#", "2#"}));
}

INSTANTIATE_TEST_SUITE_P(Engines, HistoryPanelOptionsTest, ::testing::Values(Engine::SQLite),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

// The 操作记录 window beside the history: newest first, filtered by the
// hours, station, drive and account given, and exported as shown, every read
// on the records worker.
TEST_P(HistoryPanelTest, ActionRecordsWindowFiltersAndExports) {
    const std::time_t recent = systemNow() - 600;
    {
        ActionLog log{std::string(kRunRecordConnect)};
        const auto row = [&](std::time_t when, const char* station, const char* account,
                             const char* drive, const char* action) {
            return ActionRecord{when, station, account, drive, 1, action, "", "", "已确认"};
        };
        log.add(row(recent - 2 * kHour, testing::kTestStation, "zhang", "1#泵", "运行"));
        log.add(row(recent, testing::kTestStation, "li", "1#泵", "停机"));
        log.add(row(recent + 1, "二号站", "zhang", "2#风机", "急停"));
        ASSERT_TRUE(log.waitWritten(std::chrono::seconds(10))) << log.state().error;
    }
    StationRecords records(messages, std::string(kRunRecordConnect));
    ActionRecordsWindow window(nullptr, records, testing::kTestStation);
    EXPECT_FALSE(window.isModal());
    const auto shown = [&] {
        window.refresh();
        EXPECT_TRUE(records.settle());
        std::vector<std::string> actions;
        for (int row = 0; row < window.table()->rowCount(); ++row) {
            actions.push_back(window.table()->item(row, 5)->text().toStdString());
        }
        return actions;
    };
    EXPECT_EQ(shown(), (std::vector<std::string>{"停机", "运行"}));
    window.hoursBox()->setValue(1);
    EXPECT_EQ(shown(), (std::vector<std::string>{"停机"}));
    window.stationEdit()->clear();
    EXPECT_EQ(shown(), (std::vector<std::string>{"急停", "停机"}));
    window.accountEdit()->setText("zhang");
    EXPECT_EQ(shown(), (std::vector<std::string>{"急停"}));
    window.accountEdit()->clear();
    window.driveEdit()->setText("1#泵");
    EXPECT_EQ(shown(), (std::vector<std::string>{"停机"}));
    EXPECT_EQ(window.table()->item(0, 2)->text(), "li");

    const std::string file = (db->folder() / "操作.csv").string();
    window.exportTo(QString::fromStdString(file));
    ASSERT_TRUE(records.settle());
    EXPECT_EQ(window.statusText().toStdString(), "1 条记录已导出到 " + file);
    EXPECT_NE(testing::fileText(file).find(",li,1#泵,1,停机,,,已确认\r\n"), std::string::npos);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
