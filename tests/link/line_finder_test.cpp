// The line finder on the tick against a far end that answers at one line
// setting only: the order it tries them in, what it reports, and that the
// link gets its own settings back however the run ends.

#include <gtest/gtest.h>

#include "link/diagnostics/line_finder.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

struct Line {
    int baud;
    char parity;
    int dataBits;
    int stopBits;
    bool operator==(const Line&) const = default;
};

constexpr Line kDriveLine{19200, 'E', 8, 1};
constexpr Line kStationLine{9600, 'N', 8, 1};
constexpr int kRunTicks = 40000;

/// A QD30 at address 3 whose line runs at 19200 E 8 1: at any other setting
/// it hears nothing it can answer. Remembers every setting applied.
class LineBoundPort : public ScriptedPort {
public:
    LineBoundPort() {
        setResponder([this](const Bytes& request) -> std::optional<Bytes> {
            if (applied.empty() || applied.back() != kDriveLine || request[0] != 3) {
                return std::nullopt;
            }
            if (request[1] == 0x08) {
                return request;
            }
            const int reg = request[2] << 8 | request[3];
            if (reg == 0x2200) {
                return withCrc({3, 0x83, 0x02}); // not a QD40
            }
            return readReply(3, {static_cast<uint16_t>(reg == 0x000D ? 750 : 0)});
        });
    }
    bool applyLineSettings(int baud, char parity, int dataBits, int stopBits) override {
        applied.push_back({baud, parity, dataBits, stopBits});
        return true;
    }
    bool open() override {
        ++opens;
        return (opensAllowed < 0 || opens <= opensAllowed) && ScriptedPort::open();
    }
    std::string lastError() const override { return "设备已拔出"; }

    std::vector<Line> applied;
    int opens = 0;
    int opensAllowed = -1; ///< opens that succeed; -1: all
};

class LineFinderTest : public ::testing::Test {
protected:
    bool request(int first = 3, int count = 1) {
        id = h.submit({}, FindLine{first, count});
        return !h.outcome(id);
    }
    int runUntilDone() {
        return h.runUntil([](LinkState& state) { return state.finder.done; }, kRunTicks);
    }
    LineFinder finder() {
        auto s = h.lock();
        LineFinder f = s->finder;
        return f;
    }

    LineBoundPort port;
    LinkHarness<ScriptedPort> h{port};
    RequestId id = 0;
};

TEST_F(LineFinderTest, TriesEverySettingFastestFirstAndNamesTheDrive) {
    ASSERT_TRUE(request());
    ASSERT_GE(runUntilDone(), 0);

    const LineFinder f = finder();
    EXPECT_FALSE(f.failed);
    ASSERT_EQ(f.found.size(), 1u);
    EXPECT_EQ(lineChoiceText(f.found[0].line), "19200 E 8 1");
    EXPECT_EQ(f.found[0].names, std::vector<std::string>{"3#QD30-7.50"});
    h.step();
    ASSERT_TRUE(h.outcome(id));
    EXPECT_EQ(h.outcome(id)->result, Result::Confirmed);
    ASSERT_EQ(h.outcome(id)->lines.size(), 1u);
    EXPECT_EQ(h.outcome(id)->lines[0].names, f.found[0].names);

    // The harness's own open, the 72 settings, then the link's own again.
    ASSERT_EQ(port.applied.size(), 1 + kLineChoiceCount + 1);
    const std::vector<std::pair<std::size_t, Line>> order = {
        {1, {38400, 'N', 8, 1}},  {2, {38400, 'N', 8, 2}}, {3, {38400, 'O', 8, 1}},
        {5, {38400, 'E', 8, 1}},  {7, {19200, 'N', 8, 1}}, {36, {1200, 'E', 8, 2}},
        {37, {38400, 'N', 7, 1}}, {72, {1200, 'E', 7, 2}}, {73, kStationLine},
    };
    for (const auto& [at, line] : order) {
        EXPECT_EQ(port.applied[at], line) << "setting " << at;
    }
    auto s = h.lock();
    EXPECT_EQ(s->settings.settingsText(), "9600N81");
    EXPECT_EQ(s->table.driveCount, 0u); // found, not connected
    EXPECT_TRUE(s->table.probeRecord.name.empty());
    EXPECT_FALSE(s->servingProbe);
}

TEST_F(LineFinderTest, CancelGivesTheLinkBackAndPollingGoesOn) {
    ASSERT_TRUE(request());
    h.run(2000);
    EXPECT_TRUE(finder().running);
    h.link.cancel(id);
    ASSERT_GE(runUntilDone(), 0);
    EXPECT_TRUE(finder().cancelled);
    h.step();
    ASSERT_TRUE(h.outcome(id));
    EXPECT_EQ(h.outcome(id)->cancelReason, CancelReason::ByCaller);
    EXPECT_EQ(port.applied.back(), kStationLine);

    port.clearSent();
    {
        auto s = h.lock();
        const int slot = connectDrive(*s, 3, "QD30", "7.50");
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::StatusRead;
    }
    h.run(5);
    ASSERT_FALSE(port.sent().empty());
    EXPECT_EQ(port.sent().front().bytes, readRequest(3, 0x3210, 16));
}

TEST_F(LineFinderTest, ALostPortEndsTheRunWithItsReason) {
    port.opensAllowed = 3; // the harness's open and the first two settings
    ASSERT_TRUE(request());
    ASSERT_GE(runUntilDone(), 0);
    const LineFinder f = finder();
    EXPECT_TRUE(f.failed);
    EXPECT_NE(f.failure.find("设备已拔出"), std::string::npos) << f.failure;
    EXPECT_FALSE(h.lock()->linkOpen);
}

TEST_F(LineFinderTest, RefusedWhileTheLinkCannotGiveItTheBus) {
    struct Refusal {
        const char* label;
        std::function<void(LinkState&)> before;
        int first;
        int count;
    };
    const Refusal refusals[] = {
        {"link closed", [](LinkState& state) { state.linkOpen = false; }, 1, 1},
        {"search asked for", [](LinkState& state) { state.searchRemaining = 3; }, 1, 1},
        {"transfer running", [](LinkState& state) { state.transfer = TransferJob{}; }, 1, 1},
        {"drives connected", [](LinkState& state) { connectDrive(state, 3, "QD30", "7.50"); }, 1,
         1},
        {"run already asked for", [](LinkState& state) { state.finder.wanted = true; }, 1, 1},
        {"address 0", [](LinkState&) {}, 0, 1},
        {"beyond 247", [](LinkState&) {}, 240, 10},
    };
    for (const Refusal& r : refusals) {
        ScriptedPort other;
        LinkHarness<ScriptedPort> link(other);
        auto s = link.lock();
        r.before(*s);
        std::string reason;
        EXPECT_FALSE(requestLineFind(*s, r.first, r.count, reason)) << r.label;
        EXPECT_FALSE(reason.empty()) << r.label;
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
