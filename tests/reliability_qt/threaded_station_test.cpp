// The station window on the offscreen platform with its window timers and the
// real 1 ms tick thread, over velkaro-sim on a pty, while the window side reads
// and writes the shared state as an operator's clicks do. Under the tsan
// preset this is where a race between the two threads would be reported.

#include "app/main_window.h"
#include "link/drive_link.h"
#include "link/ports/posix_serial_port.h"
#include "support/processes.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"
#include "ui/command_requests.h"
#include "ui/connection_dialog.h"
#include "ui/motor_panel.h"
#include "ui/parameter_panel.h"
#include "ui/rename_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

constexpr int kDrives = 4;

/// Runs the event loop (timers included) until `done` or `limitMs`.
bool spin(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < limitMs) {
        if (done()) {
            return true;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

class ThreadedStationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);
        if (::access(testing::SimProcess::binary().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "velkaro-sim not built: " << testing::SimProcess::binary();
        }
        const std::string ptyLink = folder.file("com1");
        ASSERT_TRUE(sim.start(ptyLink, {"1:QD10:75", "2:QD20:6", "3:QD30:750", "4:QD40:1100"}));
        port = std::make_unique<PosixSerialPort>(ptyLink);
        link = std::make_unique<DriveLink>(*port, messages);
        MainWindowOptions options; // timers and the tick thread as in the station
        options.registerDataSource = [] { return DataSourceResult{true, {}}; };
        options.recordConnect = "DSN=velkaro-threaded-test-absent";
        window = std::make_unique<MainWindow>(*link, messages, options);
    }
    void TearDown() override {
        window.reset();
        sim.kill(SIGTERM);
    }
    uint32_t connectedDrives() { return link->snapshot().table.driveCount; }

    testing::TempDir folder;
    testing::SimProcess sim;
    testing::RecordingMessages messages;
    std::unique_ptr<PosixSerialPort> port;
    std::unique_ptr<DriveLink> link;
    std::unique_ptr<MainWindow> window;
};

TEST_F(ThreadedStationTest, OperatorWorkAgainstTheRunningTickNeitherRacesNorStalls) {
    ASSERT_TRUE(window->initMainWindow());
    window->show();
    ASSERT_TRUE(window->tickRunning());
    window->setConnectionDialogRunner([](ConnectionDialog& dialog) {
        dialog.startAddressEdit()->setText(QStringLiteral("1"));
        dialog.searchLengthEdit()->setText(QString::number(kDrives));
        dialog.connectDrives();
    });
    window->openConnectionDialog();
    ASSERT_TRUE(spin([&] { return connectedDrives() == kDrives; }, 15'000))
        << "found " << connectedDrives() << " drives";

    // Operator work for a few seconds, each step between event-loop turns so
    // the window timers and the tick interleave with it.
    int renames = 0;
    window->setRenameDialogRunner([&renames](RenameDialog& dialog) {
        dialog.newNameEdit()->setText(QStringLiteral("泵 \"%1\"").arg(++renames));
        dialog.accept();
        return true;
    });
    const std::vector<std::function<void()>> steps{
        [&] { window->selectNextDrive(); },
        [&] { window->selectPanel(PanelMotorControl); },
        [&] { window->raiseCommandRequest(CommandRequests::kRun); },
        [&] {
            window->motorPanel().frequencyEdit()->setText(QStringLiteral("12.34"));
            window->motorPanel().onFrequencyEntered();
        },
        [&] { window->raiseCommandRequest(CommandRequests::kStop); },
        [&] { window->selectPanel(PanelParameters); },
        [&] {
            QComboBox* groups = window->parameterPanel().groupSelector();
            if (groups->count() > 1) {
                groups->setCurrentIndex(1);
            }
        },
        [&] { window->parameterPanel().storeToEeprom(); },
        [&] { window->renameSelectedDrive(); },
        [&] { window->selectPreviousDrive(); },
        [&] { window->selectPanel(PanelHistory); },
        [&] { window->selectPanel(PanelSystemStatus); },
    };
    QElapsedTimer clock;
    clock.start();
    for (std::size_t i = 0; clock.elapsed() < 8'000; ++i) {
        steps[i % steps.size()]();
        spin([] { return false; }, 60);
    }
    // One drive leaves and is found again while the tick runs.
    window->disconnectDrive();
    spin([] { return false; }, 300);
    window->openConnectionDialog();
    EXPECT_TRUE(spin([&] { return connectedDrives() == kDrives; }, 15'000));

    {
        const LinkSnapshot view = link->snapshot();
        for (uint32_t i = 0; i < view.table.driveCount; ++i) {
            const int slot = view.table.findSlotByName(view.table.driveNames[i]);
            ASSERT_GE(slot, 0);
            EXPECT_EQ(view.table.slots[static_cast<std::size_t>(slot)].online, 1)
                << view.table.driveNames[i];
        }
    }
    window->endMainWindow();
    EXPECT_FALSE(window->tickRunning());
    EXPECT_GT(renames, 0);
    for (const std::string& text : messages.texts()) {
        std::printf("message: %s\n", text.c_str());
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
