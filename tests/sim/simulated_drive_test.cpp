#include "sim/simulated_drive.h"

#include <gtest/gtest.h>

#include <string>

#include "sim/rtu_frame.h"
#include "support/frames.h"

namespace velkaro::sim {
namespace {
namespace VELKARO_UNITY_ID {

using testing::ask;
using testing::Bytes;
using testing::hex;
using testing::readRequest;
using testing::replyWords;
using testing::withCrc;
using testing::writeRequest;

constexpr uint64_t kSecondUs = 1000000;

// The station's identification: echo, then 0x2200, 0x1200, 0x0C00 in turn,
// exception 0x02 moving on; then the rating register of the series found.
std::string identify(SimulatedDrive& drive, uint16_t& rating) {
    const auto a = static_cast<uint8_t>(drive.address());
    const auto echo = withCrc({a, 0x08, 0x00, 0x00, 0x37, 0xDA});
    if (ask(drive, echo) != echo) {
        return "no echo";
    }
    const struct {
        uint16_t reg;
        const char* normal;
        const char* exception;
        uint16_t ratingReg;
    } probes[] = {{0x2200, "QD40", nullptr, 0x000D},
                  {0x1200, "QD30", nullptr, 0x000D},
                  {0x0C00, "QD20", "QD10", 0x0B06}};
    for (const auto& probe : probes) {
        const auto reply = ask(drive, readRequest(a, probe.reg, 1));
        if (!reply) {
            return "silent";
        }
        const bool exception02 = (*reply)[1] == 0x83 && (*reply)[2] == 0x02;
        if (!exception02 && (*reply)[1] != 0x03) {
            return "unexpected reply";
        }
        const char* found = exception02 ? probe.exception : probe.normal;
        if (found != nullptr) {
            const uint16_t ratingReg = std::string(found) == "QD10" ? 0x0062 : probe.ratingReg;
            const auto words = replyWords(*ask(drive, readRequest(a, ratingReg, 1)));
            rating = words.empty() ? 0xFFFF : words[0];
            return found;
        }
    }
    return "unidentified";
}

struct SeriesCase {
    Series series;
    int rating;
    bool has2200, has1200, has0C00;
};

class Identification : public ::testing::TestWithParam<SeriesCase> {};

// Catches a drive that answers a probe register its series lacks (the
// station would take it for another series) or a rating in the wrong place.
TEST_P(Identification, ProbesAndRatingTellTheSeriesApart) {
    const SeriesCase& c = GetParam();
    SimulatedDrive drive(7, c.series, c.rating);
    const std::pair<uint16_t, bool> probes[] = {
        {0x2200, c.has2200}, {0x1200, c.has1200}, {0x0C00, c.has0C00}};
    for (const auto& [reg, normal] : probes) {
        const auto reply = ask(drive, readRequest(7, reg, 1));
        ASSERT_TRUE(reply);
        const Bytes expected = normal ? Bytes{7, 0x03, 0x02} : withCrc({7, 0x83, 0x02});
        EXPECT_EQ(Bytes(reply->begin(), reply->begin() + 3),
                  Bytes(expected.begin(), expected.begin() + 3))
            << drive.seriesName() << " register " << std::hex << reg;
        EXPECT_TRUE(rtuCrcOk(reply->data(), reply->size()));
    }
    uint16_t rating = 0;
    EXPECT_EQ(identify(drive, rating), drive.seriesName());
    EXPECT_EQ(rating, c.rating);
}

INSTANTIATE_TEST_SUITE_P(FourSeries, Identification,
                         ::testing::Values(SeriesCase{Series::QD10, 75, false, false, false},
                                           SeriesCase{Series::QD20, 6, false, false, true},
                                           SeriesCase{Series::QD30, 750, false, true, true},
                                           SeriesCase{Series::QD40, 1100, true, true, true}));

TEST(SimulatedDrive, FramesOnTheWireAsWritten) {
    SimulatedDrive drive(3, Series::QD30, 750);
    // Exception 0x02 for 0x2200 on a QD30, byte for byte.
    EXPECT_EQ(ask(drive, hex("03 03 22 00 00 01 8F 90")), hex("03 83 02 61 31"));
    // The echo test comes back unchanged.
    SimulatedDrive five(5, Series::QD10, 75);
    EXPECT_EQ(ask(five, hex("05 08 00 00 37 DA 76 24")), hex("05 08 00 00 37 DA 76 24"));
}

TEST(SimulatedDrive, StaysQuietForBadCrcOtherAddressAndBroadcast) {
    SimulatedDrive drive(3, Series::QD30, 750);
    const Bytes good = hex("03 03 22 00 00 01 8F 90");
    Bytes badCrc = good;
    badCrc.back() ^= 0x01;
    const Bytes cases[] = {badCrc, readRequest(4, 0x3210, 16), readRequest(0, 0x3210, 16),
                           writeRequest(0, 0x3201, {1234}), hex("03 03")};
    for (const Bytes& request : cases) {
        EXPECT_FALSE(ask(drive, request)) << ::testing::PrintToString(request);
    }
    // A broadcast write is carried out all the same.
    EXPECT_EQ(drive.holdingRegister(0x3201), 1234);
    EXPECT_TRUE(drive.requestsSeen().empty());
}

TEST(SimulatedDrive, TakesAllTenWordsOfTheStationsControlBlockFrame) {
    SimulatedDrive drive(3, Series::QD30, 750);
    const Bytes frame = hex("03 10 32 00 00 04 08 00 1F 13 88 00 02 00 03 00 04 00 05 00 06 00 07 "
                            "00 08 00 00 14 FA");
    ASSERT_EQ(frame.size(), 29u);
    EXPECT_EQ(ask(drive, frame), hex("03 10 32 00 00 04 CE 90"));
    for (uint16_t i = 2; i <= 8; ++i) {
        EXPECT_EQ(drive.holdingRegister(0x3200 + i), i);
    }
    EXPECT_EQ(drive.setFrequency(), 5000);
    EXPECT_TRUE(drive.running());
    EXPECT_EQ(replyWords(*ask(drive, readRequest(3, 0x3200, 10))),
              (std::vector<uint16_t>{0x001F, 5000, 2, 3, 4, 5, 6, 7, 8, 0}));
}

TEST(SimulatedDrive, StoresToEepromOnRequestAndKeepsOnlyStoredValuesOverPowerCycle) {
    SimulatedDrive drive(3, Series::QD30, 750);
    const uint16_t factory = drive.holdingRegister(0x0102);
    ask(drive, writeRequest(3, 0x0102, {111}));
    drive.powerCycle();
    EXPECT_EQ(drive.holdingRegister(0x0102), factory) << "unstored value survived a power cycle";

    ask(drive, writeRequest(3, 0x0102, {222}));
    EXPECT_EQ(ask(drive, hex("03 10 32 09 00 01 02 00 01 6D AA")), hex("03 10 32 09 00 01 DE 91"));
    EXPECT_EQ(drive.eepromStoreCount(), 1);
    EXPECT_EQ(drive.holdingRegister(0x3209), 0);
    drive.powerCycle();
    EXPECT_EQ(drive.holdingRegister(0x0102), 222);
    // Writing 0 to the store register stores nothing.
    ask(drive, writeRequest(3, 0x3209, {0}));
    EXPECT_EQ(drive.eepromStoreCount(), 1);
}

// A drive set to refuse answers exactly those writes with its exception code.
TEST(SimulatedDrive, RefusesWhatItIsSetToRefuseAndTakesTheRest) {
    const Bytes block = hex("03 10 32 00 00 04 08 00 1A 13 88 00 02 00 03 00 04 00 05 00 06 00 07 "
                            "00 08 00 00 BF 85");
    const Bytes store = hex("03 10 32 09 00 01 02 00 01 6D AA");
    const Bytes parameter = writeRequest(3, 0x0103, {1});
    const struct {
        const char* refusing;
        bool block, store, parameter;
    } cases[] = {
        // The block carries the store word as 0: a drive that cannot store
        // still takes its commands, an emergency stop among them.
        {"store:4", false, true, false},
        {"control:4", true, false, false},
        {"0x0103:3", false, false, true},
        {"parameters:3", false, false, true},
    };
    for (const auto& c : cases) {
        SimulatedDrive drive(3, Series::QD30, 750);
        drive.faults().refusal = *parseRefusal(c.refusing);
        const auto refused = [&](const Bytes& request) {
            const auto reply = ask(drive, withCrc(Bytes(request.begin(), request.end() - 2)));
            return reply && ((*reply)[1] & 0x80) != 0 && (*reply)[2] == drive.faults().refusal.code;
        };
        EXPECT_EQ(refused(block), c.block) << c.refusing;
        EXPECT_EQ(refused(store), c.store) << c.refusing;
        EXPECT_EQ(refused(parameter), c.parameter) << c.refusing;
    }
}

struct ExceptionCase {
    const char* what;
    Series series;
    Bytes request;
    uint8_t code; // 0: a normal reply
};

class Exceptions : public ::testing::TestWithParam<ExceptionCase> {};

TEST_P(Exceptions, AnswerAsTheRegisterMapAndRangesSay) {
    const ExceptionCase& c = GetParam();
    SimulatedDrive drive(1, c.series, 750);
    drive.setCatalogueRanges(true);
    drive.setAllowedRange(0x0003, 0, 100);
    const auto reply = ask(drive, c.request);
    ASSERT_TRUE(reply) << c.what;
    ASSERT_TRUE(rtuCrcOk(reply->data(), reply->size())) << c.what;
    if (c.code == 0) {
        EXPECT_LT((*reply)[1], 0x80) << c.what;
    } else {
        EXPECT_EQ(*reply, withCrc({1, c.request[1] | 0x80, c.code})) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    RegisterMap, Exceptions,
    ::testing::Values(
        ExceptionCase{"QD10 has 100 registers", Series::QD10, readRequest(1, 0x0000, 100), 0},
        ExceptionCase{"QD10 0x0064 does not exist", Series::QD10, readRequest(1, 0x0060, 5), 2},
        ExceptionCase{"QD10 has no group 1", Series::QD10, readRequest(1, 0x0100, 1), 2},
        ExceptionCase{"QD30 F0 has 16 entries", Series::QD30, readRequest(1, 0x0000, 16), 0},
        ExceptionCase{"read past QD30 F0", Series::QD30, readRequest(1, 0x0000, 17), 2},
        ExceptionCase{"QD30 FF ends at 0x0F08", Series::QD30, readRequest(1, 0x0F08, 1), 0},
        ExceptionCase{"QD30 0x0F09", Series::QD30, readRequest(1, 0x0F09, 1), 2},
        ExceptionCase{"QD30 has no group 19", Series::QD30, readRequest(1, 0x1300, 1), 2},
        ExceptionCase{"QD40 last entry 0x223C", Series::QD40, readRequest(1, 0x223C, 1), 0},
        ExceptionCase{"QD40 0x223D", Series::QD40, readRequest(1, 0x223D, 1), 2},
        ExceptionCase{"QD20 rating code served", Series::QD20, readRequest(1, 0x0B06, 1), 0},
        ExceptionCase{"QD20 Fb has 2 entries", Series::QD20, readRequest(1, 0x0B02, 1), 2},
        ExceptionCase{"control block", Series::QD20, readRequest(1, 0x3200, 10), 0},
        ExceptionCase{"nothing between the blocks", Series::QD20, readRequest(1, 0x3200, 11), 2},
        ExceptionCase{"status block", Series::QD20, readRequest(1, 0x3210, 16), 0},
        ExceptionCase{"past the status block", Series::QD20, readRequest(1, 0x3210, 17), 2},
        ExceptionCase{"count 0", Series::QD30, readRequest(1, 0x0000, 0), 3},
        ExceptionCase{"unknown function", Series::QD30, withCrc({1, 0x04, 0, 0, 0, 1}), 1},
        ExceptionCase{"status block is read-only", Series::QD30, writeRequest(1, 0x3210, {1}), 2},
        ExceptionCase{"QD20 rating code is read-only", Series::QD20, writeRequest(1, 0x0B06, {1}),
                      2},
        ExceptionCase{"write past a group", Series::QD30, writeRequest(1, 0x000F, {0, 0}), 2},
        ExceptionCase{"inside the declared range", Series::QD30, writeRequest(1, 0x0003, {100}), 0},
        ExceptionCase{"above the declared range", Series::QD30, writeRequest(1, 0x0003, {101}), 3},
        ExceptionCase{"QD30 F0-01 is 0..9", Series::QD30, writeRequest(1, 0x0001, {9}), 0},
        ExceptionCase{"QD30 F0-01 above 9", Series::QD30, writeRequest(1, 0x0001, {10}), 3},
        ExceptionCase{"QD10 Pr00 below 0.10 Hz", Series::QD10, writeRequest(1, 0x0000, {9}), 3},
        ExceptionCase{"QD10 Pr00 200.00 Hz", Series::QD10, writeRequest(1, 0x0000, {20000}), 0},
        ExceptionCase{"QD30 F0-00 names F0-06", Series::QD30, writeRequest(1, 0x0000, {65535}), 0},
        ExceptionCase{"signed range, -1000", Series::QD30, writeRequest(1, 0x0005, {0xFC18}), 0},
        ExceptionCase{"signed range, -1001", Series::QD30, writeRequest(1, 0x0005, {0xFC17}), 3},
        ExceptionCase{"one bad word of three", Series::QD30, writeRequest(1, 0x0002, {1, 500, 2}),
                      3},
        ExceptionCase{"byte count disagrees", Series::QD30,
                      withCrc({1, 0x10, 0x00, 0x02, 0x00, 0x01, 0x04, 0, 1, 0, 2}), 3},
        ExceptionCase{"single write out of range", Series::QD30,
                      withCrc({1, 0x06, 0x00, 0x03, 0x00, 0x65}), 3}));

TEST(SimulatedDrive, CatalogueRangesAreEnforcedOnlyWhenAskedFor) {
    SimulatedDrive drive(1, Series::QD30, 750);
    EXPECT_EQ((*ask(drive, writeRequest(1, 0x0001, {1000})))[1], 0x10);
    EXPECT_EQ(drive.holdingRegister(0x0001), 1000);
    drive.setCatalogueRanges(true);
    EXPECT_EQ(ask(drive, writeRequest(1, 0x0001, {10})), withCrc({1, 0x90, 0x03}));
    EXPECT_EQ((*ask(drive, writeRequest(1, 0x0001, {9})))[1], 0x10);
    EXPECT_EQ(drive.holdingRegister(0x0001), 9);
}

TEST(SimulatedDrive, RejectedWritesChangeNothing) {
    SimulatedDrive drive(1, Series::QD30, 750);
    drive.setAllowedRange(0x0003, 0, 100);
    ask(drive, writeRequest(1, 0x0002, {7, 500, 9}));
    EXPECT_EQ(drive.holdingRegister(0x0002), 0);
    EXPECT_EQ(drive.holdingRegister(0x0004), 0);

    drive.faults().rejectImportWithBusy = true;
    EXPECT_EQ(ask(drive, writeRequest(1, 0x0100, {5, 6})), withCrc({1, 0x90, 0x04}));
    EXPECT_EQ(drive.holdingRegister(0x0100), 0);
    // Commands still go through while parameter writes are refused.
    EXPECT_EQ(replyWords(*ask(drive, readRequest(1, 0x0100, 1))), std::vector<uint16_t>{0});
    EXPECT_EQ((*ask(drive, writeRequest(1, 0x3200, {0x001F})))[1], 0x10);
    EXPECT_TRUE(drive.running());
}

// Output frequency over time for a command from standstill, 10.00 Hz/s ramps.
struct RampCase {
    const char* what;
    uint16_t command;
    std::vector<std::pair<uint64_t, int>> frequencyAtUs;
    bool forward;
};

class Ramp : public ::testing::TestWithParam<RampCase> {};

// Catches a drive that jumps to its set frequency, overshoots, or drifts
// from the ramp rate when time moves in uneven steps.
TEST_P(Ramp, OutputFollowsTheRamp) {
    const RampCase& c = GetParam();
    SimulatedDrive drive(1, Series::QD30, 750);
    drive.setSetFrequency(5000);
    ask(drive, writeRequest(1, 0x3200, {c.command}));
    uint64_t now = 0;
    for (const auto& [atUs, frequency] : c.frequencyAtUs) {
        // Uneven steps, as a bus hands out time.
        while (now < atUs) {
            now = std::min(atUs, now + 1357);
            drive.advanceTo(now);
        }
        EXPECT_EQ(drive.outputFrequency(), frequency) << c.what << " at " << atUs;
        EXPECT_EQ(replyWords(*ask(drive, readRequest(1, 0x3211, 1)))[0], frequency);
    }
    EXPECT_EQ(drive.forward(), c.forward) << c.what;
    const uint16_t status = replyWords(*ask(drive, readRequest(1, 0x3210, 1)))[0];
    EXPECT_EQ((status & 0x4000) != 0, c.forward) << c.what;
    EXPECT_EQ((status & 0x0004) != 0, drive.outputFrequency() != 0) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Ramp,
    ::testing::Values(
        RampCase{
            "run forward",
            0x001F,
            {{kSecondUs / 2, 500}, {kSecondUs, 1000}, {5 * kSecondUs, 5000}, {9 * kSecondUs, 5000}},
            true},
        RampCase{"run reverse", 0x081F, {{2 * kSecondUs, 2000}}, false},
        RampCase{"jog forward", 0x011E, {{kSecondUs / 4, 250}, {kSecondUs, 500}}, true},
        RampCase{"jog reverse", 0x021E, {{kSecondUs, 500}}, false},
        RampCase{"stop stays stopped", 0x001E, {{kSecondUs, 0}}, true}));

TEST(SimulatedDrive, StopsByRampCoastAndQuickStop) {
    const struct {
        uint16_t command;
        int afterHalfSecond;
    } cases[] = {{0x001E, 4500}, {0x001C, 0}, {0x001A, 0}};
    for (const auto& c : cases) {
        SimulatedDrive drive(1, Series::QD30, 750);
        ask(drive, writeRequest(1, 0x3200, {0x001F}));
        drive.advanceTo(6 * kSecondUs);
        ASSERT_EQ(drive.outputFrequency(), 5000);
        ask(drive, writeRequest(1, 0x3200, {c.command}));
        if (c.command == 0x001C) {
            EXPECT_EQ(drive.outputFrequency(), 0) << "coast cuts the output at once";
        }
        drive.advanceTo(6 * kSecondUs + kSecondUs / 2);
        EXPECT_EQ(drive.outputFrequency(), c.afterHalfSecond) << std::hex << c.command;
        drive.advanceTo(12 * kSecondUs);
        EXPECT_FALSE(drive.running());
    }
}

TEST(SimulatedDrive, StatusBlockFollowsTheLoad) {
    SimulatedDrive drive(1, Series::QD30, 750);
    const auto status = [&] { return replyWords(*ask(drive, readRequest(1, 0x3210, 16))); };
    auto idle = status();
    EXPECT_EQ(idle[5], 0);
    EXPECT_EQ(idle[7], 0);
    EXPECT_GT(idle[8], 5000); // DC bus charged while standing

    ask(drive, writeRequest(1, 0x3200, {0x001F}));
    drive.advanceTo(10 * kSecondUs);
    drive.setLoadPercent(20);
    const auto light = status();
    drive.setLoadPercent(90);
    const auto heavy = status();
    EXPECT_EQ(heavy[1], 5000);
    EXPECT_EQ(heavy[4], 5000);
    EXPECT_GT(heavy[5], light[5]) << "current must rise with the load";
    EXPECT_GT(heavy[6], light[6]) << "torque must rise with the load";
    EXPECT_EQ(heavy[7], 3800); // full voltage at 50 Hz

    ask(drive, writeRequest(1, 0x3201, {2500}));
    drive.advanceTo(11 * kSecondUs);
    const auto braking = status();
    EXPECT_EQ(braking[1], 4000);
    EXPECT_EQ(braking[4], 2500);
    EXPECT_GT(braking[8], idle[8]) << "braking raises the DC bus";
    EXPECT_LT(braking[7], heavy[7]);
}

TEST(SimulatedDrive, FaultStopsTheMotorUntilReset) {
    SimulatedDrive drive(1, Series::QD20, 6);
    const auto statusWord = [&] { return replyWords(*ask(drive, readRequest(1, 0x3210, 1)))[0]; };
    ask(drive, writeRequest(1, 0x3200, {0x001F}));
    drive.advanceTo(kSecondUs);
    drive.setFault(7);
    EXPECT_EQ(statusWord() & 0x000C, 0x0008) << "faulted and not running";
    EXPECT_EQ(replyWords(*ask(drive, readRequest(1, 0x3219, 1)))[0], 7);
    EXPECT_EQ(drive.outputFrequency(), 0);

    ask(drive, writeRequest(1, 0x3200, {0x001F}));
    drive.advanceTo(2 * kSecondUs);
    EXPECT_EQ(drive.outputFrequency(), 0) << "a faulted drive must not run";

    ask(drive, writeRequest(1, 0x3200, {0x009E}));
    EXPECT_EQ(statusWord() & 0x0008, 0);
    EXPECT_EQ(drive.faultCode(), 0);
    ask(drive, writeRequest(1, 0x3200, {0x001F}));
    drive.advanceTo(3 * kSecondUs);
    EXPECT_EQ(drive.outputFrequency(), 1000);

    drive.setAlarm(0x0004, 0x0100);
    EXPECT_EQ(statusWord() & 0x0080, 0x0080);
    EXPECT_EQ(replyWords(*ask(drive, readRequest(1, 0x321A, 2))),
              (std::vector<uint16_t>{0x0004, 0x0100}));
    drive.setAlarm(0, 0);
    EXPECT_EQ(statusWord() & 0x0080, 0);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::sim
