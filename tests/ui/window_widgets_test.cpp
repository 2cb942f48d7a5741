#include "link/drive_link.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

#include "support/recording_messages.h"
#include "ui/connection_dialog.h"
#include "ui/motor_animation.h"
#include "ui/notice_centre.h"
#include "ui/notice_log.h"
#include "ui/qt_operator_messages.h"
#include "ui/station_link.h"
#include "widgets/skinned_button.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

TEST(MotorAnimationTest, PeriodAndFrameFollowTheDrive) {
    constexpr int32_t kRunning = 0x0004;
    const struct {
        MotorFrame shown;
        bool selected;
        int32_t status0, status1;
        MotorFrame frame;
        int period;
    } cases[] = {
        {MotorFrame::RunB, false, kRunning, 3000, MotorFrame::RunB, 150}, // no drive: unchanged
        {MotorFrame::Idle, true, 0, 0, MotorFrame::Idle, 500},
        {MotorFrame::Idle, true, kRunning, 3000, MotorFrame::RunA, 260},
        {MotorFrame::RunA, true, kRunning, 5000, MotorFrame::RunB, 100},
        {MotorFrame::RunB, true, kRunning, 5999, MotorFrame::RunA, 21},
        {MotorFrame::RunA, true, kRunning, 6000, MotorFrame::RunB, 100},
        {MotorFrame::RunA, true, kRunning, -1, MotorFrame::RunB, 100}, // negative counts as huge
        {MotorFrame::RunB, true, 0x0008, 1200, MotorFrame::Idle, 404}, // stopped: rests
    };
    for (const auto& c : cases) {
        const MotorAnimationStep step = animateMotorStep(c.shown, c.selected, c.status0, c.status1);
        EXPECT_EQ(step.frame, c.frame) << c.status1;
        EXPECT_EQ(step.periodMs, c.period) << c.status1;
    }
}

TEST(SkinnedButtonTest, HoverColourIsTheButtonFaceLightenedAndCapped) {
    const QPalette saved = QApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Button, QColor(212, 208, 200));
    QApplication::setPalette(palette);
    EXPECT_EQ(SkinnedButton::defaultHoverColor(), QColor(242, 238, 230));
    palette.setColor(QPalette::Button, QColor(240, 226, 10));
    QApplication::setPalette(palette);
    EXPECT_EQ(SkinnedButton::defaultHoverColor(), QColor(255, 255, 40));
    QApplication::setPalette(saved);

    // The XP variant shows its hover colour under the pointer only.
    XpButton button(QStringLiteral("确定"));
    button.resize(80, 24);
    button.setBackgroundColor(QColor(162, 189, 252));
    button.setHoverColor(QColor(10, 200, 10));
    const QImage idle = button.grab().toImage();
    EXPECT_EQ(idle.pixelColor(40, 4), QColor(162, 189, 252));
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    const QImage hovered = button.grab().toImage();
    EXPECT_EQ(hovered.pixelColor(40, 4), QColor(10, 200, 10));
    EXPECT_EQ(hovered.pixelColor(0, 0), QColor(162, 189, 252)); // outside the rounded corner
}

/// Processes window events until `done` holds or 5 s have passed.
template <class Pred> bool processUntil(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

TEST(QtOperatorMessagesTest, NoticesNeverWaitAndTheSameNoticeCountsInItsBox) {
    QWidget window;
    window.show();
    QtOperatorMessages messages;
    messages.setParentWindow(&window);
    // From the tick: nothing waits, not even a show() that strayed there.
    std::atomic<bool> returned{false};
    std::thread tick([&] {
        for (int i = 0; i < 3; ++i) {
            messages.notify("接收缓冲区溢出", "");
        }
        messages.show("串口已断开", "信息提示");
        returned = true;
    });
    tick.join();
    EXPECT_TRUE(returned);
    ASSERT_TRUE(processUntil([&] { return messages.openBoxes().size() == 2; }));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a notice box never holds the window";
    QMessageBox* overflow = messages.openBoxes()[0];
    EXPECT_EQ(overflow->windowTitle(), "Velkaro");
    EXPECT_EQ(overflow->text(), "接收缓冲区溢出");
    EXPECT_TRUE(overflow->informativeText().startsWith("已出现 3 次，最近一次在 "));
    EXPECT_EQ(overflow->windowModality(), Qt::NonModal);
    EXPECT_EQ(messages.openBoxes()[1]->windowTitle(), "信息提示");

    // About one subject: the later text takes the box over.
    messages.notifyAbout("3/3/1", "变频器 A 拒绝了命令：启动", "信息提示");
    messages.notifyAbout("3/3/1", "变频器 A 拒绝了命令：停车", "信息提示");
    ASSERT_EQ(messages.openBoxes().size(), 3u);
    EXPECT_EQ(messages.openBoxes()[2]->text(), "变频器 A 拒绝了命令：停车");

    // Closed by the operator, the next one opens afresh.
    overflow->button(QMessageBox::Ok)->click();
    ASSERT_EQ(messages.openBoxes().size(), 2u);
    messages.notify("接收缓冲区溢出", "");
    ASSERT_EQ(messages.openBoxes().size(), 3u);
    EXPECT_TRUE(messages.openBoxes()[2]->informativeText().isEmpty());

    // A flood of different notices: no more boxes than the limit, the rest in the centre.
    for (int i = 0; i < 100; ++i) {
        messages.notify("通知 " + std::to_string(i), "");
    }
    EXPECT_EQ(messages.openBoxes().size(),
              static_cast<std::size_t>(QtOperatorMessages::kMaxOpenBoxes));
    ASSERT_NE(messages.noticeCentre(), nullptr);
    EXPECT_TRUE(messages.noticeCentre()->isVisible());
    EXPECT_FALSE(messages.noticeCentre()->isModal());
    // Newest first; each text once, with its count.
    QTreeWidget* list = messages.noticeCentre()->list();
    ASSERT_EQ(list->topLevelItemCount(), 104);
    EXPECT_EQ(list->topLevelItem(0)->text(2), "通知 99");
    EXPECT_EQ(list->topLevelItem(100)->text(2), "接收缓冲区溢出");
    EXPECT_EQ(list->topLevelItem(100)->text(1), "4");

    messages.abandonPending();
    EXPECT_TRUE(processUntil([&] { return messages.openBoxes().empty(); }));
    messages.notify("after", "");
    messages.show("after", ""); // returns at once once abandoned
    EXPECT_TRUE(messages.openBoxes().empty());
}

TEST(QtOperatorMessagesTest, TheLogKeepsEachTextOnceAndDropsTheOldestPastItsBound) {
    NoticeLog log;
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(1'700'000'000);
    log.add("Velkaro", "a", t0);
    log.add("Velkaro", "b", t0.addSecs(1));
    log.add("信息提示", "a", t0.addSecs(2)); // another caption: another entry
    const NoticeLog::Entry& again = log.add("Velkaro", "a", t0.addSecs(3));
    EXPECT_EQ(again.count, 2);
    EXPECT_EQ(again.first, t0);
    EXPECT_EQ(again.last, t0.addSecs(3));
    ASSERT_EQ(log.entries().size(), 3u);
    EXPECT_EQ(log.entries().front().text, "b");
    for (std::size_t i = 0; i < NoticeLog::kMaxEntries; ++i) {
        log.add("Velkaro", QString::number(i), t0.addSecs(10));
    }
    EXPECT_EQ(log.entries().size(), NoticeLog::kMaxEntries);
    EXPECT_EQ(log.dropped(), 3u);
    EXPECT_EQ(log.entries().front().text, "0");
}

class ConnectionDialogTest : public ::testing::Test {
protected:
    ConnectionDialogTest() : transport(bus), link(transport, messages) {}

    sim::BusSimulator bus;
    sim::MemoryTransport transport;
    testing::RecordingMessages messages;
    DriveLink link;
    StationLink station{link, messages};
};

TEST_F(ConnectionDialogTest, ValidatesNumbersAndKeepsTheSearchOnTheBus) {
    const struct {
        QString timeout, start, length;
        std::string message; // empty: accepted
        int next;
        unsigned remaining;
    } cases[] = {
        {"200", "10", "3", "", 10, 3},
        {"200", "1", "247", "", 1, 247},
        {"200", "0", "5", "", 0, 5}, // start 0 searches nothing
        {"200", "1", "0", "", 1, 0},
        {"200", "1", "248", "请输入一个介于 0 和 247 之间的整数。", 0, 0},
        {"200", "1", "-1", "请输入一个介于 0 和 247 之间的整数。", 0, 0},
        {"200", "240", "9", "请输入一个介于 0 和 8 之间的整数。", 0, 0},
        {"200", "256", "1", "请输入一个介于 0 和 247 之间的整数。", 0, 0},
        {"200", "abc", "5", "请输入一个整数。", 0, 0},
        {"x", "1", "5", "请输入一个整数。", 0, 0},
        {"200", " 12 ", "2", "", 12, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.start + "/" + c.length).toStdString());
        // A link of its own: no search of an earlier case goes on.
        DriveLink fresh(transport, messages);
        ASSERT_TRUE(fresh.openLink().ok);
        StationLink freshStation(fresh, messages);
        messages.clear();
        ConnectionDialog dialog(freshStation, messages);
        dialog.timeoutEdit()->setText(c.timeout);
        dialog.startAddressEdit()->setText(c.start);
        dialog.searchLengthEdit()->setText(c.length);
        EXPECT_EQ(dialog.connectDrives(), c.message.empty());
        if (c.message.empty()) {
            EXPECT_TRUE(messages.texts().empty());
        } else {
            EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
        }
        // The first address goes to the probe on the next tick; the progress
        // then spans the range.
        fresh.tick();
        const LinkSnapshot view = fresh.snapshot();
        const bool searched = c.next > 0 && c.remaining > 0;
        EXPECT_EQ(view.searching, searched);
        if (searched) {
            EXPECT_EQ(view.progress,
                      (Progress{0, c.next + static_cast<int>(c.remaining), c.next + 1}));
        }
    }
}

TEST_F(ConnectionDialogTest, OpensWithStoredChoicesAndFixedSearchStart) {
    {
        ConnectionDialog dialog(station, messages);
        EXPECT_EQ(dialog.portBox()->currentText(), "COM1");
        EXPECT_EQ(dialog.baudBox()->currentText(), "9600");
        EXPECT_EQ(dialog.parityBox()->currentText(), "无");
        EXPECT_EQ(dialog.timeoutEdit()->text(), "200");
        dialog.portBox()->setCurrentIndex(7);
        dialog.parityBox()->setCurrentIndex(1);
        dialog.timeoutEdit()->setText("350");
        dialog.startAddressEdit()->setText("9");
        EXPECT_TRUE(dialog.apply());
        EXPECT_TRUE(dialog.exitDialog());
    }
    {
        const LinkSettings settings = link.settings();
        EXPECT_EQ(settings.portNumber, 8);
        EXPECT_EQ(settings.parityLetter, "O");
        EXPECT_EQ(settings.replyTimeoutTicks, 350);
        EXPECT_TRUE(settings.settingsChanged);
        EXPECT_FALSE(link.snapshot().searching); // apply starts no search
    }
    ConnectionDialog again(station, messages);
    EXPECT_EQ(again.portBox()->currentText(), "COM8");
    EXPECT_EQ(again.parityBox()->currentText(), "奇校验");
    EXPECT_EQ(again.timeoutEdit()->text(), "350");
    EXPECT_EQ(again.startAddressEdit()->text(), "1");
    EXPECT_EQ(again.searchLengthEdit()->text(), "5");

    // A refused field keeps the dialog open and stores nothing.
    again.baudBox()->setCurrentIndex(0);
    again.searchLengthEdit()->setText("300");
    EXPECT_FALSE(again.apply());
    EXPECT_FALSE(again.exitDialog());
    EXPECT_EQ(link.settings().baudText, "9600");
}

TEST_F(ConnectionDialogTest, FastRepliesAppliedWithTheLineSettingsAndNetworkPortsNoticed) {
    ::setenv("VELKARO_COM2", "tcp://192.168.1.20:4001", 1);
    ConnectionDialog dialog(station, messages);
    EXPECT_FALSE(dialog.fastRepliesBox()->isChecked());
    EXPECT_TRUE(dialog.networkNotice()->isHidden());
    dialog.portBox()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.networkNotice()->text().contains("tcp://192.168.1.20:4001"));
    EXPECT_FALSE(dialog.networkNotice()->isHidden());
    dialog.portBox()->setCurrentIndex(2);
    EXPECT_TRUE(dialog.networkNotice()->isHidden());
    dialog.fastRepliesBox()->setChecked(true);
    EXPECT_EQ(link.settings().frameEnd, FrameEnd::Silence) << "stored only by 应用";
    EXPECT_TRUE(dialog.apply());
    EXPECT_EQ(link.settings().frameEnd, FrameEnd::Completion);
    ::unsetenv("VELKARO_COM2");
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
