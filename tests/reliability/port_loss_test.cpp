// The serial device vanishes mid-run, as when a USB adapter is pulled: the
// simulator on the other end of a real pty is killed and its pty is gone,
// while the real tick thread keeps running against the dead port.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "support/process_stats.h"
#include "support/pty_link.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kDrives{"3:QD30:750", "5:QD10:75"};

class PortLossTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::PtyLink::simulatorBuilt()) {
            GTEST_SKIP() << "velkaro-sim not built: " << testing::SimProcess::binary();
        }
    }
    bool waitFor(const std::function<bool(const LinkSnapshot&)>& done,
                 std::chrono::milliseconds limit) {
        return pty.waitFor(done, limit);
    }
    bool connect(int address) {
        pty.link.submit({}, Search{address, 1});
        return waitFor(
            [address](const LinkSnapshot& s) {
                return !s.searching && s.slotOfAddress(address) >= 0;
            },
            5s);
    }
    static bool everyDrive(const LinkSnapshot& s, int32_t online) {
        for (uint32_t i = 0; i < s.table.driveCount; ++i) {
            const int slot = s.table.findSlotByName(s.table.driveNames[i]);
            if (slot < 0 || s.table.slots[static_cast<std::size_t>(slot)].online != online) {
                return false;
            }
        }
        return s.table.driveCount > 0;
    }

    testing::PtyLink pty;
};

TEST_F(PortLossTest, OneMessageNoSpinDrivesDropAndTheLinkWorksAgainAfterReopening) {
    ASSERT_TRUE(pty.startSimulator(kDrives));
    ASSERT_TRUE(pty.start());
    ASSERT_TRUE(connect(3));
    ASSERT_TRUE(connect(5));
    ASSERT_TRUE(waitFor([](const LinkSnapshot& s) { return everyDrive(s, 1); }, 3s));

    pty.sim.kill(SIGKILL); // the far end and its pty are gone for good
    ASSERT_TRUE(waitFor([](const LinkSnapshot& s) { return everyDrive(s, 0); }, 15s))
        << "the drives were not shown as dropped";
    const double cpuBefore = testing::processCpuSeconds();
    const auto wallBefore = Clock::now();
    pty.runFor(2s);
    const double cpuShare = (testing::processCpuSeconds() - cpuBefore) /
                            std::chrono::duration<double>(Clock::now() - wallBefore).count();
    RecordProperty("cpu_per_mille_while_port_gone", static_cast<int>(cpuShare * 1000));
    std::printf("CPU while the port is gone: %.1f %%\n", cpuShare * 100);
    EXPECT_LT(cpuShare, 0.25) << "the tick spins against the dead port";
    ASSERT_EQ(pty.messages.count(), 1u);
    EXPECT_NE(pty.messages.texts()[0].find(pty.ptyLink), std::string::npos)
        << pty.messages.texts()[0];

    // The adapter is back (a new pty behind the same name) and the operator
    // applies the connection settings, which reopens the link.
    ASSERT_TRUE(pty.startSimulator(kDrives));
    ASSERT_TRUE(pty.link.openLink().ok);
    EXPECT_TRUE(waitFor([](const LinkSnapshot& s) { return everyDrive(s, 1); }, 10s))
        << "the drives did not come back after reopening";
    EXPECT_EQ(pty.messages.count(), 1u);

    // A second loss is told again: one message per loss, not one per run.
    pty.sim.kill(SIGKILL);
    EXPECT_TRUE(waitFor([this](const LinkSnapshot&) { return pty.messages.count() == 2; }, 5s));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
