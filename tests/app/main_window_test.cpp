#include "registry/fixed_point.h"
#include "support/processes.h"
#include "support/station.h"

#include "registry/catalogue.h"
#include "ui/connection_dialog.h"
#include "ui/motor_panel.h"
#include "ui/parameter_panel.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "ui/status_panel.h"
#include "widgets/skinned_button.h"

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;
using testing::RecordingMessages;
using testing::rowTexts;
using testing::Station;
using testing::treeGroup;

/// The command words written into 0x3200 that the drive received, oldest first.
std::vector<int32_t> commandWordsSeen(const sim::SimulatedDrive& drive) {
    std::vector<int32_t> words;
    for (const auto& frame : drive.requestsSeen()) {
        if (frame.size() >= 9 && frame[1] == 0x10 && frame[2] == 0x32 && frame[3] == 0x00) {
            words.push_back((frame[7] << 8) | frame[8]);
        }
    }
    return words;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(st.start()); }

    StatusPanel& status() { return st.window->statusPanel(); }
    MotorPanel& motor() { return st.window->motorPanel(); }
    StationLink& station() { return st.window->station(); }
    std::string selectedName() { return st.window->selection().selectedName; }
    /// A readout of the selected drive under way: the selection stays on it.
    void startReadout() {
        station().submit(station().selectedTarget(), Readout{});
        ASSERT_TRUE(station().transferBusy());
    }

    Station st;
};

TEST_F(MainWindowTest, FirstDriveIsSelectedOnePassAfterTheListShowsIt) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.search(3, 1);

    st.window->refreshStatus();
    EXPECT_EQ(rowTexts(status().driveList()), QStringList{"3#QD30-7.50"});
    EXPECT_EQ(status().driveList()->topLevelItem(0)->text(1), "");
    EXPECT_EQ(st.selectedSlot(), -1);
    EXPECT_EQ(st.window->nameBox()->text(), "");

    st.window->refreshStatus();
    EXPECT_EQ(selectedName(), "3#QD30-7.50");
    EXPECT_EQ(st.window->selection().selectedRow, 0);
    EXPECT_EQ(st.window->nameBox()->text(), "3#QD30-7.50");
    EXPECT_EQ(st.selectedSlot(), st.slotOf("3#QD30-7.50"));
    // The new selection reads the first parameter group (after the drive's
    // own control read, which it must not replace).
    EXPECT_EQ(st.drive("3#QD30-7.50").pendingOp, OpCode::ControlRead);
    EXPECT_TRUE(st.window->parameterPanel().reading());

    st.run(400);
    EXPECT_FALSE(st.window->parameterPanel().reading());
    EXPECT_EQ(st.window->parameterPanel().shownValues()[0],
              st.bus.drive(3)->holdingRegister(registerOf(0, 0)));
    EXPECT_EQ(status().driveList()->topLevelItem(0)->text(1), "停止中");
    EXPECT_EQ(status().summaryList()->topLevelItem(1)->text(3), "QD30");
    EXPECT_EQ(status().summaryList()->topLevelItem(1)->text(1), "7.50KW");
    EXPECT_EQ(treeGroup(status().driveTree(), 0), QStringList{"3#QD30-7.50"});
    EXPECT_TRUE(treeGroup(status().driveTree(), 1).isEmpty());
}

TEST_F(MainWindowTest, DriveAddedDuringAGroupReadStillGetsItsValuesListed) {
    // The first drive is selected and its group read starts; a second drive
    // joins, the list is rebuilt and the selection drops for one pass, which
    // cuts that read short. The values listed must still become the drive's.
    st.bus.addDrive(1, Series::QD10, 75);
    st.search(1, 1);
    st.window->refreshStatus();
    st.window->refreshStatus();
    ASSERT_EQ(selectedName(), "1#QD10-7.5");
    // Run the link until the group read has its first chunk on the wire.
    st.transport.clearFramesSent();
    const auto groupReadSent = [&] {
        for (const auto& frame : st.transport.framesSent()) {
            if (frame.size() >= 4 && frame[0] == 1 && frame[1] == 0x03 && frame[2] == 0 &&
                frame[3] == 0) {
                return true;
            }
        }
        return false;
    };
    for (int i = 0; i < 3000 && !groupReadSent(); ++i) {
        st.step();
    }
    ASSERT_TRUE(groupReadSent());
    st.bus.addDrive(2, Series::QD10, 75);
    st.link.submit({}, Search{2, 1});
    st.run(3000);
    ASSERT_EQ(rowTexts(status().driveList()), (QStringList{"1#QD10-7.5", "2#QD10-7.5"}));
    ASSERT_EQ(selectedName(), "1#QD10-7.5");
    const auto& values = st.window->parameterPanel().shownValues();
    for (uint16_t reg = 0; reg < 100; ++reg) {
        EXPECT_EQ(values[reg], st.bus.drive(1)->holdingRegister(reg)) << "Pr" << reg;
    }
}

TEST_F(MainWindowTest, RenameRebuildsListAndTreeAndKeepsTheDriveSelected) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    const int slot = st.selectedSlot();
    st.window->setRenameDialogRunner([](RenameDialog& dialog) {
        EXPECT_EQ(dialog.currentNameEdit()->text(), "3#QD30-7.50");
        dialog.newNameEdit()->setText("Pump A");
        dialog.accept();
        return true;
    });
    st.window->renameSelectedDrive();

    st.window->refreshStatus();
    EXPECT_EQ(rowTexts(status().driveList()), QStringList{"Pump A"});
    EXPECT_EQ(st.window->selection().selectedRow, 0);
    EXPECT_EQ(selectedName(), "Pump A");
    EXPECT_EQ(st.selectedSlot(), slot);
    EXPECT_EQ(st.window->nameBox()->text(), "Pump A");
    EXPECT_EQ(treeGroup(status().driveTree(), 0), QStringList{"Pump A"});
    st.run(300);
    EXPECT_EQ(status().summaryList()->topLevelItem(0)->text(1), "Pump A");
    EXPECT_TRUE(st.messages.texts().empty());
}

TEST_F(MainWindowTest, RenameRefusesEmptyAndTakenNamesAndKeepsSpaces) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.bus.addDrive(4, Series::QD40, 1100);
    st.connect(3, 2);
    ASSERT_EQ(selectedName(), "3#QD30-7.50");

    struct Case {
        QString typed;
        std::string message; // empty: renamed
    };
    const Case cases[] = {
        {"", "变频器名字不能为空！"},
        {"4#QD40-11.00", "该名字已经存在！"},
        {"3#QD30-7.50", "该名字已经存在！"},
        {"   ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        st.messages.clear();
        st.window->setRenameDialogRunner([&](RenameDialog& dialog) {
            dialog.newNameEdit()->setText(c.typed);
            dialog.accept();
            return true;
        });
        st.window->renameSelectedDrive();
        if (c.message.empty()) {
            EXPECT_TRUE(st.messages.texts().empty());
            EXPECT_GE(st.slotOf(c.typed.toStdString()), 0);
        } else {
            ASSERT_EQ(st.messages.count(), 1u);
            EXPECT_EQ(st.messages.last(), (RecordingMessages::Message{c.message, "", false}));
            EXPECT_GE(st.slotOf("3#QD30-7.50"), 0);
        }
    }

    st.messages.clear();
    st.run(300);
    st.window->setRenameDialogRunner([](RenameDialog& dialog) {
        dialog.newNameEdit()->setText("ignored");
        dialog.reject();
        return false;
    });
    st.window->renameSelectedDrive();
    EXPECT_TRUE(st.messages.texts().empty());
    EXPECT_EQ(st.slotOf("ignored"), -1);
}

TEST_F(MainWindowTest, FaultAlertOncePerDriveEachTimeItTrips) {
    st.bus.addDrive(1, Series::QD10, 75);
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(1, 3);
    ASSERT_EQ(rowTexts(status().driveList()), (QStringList{"1#QD10-7.5", "3#QD30-7.50"}));
    st.messages.clear();

    st.bus.drive(3)->setFault(3);
    st.run(400);
    ASSERT_EQ(st.messages.count(), 1u);
    // Shown without holding up the 100 ms pass.
    EXPECT_EQ(st.messages.last(),
              (RecordingMessages::Message{" 3#QD30-7.50发生异常，请及时处理！", "", false}));
    st.run(500);
    EXPECT_EQ(st.messages.count(), 1u);
    EXPECT_EQ(st.window->statusPaneText(0), "变频器发生故障");
    EXPECT_EQ(treeGroup(status().driveTree(), 2), QStringList{"3#QD30-7.50"});
    EXPECT_TRUE(treeGroup(status().driveTree(), 0).contains("3#QD30-7.50"));
    EXPECT_EQ(status().driveList()->topLevelItem(1)->text(1), "故障中");

    // Another drive trips: its own alert; drive 3 is not told again.
    st.bus.drive(1)->setFault(2);
    st.run(400);
    ASSERT_EQ(st.messages.count(), 2u);
    EXPECT_EQ(st.messages.last().text, " 1#QD10-7.5发生异常，请及时处理！");

    // Drive 1 recovering leaves drive 3 tripped as it was: nothing to tell.
    st.bus.drive(1)->clearFault();
    st.run(400);
    EXPECT_EQ(st.messages.count(), 2u);

    st.bus.drive(3)->clearFault();
    st.run(400);
    EXPECT_EQ(st.messages.count(), 2u);
    EXPECT_EQ(status().activity(), ActivityState::None);
    EXPECT_EQ(st.window->statusPaneText(0), " Velkaro1.11测试版-蓝岭电子研究所");
    EXPECT_TRUE(treeGroup(status().driveTree(), 2).isEmpty());

    // The same drive tripping again is told again (its box counts it).
    st.bus.drive(3)->setFault(3);
    st.run(400);
    EXPECT_EQ(st.messages.count(), 3u);
    EXPECT_EQ(st.messages.last().text, " 3#QD30-7.50发生异常，请及时处理！");
}

/// A lost drive keeps its last values in the list, in the muted colour, with
/// the designed state text; the others keep the list's colour, and so does
/// the drive once it answers again.
TEST_F(MainWindowTest, ALostDrivesFrozenValuesAreMuted) {
    st.bus.addDrive(1, Series::QD30, 750);
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(1, 3);
    st.window->raiseCommandRequest(CommandRequests::kRun);
    st.run(20000); // up to speed: the values stand still
    QTreeWidget* list = status().driveList();
    ASSERT_EQ(rowTexts(list), (QStringList{"1#QD30-7.50", "3#QD30-7.50"}));
    const auto mutedColumns = [list](int row) {
        int muted = 0;
        for (int column = 0; column < list->columnCount(); ++column) {
            const QVariant brush = list->topLevelItem(row)->data(column, Qt::ForegroundRole);
            muted += brush.isValid() && brush.value<QBrush>().color() == QColor(128, 128, 128);
        }
        return muted;
    };
    const QString running = list->topLevelItem(0)->text(2);
    ASSERT_NE(running, "0.00Hz");
    EXPECT_EQ(mutedColumns(0), 0);

    st.bus.drive(1)->faults().silent = true;
    ASSERT_GE(
        st.runUntilSeen([](const LinkSnapshot& v) { return v.table.slots[0].online == 0; }, 20000),
        0);
    st.run(200);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "通讯断线");
    EXPECT_EQ(list->topLevelItem(0)->text(2), running) << "the last value read, frozen";
    EXPECT_EQ(mutedColumns(0), list->columnCount());
    EXPECT_EQ(mutedColumns(1), 0);

    st.bus.drive(1)->faults().silent = false;
    ASSERT_GE(
        st.runUntilSeen([](const LinkSnapshot& v) { return v.table.slots[0].online == 1; }, 20000),
        0);
    st.run(200);
    EXPECT_NE(list->topLevelItem(0)->text(1), "通讯断线");
    EXPECT_EQ(mutedColumns(0), 0);
}

TEST_F(MainWindowTest, StatusPaneFollowsActivityAndPanel) {
    struct Case {
        ActivityState activity;
        int panel;
        QString text;
    };
    const Case cases[] = {
        {ActivityState::None, PanelSystemStatus, " Velkaro1.11测试版-蓝岭电子研究所"},
        {ActivityState::None, PanelMotorControl,
         " 使用该界面控制变频器时，请先将变频器设置为通讯控制"},
        {ActivityState::None, PanelParameters, " 双击上面功能列表可修改变频器参数"},
        {ActivityState::None, PanelHistory, " Velkaro1.11测试版-蓝岭电子研究所"},
        {ActivityState::Search, PanelParameters, "变频器地址搜寻中"},
        {ActivityState::Export, PanelSystemStatus, "变频器数据导出中"},
        {ActivityState::Import, PanelMotorControl, "变频器数据导入中"},
        {ActivityState::DriveFault, PanelParameters, "变频器发生故障"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusPanel::statusMessage(c.activity, c.panel), c.text);
    }

    st.window->selectPanel(PanelParameters);
    st.run(100);
    EXPECT_EQ(st.window->statusPaneText(0), " 双击上面功能列表可修改变频器参数");
    st.link.submit({}, Search{20, 2}); // nothing answers at 20: the search keeps running
    st.run(200);
    EXPECT_EQ(st.window->statusPaneText(0), "变频器地址搜寻中");
}

TEST_F(MainWindowTest, StopsGoAtOnceTheStrongestWinsAndARunGivenBeforeThemIsDropped) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.bus.drive(3)->clearRequestsSeen();
    // Raised within one pass: the run waits for the pass, the stops go to the
    // link at once and drop it; of the stops the emergency stop wins.
    for (const int code : {CommandRequests::kRun, CommandRequests::kCoastStop,
                           CommandRequests::kStop, CommandRequests::kEmergencyStop, 0, 8}) {
        st.window->raiseCommandRequest(code); // 0 and 8 (reserved, hidden) raise nothing
    }
    EXPECT_FALSE(st.window->commandRequests().anyPending());
    st.run(1000);
    const std::vector<int32_t> words = commandWordsSeen(*st.bus.drive(3));
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.front(), 0x001A);
    EXPECT_EQ(std::count(words.begin(), words.end(), 0x001C), 0) << "the weaker coast stop";
    EXPECT_EQ(std::count(words.begin(), words.end(), 0x001F), 0) << "the run given before";
    EXPECT_FALSE(st.bus.drive(3)->running());

    // A run given after a stop goes after it.
    st.bus.drive(3)->clearRequestsSeen();
    st.window->raiseCommandRequest(CommandRequests::kStop);
    st.window->raiseCommandRequest(CommandRequests::kRun);
    st.run(1000);
    EXPECT_EQ(commandWordsSeen(*st.bus.drive(3)).back(), 0x001F);
    EXPECT_TRUE(st.bus.drive(3)->running());

    // The whole road: the menu's stop halts it.
    st.window->menuAction(MainWindow::Stop)->trigger();
    st.run(3000);
    EXPECT_EQ(st.commandWord(), 0x001E);
    EXPECT_EQ(st.bus.drive(3)->outputFrequency(), 0);
}

TEST_F(MainWindowTest, RequestWithoutASelectedDriveIsDropped) {
    // Pressing 运行 with nothing connected must not start the first drive a
    // later search finds.
    st.window->toolButton(MainWindow::RunButton)->click();
    EXPECT_FALSE(st.window->commandRequests().anyPending());
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.run(1000);
    EXPECT_EQ(st.commandWord(), 0x001E); // the stop word the drive holds
    EXPECT_FALSE(st.bus.drive(3)->running());
}

TEST_F(MainWindowTest, RunDroppedWhileJogTickedAndResetDroppedWithoutFault) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.window->selectPanel(PanelMotorControl);
    sim::SimulatedDrive& drive = *st.bus.drive(3);

    drive.clearRequestsSeen();
    motor().forwardJogBox()->click();
    st.window->raiseCommandRequest(CommandRequests::kRun);
    st.window->dispatchCommands();
    EXPECT_FALSE(st.window->commandRequests().pending(CommandRequests::kRun));
    st.run(300);
    EXPECT_EQ(commandWordsSeen(drive), std::vector<int32_t>{0x011E}) << "no run while jogging";
    EXPECT_EQ(st.commandWord(), 0x011E);
    motor().forwardJogBox()->click();
    st.run(300);
    EXPECT_EQ(st.commandWord(), 0x001E);

    drive.clearRequestsSeen();
    st.window->raiseCommandRequest(CommandRequests::kFaultReset);
    st.window->dispatchCommands();
    EXPECT_FALSE(st.window->commandRequests().anyPending());
    st.run(300);
    EXPECT_TRUE(commandWordsSeen(drive).empty()) << "no reset without a fault";

    drive.setFault(12);
    st.run(400);
    st.window->menuAction(MainWindow::FaultReset)->trigger();
    st.window->dispatchCommands();
    st.run(300);
    const std::vector<int32_t> words = commandWordsSeen(drive);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.front(), 0x009E);
}

TEST_F(MainWindowTest, JogBoxesChangeTheCommandWord) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.window->raiseCommandRequest(CommandRequests::kRun);
    st.window->dispatchCommands();
    st.run(300);
    ASSERT_EQ(st.commandWord(), 0x001F);

    QCheckBox* forward = motor().forwardJogBox();
    QCheckBox* reverse = motor().reverseJogBox();
    struct Step {
        QCheckBox* box;
        int32_t word;
    };
    const Step steps[] = {{forward, 0x011E}, {forward, 0x001E}, {forward, 0x011E},
                          {reverse, 0x001E}, {forward, 0x021E}, {reverse, 0x001E}};
    for (const Step& step : steps) {
        step.box->click();
        st.run(300);
        EXPECT_EQ(st.commandWord(), step.word);
    }
    // Clicked again before the link has written the last word: each click
    // starts from the word last given, so the run never comes back.
    forward->click();
    forward->click();
    st.run(300);
    EXPECT_EQ(st.commandWord(), 0x001E);
    EXPECT_FALSE(st.bus.drive(3)->running());

    const struct {
        int32_t word;
        bool forward, reverse;
        int32_t expected;
    } table[] = {{0x001F, true, false, 0x011E},  {0x031F, true, true, 0x001F},
                 {0x011E, false, false, 0x001E}, {0x001F, false, true, 0x021E},
                 {0x021E, false, false, 0x001E}, {0x001A, false, false, 0x001A}};
    for (const auto& row : table) {
        EXPECT_EQ(MotorPanel::jogWord(row.word, row.forward, row.reverse), row.expected);
    }
}

TEST_F(MainWindowTest, FrequencyEntryScalesAndRefusesWhatNoRegisterHolds) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    QLineEdit* edit = motor().frequencyEdit();
    // What the drive holds once the pass after the entry has run.
    auto frequency = [&] {
        st.run(300);
        return static_cast<int32_t>(st.bus.drive(3)->holdingRegister(0x3201));
    };

    struct Case {
        QString typed;
        int32_t stored;
        QString shown;
        bool refused;
    };
    // Text that is no number, or a negative frequency, keeps the previous value:
    // "abc" once gave 0 and ramped the drive down, "-1" went out as 0xFF9C.
    const Case cases[] = {
        {"12.345", 1234, "12.34", false},  {"abc", 1234, "12.34", true},
        {"12,5", 1234, "12.34", true},     {" ５０．５ ", 5050, "50.50", false},
        {"50", 5000, "50.00", false},      {"655.35", 65535, "655.35", false},
        {"655.36", 65535, "655.35", true}, {"-1.00", 65535, "655.35", true},
        {"0", 0, "0.00", false},           {"99999999999", 0, "0.00", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        st.messages.clear();
        edit->setText(c.typed);
        motor().onFrequencyEntered();
        EXPECT_EQ(edit->text(), c.shown);
        EXPECT_EQ(frequency(), c.stored);
        EXPECT_EQ(edit->text(), c.shown);
        EXPECT_EQ(st.messages.count(), c.refused ? 1u : 0u);
    }

    // The drive gets the entry, and the edit keeps following the frequency
    // the link gives the drive.
    edit->setText("12.5");
    motor().onFrequencyEntered();
    st.run(500);
    EXPECT_EQ(st.bus.drive(3)->setFrequency(), 1250);
    st.link.submit(station().selectedTarget(), Command::frequency(3000));
    st.run(300);
    EXPECT_EQ(edit->text(), "30.00");
}

TEST_F(MainWindowTest, KeyEditorStoresIntoTheRightKeyAndHidesCodeEight) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.window->selectPanel(PanelMotorControl);
    st.run(100);
    const QString expectedCaptions[] = {"停机", "正转", "紧急停机", "故障复位", "反转", "自由停机"};
    for (int key = 0; key < 6; ++key) {
        EXPECT_EQ(motor().key(key)->text(), expectedCaptions[key]);
        EXPECT_TRUE(motor().key(key)->isVisibleTo(st.window->panelArea()));
    }

    EXPECT_FALSE(motor().keyCombo()->isEnabled());
    motor().editSwitch()->click();
    EXPECT_TRUE(motor().keyCombo()->isEnabled());
    EXPECT_EQ(motor().editSwitch()->text(), "禁止编辑");

    // Combo entry 2 is the red key, which sits at keyCodes[0] with code 4.
    motor().keyCombo()->setCurrentIndex(2);
    EXPECT_EQ(motor().functionList()->currentItem()->text(0), "停机");
    motor().functionList()->setCurrentItem(motor().functionList()->topLevelItem(8));
    motor().storeButton()->click();
    const int slot = st.selectedSlot();
    EXPECT_EQ(motor().keyCodes(slot), (std::array<int32_t, 6>{8, 2, 6, 7, 3, 5}));
    st.run(100);
    EXPECT_FALSE(motor().key(MotorPanel::Red)->isVisibleTo(st.window->panelArea()));
    st.window->selectPanel(PanelSystemStatus);
    st.window->selectPanel(PanelMotorControl);
    EXPECT_FALSE(motor().key(MotorPanel::Red)->isVisibleTo(st.window->panelArea()));

    // Combo entry 0 is the blue key at keyCodes[2]; code 1 makes it a run key.
    motor().keyCombo()->setCurrentIndex(0);
    motor().functionList()->setCurrentItem(motor().functionList()->topLevelItem(1));
    motor().storeButton()->click();
    st.run(100);
    EXPECT_EQ(motor().key(MotorPanel::Blue)->text(), "运行");
    motor().key(MotorPanel::Blue)->click();
    EXPECT_TRUE(st.window->commandRequests().pending(CommandRequests::kRun));

    motor().resetButton()->click();
    st.run(100);
    EXPECT_EQ(motor().keyCodes(slot), (std::array<int32_t, 6>{4, 2, 6, 7, 3, 5}));
    EXPECT_TRUE(motor().key(MotorPanel::Red)->isVisibleTo(st.window->panelArea()));
    EXPECT_EQ(motor().key(MotorPanel::Blue)->text(), "紧急停机");
}

TEST_F(MainWindowTest, NextAndPreviousWrapAround) {
    st.bus.addDrive(1, Series::QD10, 75);
    st.bus.addDrive(2, Series::QD20, 6);
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(1, 3);
    const QStringList rows = rowTexts(status().driveList());
    ASSERT_EQ(rows.size(), 3);

    const struct {
        int toolButton;
        int row;
    } steps[] = {{MainWindow::NextDriveButton, 1},
                 {MainWindow::NextDriveButton, 2},
                 {MainWindow::NextDriveButton, 0},
                 {MainWindow::PreviousDriveButton, 2},
                 {MainWindow::PreviousDriveButton, 1}};
    for (const auto& step : steps) {
        st.window->toolButton(step.toolButton)->click();
        EXPECT_EQ(st.window->selection().selectedRow, step.row);
        EXPECT_EQ(QString::fromStdString(selectedName()), rows[step.row]);
        EXPECT_EQ(st.window->nameBox()->text(), rows[step.row]);
        EXPECT_EQ(st.selectedSlot(), st.slotOf(selectedName()));
    }

    startReadout();
    st.window->selectNextDrive();
    EXPECT_EQ(st.window->selection().selectedRow, 1);
}

TEST_F(MainWindowTest, ListAndTreeSelectTheDriveUnlessATransferRuns) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.bus.addDrive(4, Series::QD40, 1100);
    st.connect(3, 2);
    QTreeWidget* list = status().driveList();

    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(selectedName(), "4#QD40-11.00");
    EXPECT_EQ(st.window->nameBox()->text(), "4#QD40-11.00");
    EXPECT_EQ(st.selectedSlot(), st.slotOf("4#QD40-11.00"));

    // The tree's choice is the drive the name box shows and the commands reach.
    QTreeWidget* tree = status().driveTree();
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    EXPECT_EQ(selectedName(), "3#QD30-7.50");
    EXPECT_EQ(st.window->nameBox()->text(), "3#QD30-7.50");
    EXPECT_EQ(list->currentItem()->text(0), "3#QD30-7.50");
    EXPECT_EQ(st.selectedSlot(), st.slotOf("3#QD30-7.50"));
    tree->setCurrentItem(tree->topLevelItem(1)); // a heading changes nothing
    EXPECT_EQ(selectedName(), "3#QD30-7.50");

    startReadout();
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(selectedName(), "3#QD30-7.50");
    EXPECT_EQ(list->selectedItems().value(0)->text(0), "3#QD30-7.50");
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    EXPECT_EQ(selectedName(), "3#QD30-7.50");
}

TEST_F(MainWindowTest, EnterCommitsTheFrequencyAndPanelButtonsSwitchOnce) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.window->panelButton(PanelMotorControl)->click();
    EXPECT_TRUE(motor().frequencyEdit()->isVisibleTo(st.window->panelArea()));
    EXPECT_FALSE(status().driveList()->isVisibleTo(st.window->panelArea()));
    EXPECT_TRUE(status().summaryList()->isVisibleTo(st.window->panelArea()));
    EXPECT_EQ(status().summaryList()->palette().color(QPalette::Base), QColor(160, 180, 220));

    st.window->show();
    QApplication::setActiveWindow(st.window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(st.window.get()));
    motor().frequencyEdit()->setFocus();
    motor().frequencyEdit()->setText("42.5");
    QTest::keyClick(motor().frequencyEdit(), Qt::Key_Return);
    EXPECT_EQ(station().frequencyGiven(st.selectedSlot()), 4250);
    EXPECT_EQ(motor().frequencyEdit()->text(), "42.50");

    // The button of the panel already shown does not show it again.
    motor().frequencyEdit()->hide();
    st.window->panelButton(PanelMotorControl)->click();
    EXPECT_FALSE(motor().frequencyEdit()->isVisibleTo(st.window->panelArea()));
    st.window->panelButton(PanelSystemStatus)->click();
    EXPECT_TRUE(status().driveList()->isVisibleTo(st.window->panelArea()));
    EXPECT_EQ(status().summaryList()->palette().color(QPalette::Base), QColor(0, 0, 0));
    st.window->hide();
}

TEST_F(MainWindowTest, DisconnectingTheOnlyDriveEmptiesListAndSelection) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    st.window->menuAction(MainWindow::Disconnect)->trigger();

    EXPECT_EQ(status().driveList()->topLevelItemCount(), 0);
    EXPECT_EQ(st.window->selection().selectedRow, -1);
    EXPECT_EQ(selectedName(), "");
    EXPECT_EQ(st.selectedSlot(), -1);
    EXPECT_EQ(st.window->nameBox()->text(), "");
    QTreeWidget* summary = status().summaryList();
    for (const auto& [row, column] : {std::pair{0, 1}, {1, 1}, {2, 3}, {5, 1}, {5, 3}}) {
        EXPECT_EQ(summary->topLevelItem(row)->text(column), "---");
    }
    EXPECT_EQ(summary->topLevelItem(1)->text(3), "QD30");
    EXPECT_EQ(st.link.snapshot().table.driveCount, 0u);

    st.window->disconnectDrive(); // nothing selected: nothing happens
    EXPECT_TRUE(st.messages.texts().empty());
}

TEST_F(MainWindowTest, DisconnectSelectsTheFirstRemainingDrive) {
    st.bus.addDrive(3, Series::QD30, 750);
    st.bus.addDrive(4, Series::QD40, 1100);
    st.connect(3, 2);
    st.window->selectNextDrive();
    ASSERT_EQ(selectedName(), "4#QD40-11.00");
    st.window->disconnectDrive();
    EXPECT_EQ(selectedName(), "3#QD30-7.50");
    EXPECT_EQ(st.window->nameBox()->text(), "3#QD30-7.50");
    EXPECT_EQ(status().summaryList()->topLevelItem(0)->text(1), "3#QD30-7.50");
}

TEST_F(MainWindowTest, ConnectionDialogRefusesLongSearchesAndAppliesSettings) {
    const int opensAtStart = st.transport.openCount();
    st.window->setConnectionDialogRunner([&](ConnectionDialog& dialog) {
        dialog.searchLengthEdit()->setText("248");
        EXPECT_FALSE(dialog.connectDrives());
        dialog.searchLengthEdit()->setText("5");
        EXPECT_TRUE(dialog.exitDialog());
    });
    st.window->openConnectionDialog();
    EXPECT_EQ(st.messages.texts(),
              std::vector<std::string>{"请输入一个介于 0 和 247 之间的整数。"});
    EXPECT_FALSE(st.link.snapshot().searching);
    EXPECT_EQ(st.transport.openCount(), opensAtStart); // nothing applied: port untouched
    EXPECT_EQ(st.window->statusPaneText(1), "COM1");

    st.window->setConnectionDialogRunner([](ConnectionDialog& dialog) {
        dialog.portBox()->setCurrentIndex(2);
        dialog.baudBox()->setCurrentIndex(1);
        dialog.parityBox()->setCurrentIndex(2);
        dialog.dataBitsBox()->setCurrentIndex(1);
        dialog.stopBitsBox()->setCurrentIndex(1);
        EXPECT_TRUE(dialog.apply());
        dialog.exitDialog();
    });
    st.window->openConnectionDialog();
    EXPECT_EQ(st.window->statusPaneText(1), "COM3");
    EXPECT_EQ(st.window->statusPaneText(2), "19200");
    EXPECT_EQ(st.window->statusPaneText(3), "偶效验");
    EXPECT_EQ(st.transport.selectedPort(), 3);
    EXPECT_EQ(st.transport.appliedLine(), (sim::LineSettings{19200, 'E', 7, 2}));
    EXPECT_EQ(st.link.settings().settingsText(), "19200E72");

    // Once applied, every later close reopens the port.
    const int opens = st.transport.openCount();
    st.window->setConnectionDialogRunner([](ConnectionDialog& dialog) { dialog.exitDialog(); });
    st.window->openConnectionDialog();
    EXPECT_EQ(st.transport.openCount(), opens + 1);
}

TEST_F(MainWindowTest, NoCellIsRewrittenWhenNothingChanged) {
    st.bus.addDrive(1, Series::QD10, 75);
    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(1, 3);
    st.run(500);
    const std::size_t writes = status().cellWrites();
    st.window->refreshStatus();
    st.window->refreshStatus();
    EXPECT_EQ(status().cellWrites(), writes);
    st.run(500); // stopped drives answer the same values
    EXPECT_EQ(status().cellWrites(), writes);
}

TEST_F(MainWindowTest, MotorPictureRestsWithoutSelectionAndFollowsTheDrive) {
    EXPECT_EQ(st.window->animateMotorIcon(), 150);
    EXPECT_EQ(st.window->motorFrame(), MotorFrame::RunA);

    st.bus.addDrive(3, Series::QD30, 750);
    st.connect(3, 1);
    EXPECT_EQ(st.window->animateMotorIcon(), 500);
    EXPECT_EQ(st.window->motorFrame(), MotorFrame::Idle);
    st.window->raiseCommandRequest(CommandRequests::kRun);
    st.run(2000);
    EXPECT_LT(st.window->animateMotorIcon(), 500);
    const MotorFrame first = st.window->motorFrame();
    st.window->animateMotorIcon();
    EXPECT_NE(st.window->motorFrame(), first);
    EXPECT_NE(st.window->motorFrame(), MotorFrame::Idle);
}

TEST(MainWindowStartTest, RefusedDataSourceStopsTheStartUpWithOneMessage) {
    Station st(false);
    EXPECT_FALSE(st.start());
    EXPECT_EQ(st.messages.messages(),
              (std::vector<RecordingMessages::Message>{{"错误! 不能加载数据库!", ""}}));
    EXPECT_EQ(st.transport.openCount(), 0);
    st.window->exitButton()->click();
    EXPECT_TRUE(st.window->ended());
}

TEST(MainWindowStartTest, PortThatCannotOpenIsReportedWithDeviceAndReason) {
    Station st;
    st.transport.setOpenFails(true, "Permission denied");
    EXPECT_TRUE(st.start());
    ASSERT_EQ(st.messages.count(), 1u);
    const std::string text = st.messages.last().text;
    EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
    EXPECT_NE(text.find(st.transport.devicePath()), std::string::npos) << text;
}

// --help and --version answer on a console, with no display to open; a wrong
// argument is one line of error and one pointing to --help.
TEST(MainWindowStartTest, HelpAndVersionAnswerWithoutADisplay) {
    const std::string program = testing::binaryDir() + "/src/app/velkaro";
    struct Case {
        const char* arguments;
        int exit;
        const char* said;
        std::size_t lines; ///< 0: any number
    };
    const Case cases[] = {
        {"--help", 0, "VELKARO_COM", 0},    {"-platform offscreen --help", 0, "--version", 0},
        {"--version", 0, "velkaro ", 1},    {"--bogus", 2, "velkaro --help", 2},
        {"COM1", 2, "多余的参数：COM1", 2}, {"-platform", 2, "选项缺少取值：-platform", 2},
    };
    for (const Case& c : cases) {
        const testing::CommandResult run =
            testing::runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 " +
                                program + " " + c.arguments + " 2>&1");
        EXPECT_EQ(run.exitCode, c.exit) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << c.arguments << "\n" << run.output;
        if (c.lines != 0) {
            EXPECT_EQ(testing::linesOf(run.output).size(), c.lines) << run.output;
        }
    }
}

TEST(MainWindowStartTest, StartsWithDefaultsAndEscapeStopsTheTickFirst) {
    sim::BusSimulator bus;
    sim::MemoryTransport transport(bus);
    RecordingMessages messages;
    DriveLink link(transport, messages);
    MainWindowOptions options;
    options.startTimers = false;
    options.registerDataSource = [] { return DataSourceResult{true, ""}; };
    options.recordConnect = "DSN=velkaro-window-test-absent";
    MainWindow window(link, messages, options);
    ASSERT_TRUE(window.initMainWindow());

    EXPECT_EQ(window.windowTitle(), "Velkaro");
    EXPECT_EQ(window.statusPaneText(1), "COM1");
    EXPECT_EQ(window.statusPaneText(2), "9600");
    EXPECT_EQ(window.statusPaneText(3), "无效验");
    EXPECT_TRUE(window.tickRunning());
    EXPECT_TRUE(link.snapshot().linkOpen);
    EXPECT_TRUE(window.panelButton(PanelDataMonitor)->isHidden());
    EXPECT_FALSE(window.panelButton(PanelDataMonitor)->isEnabled());
    EXPECT_EQ(window.menuAction(MainWindow::Exit)->text(), "退          出");
    EXPECT_EQ(window.menuAction(MainWindow::Start)->text(), "启    动");

    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.ended());
    EXPECT_FALSE(window.tickRunning());
    EXPECT_TRUE(messages.abandoned());
    EXPECT_FALSE(window.isVisible());
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
