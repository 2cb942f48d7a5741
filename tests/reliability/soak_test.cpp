// 32 drives polled without a fault for a long simulated time on the
// deterministic wire: every drive is served in turn, as often as the line
// allows, and the station's memory stays flat. The suite runs a few simulated
// minutes; the hour is
//   VELKARO_SOAK_MINUTES=60 tests/reliability_soak_test
// (and under the asan preset, LeakSanitizer checks the same run at exit).

#include <gtest/gtest.h>

#include <cstdio>

#include "sim/line_settings.h"
#include "support/link_harness.h"
#include "support/process_stats.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

constexpr int kDrives = 32;
constexpr uint64_t kTicksPerMinute = 60'000;

/// Ticks from picking a drive up to picking up the next one, for a status
/// read answered at once: the tick that sends, the 8-byte request, the drive's
/// frame silence and turnaround, the 37-byte reply up to the tick its last byte
/// has arrived, 21 silent ticks that end the frame (consumed in that tick), and
/// the tick in which the scheduler clears the request and moves on.
uint64_t predictedTicksPerStatusRead(const sim::BusSimulator& bus) {
    const uint64_t replyDoneUs = sim::charactersTimeUs(bus.line(), 8) +
                                 sim::frameSilenceUs(bus.line()) + bus.turnaroundUs() +
                                 sim::charactersTimeUs(bus.line(), 37);
    const uint64_t lastByteTick = (replyDoneUs + 999) / 1000;
    return lastByteTick + 21 + 1 + 1;
}

TEST(SoakTest, ThirtyTwoDrivesServedInTurnAsTheLineAllowsWithFlatMemory) {
    const int minutes = testing::minutesFromEnvironment("VELKARO_SOAK_MINUTES", 3);
    testing::SimLink st{testing::StatusPasses::Polls};
    ASSERT_EQ(st.connectDrives(1, kDrives), kDrives);

    // The simulator's own request and reply histories and the wire's record
    // of sent frames are test aids that grow with time: emptied as we go, so
    // what is measured is the station.
    auto trimAids = [&] {
        if (st.ticks() % 1000 == 0) {
            for (sim::SimulatedDrive* drive : st.bus.drives()) {
                drive->clearRequestsSeen();
            }
            st.bus.clearRepliesSent();
            st.transport.clearFramesSent();
        }
    };
    st.run(kTicksPerMinute, trimAids); // warm-up: every buffer at its working size
    const uint64_t residentBefore = testing::residentKiB();
    const std::array<uint32_t, kMaxDrives> readsBefore = st.link.snapshot().statusReadCount;
    const uint64_t measuredTicks = static_cast<uint64_t>(minutes) * kTicksPerMinute;
    st.run(measuredTicks, trimAids);
    const uint64_t residentAfter = testing::residentKiB();

    // One status read per drive per round; the probe slot costs one tick.
    const uint64_t round = kDrives * predictedTicksPerStatusRead(st.bus) + 1;
    const double predicted = static_cast<double>(measuredTicks) / static_cast<double>(round);
    uint32_t fewest = UINT32_MAX;
    uint32_t most = 0;
    {
        const LinkSnapshot s = st.link.snapshot();
        for (int slot = 0; slot < kDrives; ++slot) {
            const uint32_t reads = s.statusReadCount[slot] - readsBefore[slot];
            fewest = std::min(fewest, reads);
            most = std::max(most, reads);
            EXPECT_EQ(s.table.slots[slot].online, 1);
        }
    }
    EXPECT_LE(most - fewest, 1u) << "drives are not served in turn";
    EXPECT_NEAR(fewest, predicted, predicted * 0.01 + 1);
    EXPECT_EQ(st.messages.count(), 0u);
    const int64_t growthKiB =
        static_cast<int64_t>(residentAfter) - static_cast<int64_t>(residentBefore);
    // Fixed buffers only: anything that grows with polls would show here.
    if (testing::kResidentSizeMeaningful) {
        EXPECT_LT(growthKiB, 1024) << "resident memory grew by " << growthKiB << " KiB";
    }
    std::printf("soak: %d simulated minutes, status reads per drive %u..%u (predicted %.1f), "
                "resident %llu -> %llu KiB\n",
                minutes, fewest, most, predicted, static_cast<unsigned long long>(residentBefore),
                static_cast<unsigned long long>(residentAfter));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
