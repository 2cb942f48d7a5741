#include "link/drive_link.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

#include "support/recording_messages.h"
#include "ui/connection_dialog.h"
#include "ui/motor_animation.h"
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
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

namespace velkaro {
namespace {

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

TEST(QtOperatorMessagesTest, BoxFromTheTickWaitsForTheOperatorAndAbandonWakesIt) {
    QtOperatorMessages messages;
    std::atomic<int> answered{0};
    // The operator closes the first box; the second is never answered.
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            operatorHand.stop();
            EXPECT_EQ(box->windowTitle(), "Velkaro");
            EXPECT_EQ(box->text(), "接收缓冲区溢出");
            box->button(QMessageBox::Ok)->click();
        }
    });
    operatorHand.start(20);
    // Shutdown while the second box is open: the tick must come free without
    // anyone closing the box.
    QTimer shutdown;
    QObject::connect(&shutdown, &QTimer::timeout, [&] {
        if (answered == 1 && QApplication::activeModalWidget() != nullptr) {
            shutdown.stop();
            messages.abandonPending();
        }
    });
    shutdown.start(20);
    std::thread tick([&] {
        messages.show("接收缓冲区溢出", "");
        answered = 1;
        messages.show("second", "信息提示");
        answered = 2;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (answered < 1 && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_GE(answered, 1);
    while (answered < 2 && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    tick.join();
    EXPECT_EQ(answered, 2);
    messages.show("after", ""); // returns at once once abandoned
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

} // namespace
} // namespace velkaro
