// 32 drives on a noisy bus: a tenth of the replies corrupted (broken CRC or a
// flipped bit) and bursts of random noise bytes on the line, on the
// deterministic wire. The suite runs a few simulated minutes; the hour is
//   VELKARO_NOISY_BUS_MINUTES=60 tests/reliability_noisy_bus_test

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <vector>

#include "link/protocol/frame_codec.h"
#include "sim/rtu_frame.h"
#include "support/link_harness.h"
#include "support/process_stats.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

constexpr int kDrives = 32;
constexpr uint64_t kTicksPerMinute = 60'000;
constexpr int kDropLimit = 11;     // unanswered status requests in a row
constexpr int kSilentAddress = 17; // goes quiet for long enough to be dropped
constexpr int kBriefAddress = 9;   // goes quiet, but not for eleven requests

using Block = std::array<int32_t, 16>;

/// The status block of a sound 16-word read reply, or none.
std::optional<Block> statusBlockOf(const std::vector<uint8_t>& reply) {
    if (reply.size() != 37 || reply[1] != 0x03 || reply[2] != 32 ||
        !sim::rtuCrcOk(reply.data(), reply.size())) {
        return std::nullopt;
    }
    Block block{};
    for (std::size_t i = 0; i < 16; ++i) {
        block[i] = decodeSigned(reply[3 + 2 * i], reply[4 + 2 * i]);
    }
    return block;
}

bool isStatusRequest(const std::vector<uint8_t>& frame) {
    return frame.size() == 8 && frame[1] == 0x03 && frame[2] == 0x32 && frame[3] == 0x10;
}

TEST(NoisyBusTest, StoredBlocksAreSentBlocksAndOnlyElevenMissesDropADrive) {
    const int minutes = testing::minutesFromEnvironment("VELKARO_NOISY_BUS_MINUTES", 3);
    testing::SimLink st{testing::StatusPasses::Polls};
    ASSERT_EQ(st.connectDrives(1, kDrives), kDrives);
    // Motors running on half the drives, so the blocks keep changing.
    std::vector<RequestId> runs;
    for (int address = 1; address <= kDrives; address += 2) {
        runs.push_back(st.submit(st.target(address), Command::word(command_word::kRun)));
    }
    sim::BusFaults& faults = st.bus.faults();
    faults.corruptCrcShare = 0.05;
    faults.noiseShare = 0.05;
    st.bus.reseed();
    std::mt19937 dice(20240611);

    std::map<int, std::set<Block>> sent; // sound blocks each drive put on the wire
    std::array<int, 248> unanswered{};   // status requests since the last fresh block
    std::array<int32_t, kMaxDrives> online{};
    std::array<uint32_t, kMaxDrives> reads{};
    std::array<int, 248> drops{};
    std::array<int, 248> slotAddress{};
    {
        const LinkSnapshot s = st.link.snapshot();
        for (int slot = 0; slot < kMaxDrives; ++slot) {
            online[slot] = s.table.slots[slot].online;
            reads[slot] = s.statusReadCount[slot];
            slotAddress[slot] = std::atoi(s.table.slots[slot].address.c_str());
        }
    }
    uint64_t storedChecked = 0;
    uint64_t noiseBursts = 0;
    const uint64_t silentFrom = kTicksPerMinute;
    const uint64_t silentUntil = silentFrom + 8000;
    const uint64_t briefUntil = silentFrom + 2000;

    auto afterTick = [&] {
        if (::testing::Test::HasFatalFailure()) {
            return; // the first fault is enough; let the run end quickly
        }
        const uint64_t now = st.ticks();
        st.bus.drive(kSilentAddress)->faults().silent = now >= silentFrom && now < silentUntil;
        st.bus.drive(kBriefAddress)->faults().silent = now >= silentFrom && now < briefUntil;
        if (dice() % 500 == 0) { // a burst about every half second
            std::vector<uint8_t> noise(1 + dice() % 6);
            for (uint8_t& byte : noise) {
                byte = static_cast<uint8_t>(dice());
            }
            st.bus.injectNoise(noise, st.transport.nowUs());
            ++noiseBursts;
        }
        for (const auto& reply : st.bus.repliesSent()) {
            if (const auto block = statusBlockOf(reply)) {
                sent[reply[0]].insert(*block);
            }
        }
        st.bus.clearRepliesSent();
        for (const auto& frame : st.transport.framesSent()) {
            if (isStatusRequest(frame)) {
                ++unanswered[frame[0]];
            }
        }
        st.transport.clearFramesSent();
        for (sim::SimulatedDrive* drive : st.bus.drives()) {
            drive->clearRequestsSeen();
        }

        const LinkSnapshot s = st.link.snapshot();
        for (int slot = 0; slot < kDrives; ++slot) {
            const DriveRecord& drive = s.table.slots[static_cast<std::size_t>(slot)];
            const int address = slotAddress[slot];
            if (s.statusReadCount[slot] != reads[slot]) {
                reads[slot] = s.statusReadCount[slot];
                unanswered[address] = 0;
                Block stored{};
                std::copy_n(drive.status.begin(), 16, stored.begin());
                ASSERT_TRUE(sent[address].contains(stored))
                    << "drive " << address << " holds a block it never sent, tick " << now;
                ++storedChecked;
            }
            if (online[slot] == 1 && drive.online == 0) {
                ++drops[address];
                // The twelfth request may already be on the wire when the drop is seen.
                ASSERT_GE(unanswered[address], kDropLimit)
                    << "drive " << address << " dropped after " << unanswered[address]
                    << " unanswered requests, tick " << now;
            }
            online[slot] = drive.online;
        }
    };
    st.run(static_cast<uint64_t>(minutes) * kTicksPerMinute, afterTick);

    EXPECT_EQ(drops[kSilentAddress], 1) << "the drive silent for 8 s was not dropped once";
    EXPECT_EQ(drops[kBriefAddress], 0);
    int otherDrops = 0;
    uint32_t fewestReads = UINT32_MAX;
    uint32_t mostReads = 0;
    for (int address = 1; address <= kDrives; ++address) {
        if (address != kSilentAddress) {
            otherDrops += drops[address];
        }
    }
    {
        const LinkSnapshot s = st.link.snapshot();
        for (int slot = 0; slot < kDrives; ++slot) {
            EXPECT_EQ(s.table.slots[slot].online, 1) << "drive at slot " << slot;
            fewestReads = std::min(fewestReads, s.statusReadCount[slot]);
            mostReads = std::max(mostReads, s.statusReadCount[slot]);
        }
    }
    // Every run command ended once: confirmed, and then its drive runs, or
    // given up after its three tries through the noise.
    int confirmedRuns = 0;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const int address = 1 + 2 * static_cast<int>(i);
        EXPECT_EQ(st.outcomeCount(runs[i]), 1) << "drive " << address;
        const std::optional<Outcome> ran = st.outcome(runs[i]);
        ASSERT_TRUE(ran) << "drive " << address;
        if (ran->confirmed()) {
            ++confirmedRuns;
            EXPECT_TRUE(st.bus.drive(address)->running()) << "drive " << address;
        } else {
            EXPECT_EQ(ran->result, Result::TimedOut) << "drive " << address;
        }
    }
    EXPECT_GE(confirmedRuns, static_cast<int>(runs.size()) - 2);
    EXPECT_EQ(otherDrops, 0);
    EXPECT_GT(fewestReads, mostReads * 8 / 10) << "a drive was served far less than the others";
    EXPECT_EQ(st.messages.count(), 0u);
    std::printf("noisy bus: %d simulated minutes, %llu stored blocks checked, %llu noise bursts, "
                "status reads per drive %u..%u\n",
                minutes, static_cast<unsigned long long>(storedChecked),
                static_cast<unsigned long long>(noiseBursts), fewestReads, mostReads);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
