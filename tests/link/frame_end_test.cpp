// Replies ended on completion: the receive step takes a reply at the byte
// that completes it by its own header and CRC, falls back to the long silence
// for anything else, and the next request still waits the inter-frame silence.

#include <gtest/gtest.h>

#include "link/support/link_harness.h"
#include "link/support/scripted_port.h"

namespace velkaro::testing {
namespace {

constexpr unsigned kGap = 20;

/// Runs the receive step on ticks, the port's scripted bytes arriving as they
/// are due; returns the tick of the first frame end and what became of it.
struct FrameEndSeen {
    int tick = -1;
    ReceiveEvent event = ReceiveEvent::Nothing;
    Bytes reply;
};

FrameEndSeen runReceive(ScriptedPort& port, LinkBuffers& b, int ticks) {
    for (int t = 0; t < ticks; ++t) {
        port.advanceTick();
        ++b.silenceTicks;
        const ReceiveResult r = receiveStep(b, port, kGap, FrameEnd::Completion);
        if (r.event == ReceiveEvent::FrameAccepted || r.event == ReceiveEvent::FrameDropped) {
            return {t + 1, r.event,
                    Bytes(b.replyFrame.begin(), b.replyFrame.begin() + b.replyLength)};
        }
    }
    return {};
}

struct CompletionCase {
    const char* name;
    Bytes reply;             ///< what the drive sends
    std::vector<size_t> cut; ///< arrives in pieces of these sizes, one tick apart
    unsigned requestLength;  ///< of the request it answers
    enum { AtOnce, AfterSilence, Dropped } end;
};

class CompletionRule : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(CompletionRule, EndsWhereTheHeaderSaysOrFallsBackToSilence) {
    const CompletionCase& c = GetParam();
    ScriptedPort port;
    port.open();
    LinkBuffers b;
    b.sentLength = c.requestLength;
    size_t at = 0;
    unsigned tick = 1;
    for (size_t piece : c.cut) {
        port.deliver(Bytes(c.reply.begin() + static_cast<long>(at),
                           c.reply.begin() + static_cast<long>(at + piece)),
                     tick++);
        at += piece;
    }
    const int lastPiece = static_cast<int>(c.cut.size());
    const FrameEndSeen seen = runReceive(port, b, 100);
    switch (c.end) {
    case CompletionCase::AtOnce:
        EXPECT_EQ(seen.event, ReceiveEvent::FrameAccepted);
        EXPECT_EQ(seen.tick, lastPiece) << "taken in the tick its last byte arrived";
        EXPECT_EQ(seen.reply, c.reply);
        break;
    case CompletionCase::AfterSilence:
        EXPECT_EQ(seen.event, ReceiveEvent::FrameAccepted);
        EXPECT_EQ(seen.tick, lastPiece + static_cast<int>(kGap) + 1);
        EXPECT_EQ(seen.reply, c.reply);
        break;
    case CompletionCase::Dropped:
        EXPECT_EQ(seen.event, ReceiveEvent::FrameDropped);
        EXPECT_EQ(seen.tick, lastPiece + static_cast<int>(kGap) + 1);
        break;
    }
}

Bytes badCrc(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

INSTANTIATE_TEST_SUITE_P(
    FrameEnd, CompletionRule,
    ::testing::Values(
        CompletionCase{"ReadSplitOverThreeTicks",
                       readReply(3, {1, 2, 3, 4}),
                       {2, 5, 6},
                       8,
                       CompletionCase::AtOnce},
        CompletionCase{"WriteMultipleEcho",
                       withCrc({3, 0x10, 0x32, 0x00, 0x00, 0x04}),
                       {3, 5},
                       29,
                       CompletionCase::AtOnce},
        CompletionCase{"WriteSingleEcho",
                       withCrc({3, 0x06, 0x00, 0x05, 0x12, 0x34}),
                       {8},
                       8,
                       CompletionCase::AtOnce},
        CompletionCase{"EchoTestAsLongAsItsRequest",
                       withCrc({3, 0x08, 0x00, 0x00, 0x37, 0xDA}),
                       {1, 7},
                       8,
                       CompletionCase::AtOnce},
        CompletionCase{
            "ExceptionOfAnyFunction", withCrc({3, 0x83, 0x02}), {2, 3}, 8, CompletionCase::AtOnce},
        // A wrong length from the request: the bytes never match it, silence ends them.
        CompletionCase{"EchoLongerThanTheRequest",
                       withCrc({3, 0x08, 0, 0, 0x37, 0xDA, 1, 2}),
                       {10},
                       8,
                       CompletionCase::AfterSilence},
        CompletionCase{"FunctionWithoutAKnownLength",
                       withCrc({3, 0x04, 0x02, 0x00, 0x01}),
                       {7},
                       8,
                       CompletionCase::AfterSilence},
        CompletionCase{"CrcFailsAtTheExpectedLength",
                       badCrc(readReply(3, {7, 8})),
                       {4, 5},
                       8,
                       CompletionCase::Dropped}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompletionRule, ReplyFollowedAtOnceByNoiseIsTakenAndTheNoiseDropped) {
    ScriptedPort port;
    port.open();
    LinkBuffers b;
    b.sentLength = 8;
    Bytes stream = readReply(3, {0x1234, 0x5678});
    stream.insert(stream.end(), {0xFF, 0x00, 0x42});
    port.deliver(stream, 1);
    const FrameEndSeen seen = runReceive(port, b, 5);
    EXPECT_EQ(seen.event, ReceiveEvent::FrameAccepted);
    EXPECT_EQ(seen.tick, 1);
    EXPECT_EQ(seen.reply, readReply(3, {0x1234, 0x5678}));
    EXPECT_EQ(b.rxCount, 3u) << "the noise starts the next frame";

    // The next request waits the silence the drives need, then leaves and
    // takes the noise with it: it is no part of the next answer.
    buildReadHolding(b, 4, 0x3210, 16);
    b.silenceTicks = 3;
    transmitStep(b, port, 4);
    EXPECT_TRUE(port.sent().empty()) << "held: three silent ticks of four";
    b.silenceTicks = 4;
    transmitStep(b, port, 4);
    ASSERT_EQ(port.sent().size(), 1u);
    EXPECT_EQ(b.rxCount, 0u);
}

TEST(CompletionRule, OffByDefaultAndTheSilenceRuleNeverHoldsARequest) {
    const LinkSettings settings;
    EXPECT_EQ(settings.frameEnd, FrameEnd::Silence);
    EXPECT_EQ(settings.transmitHoldTicks(), 0u);
    ScriptedPort port;
    port.open();
    LinkBuffers b;
    b.rxCount = 2; // a scrap still ending by silence is left to the receive step
    buildEchoTest(b, 1);
    transmitStep(b, port);
    EXPECT_EQ(port.sent().size(), 1u);
    EXPECT_EQ(b.rxCount, 2u);
}

struct InterFrameCase {
    const char* baud;
    const char* parity;
    const char* stopBits;
    unsigned ticks;
};

TEST(InterFrameSilence, ThreeAndAHalfCharactersRoundedUpToTicks) {
    // 3.5 characters of 10 or 11 bits; a fixed 1.75 ms above 19200 baud.
    const InterFrameCase cases[] = {
        {"9600", "N", "1", 4},  // 3.65 ms
        {"9600", "E", "1", 5},  // 4.01 ms
        {"9600", "N", "2", 5},  // 4.01 ms
        {"19200", "N", "1", 2}, // 1.82 ms
        {"38400", "N", "1", 2}, // 1.75 ms
        {"1200", "N", "1", 30}, // 29.2 ms
    };
    for (const InterFrameCase& c : cases) {
        LinkSettings settings;
        settings.baudText = c.baud;
        settings.parityLetter = c.parity;
        settings.stopBitsText = c.stopBits;
        EXPECT_EQ(settings.interFrameTicks(), c.ticks) << c.baud << c.parity << c.stopBits;
        settings.frameEnd = FrameEnd::Completion;
        EXPECT_EQ(settings.transmitHoldTicks(), c.ticks);
    }
}

/// Three drives polled through the whole pipeline: from the tick the first
/// status reply arrives to the tick the next request leaves (to the third
/// drive: the one after a finished drive waits for the next round).
struct TurnCase {
    FrameEnd frameEnd;
    const char* baud;
    uint64_t ticksToNextRequest;
};

TEST(InterFrameSilence, NextRequestLeavesAfterTheSilenceAndNoSooner) {
    const TurnCase cases[] = {
        {FrameEnd::Silence, "9600", 23},    // 21 silent ticks, then finish and pick-up
        {FrameEnd::Completion, "9600", 4},  // the inter-frame silence
        {FrameEnd::Completion, "38400", 2}, // silence and scheduling overlap
        {FrameEnd::Completion, "1200", 30},
    };
    for (const TurnCase& c : cases) {
        ScriptedPort port;
        LinkHarness<ScriptedPort> h(port);
        {
            auto s = h.link.lock();
            s->settings.frameEnd = c.frameEnd;
            s->settings.baudText = c.baud;
            for (int address : {1, 2, 3}) {
                const int slot = connectDrive(*s, address, "QD30", "7.50");
                s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::StatusRead;
            }
        }
        port.setResponder(
            [](const Bytes& request) { return readReply(request[0], std::vector<uint16_t>(16)); },
            10);
        h.run(200);
        ASSERT_GE(port.sent().size(), 2u) << c.baud;
        const uint64_t replyArrived = port.sent()[0].tick + 10;
        EXPECT_EQ(port.sent()[1].tick - replyArrived, c.ticksToNextRequest)
            << c.baud << (c.frameEnd == FrameEnd::Completion ? " completion" : " silence");
        EXPECT_EQ(h.link.lock()->statusReadCount[0], 1u);
    }
}

} // namespace
} // namespace velkaro::testing
