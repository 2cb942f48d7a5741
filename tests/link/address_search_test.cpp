// Address search and identification: which addresses are probed, what a found
// drive is named, and when it is not added.

#include <gtest/gtest.h>

#include "sim/simulated_drive.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;

std::vector<std::string> connectedNames(DriveLink& link) {
    const LinkSnapshot v = link.snapshot();
    return {v.table.driveNames.begin(), v.table.driveNames.begin() + v.table.driveCount};
}

TEST(AddressSearchTest, SearchOf1To5AddsExactlyTheQd30At3) {
    SimLink h;
    h.bus.addDrive(3, Series::QD30, 750);
    const uint64_t changes = h.link.snapshot().table.changes;
    const RequestId id = h.submit({}, Search{1, 5});
    h.step();
    {
        auto s = h.lock();
        EXPECT_EQ(s->activityState, ActivityState::Search);
        EXPECT_EQ(s->table.probeRecord.address, "1");
        EXPECT_EQ(s->progress.maximum, 6);
        EXPECT_EQ(s->progress.position, 2);
    }
    ASSERT_TRUE(h.await(id));
    EXPECT_EQ(h.outcome(id)->names, std::vector<std::string>{"3#QD30-7.50"});
    EXPECT_EQ(connectedNames(h.link), std::vector<std::string>{"3#QD30-7.50"});
    auto s = h.lock();
    const DriveRecord& d = s->table.slots[0];
    EXPECT_EQ(d.address, "3");
    EXPECT_EQ(d.series, "QD30");
    EXPECT_EQ(d.ratedPower, "7.50");
    EXPECT_EQ(d.online, 1);
    EXPECT_EQ(s->activityState, ActivityState::None);
    // Echo, the QD40 and QD30 probes, the rating; then the new drive's control read.
    std::vector<std::pair<int, int>> seen;
    for (const auto& r : h.bus.drive(3)->requestsSeen()) {
        seen.emplace_back(r[1], (r[2] << 8) | r[3]);
    }
    ASSERT_GE(seen.size(), 5u);
    EXPECT_EQ(std::vector(seen.begin(), seen.begin() + 5),
              (std::vector<std::pair<int, int>>{
                  {0x08, 0x0000}, {0x03, 0x2200}, {0x03, 0x1200}, {0x03, 0x000D}, {0x03, 0x3200}}));
    EXPECT_GT(s->table.changes, changes);
}

struct NamingCase {
    const char* label;
    int address;
    Series series;
    int rating;
    const char* name;
};
void PrintTo(const NamingCase& c, std::ostream* os) {
    *os << c.label;
}

class NamingTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(NamingTest, NameIsAddressSeriesAndRating) {
    const NamingCase& c = GetParam();
    SimLink h;
    h.bus.addDrive(c.address, c.series, c.rating);
    ASSERT_GE(h.search(c.address, 1), 0);
    EXPECT_EQ(connectedNames(h.link), std::vector<std::string>{c.name});
}

INSTANTIATE_TEST_SUITE_P(
    Series, NamingTest,
    ::testing::Values(NamingCase{"Qd10OneDecimal", 1, Series::QD10, 75, "1#QD10-7.5"},
                      NamingCase{"Qd20RatingCode6", 2, Series::QD20, 6, "2#QD20-11.00"},
                      NamingCase{"Qd20RatingCode29", 12, Series::QD20, 29, "12#QD20-560.00"},
                      // beyond the 30-entry power table: a rating that says it is unknown
                      NamingCase{"Qd20RatingCodeBeyondTable", 13, Series::QD20, 30, "13#QD20-?"},
                      NamingCase{"Qd30", 3, Series::QD30, 750, "3#QD30-7.50"},
                      NamingCase{"Qd40", 247, Series::QD40, 1850, "247#QD40-18.50"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(AddressSearchTest, SecondSearchOverAConnectedAddressAddsNothing) {
    SimLink h;
    ASSERT_GE(h.connect(4, Series::QD10, 75), 0);
    h.bus.drive(4)->clearRequestsSeen();
    ASSERT_GE(h.search(3, 3), 0);
    EXPECT_EQ(connectedNames(h.link), std::vector<std::string>{"4#QD10-7.5"});
    EXPECT_FALSE(h.bus.drive(4)->requestsSeen().empty()); // it was tested all the same
}

TEST(AddressSearchTest, FullTableStillTestsButAddsNothing) {
    SimLink h;
    {
        auto s = h.lock();
        for (int i = 0; i < kMaxDrives; ++i) {
            const int slot = connectDrive(*s, 100 + i, "QD30", "7.50");
            s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::None;
        }
    }
    h.bus.addDrive(3, Series::QD30, 750);
    ASSERT_GE(h.search(3, 1), 0);
    auto s = h.lock();
    EXPECT_EQ(s->table.driveCount, 32u);
    EXPECT_EQ(s->table.findSlotByName("3#QD30-7.50"), -1);
    EXPECT_EQ(h.bus.drive(3)->requestsSeen().size(), 4u); // echo, two probes, rating
}

/// Every address an echo test went to, in order.
std::vector<int> echoAddresses(const ScriptedPort& port) {
    std::vector<int> out;
    for (const auto& sent : port.sent()) {
        if (sent.bytes[1] == 0x08) {
            out.push_back(sent.bytes[0]);
        }
    }
    return out;
}

struct RangeCase {
    const char* label;
    int from;
    unsigned count;
    std::vector<int> probed; ///< each probed four times when nobody answers
};
void PrintTo(const RangeCase& c, std::ostream* os) {
    *os << c.label;
}

class SearchRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(SearchRangeTest, ProbesOnlyUnicastAddresses) {
    const RangeCase& c = GetParam();
    ScriptedPort port;
    LinkHarness<ScriptedPort> h(port);
    h.submit({}, Search{c.from, c.count});
    h.run(4000);
    std::vector<int> expected;
    for (int address : c.probed) {
        expected.insert(expected.end(), 4, address);
    }
    EXPECT_EQ(echoAddresses(port), expected);
    auto s = h.lock();
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_TRUE(s->table.probeRecord.name.empty());
}

INSTANTIATE_TEST_SUITE_P(Ranges, SearchRangeTest,
                         ::testing::Values(RangeCase{"StartZeroDoesNothing", 0, 5, {}},
                                           RangeCase{"StopsAt247", 246, 10, {246, 247}},
                                           RangeCase{"NegativeStart", -3, 5, {}},
                                           RangeCase{"AboveTheAddressByte", 256, 1, {}},
                                           RangeCase{"OneAddress", 9, 1, {9}}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(AddressSearchTest, UnansweredAddressCostsFourEchoTests) {
    ScriptedPort port;
    LinkHarness<ScriptedPort> h(port);
    h.submit({}, Search{7, 1});
    h.run(1000);
    ASSERT_EQ(port.sent().size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(port.sent()[i].tick - port.sent()[i - 1].tick, 202u); // 201 to time out + resend
    }
}

struct AnswerCase {
    const char* label;
    ScriptedPort::Responder responder;
    std::size_t requests; ///< before the address is given up
};
void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.label;
}

class UnusableAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(UnusableAnswerTest, AddressIsSkippedWithoutAName) {
    const AnswerCase& c = GetParam();
    ScriptedPort port;
    LinkHarness<ScriptedPort> h(port);
    port.setResponder(c.responder);
    h.submit({}, Search{5, 1});
    h.run(3000);
    EXPECT_EQ(port.sent().size(), c.requests);
    auto s = h.lock();
    EXPECT_EQ(s->table.driveCount, 0u);
    EXPECT_TRUE(s->table.probeRecord.name.empty());
    EXPECT_EQ(s->currentOp, OpCode::None);
}

Bytes echoOf(const Bytes& r) {
    return withCrc(Bytes(r.begin(), r.begin() + 6));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnusableAnswerTest,
    ::testing::Values(
        AnswerCase{"EchoWithWrongBytes",
                   [](const Bytes& r) {
                       return std::optional<Bytes>(withCrc({r[0], 0x08, 0x00, 0x00, 0x12, 0x34}));
                   },
                   4},
        AnswerCase{
            "ProbeAnsweredWithAnotherException",
            [](const Bytes& r) {
                return std::optional<Bytes>(r[1] == 0x08 ? echoOf(r) : withCrc({r[0], 0x83, 0x01}));
            },
            2},
        AnswerCase{"RatingFrameTooShort",
                   [](const Bytes& r) -> std::optional<Bytes> {
                       if (r[1] == 0x08) {
                           return echoOf(r);
                       }
                       if (r[2] == 0x22) {
                           return readReply(r[0], {1}); // a QD40
                       }
                       return withCrc({r[0], 0x03}); // no answer: asked again
                   },
                   6},
        AnswerCase{"RatingAnsweredWithAnException",
                   [](const Bytes& r) -> std::optional<Bytes> {
                       if (r[1] == 0x08) {
                           return echoOf(r);
                       }
                       if (r[2] == 0x22) {
                           return readReply(r[0], {1});
                       }
                       return withCrc({r[0], 0x83, 0x02});
                   },
                   3}),
    [](const auto& info) { return std::string(info.param.label); });

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
