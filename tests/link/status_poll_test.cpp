// The poll scheduler and the status read, tick by tick, against a scripted
// far end whose answers arrive exactly when the test says.

#include <gtest/gtest.h>

#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

Bytes statusRequest(uint8_t address) {
    return withCrc({address, 0x03, 0x32, 0x10, 0x00, 0x10});
}

std::vector<uint16_t> countingWords(uint16_t first, int n) {
    std::vector<uint16_t> words;
    for (int i = 0; i < n; ++i) {
        words.push_back(static_cast<uint16_t>(first + i));
    }
    return words;
}

/// Answers every status read with 16 words (address + 0x100 * i), every
/// control read with ten zero words, every write with its echo.
ScriptedPort::Responder healthyDrives() {
    return [](const Bytes& req) -> std::optional<Bytes> {
        if (req[1] == 0x03 && req[2] == 0x32 && req[3] == 0x10) {
            return readReply(req[0], countingWords(req[0], 16));
        }
        if (req[1] == 0x03) {
            return readReply(req[0], std::vector<uint16_t>(req[5], 0));
        }
        return withCrc(Bytes(req.begin(), req.begin() + 6));
    };
}

class StatusPollTest : public ::testing::Test {
protected:
    int addDrive(int address, OpCode pending = OpCode::StatusRead) {
        auto s = h.lock();
        const int slot = connectDrive(*s, address, "QD30", "7.50");
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = pending;
        return slot;
    }
    DriveRecord record(int slot) {
        auto s = h.lock();
        return s->table.slots[static_cast<std::size_t>(slot)];
    }
    std::vector<int> addressesSent() const {
        std::vector<int> out;
        for (const auto& sent : port.sent()) {
            out.push_back(sent.bytes[0]);
        }
        return out;
    }

    ScriptedPort port;
    LinkHarness<ScriptedPort> h{port};
};

TEST_F(StatusPollTest, StatusReadFollowsTheTimelineTickByTick) {
    const int slot = addDrive(3);
    port.setResponder(healthyDrives(), 5);

    h.step(); // tick 0: picked up, built and sent in the same tick
    ASSERT_EQ(port.sent().size(), 1u);
    EXPECT_EQ(port.sent()[0].tick, 0u);
    EXPECT_EQ(port.sent()[0].bytes, statusRequest(3));

    // The 37-byte answer arrives at tick 5; 20 silent ticks do not end it yet.
    h.run(25); // ticks 1..25
    {
        auto s = h.lock();
        EXPECT_EQ(s->buffers.rxCount, 37u);
        EXPECT_EQ(s->currentOp, OpCode::StatusRead);
        EXPECT_EQ(s->table.slots[0].status[0], 0);
    }
    h.step(); // tick 26: the 21st silent tick ends the frame; it is consumed at once
    {
        auto s = h.lock();
        EXPECT_EQ(s->currentOp, OpCode::Finished);
        EXPECT_EQ(s->table.slots[0].pendingOp, OpCode::StatusRead);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(s->table.slots[0].status[static_cast<std::size_t>(i)], 3 + i) << i;
        }
        EXPECT_EQ(s->table.slots[0].status[16], 0);
    }
    h.step(); // tick 27: the scheduler clears the request and moves on once
    {
        auto s = h.lock();
        EXPECT_EQ(s->currentOp, OpCode::None);
        EXPECT_EQ(s->table.slots[static_cast<std::size_t>(slot)].pendingOp, OpCode::None);
        EXPECT_EQ(s->pollIndex, 1u); // the probe slot comes next
    }
    EXPECT_EQ(port.sent().size(), 1u);
}

TEST_F(StatusPollTest, DroppedAfterTheEleventhUnansweredRequestAndBackOnTheNextAnswer) {
    const int slot = addDrive(5);
    uint64_t changes = 0;
    {
        auto s = h.lock();
        s->table.slots[0].online = 1;
        changes = s->table.changes;
    }
    // The 11th request goes out still online; its timeout drops the drive.
    h.runUntil([this](LinkState&) { return port.sent().size() == 11; });
    EXPECT_EQ(record(slot).online, 1);
    ASSERT_GE(h.settle(slot), 0);
    EXPECT_EQ(port.sent().size(), 11u);
    EXPECT_EQ(record(slot).online, 0);
    // A request every 302 ticks: 301 to time out, one to send again.
    EXPECT_EQ(port.sent()[10].tick - port.sent()[0].tick, 10u * 302u);
    EXPECT_GT(h.link.snapshot().table.changes, changes);
    changes = h.link.snapshot().table.changes;
    port.setResponder(healthyDrives());
    h.link.queueStatusPolls();
    ASSERT_GE(h.settle(slot), 0);
    EXPECT_EQ(record(slot).online, 1);
    EXPECT_EQ(record(slot).status[0], 5);
    EXPECT_GT(h.link.snapshot().table.changes, changes);
}

// Passing over the drive after a finished one starved it for good whenever
// the drive before it always had work.
TEST_F(StatusPollTest, DrivesAreServedInListOrderNonePassedOver) {
    addDrive(1);
    addDrive(2);
    addDrive(3);
    port.setResponder(healthyDrives());
    h.runUntil([](LinkState& state) {
        for (const DriveRecord& d : state.table.slots) {
            if (d.pendingOp != OpCode::None) {
                return false;
            }
        }
        return state.currentOp == OpCode::None;
    });
    EXPECT_EQ(addressesSent(), (std::vector<int>{1, 2, 3}));
}

TEST_F(StatusPollTest, ARequestMadeWhileAnotherOperationIsInFlightIsKept) {
    const int slot = addDrive(6);
    port.setResponder(healthyDrives());
    h.step();
    const RequestId read = h.submit(h.target(6), ParameterRead{0});
    h.runUntil([](LinkState& state) { return state.currentOp == OpCode::None; });
    EXPECT_EQ(record(slot).pendingOp, OpCode::GroupRead);
    h.settle(slot);
    ASSERT_EQ(port.sent().size(), 2u);
    EXPECT_EQ(port.sent()[1].bytes, withCrc({6, 0x03, 0x00, 0x00, 0x00, 16})); // QD30 F0
    ASSERT_TRUE(h.outcome(read));
    EXPECT_EQ(h.outcome(read)->result, Result::Confirmed);
    EXPECT_EQ(h.outcome(read)->words.size(), 16u);
}

TEST_F(StatusPollTest, RemovalMidOperationAbandonsItWithoutTouchingOtherDrives) {
    addDrive(1);
    const int other = addDrive(2);
    h.step(); // drive 1's status read is on the wire; nobody answers yet
    const DriveRecord before = record(other);
    ASSERT_TRUE(h.link.removeDrive("1#QD30-7.50"));
    h.step();
    {
        auto s = h.lock();
        EXPECT_EQ(s->currentOp, OpCode::None);
        EXPECT_TRUE(s->currentDriveName.empty());
        EXPECT_EQ(s->retryCount, 0u);
    }
    const DriveRecord after = record(other);
    EXPECT_EQ(after.pendingOp, before.pendingOp);
    EXPECT_EQ(after.status, before.status);
    EXPECT_EQ(after.online, before.online);
    port.setResponder(healthyDrives());
    h.settle(other);
    EXPECT_EQ(record(other).status[0], 2);
    EXPECT_TRUE(h.messages.messages().empty());
}

// An answer that proves the drive is there but does not hold the words (an
// exception reply) leaves the old values in place and is not asked again; a
// truncated frame is no answer at all: the request goes again.
struct ShortReplyCase {
    const char* name;
    OpCode op;
    Bytes reply;
    bool answers;
};

void PrintTo(const ShortReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class ShortReplyTest : public StatusPollTest,
                       public ::testing::WithParamInterface<ShortReplyCase> {};

TEST_P(ShortReplyTest, StoresNothingTheFrameDoesNotHold) {
    const ShortReplyCase& c = GetParam();
    const int slot = addDrive(7, c.op);
    {
        auto s = h.lock();
        DriveRecord& d = s->table.slots[static_cast<std::size_t>(slot)];
        d.online = 0;
        d.status.fill(11);
        d.controlSet.fill(22);
        d.controlAck.fill(22);
    }
    port.setResponder([&c](const Bytes&) { return std::optional<Bytes>(c.reply); });
    ASSERT_GE(h.runUntil([](LinkState& state) { return state.currentOp == OpCode::Finished; }), 0);
    const DriveRecord d = record(slot);
    // Only a status read answered says the drive is there.
    EXPECT_EQ(d.online, c.op == OpCode::StatusRead && c.answers ? 1 : 0);
    EXPECT_EQ(d.status, (std::array<int32_t, 17>{11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11, 11,
                                                 11, 11, 11, 11}));
    EXPECT_EQ(d.controlSet, (std::array<int32_t, 10>{22, 22, 22, 22, 22, 22, 22, 22, 22, 22}));
    EXPECT_EQ(d.controlAck, d.controlSet);
    EXPECT_EQ(port.sent().size(), c.answers ? 1u : 11u); // an exception is not asked again
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ShortReplyTest,
    ::testing::Values(
        ShortReplyCase{"StatusException", OpCode::StatusRead, withCrc({7, 0x83, 0x02}), true},
        ShortReplyCase{"StatusTruncated", OpCode::StatusRead, readReply(7, {1, 2, 3, 4}), false},
        ShortReplyCase{"ControlException", OpCode::ControlRead, withCrc({7, 0x83, 0x04}), true},
        ShortReplyCase{"ControlTruncated", OpCode::ControlRead, readReply(7, {1, 2, 3}), false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StatusPollTest, RemovingAnEarlierDriveDoesNotTurnALaterOneIntoTheProbe) {
    addDrive(1, OpCode::None);
    const int later = addDrive(2);
    port.setResponder(nullptr);
    h.runUntil([](LinkState& state) { return state.currentOp == OpCode::StatusRead; });
    {
        auto s = h.lock();
        ASSERT_EQ(s->pollIndex, 1u);
    }
    h.submit({}, Search{9, 1});        // the probe takes address 9 while drive 2 is served
    h.link.removeDrive("1#QD30-7.50"); // now pollIndex equals driveCount
    port.setResponder(healthyDrives());
    h.runUntil([](LinkState& state) { return state.currentOp == OpCode::None; });
    EXPECT_EQ(record(later).pendingOp, OpCode::None);
    {
        auto s = h.lock();
        EXPECT_EQ(s->table.probeRecord.name, kProbeMarker); // still waiting to be tested
        EXPECT_EQ(s->table.driveCount, 1u);
    }
    port.setResponder(nullptr);
    h.runUntil([this](LinkState&) { return port.sent().back().bytes[0] == 9; }, 2000);
    EXPECT_EQ(port.sent().back().bytes, withCrc({9, 0x08, 0x00, 0x00, 0x37, 0xDA}));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
