// 32 drives served by velkaro-sim over a real pty, polled by the real 1 ms tick
// thread in real time: every drive served in turn about as often as the line
// allows, and the station's memory flat. The suite runs it for 15 seconds;
// the ten-minute run is
//   VELKARO_PTY_SOAK_MINUTES=10 tests/reliability_pty_soak_test
// (and under the asan preset LeakSanitizer checks it at exit).

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "sim/line_settings.h"
#include "support/process_stats.h"
#include "support/pty_link.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kDrives = 32;
constexpr uint64_t kTurnaroundUs = 2000; // velkaro-sim's default

/// Milliseconds per status read as on the deterministic wire (see the soak
/// test): request, the drive's silence and turnaround, reply, 21 silent ticks
/// and the tick that moves on.
double predictedMsPerStatusRead() {
    const sim::LineSettings line;
    const uint64_t replyDoneUs = sim::charactersTimeUs(line, 8) + sim::frameSilenceUs(line) +
                                 kTurnaroundUs + sim::charactersTimeUs(line, 37);
    return static_cast<double>((replyDoneUs + 999) / 1000 + 21 + 1 + 1);
}

TEST(PtySoakTest, ThirtyTwoDrivesInRealTimeServedInTurnWithFlatMemory) {
    if (!testing::PtyLink::simulatorBuilt()) {
        GTEST_SKIP() << "velkaro-sim not built: " << testing::SimProcess::binary();
    }
    const int minutes = testing::minutesFromEnvironment("VELKARO_PTY_SOAK_MINUTES", 0);
    const std::chrono::milliseconds measuredTime =
        minutes > 0 ? std::chrono::milliseconds(std::chrono::minutes(minutes)) : 15s;
    std::vector<std::string> drives;
    static const char* const kSeries[] = {"QD10:75", "QD20:6", "QD30:750", "QD40:1100"};
    for (int address = 1; address <= kDrives; ++address) {
        drives.push_back(std::to_string(address) + ":" + kSeries[address % 4]);
    }
    testing::PtyLink pty;
    ASSERT_TRUE(pty.startSimulator(drives));
    ASSERT_TRUE(pty.start());
    DriveLink& link = pty.link;
    CommTick& tick = pty.tick;
    pty.search(1, kDrives, 60s);
    ASSERT_EQ(link.snapshot().table.driveCount, static_cast<uint32_t>(kDrives));
    pty.runFor(5s); // warm-up: control reads done, buffers at their working size
    const uint64_t residentBefore = testing::residentKiB();
    const uint64_t skippedBefore = tick.skippedPeriods();
    const std::array<uint32_t, kMaxDrives> readsBefore = link.snapshot().statusReadCount;
    const auto start = Clock::now();
    pty.runFor(measuredTime);
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const uint64_t residentAfter = testing::residentKiB();
    const uint64_t skipped = tick.skippedPeriods() - skippedBefore;
    tick.stop();

    uint32_t fewest = UINT32_MAX;
    uint32_t most = 0;
    {
        const LinkSnapshot s = link.snapshot();
        for (int slot = 0; slot < kDrives; ++slot) {
            const uint32_t reads = s.statusReadCount[slot] - readsBefore[slot];
            fewest = std::min(fewest, reads);
            most = std::max(most, reads);
            EXPECT_EQ(s.table.slots[slot].online, 1) << "slot " << slot;
        }
    }
    // Periods the tick thread skipped (a busy machine) stretch the rounds.
    const double roundMs = kDrives * predictedMsPerStatusRead() + 1;
    const double predicted = (elapsedMs - static_cast<double>(skipped)) / roundMs;
    EXPECT_LE(most - fewest, 1u) << "drives are not served in turn";
    EXPECT_NEAR(fewest, predicted, predicted * 0.1 + 1);
    EXPECT_EQ(pty.messages.count(), 0u);
    const int64_t growthKiB =
        static_cast<int64_t>(residentAfter) - static_cast<int64_t>(residentBefore);
    if (testing::kResidentSizeMeaningful) {
        EXPECT_LT(growthKiB, 2048) << "resident memory grew by " << growthKiB << " KiB";
    }
    std::printf("pty soak: %.0f s, status reads per drive %u..%u (predicted %.1f), tick periods "
                "skipped %llu, resident %llu -> %llu KiB\n",
                elapsedMs / 1000, fewest, most, predicted, static_cast<unsigned long long>(skipped),
                static_cast<unsigned long long>(residentBefore),
                static_cast<unsigned long long>(residentAfter));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
