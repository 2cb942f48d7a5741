#include "sim/bus_simulator.h"

#include <gtest/gtest.h>

#include <cmath>

#include "sim/memory_transport.h"
#include "sim/rtu_frame.h"
#include "support/frames.h"

namespace velkaro::sim {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Bytes;
using testing::hex;
using testing::readRequest;
using testing::roundTrip;
using testing::withCrc;

const Bytes kEcho = hex("01 08 00 00 37 DA 77 A0");

struct TimingCase {
    LineSettings line;
    int bitsPerCharacter;
    double frameSilenceUs;
};

class WireTiming : public ::testing::TestWithParam<TimingCase> {};

// Catches replies that arrive all at once, too early, or at the wrong pace
// for the line's character format.
TEST_P(WireTiming, RepliesArriveAtTheCharacterTimeAfterSilenceAndTurnaround) {
    const TimingCase& c = GetParam();
    BusSimulator bus(c.line);
    bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(
        port.applyLineSettings(c.line.baud, c.line.parity, c.line.dataBits, c.line.stopBits));

    const auto seen = roundTrip(port, kEcho);
    ASSERT_EQ(seen.reply, kEcho);
    const double characterUs = c.bitsPerCharacter * 1e6 / c.line.baud;
    const double replyStartUs = 8 * characterUs + c.frameSilenceUs + 2000;
    for (std::size_t i = 0; i < seen.reply.size(); ++i) {
        // Seen on the first whole tick at or after the byte's last bit.
        const double arrivesUs = replyStartUs + (i + 1) * characterUs;
        EXPECT_EQ(seen.arrivalUs[i], static_cast<uint64_t>(std::ceil(arrivesUs / 1000) * 1000))
            << "byte " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, WireTiming,
                         ::testing::Values(TimingCase{{9600, 'N', 8, 1}, 10, 3.5 * 10 * 1e6 / 9600},
                                           TimingCase{{9600, 'E', 8, 1}, 11, 3.5 * 11 * 1e6 / 9600},
                                           TimingCase{{9600, 'N', 8, 2}, 11, 3.5 * 11 * 1e6 / 9600},
                                           TimingCase{{38400, 'N', 8, 1}, 10, 1750},
                                           TimingCase{
                                               {1200, 'O', 7, 1}, 10, 3.5 * 10 * 1e6 / 1200}));

TEST(BusSimulator, ReplySpreadsOverSeveralTicksAt9600) {
    BusSimulator bus;
    bus.addDrive(3, Series::QD30, 750);
    MemoryTransport port(bus);
    port.open();
    const auto seen = roundTrip(port, readRequest(3, 0x3210, 16));
    ASSERT_EQ(seen.reply.size(), 37u);
    // 37 bytes of 10 bits at 9600 baud take 38.5 ms.
    EXPECT_GE(seen.arrivalUs.back() - seen.arrivalUs.front(), 37000u);
}

TEST(BusSimulator, RequestEndsOnlyAfterTheFrameSilence) {
    // At 38400 baud the silence is 1.75 ms: a request written in two halves
    // one tick apart runs on; three ticks apart it is two broken frames.
    for (const auto& [gapTicks, answered] : {std::pair{1, true}, std::pair{3, false}}) {
        BusSimulator bus({38400, 'N', 8, 1});
        bus.addDrive(1, Series::QD10, 75);
        MemoryTransport port(bus);
        port.open();
        port.applyLineSettings(38400, 'N', 8, 1);
        port.write(kEcho.data(), 4);
        for (int i = 0; i < gapTicks; ++i) {
            port.advanceTick();
        }
        const auto seen = roundTrip(port, Bytes(kEcho.begin() + 4, kEcho.end()));
        EXPECT_EQ(seen.reply == kEcho, answered) << gapTicks;
    }
}

TEST(BusSimulator, OnlyTheAddressedDriveAnswers) {
    BusSimulator bus;
    bus.addDrive(1, Series::QD10, 75);
    bus.addDrive(2, Series::QD40, 1100);
    MemoryTransport port(bus);
    port.open();
    EXPECT_EQ(roundTrip(port, readRequest(2, 0x2200, 1)).reply.size(), 7u);
    EXPECT_EQ(roundTrip(port, readRequest(1, 0x2200, 1)).reply, withCrc({1, 0x83, 0x02}));
    EXPECT_TRUE(roundTrip(port, readRequest(9, 0x2200, 1)).reply.empty());
    EXPECT_EQ(bus.drive(1)->requestsSeen().size(), 1u);
    EXPECT_EQ(bus.drive(2)->requestsSeen().size(), 1u);
    EXPECT_THROW(bus.addDrive(2, Series::QD10, 75), std::invalid_argument);
    EXPECT_THROW(bus.addDrive(248, Series::QD10, 75), std::invalid_argument);
}

TEST(BusSimulator, RampStartsWhenTheCommandFrameEnds) {
    BusSimulator bus;
    auto& drive = bus.addDrive(1, Series::QD30, 750);
    MemoryTransport port(bus);
    port.open();
    const Bytes run = testing::writeRequest(1, 0x3200, {0x001F});
    port.write(run.data(), run.size());
    // 11 characters of 10 bits at 9600 baud, then 3.5 characters of silence:
    // the drive acts 15.104 ms after the write and ramps at 10.00 Hz/s.
    while (port.nowUs() < 2015000) {
        port.advanceTick();
    }
    EXPECT_EQ(drive.outputFrequency(), 1999);
    port.advanceTick();
    EXPECT_EQ(drive.outputFrequency(), 2000);
}

// Wire faults, each on a fresh bus: what the station must see.
TEST(BusSimulator, SilentDriveHearsButNeverAnswers) {
    BusSimulator bus;
    auto& drive = bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    port.open();
    drive.faults().silent = true;
    drive.faults().shots = 2;
    EXPECT_TRUE(roundTrip(port, kEcho).reply.empty());
    EXPECT_TRUE(roundTrip(port, kEcho).reply.empty());
    EXPECT_EQ(roundTrip(port, kEcho).reply, kEcho) << "a two-shot silence must wear off";
    EXPECT_EQ(drive.requestsSeen().size(), 3u);
    EXPECT_TRUE(drive.faults().healthy());

    bus.faults().silent = true;
    EXPECT_TRUE(roundTrip(port, kEcho).reply.empty());
}

TEST(BusSimulator, CorruptsTheCrcOfTheChosenShareOfRepliesRepeatably) {
    const auto corruptedPattern = [](double share) {
        BusSimulator bus;
        bus.addDrive(1, Series::QD10, 75).faults().corruptCrcShare = share;
        MemoryTransport port(bus);
        port.open();
        std::string pattern;
        for (int i = 0; i < 200; ++i) {
            const auto reply = roundTrip(port, kEcho).reply;
            EXPECT_EQ(reply.size(), kEcho.size());
            const bool good = rtuCrcOk(reply.data(), reply.size());
            EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 6),
                      Bytes(kEcho.begin(), kEcho.begin() + 6));
            pattern += good ? '.' : 'x';
        }
        return pattern;
    };
    const std::string half = corruptedPattern(0.5);
    const auto bad = std::count(half.begin(), half.end(), 'x');
    EXPECT_GT(bad, 70);
    EXPECT_LT(bad, 130);
    EXPECT_EQ(corruptedPattern(0.5), half) << "the same seed must give the same replies";
    EXPECT_EQ(corruptedPattern(1.0), std::string(200, 'x'));
    EXPECT_EQ(corruptedPattern(0.0), std::string(200, '.'));
}

TEST(BusSimulator, LateSplitAndWrongAddressReplies) {
    const auto run = [](auto setUp, int quietTicks = 20) {
        BusSimulator bus;
        setUp(bus.addDrive(1, Series::QD10, 75).faults());
        MemoryTransport port(bus);
        port.open();
        return roundTrip(port, kEcho, quietTicks);
    };
    const auto normal = run([](DriveFaults&) {});
    const auto late = run([](DriveFaults& f) { f.lateReplyMs = 50; });
    EXPECT_EQ(late.reply, kEcho);
    EXPECT_EQ(late.arrivalUs.front(), normal.arrivalUs.front() + 50000);

    const auto split = run([](DriveFaults& f) { f.splitPauseMs = 30; }, 40);
    EXPECT_EQ(split.reply, kEcho);
    EXPECT_EQ(split.arrivalUs[3], normal.arrivalUs[3]);
    EXPECT_GE(split.arrivalUs[4] - split.arrivalUs[3], 30000u);

    const auto stranger = run([](DriveFaults& f) { f.wrongAddress = 9; });
    ASSERT_EQ(stranger.reply.size(), kEcho.size());
    EXPECT_EQ(stranger.reply[0], 9);
    EXPECT_TRUE(rtuCrcOk(stranger.reply.data(), stranger.reply.size()))
        << "a wrong-address reply is otherwise a sound frame";
}

TEST(BusSimulator, NoiseBreaksRepliesAndRequests) {
    BusSimulator bus;
    bus.addDrive(1, Series::QD10, 75);
    MemoryTransport port(bus);
    port.open();
    bus.faults().noiseShare = 1.0;
    for (int i = 0; i < 20; ++i) {
        const auto reply = roundTrip(port, kEcho).reply;
        ASSERT_EQ(reply.size(), kEcho.size());
        EXPECT_FALSE(rtuCrcOk(reply.data(), reply.size()));
    }
    bus.faults().noiseShare = 0.0;
    // A noise burst just before the request runs into it: no drive answers,
    // and the station hears the noise.
    bus.injectNoise({0x55, 0xAA}, port.nowUs());
    EXPECT_EQ(roundTrip(port, kEcho).reply, (Bytes{0x55, 0xAA}));
    EXPECT_EQ(roundTrip(port, kEcho).reply, kEcho);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::sim
