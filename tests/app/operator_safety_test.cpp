// Commands and values reach the drive and register the operator meant, and
// supervision never pauses: the window with its real widgets over the
// simulated bus.
#include "registry/catalogue.h"
#include "registry/fixed_point.h"
#include "support/station.h"
#include "support/temp_dir.h"

#include "ui/access_gate.h"
#include "ui/amend_dialog.h"
#include "ui/connection_dialog.h"
#include "ui/engineer_pin_dialog.h"
#include "ui/line_change_guard.h"
#include "ui/line_finder_dialog.h"
#include "ui/motor_panel.h"
#include "ui/notice_centre.h"
#include "ui/parameter_export_import.h"
#include "ui/parameter_panel.h"
#include "ui/qt_operator_messages.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "ui/status_panel.h"
#include "widgets/skinned_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;
using testing::Station;
using testing::treeGroup;

/// A started station with QD30 drives at addresses 1..count, all connected.
std::unique_ptr<Station> stationWith(int count) {
    auto st = std::make_unique<Station>();
    EXPECT_TRUE(st->start());
    for (int a = 1; a <= count; ++a) {
        st->bus.addDrive(a, Series::QD30, 750);
    }
    st->connect(1, static_cast<unsigned>(count));
    return st;
}

/// Clicks the drive at bus `address` in the drive list.
void select(Station& st, int address) {
    QTreeWidget* list = st.window->statusPanel().driveList();
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (st.drive(list->topLevelItem(row)->text(0).toStdString()).address ==
            std::to_string(address)) {
            list->setCurrentItem(list->topLevelItem(row));
        }
    }
    ASSERT_EQ(st.drive(st.window->selection().selectedName).address, std::to_string(address));
}

/// Clicks the button of `box` captioned `text`.
void clickButton(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << text.toStdString();
}

/// The texts of the open notice boxes, oldest first.
QStringList boxTexts(QtOperatorMessages& boxes) {
    QStringList texts;
    for (QMessageBox* box : boxes.openBoxes()) {
        texts << box->text();
    }
    return texts;
}

/// The line finder of "检测通讯参数...", opened from the menu.
LineFinderDialog* openLineFinder(MainWindow& window) {
    for (QAction* menu : window.menuBar()->actions()) {
        for (QAction* action : menu->menu() ? menu->menu()->actions() : QList<QAction*>{}) {
            if (action->text() == QStringLiteral("检测通讯参数...")) {
                action->trigger();
            }
        }
    }
    return window.findChild<LineFinderDialog*>();
}

/// The command words of the control-block writes the drive received, oldest first.
std::vector<int32_t> commandWordsSeen(const sim::SimulatedDrive& drive) {
    std::vector<int32_t> words;
    for (const auto& frame : drive.requestsSeen()) {
        if (frame.size() >= 9 && frame[1] == 0x10 && frame[2] == 0x32 && frame[3] == 0x00) {
            words.push_back((frame[7] << 8) | frame[8]);
        }
    }
    return words;
}

/// The command word of the first control-block write the drive received; -1 if none.
int32_t firstCommandWord(const sim::SimulatedDrive& drive) {
    const std::vector<int32_t> words = commandWordsSeen(drive);
    return words.empty() ? -1 : words.front();
}

TEST(OperatorSafety, SelectionStaysOnItsDriveWhateverHappensToTheOthers) {
    struct Event {
        const char* label;
        std::function<void(Station&)> act;
        const char* nameAfter;
    };
    const Event events[] = {
        {"search adds a drive",
         [](Station& st) {
             st.bus.addDrive(9, Series::QD10, 75);
             st.connect(9, 1);
         },
         "2#QD30-7.50"},
        {"another drive leaves", [](Station& st) { st.link.removeDrive("1#QD30-7.50"); },
         "2#QD30-7.50"},
        {"the drive is renamed",
         [](Station& st) {
             st.window->setRenameDialogRunner([](RenameDialog& dialog) {
                 dialog.newNameEdit()->setText("Pump B");
                 dialog.accept();
                 return true;
             });
             st.window->renameSelectedDrive();
         },
         "Pump B"},
        {"it drops and comes back",
         [](Station& st) {
             st.bus.drive(2)->faults().silent = true;
             st.run(8000);
             EXPECT_EQ(treeGroup(st.window->statusPanel().driveTree(), 1),
                       QStringList{"2#QD30-7.50"});
             EXPECT_EQ(st.window->statusPanel().driveList()->topLevelItem(1)->text(1), "通讯断线");
             st.bus.drive(2)->faults().silent = false;
         },
         "2#QD30-7.50"},
    };
    for (const Event& e : events) {
        SCOPED_TRACE(e.label);
        auto st = stationWith(3);
        select(*st, 2);
        const int slot = st->selectedSlot();
        st->window->selectPanel(PanelParameters);
        st->window->parameterPanel().groupSelector()->setCurrentIndex(2);
        st->run(2000);

        e.act(*st);
        st->run(2000);
        EXPECT_EQ(st->selectedSlot(), slot);
        EXPECT_EQ(st->window->selection().selectedName, e.nameAfter);
        EXPECT_EQ(st->window->nameBox()->text(), e.nameAfter);
        EXPECT_EQ(st->window->parameterPanel().groupSelector()->currentIndex(), 2);
        EXPECT_EQ(st->window->parameterPanel().shownValues()[0],
                  st->bus.drive(2)->holdingRegister(0x0200));
        // Commands still go to it.
        // A run waits for a turn of its drive with no status read asked for.
        st->window->menuAction(MainWindow::Start)->trigger();
        st->run(1000);
        EXPECT_TRUE(st->bus.drive(2)->running());
        EXPECT_FALSE(st->bus.drive(1)->running());
    }
}

// A run, forward, reverse or reset goes to the drive selected when it was
// given, or nowhere when the selection moves before the pass serves it; a
// stop reaches the drive it was given for whatever is selected afterwards.
TEST(OperatorSafety, ARequestGoesOnlyToTheDriveSelectedWhenItWasGiven) {
    struct Source {
        const char* label;
        std::function<void(Station&)> give;
        int32_t word; ///< what reaches the drive when the selection stays
        bool stop;
    };
    auto key = [](MotorPanel::KeyIndex k) {
        return [k](Station& st) { st.window->motorPanel().key(k)->click(); };
    };
    auto menu = [](MainWindow::MenuCommand c) {
        return [c](Station& st) { st.window->menuAction(c)->trigger(); };
    };
    // The default keys: red 停机, green 正转, blue 紧急停机, yellow 反转, purple 自由停机.
    const Source sources[] = {
        {"run tool button",
         [](Station& st) { st.window->toolButton(MainWindow::RunButton)->click(); }, 0x001F, false},
        {"stop tool button",
         [](Station& st) { st.window->toolButton(MainWindow::StopButton)->click(); }, 0x001E, true},
        {"start menu", menu(MainWindow::Start), 0x001F, false},
        {"coast stop menu", menu(MainWindow::CoastStop), 0x001C, true},
        {"red key", key(MotorPanel::Red), 0x001E, true},
        {"green key", key(MotorPanel::Green), 0x001F, false},
        {"blue key", key(MotorPanel::Blue), 0x001A, true},
        {"yellow key", key(MotorPanel::Yellow), 0x081F, false},
        {"purple key", key(MotorPanel::Purple), 0x001C, true},
    };
    for (const Source& s : sources) {
        SCOPED_TRACE(s.label);
        auto st = stationWith(2);
        st->window->selectPanel(PanelMotorControl);
        st->run(200);
        select(*st, 1);
        const int32_t before2 = st->commandWordAt(2);
        st->bus.drive(1)->clearRequestsSeen();
        st->bus.drive(2)->clearRequestsSeen();
        s.give(*st);
        select(*st, 2); // before the 100 ms pass serves it
        st->window->dispatchCommands();
        st->run(1000);
        if (s.stop) {
            EXPECT_EQ(firstCommandWord(*st->bus.drive(1)), s.word) << "the drive it was given for";
        } else {
            EXPECT_TRUE(commandWordsSeen(*st->bus.drive(1)).empty())
                << "the drive it was given for, too late";
        }
        EXPECT_TRUE(commandWordsSeen(*st->bus.drive(2)).empty()) << "the drive selected afterwards";
        EXPECT_EQ(st->commandWordAt(2), before2);
        EXPECT_FALSE(st->window->commandRequests().anyPending());

        // Given and served while its drive stays selected, the word is on the wire.
        s.give(*st);
        st->window->dispatchCommands();
        st->run(1000);
        EXPECT_EQ(firstCommandWord(*st->bus.drive(2)), s.word);
        EXPECT_TRUE(commandWordsSeen(*st->bus.drive(1)).empty() || s.stop);
    }
}

// A drive that refuses the EEPROM store (in keypad control, or with a worn
// EEPROM) is given a store with "-> EEPROM", then an emergency stop: the store
// goes out once, the operator is told of its refusal once, the emergency stop
// reaches the drive, and the list keeps showing the drive's live values.
TEST(OperatorSafety, ARefusedStoreHoldsBackNeitherTheEmergencyStopNorTheStatusReads) {
    auto st = stationWith(1);
    sim::SimulatedDrive& drive = *st->bus.drive(1);
    st->window->motorPanel().frequencyEdit()->setText("30");
    st->window->motorPanel().onFrequencyEntered();
    st->window->menuAction(MainWindow::Start)->trigger();
    st->run(4000);
    ASSERT_TRUE(drive.running());
    drive.faults().refusal = sim::Refusal{sim::Refusal::Store, 0, 0x04};
    drive.clearRequestsSeen();
    st->messages.clear();

    st->window->selectPanel(PanelParameters);
    st->window->parameterPanel().eepromButton()->click();
    st->run(200); // the store is on the wire and refused
    st->window->raiseCommandRequest(CommandRequests::kEmergencyStop);
    QTreeWidgetItem* row = st->window->statusPanel().driveList()->topLevelItem(0);
    QStringList frequencies;
    for (int pass = 0; pass < 30; ++pass) {
        st->run(100);
        if (frequencies.isEmpty() || frequencies.back() != row->text(2)) {
            frequencies << row->text(2);
        }
    }

    const std::vector<int32_t> words = commandWordsSeen(drive);
    EXPECT_NE(std::find(words.begin(), words.end(), 0x001A), words.end())
        << "the emergency stop never reached the drive";
    int stores = 0;
    int statusReads = 0;
    for (const auto& frame : drive.requestsSeen()) {
        stores += frame.size() > 3 && frame[1] == 0x10 && frame[2] == 0x32 && frame[3] == 0x09;
        statusReads += frame.size() > 3 && frame[1] == 0x03 && frame[2] == 0x32 && frame[3] == 0x10;
    }
    EXPECT_EQ(stores, 1) << "a refused store is not sent again";
    EXPECT_EQ(drive.eepromStoreCount(), 0);
    EXPECT_GE(statusReads, 25) << "status reads went on at their rate";
    EXPECT_GE(frequencies.size(), 5) << frequencies.join(' ').toStdString();
    EXPECT_EQ(frequencies.back(), "0.00Hz");
    EXPECT_FALSE(drive.running());
    ASSERT_EQ(st->messages.count(), 1u) << "told once";
    const auto told = st->messages.last();
    EXPECT_FALSE(told.modal);
    for (const char* part : {"1#QD30-7.50", "存储到EEPROM", "从站设备故障"}) {
        EXPECT_NE(told.text.find(part), std::string::npos) << told.text;
    }
}

// A drive in keypad control refuses the control block: a run given from the
// menu is tried three times, the operator is told once which drive refused
// which command and why, and the drive is polled all the while.
TEST(OperatorSafety, ARefusedRunIsToldOnceAndTheDriveStaysWatched) {
    auto st = stationWith(1);
    sim::SimulatedDrive& drive = *st->bus.drive(1);
    drive.faults().refusal = sim::Refusal{sim::Refusal::Control, 0, 0x01};
    drive.clearRequestsSeen();
    st->messages.clear();
    const uint32_t readsBefore = st->link.snapshot().statusReadCount[0];
    st->window->menuAction(MainWindow::Start)->trigger();
    st->run(3000);
    EXPECT_EQ(commandWordsSeen(drive), (std::vector<int32_t>(3, 0x001F)));
    EXPECT_FALSE(drive.running());
    EXPECT_GE(st->link.snapshot().statusReadCount[0] - readsBefore, 25u);
    EXPECT_EQ(st->window->statusPanel().driveList()->topLevelItem(0)->text(1), "停止中");
    EXPECT_EQ(st->messages.messages(),
              (std::vector<testing::RecordingMessages::Message>{
                  {"变频器 1#QD30-7.50 连续三次拒绝了命令：运行（异常 01 非法功能）。", "信息提示",
                   false}}));
}

TEST(OperatorSafety, JogStopsWhenTheSelectionLeavesItsDrive) {
    auto st = stationWith(2);
    st->window->selectPanel(PanelMotorControl);
    select(*st, 1);
    MotorPanel& motor = st->window->motorPanel();
    motor.forwardJogBox()->click();
    st->run(500);
    EXPECT_TRUE(st->bus.drive(1)->jogging());

    select(*st, 2);
    EXPECT_FALSE(motor.forwardJogBox()->isChecked());
    st->run(500);
    EXPECT_EQ(st->commandWordAt(1), 0x001E);
    EXPECT_FALSE(st->bus.drive(1)->jogging());

    // The boxes now act on drive 2 alone.
    motor.reverseJogBox()->click();
    st->run(500);
    EXPECT_EQ(st->commandWordAt(2), 0x021E);
    EXPECT_EQ(st->commandWordAt(1), 0x001E);
    EXPECT_TRUE(st->bus.drive(2)->jogging());

    // A drive renamed while it jogs still stops when the selection leaves it.
    st->window->setRenameDialogRunner([](RenameDialog& dialog) {
        dialog.newNameEdit()->setText("Pump B");
        dialog.accept();
        return true;
    });
    st->window->renameSelectedDrive();
    select(*st, 1);
    st->run(500);
    EXPECT_EQ(st->commandWordAt(2), 0x001E);
    EXPECT_FALSE(st->bus.drive(2)->jogging());
    EXPECT_TRUE(st->messages.texts().empty());
}

TEST(OperatorSafety, ASavedParameterGoesToItsOwnRegisterWhateverIsClickedBeforeItsTurn) {
    struct Interference {
        const char* label;
        std::function<void(Station&)> act;
    };
    const Interference interferences[] = {
        {"another row clicked",
         [](Station& st) {
             QTableWidget* list = st.window->parameterPanel().parameterList();
             list->selectRow(7);
             st.window->parameterPanel().onParameterClick();
         }},
        {"another drive selected", [](Station& st) { select(st, 2); }},
        {"another group chosen",
         [](Station& st) { st.window->parameterPanel().groupSelector()->setCurrentIndex(0); }},
    };
    constexpr uint16_t kWritten = registerOf(1, 5);
    for (const Interference& i : interferences) {
        SCOPED_TRACE(i.label);
        auto st = stationWith(8);
        select(*st, 1);
        ParameterPanel& panel = st->window->parameterPanel();
        st->window->selectPanel(PanelParameters);
        panel.groupSelector()->setCurrentIndex(1);
        st->run(3000);
        const auto untouched = [&] {
            return std::array<uint16_t, 3>{st->bus.drive(1)->holdingRegister(registerOf(1, 7)),
                                           st->bus.drive(1)->holdingRegister(registerOf(0, 5)),
                                           st->bus.drive(2)->holdingRegister(kWritten)};
        };
        const auto before = untouched();
        const uint16_t value = st->bus.drive(1)->holdingRegister(kWritten) == 123 ? 124 : 123;
        const unsigned decimals = decimalsOf(*descriptor("QD30", 1, 5));

        panel.setAmendRunner([&](AmendDialog& dialog) {
            dialog.newValueBox()->setText(QString::fromStdString(formatFixed(value, decimals)));
            dialog.saveButton()->click();
            return dialog.result();
        });
        panel.parameterList()->selectRow(5);
        panel.onParameterDoubleClick();
        i.act(*st);
        st->run(6000);
        EXPECT_EQ(st->bus.drive(1)->holdingRegister(kWritten), value);
        EXPECT_EQ(untouched(), before);
    }
}

TEST(OperatorSafety, EachNameCommandsItsOwnDrive) {
    auto st = stationWith(1);
    st->window->setRenameDialogRunner([](RenameDialog& dialog) {
        dialog.newNameEdit()->setText("2#QD30-7.50"); // what drive 2 will be called
        dialog.accept();
        return true;
    });
    st->window->renameSelectedDrive();
    st->bus.addDrive(2, Series::QD30, 750);
    st->connect(2, 1);
    {
        const LinkSnapshot view = st->link.snapshot();
        ASSERT_EQ(view.table.driveCount, 2u);
        EXPECT_EQ(view.table.driveNames[1], "2#QD30-7.50(2)");
    }
    EXPECT_TRUE(st->window->statusBar()->currentMessage().contains("2#QD30-7.50(2)"));
    for (const int address : {2, 1}) {
        select(*st, address);
        st->window->menuAction(MainWindow::Start)->trigger();
        st->run(500);
        EXPECT_TRUE(st->bus.drive(address)->running()) << address;
        st->window->menuAction(MainWindow::Stop)->trigger();
        st->run(3000);
    }
    EXPECT_EQ(st->drive("2#QD30-7.50").address, "1");
    EXPECT_EQ(st->drive("2#QD30-7.50(2)").address, "2");
}

TEST(OperatorSafety, RenameAndDisconnectNeverCutATransferOrReachAnotherDrive) {
    auto st = stationWith(2);
    select(*st, 1);
    // A rename whose drive left while the dialog was open renames nothing.
    st->window->setRenameDialogRunner([&](RenameDialog& dialog) {
        st->link.removeDrive("1#QD30-7.50");
        dialog.newNameEdit()->setText("Pump A");
        dialog.accept();
        return true;
    });
    st->window->renameSelectedDrive();
    EXPECT_EQ(st->messages.last().text, "1#QD30-7.50 已断开连接，名字未更改。");
    EXPECT_EQ(st->slotOf("Pump A"), -1);
    st->run(300);

    // While an export runs, its drive can be neither renamed nor removed.
    select(*st, 2);
    StationLink& station = st->window->station();
    station.submit(station.selectedTarget(), Export{});
    st->messages.clear();
    st->window->renameSelectedDrive();
    st->window->menuAction(MainWindow::Disconnect)->trigger();
    EXPECT_EQ(
        st->messages.texts(),
        (std::vector<std::string>(2, "参数导入或导出正在进行，请等待其完成后再进行该操作！")));
    EXPECT_EQ(st->slotOf("2#QD30-7.50"), st->selectedSlot());
    st->run(5000);
    EXPECT_TRUE(station.idle()) << "the export ran to its end";
    EXPECT_TRUE(st->messages.texts().size() == 2u);
}

TEST(OperatorSafety, RefusedDataSourceStillShowsTheStatusBarAndTheStatusPanel) {
    Station st(false);
    EXPECT_FALSE(st.start());
    EXPECT_EQ(st.messages.texts(), std::vector<std::string>{"错误! 不能加载数据库!"});
    EXPECT_EQ(st.window->statusPaneText(1), "COM1");
    EXPECT_EQ(st.window->statusPaneText(3), "无效验");
    EXPECT_FALSE(st.window->statusPanel().driveList()->isHidden());
    EXPECT_FALSE(st.window->statusPanel().driveTree()->isHidden());
}

TEST(OperatorSafety, StatusValuesAreNeverShownNegativeButTorqueKeepsItsSign) {
    auto st = stationWith(1);
    sim::SimulatedDrive& drive = *st->bus.drive(1);
    drive.setHoldingRegister(0x3211, 40000);  // 400.00 Hz, a negative word if signed
    drive.setHoldingRegister(0x3215, 0xFFFF); // 6553.5 A
    drive.setHoldingRegister(0x3216, 0xFFFB); // torque -0.5 %
    st->run(300);
    QTreeWidget* summary = st->window->statusPanel().summaryList();
    EXPECT_EQ(st->window->statusPanel().driveList()->topLevelItem(0)->text(2), "400.00Hz");
    EXPECT_EQ(summary->topLevelItem(2)->text(3), "400.00Hz");
    EXPECT_EQ(summary->topLevelItem(3)->text(3), "6553.5A");
    EXPECT_EQ(summary->topLevelItem(4)->text(3), "-0.5%");
}

TEST(OperatorSafety, MenuRoutesOpenTheirDialogsAndTheRecordTimerTakesANewInterval) {
    auto st = stationWith(1);
    int connectionDialogs = 0;
    int renameDialogs = 0;
    st->window->setConnectionDialogRunner([&](ConnectionDialog&) { ++connectionDialogs; });
    st->window->setRenameDialogRunner([&](RenameDialog&) { return ++renameDialogs < 0; });
    st->window->menuAction(MainWindow::AddConnection)->trigger();
    st->window->menuAction(MainWindow::ChangeName)->trigger();
    EXPECT_EQ(connectionDialogs, 1);
    EXPECT_EQ(renameDialogs, 1);

    // Timer 4 is armed with the interval of the options when it fires.
    MainWindowOptions options;
    options.startTick = false;
    options.registerDataSource = [] { return DataSourceResult{true, ""}; };
    options.recordConnect = "DSN=velkaro-window-test-absent";
    MainWindow window(st->link, st->messages, options);
    window.displayOptions().recordIntervalMs = 50;
    ASSERT_TRUE(window.initMainWindow());
    EXPECT_EQ(window.recordTimer().interval(), 50);
    window.displayOptions().recordIntervalMs = 70000;
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    QObject::connect(&window.recordTimer(), &QTimer::timeout, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    loop.exec();
    EXPECT_EQ(window.recordTimer().interval(), 70000);
    window.endMainWindow();
}

/// The fault alert with the real boxes and the window's own repeating timer:
/// while a box is open the 100 ms passes go on (polls queued, drops detected,
/// lists redrawn, commands dispatched), and another drive's fault opens its
/// own box.
TEST(OperatorSafety, TheFaultAlertBoxDoesNotStopSupervision) {
    sim::BusSimulator bus;
    sim::MemoryTransport transport(bus);
    QtOperatorMessages boxes;
    DriveLink link(transport, boxes);
    MainWindowOptions options;
    options.startTick = false; // the test ticks; timer 1 runs for real
    options.registerDataSource = [] { return DataSourceResult{true, ""}; };
    options.recordConnect = "DSN=velkaro-window-test-absent";
    MainWindow window(link, boxes, options);
    boxes.setParentWindow(&window);
    ASSERT_TRUE(window.initMainWindow());
    for (int a = 1; a <= 3; ++a) {
        bus.addDrive(a, Series::QD30, 750);
    }
    link.submit({}, Search{1, 3});
    // Simulated time runs on a fast real timer; timer 1 is the window's own.
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        for (int i = 0; i < 40; ++i) {
            link.tick();
            transport.advanceTick();
        }
    });
    clock.start(2);

    int stage = 0;
    std::vector<QMessageBox*> seen;
    QEventLoop loop;
    QTimer script;
    bool late = false;
    QTimer::singleShot(20000, &loop, [&] { late = true; });
    QObject::connect(&script, &QTimer::timeout, [&] {
        auto openBoxes = [] {
            std::vector<QMessageBox*> open;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    open.push_back(box);
                }
            }
            return open;
        };
        if (late) {
            // A box that stopped the passes must not hang the test: close
            // every box until the loop can end.
            for (QMessageBox* box : openBoxes()) {
                box->done(QMessageBox::Ok);
            }
            loop.quit();
            return;
        }
        switch (stage) {
        case 0: // all three connected and polled: trip drive 1
            if (link.snapshot().table.driveCount == 3 && window.selection().selectedRow == 0) {
                bus.drive(1)->setFault(12);
                stage = 1;
            }
            break;
        case 1: // the alert is up: drive 2 falls silent, a stop is given
            if (openBoxes().size() == 1) {
                bus.drive(2)->faults().silent = true;
                window.raiseCommandRequest(CommandRequests::kStop);
                stage = 2;
            }
            break;
        case 2: // seen as dropped, in the tree, the stop dispatched: trip drive 3
            if (treeGroup(window.statusPanel().driveTree(), 1) == QStringList{"2#QD30-7.50"} &&
                link.snapshot().table.slots[0].controlSet[0] == 0x001E) {
                bus.drive(3)->setFault(12);
                stage = 3;
            }
            break;
        case 3: // a further box for the further fault
            if (openBoxes().size() == 2) {
                seen = openBoxes();
                stage = 4;
                boxes.abandonPending(); // closes every open box
                loop.quit();
            }
            break;
        }
    });
    script.start(10);
    loop.exec();
    EXPECT_EQ(stage, 4) << "supervision stopped behind the open box";
    ASSERT_EQ(seen.size(), 2u);
}

/// The link's own notices (here a port that stopped taking frames) open a box
/// without waiting for the operator: behind it the 100 ms passes go on and
/// the drives are seen to drop.
TEST(OperatorSafety, ANoticeFromTheTickLeavesSupervisionGoing) {
    auto st = stationWith(2);
    QtOperatorMessages& boxes = st->boxes();
    st->transport.setWriteFails(true);
    st->run(300);
    ASSERT_EQ(boxes.openBoxes().size(), 1u);
    EXPECT_TRUE(boxes.openBoxes()[0]->text().startsWith("串口 memory:COM1 无法发送数据"));
    EXPECT_FALSE(st->messages.last().modal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_GE(st->runUntilSeen(
                  [](const LinkSnapshot& v) {
                      return v.table.slots[0].online == 0 && v.table.slots[1].online == 0;
                  },
                  20000),
              0);
    st->run(200);
    EXPECT_EQ(treeGroup(st->window->statusPanel().driveTree(), 1),
              (QStringList{"1#QD30-7.50", "2#QD30-7.50"}));
    EXPECT_EQ(boxes.openBoxes().size(), 1u) << "told once";
}

/// Boxes counted: one alert box per tripped drive, a drive that drops and
/// comes back tripped counts in its own box, nothing is modal and the stop
/// key reaches the running drive with the boxes open; the notice centre keeps
/// what was said.
TEST(OperatorSafety, AlertBoxesInformOnceEachAndNeverHoldTheStopKey) {
    auto st = stationWith(3);
    QtOperatorMessages& boxes = st->boxes();
    select(*st, 2);
    st->window->raiseCommandRequest(CommandRequests::kRun);
    st->run(1000);
    ASSERT_TRUE(st->bus.drive(2)->running());

    st->bus.drive(1)->setFault(12);
    st->run(400);
    st->bus.drive(3)->setFault(12);
    st->run(400);
    const QStringList alerts{" 1#QD30-7.50发生异常，请及时处理！",
                             " 3#QD30-7.50发生异常，请及时处理！"};
    ASSERT_EQ(boxTexts(boxes), alerts);
    for (int again = 0; again < 3; ++again) {
        st->bus.drive(1)->faults().silent = true;
        ASSERT_GE(st->runUntilSeen(
                      [](const LinkSnapshot& v) { return v.table.slots[0].online == 0; }, 20000),
                  0);
        st->run(200);
        st->bus.drive(1)->faults().silent = false;
        ASSERT_GE(st->runUntilSeen(
                      [](const LinkSnapshot& v) { return v.table.slots[0].online == 1; }, 20000),
                  0);
        st->run(200);
    }
    ASSERT_EQ(boxTexts(boxes), alerts) << "none stacked";
    EXPECT_TRUE(boxes.openBoxes()[0]->informativeText().startsWith("已出现 4 次"));
    EXPECT_TRUE(boxes.openBoxes()[1]->informativeText().isEmpty());

    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    for (QMessageBox* box : boxes.openBoxes()) {
        EXPECT_EQ(box->windowModality(), Qt::NonModal);
    }
    st->bus.drive(2)->clearRequestsSeen();
    QTest::mouseClick(st->window->toolButton(MainWindow::StopButton), Qt::LeftButton);
    st->run(500);
    EXPECT_EQ(commandWordsSeen(*st->bus.drive(2)), std::vector<int32_t>{0x001E});

    QAction* record = st->window->menuAction(MainWindow::NoticeRecord);
    ASSERT_TRUE(record->isEnabled());
    record->trigger();
    NoticeCentre* centre = boxes.noticeCentre();
    ASSERT_NE(centre, nullptr);
    EXPECT_TRUE(centre->isVisible());
    QTreeWidget* list = centre->list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(2), alerts[0]);
    EXPECT_EQ(list->topLevelItem(0)->text(1), "4");
    EXPECT_EQ(list->topLevelItem(1)->text(2), alerts[1]);
}

/// 应用 of the connection dialog: refused while a transfer runs (the port is
/// left alone); with a drive running the operator is asked first, 取消 by
/// default, and the 100 ms passes go on while the question is open.
TEST(OperatorSafety, ALineChangeWaitsForATransferAndAsksWhileDrivesRun) {
    auto st = stationWith(2);
    const int opens = st->transport.openCount();
    StationLink& station = st->window->station();
    select(*st, 1);
    station.submit(station.selectedTarget(), Export{});
    st->messages.clear();
    st->window->setConnectionDialogRunner([](ConnectionDialog& dialog) {
        dialog.baudBox()->setCurrentIndex(1);
        EXPECT_FALSE(dialog.apply());
        EXPECT_EQ(dialog.lineChangeQuestion(), nullptr);
        dialog.exitDialog();
    });
    st->window->openConnectionDialog();
    EXPECT_EQ(st->messages.texts(), std::vector<std::string>{std::string(kLineChangeRefused)});
    EXPECT_EQ(st->link.settings().baudText, "9600");
    EXPECT_EQ(st->transport.openCount(), opens);
    st->run(5000);
    ASSERT_TRUE(station.idle()) << "the export ran to its end";

    select(*st, 2);
    st->window->raiseCommandRequest(CommandRequests::kRun);
    st->run(1000);
    ASSERT_TRUE(st->bus.drive(2)->running());
    enum Answer { Cancel, ConfirmAfterAnExport, Confirm };
    for (const Answer answer : {Cancel, ConfirmAfterAnExport, Confirm}) {
        SCOPED_TRACE(answer);
        const bool changes = answer == Confirm;
        st->window->setConnectionDialogRunner([&](ConnectionDialog& dialog) {
            dialog.baudBox()->setCurrentIndex(1);
            EXPECT_FALSE(dialog.apply());
            QMessageBox* question = dialog.lineChangeQuestion();
            ASSERT_NE(question, nullptr);
            EXPECT_EQ(question->text(),
                      "以下变频器正在运行，改变通讯参数后将失去监控：2#QD30-7.50");
            EXPECT_EQ(question->defaultButton()->text(), "取消");
            EXPECT_NE(question->windowModality(), Qt::ApplicationModal);
            const uint32_t polls = st->link.snapshot().statusReadCount[1];
            st->run(300);
            EXPECT_GE(st->link.snapshot().statusReadCount[1], polls + 2) << "passes go on";
            if (answer == ConfirmAfterAnExport) {
                // Given while the question was open: the change would cut it.
                station.submit(station.selectedTarget(), Export{});
                st->messages.clear();
            }
            clickButton(question, answer == Cancel ? "取消" : "确定");
            EXPECT_EQ(st->link.settings().baudText, changes ? "19200" : "9600");
            if (answer == ConfirmAfterAnExport) {
                EXPECT_EQ(st->messages.texts(),
                          std::vector<std::string>{std::string(kLineChangeRefused)});
            }
            dialog.exitDialog();
        });
        st->window->openConnectionDialog();
        st->run(5000);
        ASSERT_TRUE(station.idle());
        EXPECT_EQ(st->transport.appliedLine().baud, changes ? 19200 : 9600);
    }
    EXPECT_EQ(st->window->statusPaneText(2), "19200");
    EXPECT_EQ(st->transport.appliedLine().baud, 19200);
}

/// The line finder's findings hold for the port they were found on. While it
/// runs the connection dialog shows the saved line and cannot apply; after
/// the run the status bar shows the line in use. 应用所选参数 is refused
/// during a transfer and asks first with a drive running.
TEST(OperatorSafety, AFindingAppliesOnlyOnItsPortAndNeverCutsATransferOrARunningDriveUnasked) {
    Station st;
    ASSERT_TRUE(st.start());
    st.bus.setLine({19200, 'E', 8, 1});
    st.bus.addDrive(4, Series::QD30, 750);
    LineFinderDialog* finder = openLineFinder(*st.window);
    ASSERT_NE(finder, nullptr);
    finder->firstAddress()->setValue(4);
    finder->start();
    ASSERT_GE(st.runUntilSeen([](const LinkSnapshot& v) { return v.finder.settingIndex >= 3; }), 0);
    const sim::LineSettings trial = st.transport.appliedLine();
    st.window->setConnectionDialogRunner([](ConnectionDialog& dialog) {
        EXPECT_EQ(dialog.baudBox()->currentText(), "9600");
        EXPECT_EQ(dialog.parityBox()->currentText(), "无");
        EXPECT_FALSE(dialog.applyButton()->isEnabled());
        EXPECT_FALSE(dialog.apply());
        dialog.exitDialog();
    });
    st.window->openConnectionDialog();
    EXPECT_EQ(st.transport.appliedLine(), trial) << "the port was not reopened under the run";
    ASSERT_GE(st.runUntilSeen(
                  [](const LinkSnapshot& v) {
                      return !v.finder.found.empty() && !v.finder.found[0].names.empty();
                  },
                  20000),
              0);
    finder->cancel();
    ASSERT_GE(st.runUntilSeen([](const LinkSnapshot& v) { return !v.finder.running; }), 0);
    finder->follow();
    st.run(200);
    EXPECT_EQ(st.window->statusPaneText(2), "9600");
    EXPECT_EQ(st.window->statusPaneText(3), "无效验");

    // On another port the finding does not hold.
    const auto choosePort = [&](int port) {
        st.window->setConnectionDialogRunner([port](ConnectionDialog& dialog) {
            dialog.portBox()->setCurrentIndex(port);
            EXPECT_TRUE(dialog.apply());
            dialog.exitDialog();
        });
        st.window->openConnectionDialog();
    };
    choosePort(1);
    st.messages.clear();
    finder->applySelected();
    EXPECT_EQ(st.messages.texts(),
              std::vector<std::string>{
                  "该结果是在 COM1（memory:COM1）上检测到的，当前端口为 COM2（memory:COM2），"
                  "不能应用。请在当前端口上重新检测通讯参数。"});
    EXPECT_EQ(st.link.settings().settingsText(), "9600N81");
    choosePort(0);

    // The drive, reached at 9600 for now, exports: the finding waits.
    st.bus.setLine({9600, 'N', 8, 1});
    st.connect(4, 1);
    StationLink& station = st.window->station();
    station.submit(station.selectedTarget(), Export{});
    st.messages.clear();
    finder->applySelected();
    EXPECT_EQ(st.messages.texts(), std::vector<std::string>{std::string(kLineChangeRefused)});
    st.run(5000);
    ASSERT_TRUE(station.idle());

    st.window->raiseCommandRequest(CommandRequests::kRun);
    st.run(1000);
    ASSERT_TRUE(st.bus.drive(4)->running());
    finder->applySelected();
    QMessageBox* question = finder->lineChangeQuestion();
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(question->text(), "以下变频器正在运行，改变通讯参数后将失去监控：4#QD30-7.50");
    EXPECT_EQ(question->defaultButton()->text(), "取消");
    EXPECT_EQ(st.link.settings().settingsText(), "9600N81");
    clickButton(question, "确定");
    EXPECT_EQ(st.link.settings().settingsText(), "19200E81");
    EXPECT_EQ(st.window->statusPaneText(2), "19200");
    EXPECT_EQ(st.window->statusPaneText(3), "偶效验");
}

/// 断开连接 asks about a running or jogging drive (取消 by default, the window
/// free meanwhile); a jogging drive's jog release reaches it before its slot
/// is emptied; a drive at rest leaves at once.
TEST(OperatorSafety, DisconnectAsksForARunningOrJoggingDriveAndReleasesTheJogOnTheWire) {
    const QString running = "变频器 1#QD30-7.50 正在运行，断开连接后将失去监控。";
    const QString jogging = "变频器 1#QD30-7.50 正在点动运行，断开连接前将先停止点动。";
    struct Case {
        const char* label;
        int motion; ///< 0 at rest, 1 running, 2 jogging
        bool confirm;
        QString question;             ///< empty: none asked
        bool exportMeanwhile = false; ///< an export given while the question is open
    };
    const Case cases[] = {
        {"at rest", 0, true, {}},
        {"running, cancelled", 1, false, running},
        {"running, confirmed", 1, true, running},
        {"running, an export given meanwhile", 1, true, running, true},
        {"jogging, cancelled", 2, false, jogging},
        {"jogging, confirmed", 2, true, jogging},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto st = stationWith(2);
        st->window->selectPanel(PanelMotorControl);
        select(*st, 1);
        sim::SimulatedDrive& drive = *st->bus.drive(1);
        if (c.motion == 1) {
            st->window->raiseCommandRequest(CommandRequests::kRun);
        } else if (c.motion == 2) {
            st->window->motorPanel().forwardJogBox()->click();
        }
        st->run(1000);
        ASSERT_EQ(drive.running(), c.motion != 0);
        drive.clearRequestsSeen();

        st->window->disconnectDrive();
        QMessageBox* question = st->window->disconnectQuestion();
        if (c.question.isEmpty()) {
            EXPECT_EQ(question, nullptr);
            EXPECT_EQ(st->slotOf("1#QD30-7.50"), -1);
            continue;
        }
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(question->text(), c.question);
        EXPECT_EQ(question->defaultButton()->text(), "取消");
        EXPECT_EQ(question->windowModality(), Qt::NonModal);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        st->run(300);
        EXPECT_GE(st->slotOf("1#QD30-7.50"), 0) << "nothing done before the answer";
        StationLink& station = st->window->station();
        if (c.exportMeanwhile) {
            station.submit(station.selectedTarget(), Export{});
            st->messages.clear();
        }
        clickButton(question, c.confirm ? "确定" : "取消");
        if (c.exportMeanwhile) {
            // Removing the drive would cut the export: it stays, and is told why.
            EXPECT_GE(st->slotOf("1#QD30-7.50"), 0);
            EXPECT_EQ(st->messages.texts(),
                      std::vector<std::string>{std::string(kTransferUnderWay)});
            st->run(5000);
            EXPECT_TRUE(station.idle()) << "the export ran to its end";
            EXPECT_GE(st->slotOf("1#QD30-7.50"), 0);
            continue;
        }
        if (!c.confirm) {
            st->run(500);
            EXPECT_GE(st->slotOf("1#QD30-7.50"), 0);
            EXPECT_EQ(drive.jogging(), c.motion == 2);
            EXPECT_TRUE(commandWordsSeen(drive).empty());
            continue;
        }
        if (c.motion == 1) {
            // Asked and confirmed: the drive runs on, unwatched, as the operator chose.
            EXPECT_EQ(st->slotOf("1#QD30-7.50"), -1);
            EXPECT_TRUE(commandWordsSeen(drive).empty());
            continue;
        }
        EXPECT_GE(st->slotOf("1#QD30-7.50"), 0) << "emptied before the release went out";
        EXPECT_FALSE(st->window->motorPanel().forwardJogBox()->isChecked());
        ASSERT_GE(st->runUntilSeen([](const LinkSnapshot& v) { return v.table.driveCount == 1; }),
                  0);
        EXPECT_EQ(commandWordsSeen(drive), std::vector<int32_t>{0x001E});
        st->run(500);
        EXPECT_FALSE(drive.jogging());
        EXPECT_EQ(st->drive("2#QD30-7.50").address, "2");
        EXPECT_TRUE(st->messages.texts().empty());
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

/// "操作|原值|新值|结果" of each row the station logged, in order.
std::vector<std::string> loggedRows(const std::vector<ActionRecord>& rows) {
    std::vector<std::string> texts;
    for (const ActionRecord& row : rows) {
        texts.push_back(row.action + '|' + row.oldValue + '|' + row.newValue + '|' + row.result);
    }
    return texts;
}

// Every operator request through the link gives one row once its outcome is
// known, whatever the outcome; reads give none. The drive is real (simulated),
// refusing and falling silent as a drive in keypad control or off the bus does.
TEST(OperatorSafety, EveryRequestIsLoggedOnceWithHowItEnded) {
    auto st = stationWith(1);
    std::vector<ActionRecord> logged;
    StationLink& station = st->window->station();
    station.setActionLog([&logged](ActionRecord row) { logged.push_back(std::move(row)); });
    sim::SimulatedDrive& drive = *st->bus.drive(1);
    const Target target = station.selectedTarget();

    st->window->motorPanel().frequencyEdit()->setText("30");
    st->window->motorPanel().onFrequencyEntered();
    st->window->menuAction(MainWindow::Start)->trigger();
    st->run(1000);
    // The group read teaches the old value; a read is no action.
    station.submit(target, ParameterRead{0});
    st->run(1500);
    ParameterWrite write;
    write.registerAddress = registerOf(0, 6);
    write.group = 0;
    write.row = 6;
    write.word = 6000;
    station.submit(target, write);
    st->run(1000);
    drive.faults().refusal = sim::Refusal{sim::Refusal::Store, 0, 0x04};
    st->window->parameterPanel().storeToEeprom();
    st->run(1000);
    drive.faults().refusal = {};
    drive.faults().silent = true;
    write.word = 7000;
    station.submit(target, write);
    st->run(15000); // eleven tries of 500 ms, status reads between them
    drive.faults().silent = false;
    station.cancel(station.submit(target, Command::frequency(1000)));
    st->window->raiseCommandRequest(CommandRequests::kEmergencyStop);
    st->run(1000);

    EXPECT_EQ(loggedRows(logged), (std::vector<std::string>{
                                      "频率设定|50.00Hz|30.00Hz|已确认",
                                      "运行|||已确认",
                                      "参数修改 F0-06|50.00|60.00|已确认",
                                      "存储EEPROM|||被拒绝：从站设备故障",
                                      "参数修改 F0-06|60.00|70.00|超时",
                                      "频率设定|30.00Hz|10.00Hz|已取消",
                                      "急停|||已确认",
                                  }));
    for (const ActionRecord& row : logged) {
        EXPECT_EQ(row.drive, "1#QD30-7.50");
        EXPECT_EQ(row.address, 1);
        EXPECT_EQ(row.account, currentAccount());
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using sim::Series;
using testing::Station;

// The PIN itself is never kept: a salted hash, another each time, in a file
// only the account may read; the unlock ends with its time or the menu, and
// three wrong PINs shut entry for a minute.
TEST(AccessGate, PinKeptOnlyAsAPrivateSaltedHashAndUnlockEndsOnTime) {
    testing::TempDir folder;
    Clock::time_point now{};
    const auto clock = [&now] { return now; };
    const std::filesystem::path file = folder.path() / "conf" / "engineer-pin";
    std::string error;
    {
        AccessGate setter(file, clock);
        EXPECT_TRUE(setter.engineerUnlocked()) << "no PIN: everything allowed";
        ASSERT_TRUE(setter.store("4711", 5, error)) << error;
    }
    const std::string kept = testing::fileText(file.string());
    EXPECT_EQ(kept.find("4711"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_NE(hashPin("4711"), hashPin("4711")) << "salted";
    EXPECT_FALSE(pinMatches("4711", "4711"));

    AccessGate gate(file, clock);
    ASSERT_TRUE(gate.pinSet());
    EXPECT_EQ(gate.unlockMinutes(), 5);
    EXPECT_FALSE(gate.engineerUnlocked());
    EXPECT_FALSE(gate.allows(ParameterWrite{}));
    EXPECT_FALSE(gate.allows(Import{}));
    EXPECT_FALSE(gate.allows(Command::store()));
    for (const uint16_t word :
         {command_word::kStop, command_word::kEmergencyStop, command_word::kCoastStop,
          command_word::kRun, command_word::kJogForward, command_word::kFaultReset}) {
        EXPECT_TRUE(gate.allows(Command::word(word))) << word;
    }
    EXPECT_TRUE(gate.allows(Command::frequency(3000)));

    struct Step {
        const char* pin;
        std::chrono::seconds after;
        AccessGate::Entry entry;
        bool unlocked;
    };
    using E = AccessGate::Entry;
    const Step steps[] = {
        {"4711", 0s, E::Unlocked, true},
        {nullptr, 299s, E::Unlocked, true}, // still within five minutes
        {nullptr, 1s, E::Unlocked, false},  // expired
        {"1", 0s, E::Wrong, false},
        {"2", 0s, E::Wrong, false},
        {"3", 0s, E::WrongLockedOut, false},
        {"4711", 59s, E::LockedOut, false}, // the right PIN is not even looked at
        {"4711", 1s, E::Unlocked, true},    // a minute on
    };
    for (const Step& s : steps) {
        now += s.after;
        if (s.pin != nullptr) {
            EXPECT_EQ(gate.enter(s.pin), s.entry) << s.pin;
        }
        EXPECT_EQ(gate.engineerUnlocked(), s.unlocked) << (s.pin ? s.pin : "-");
    }
    gate.lock();
    EXPECT_FALSE(gate.engineerUnlocked()) << "locked from the menu";
    ASSERT_TRUE(gate.store("", 10, error));
    EXPECT_TRUE(AccessGate(file, clock).engineerUnlocked()) << "PIN removed";
}

// Locked, the station still runs, stops and emergency-stops a drive; a
// parameter change never reaches it, is logged as refused, and the PIN is
// asked for in a window that leaves the stop keys free. Once unlocked, the
// change goes through.
TEST(AccessGate, LockedStationStillStopsButChangesNoParameterUntilUnlocked) {
    testing::TempDir folder;
    MainWindowOptions options;
    options.registerDataSource = [] { return DataSourceResult{true, ""}; };
    options.recordConnect = "DSN=velkaro-window-test-absent";
    options.accessFile = folder.path() / "engineer-pin";
    std::string error;
    ASSERT_TRUE(AccessGate(options.accessFile).store("2468", 10, error)) << error;
    Station st(options);
    ASSERT_TRUE(st.start());
    st.bus.addDrive(1, Series::QD30, 750);
    st.connect(1, 1);
    std::vector<ActionRecord> logged;
    StationLink& station = st.window->station();
    station.setActionLog([&logged](ActionRecord row) { logged.push_back(std::move(row)); });
    sim::SimulatedDrive& drive = *st.bus.drive(1);
    const uint16_t before = drive.holdingRegister(registerOf(0, 6));

    st.window->menuAction(MainWindow::Start)->trigger();
    st.run(1500);
    ASSERT_TRUE(drive.running());
    ParameterWrite write;
    write.registerAddress = registerOf(0, 6);
    write.group = 0;
    write.row = 6;
    write.word = 4321;
    std::optional<Outcome> refused;
    station.submit(station.selectedTarget(), write, [&](const Outcome& o) { refused = o; });
    st.window->parameterPanel().storeToEeprom(); // asks for the PIN, sends nothing
    st.window->raiseCommandRequest(CommandRequests::kStop);
    st.run(3000);
    EXPECT_FALSE(drive.running());
    st.window->raiseCommandRequest(CommandRequests::kEmergencyStop);
    st.run(500);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->result, Result::Refused);
    EXPECT_EQ(drive.holdingRegister(registerOf(0, 6)), before);
    EXPECT_EQ(drive.eepromStoreCount(), 0);
    const auto dialogs = st.window->findChildren<EngineerPinDialog*>();
    ASSERT_EQ(dialogs.size(), 1) << "one window, however often it is asked for";
    EngineerPinDialog* entry = dialogs.front();
    EXPECT_FALSE(entry->isModal());

    for (const char* pin : {"1111", "2222", "3333", "2468"}) {
        entry->pinEdit()->setText(pin);
        entry->confirm();
    }
    EXPECT_FALSE(st.window->accessGate()->engineerUnlocked()) << "locked out for a minute";
    EXPECT_EQ(entry->statusText(), "输入已锁定，请 60 秒后再试！");
    EXPECT_EQ(
        loggedRows(logged),
        (std::vector<std::string>{
            "运行|||已确认", "参数修改 F0-06|50.00|43.21|被拒绝：需要工程师权限", "停机|||已确认",
            "急停|||已确认", "工程师解锁|||被拒绝：密码错误", "工程师解锁|||被拒绝：密码错误",
            "工程师解锁|||被拒绝：连续三次密码错误，锁定一分钟", "工程师解锁|||被拒绝：锁定中"}));
}

TEST(AccessGate, UnlockedTheChangeGoesThroughAndTheMenuLocksAgain) {
    testing::TempDir folder;
    MainWindowOptions options;
    options.registerDataSource = [] { return DataSourceResult{true, ""}; };
    options.recordConnect = "DSN=velkaro-window-test-absent";
    options.accessFile = folder.path() / "engineer-pin";
    std::string error;
    ASSERT_TRUE(AccessGate(options.accessFile).store("2468", 10, error)) << error;
    Station st(options);
    ASSERT_TRUE(st.start());
    st.bus.addDrive(1, Series::QD30, 750);
    st.connect(1, 1);
    st.window->openEngineerUnlock();
    auto* entry = st.window->findChild<EngineerPinDialog*>();
    ASSERT_NE(entry, nullptr);
    entry->pinEdit()->setText("2468");
    entry->confirm();
    EXPECT_TRUE(st.window->accessGate()->engineerUnlocked());
    st.window->parameterPanel().storeToEeprom();
    st.run(1000);
    EXPECT_EQ(st.bus.drive(1)->eepromStoreCount(), 1);
    st.window->menuAction(MainWindow::LockEngineer)->trigger();
    EXPECT_FALSE(st.window->accessGate()->engineerUnlocked());
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
