// The serial device vanishes mid-run, as when a USB adapter is pulled: the
// simulator on the other end of a real pty is killed and its pty is gone,
// while the real tick thread keeps running against the dead port.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <thread>
#include <unistd.h>

#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/posix_serial_port.h"
#include "reliability/support/process_stats.h"
#include "reliability/support/recording_messages.h"
#include "reliability/support/sim_process.h"

namespace velkaro::reliability {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kDrives{"3:QD30:750", "5:QD10:75"};

class PortLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);
        if (::access(SimProcess::binary().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "velkaro-sim not built: " << SimProcess::binary();
        }
        char pattern[] = "/tmp/velkaro-port-loss.XXXXXX";
        folder = ::mkdtemp(pattern);
        ptyLink = (folder / "com1").string();
        port = std::make_unique<PosixSerialPort>(ptyLink);
        link = std::make_unique<DriveLink>(*port, messages);
        tick = std::make_unique<CommTick>(*link);
    }
    void TearDown() override {
        if (tick) {
            tick->stop();
        }
        sim.kill(SIGTERM);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    /// Lets real time pass with the 100 ms status pass of window timer 1
    /// until `done` holds under the lock or `limit` has passed.
    bool waitFor(const std::function<bool(LinkState&)>& done, std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            {
                auto s = link->lock();
                if (done(*s)) {
                    return true;
                }
            }
            link->queueStatusPolls();
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    bool connect(int address) {
        {
            auto s = link->lock();
            s->searchNextAddress = address;
            s->searchRemaining = 1;
        }
        return waitFor(
            [address](LinkState& s) {
                return s.searchRemaining == 0 && s.table.probeRecord.name.empty() &&
                       !s.table.isAddressFree(std::to_string(address));
            },
            5s);
    }
    static bool everyDrive(LinkState& s, int32_t online) {
        for (uint32_t i = 0; i < s.table.driveCount; ++i) {
            const int slot = s.table.findSlotByName(s.table.driveNames[i]);
            if (slot < 0 || s.table.slots[static_cast<std::size_t>(slot)].online != online) {
                return false;
            }
        }
        return s.table.driveCount > 0;
    }

    std::filesystem::path folder;
    std::string ptyLink;
    SimProcess sim;
    RecordingMessages messages;
    std::unique_ptr<PosixSerialPort> port;
    std::unique_ptr<DriveLink> link;
    std::unique_ptr<CommTick> tick;
};

TEST_F(PortLossTest, OneMessageNoSpinDrivesDropAndTheLinkWorksAgainAfterReopening) {
    ASSERT_TRUE(sim.start(ptyLink, kDrives));
    ASSERT_TRUE(link->openLink().ok);
    ASSERT_TRUE(tick->start());
    ASSERT_TRUE(connect(3));
    ASSERT_TRUE(connect(5));
    ASSERT_TRUE(waitFor([](LinkState& s) { return everyDrive(s, 1); }, 3s));

    sim.kill(SIGKILL); // the far end and its pty are gone for good
    ASSERT_TRUE(waitFor([](LinkState& s) { return everyDrive(s, 0); }, 15s))
        << "the drives were not shown as dropped";
    const double cpuBefore = processCpuSeconds();
    const auto wallBefore = Clock::now();
    waitFor([](LinkState&) { return false; }, 2s);
    const double cpuShare = (processCpuSeconds() - cpuBefore) /
                            std::chrono::duration<double>(Clock::now() - wallBefore).count();
    RecordProperty("cpu_per_mille_while_port_gone", static_cast<int>(cpuShare * 1000));
    std::printf("CPU while the port is gone: %.1f %%\n", cpuShare * 100);
    EXPECT_LT(cpuShare, 0.25) << "the tick spins against the dead port";
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_NE(messages.texts()[0].find(ptyLink), std::string::npos) << messages.texts()[0];

    // The adapter is back (a new pty behind the same name) and the operator
    // applies the connection settings, which reopens the link.
    ASSERT_TRUE(sim.start(ptyLink, kDrives));
    ASSERT_TRUE(link->openLink().ok);
    EXPECT_TRUE(waitFor([](LinkState& s) { return everyDrive(s, 1); }, 10s))
        << "the drives did not come back after reopening";
    EXPECT_EQ(messages.count(), 1u);

    // A second loss is told again: one message per loss, not one per run.
    sim.kill(SIGKILL);
    EXPECT_TRUE(waitFor([this](LinkState&) { return messages.count() == 2; }, 5s));
}

} // namespace
} // namespace velkaro::reliability
