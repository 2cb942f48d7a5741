// 32 drives served by velkaro-sim over a real pty, polled by the real 1 ms tick
// thread in real time: every drive served in turn about as often as the line
// allows, and the station's memory flat. The suite runs it for 15 seconds;
// the ten-minute run is
//   VELKARO_PTY_SOAK_MINUTES=10 tests/reliability_pty_soak_test
// (and under the asan preset LeakSanitizer checks it at exit).

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/posix_serial_port.h"
#include "reliability/support/process_stats.h"
#include "reliability/support/recording_messages.h"
#include "reliability/support/sim_process.h"
#include "sim/line_settings.h"

namespace velkaro::reliability {
namespace {

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
    std::signal(SIGPIPE, SIG_IGN);
    if (::access(SimProcess::binary().c_str(), X_OK) != 0) {
        GTEST_SKIP() << "velkaro-sim not built: " << SimProcess::binary();
    }
    const int minutes = minutesFromEnvironment("VELKARO_PTY_SOAK_MINUTES", 0);
    const std::chrono::milliseconds measuredTime =
        minutes > 0 ? std::chrono::milliseconds(std::chrono::minutes(minutes)) : 15s;
    char pattern[] = "/tmp/velkaro-pty-soak.XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    const std::string ptyLink = (folder / "com1").string();
    std::vector<std::string> drives;
    static const char* const kSeries[] = {"QD10:75", "QD20:6", "QD30:750", "QD40:1100"};
    for (int address = 1; address <= kDrives; ++address) {
        drives.push_back(std::to_string(address) + ":" + kSeries[address % 4]);
    }
    SimProcess sim;
    ASSERT_TRUE(sim.start(ptyLink, drives));
    PosixSerialPort port(ptyLink);
    RecordingMessages messages;
    DriveLink link(port, messages);
    ASSERT_TRUE(link.openLink().ok);
    CommTick tick(link);
    ASSERT_TRUE(tick.start());

    auto runFor = [&](std::chrono::milliseconds span) {
        const auto until = Clock::now() + span;
        while (Clock::now() < until) {
            link.queueStatusPolls(); // window timer 1
            std::this_thread::sleep_for(100ms);
        }
    };
    {
        auto s = link.lock();
        s->searchNextAddress = 1;
        s->searchRemaining = kDrives;
    }
    const auto searchUntil = Clock::now() + 60s;
    while (Clock::now() < searchUntil) {
        runFor(500ms);
        auto s = link.lock();
        if (s->searchRemaining == 0 && s->table.probeRecord.name.empty()) {
            break;
        }
    }
    {
        auto s = link.lock();
        ASSERT_EQ(s->table.driveCount, static_cast<uint32_t>(kDrives));
    }
    runFor(5s); // warm-up: control reads done, buffers at their working size
    const uint64_t residentBefore = residentKiB();
    const uint64_t skippedBefore = tick.skippedPeriods();
    std::array<uint32_t, kMaxDrives> readsBefore{};
    {
        auto s = link.lock();
        readsBefore = s->statusReadCount;
    }
    const auto start = Clock::now();
    runFor(measuredTime);
    const double elapsedMs =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    const uint64_t residentAfter = residentKiB();
    const uint64_t skipped = tick.skippedPeriods() - skippedBefore;
    tick.stop();

    uint32_t fewest = UINT32_MAX;
    uint32_t most = 0;
    {
        auto s = link.lock();
        for (int slot = 0; slot < kDrives; ++slot) {
            const uint32_t reads = s->statusReadCount[slot] - readsBefore[slot];
            fewest = std::min(fewest, reads);
            most = std::max(most, reads);
            EXPECT_EQ(s->table.slots[slot].online, 1) << "slot " << slot;
        }
    }
    // Periods the tick thread skipped (a busy machine) stretch the rounds.
    const double roundMs = kDrives * predictedMsPerStatusRead() + 1;
    const double predicted = (elapsedMs - static_cast<double>(skipped)) / roundMs;
    EXPECT_LE(most - fewest, 1u) << "drives are not served in turn";
    EXPECT_NEAR(fewest, predicted, predicted * 0.1 + 1);
    EXPECT_EQ(messages.count(), 0u);
    const int64_t growthKiB =
        static_cast<int64_t>(residentAfter) - static_cast<int64_t>(residentBefore);
    if (kResidentSizeMeaningful) {
        EXPECT_LT(growthKiB, 2048) << "resident memory grew by " << growthKiB << " KiB";
    }
    std::printf("pty soak: %.0f s, status reads per drive %u..%u (predicted %.1f), tick periods "
                "skipped %llu, resident %llu -> %llu KiB\n",
                elapsedMs / 1000, fewest, most, predicted, static_cast<unsigned long long>(skipped),
                static_cast<unsigned long long>(residentBefore),
                static_cast<unsigned long long>(residentAfter));
    sim.kill(SIGTERM);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace
} // namespace velkaro::reliability
