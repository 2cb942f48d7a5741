// Replies ended on completion: the receive step takes a reply at the byte
// that completes it by its own header and CRC, falls back to the long silence
// for anything else, and the next request still waits the inter-frame silence.

#include <gtest/gtest.h>

#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

constexpr int kGap = 20;
enum class End { AtOnce, AfterSilence, Dropped };

struct CompletionCase {
    const char* name;
    Bytes reply;             ///< what the drive sends
    std::vector<size_t> cut; ///< arrives in pieces of these sizes, one tick apart
    unsigned requestLength;  ///< of the request it answers
    End end;
};

Bytes badCrc(Bytes frame) {
    frame.back() ^= 0x5A;
    return frame;
}

TEST(CompletionRule, EndsWhereTheHeaderSaysOrFallsBackToSilence) {
    const CompletionCase cases[] = {
        {"read split over three ticks", readReply(3, {1, 2, 3, 4}), {2, 5, 6}, 8, End::AtOnce},
        {"write multiple", withCrc({3, 0x10, 0x32, 0x00, 0x00, 0x04}), {3, 5}, 29, End::AtOnce},
        {"write single", withCrc({3, 0x06, 0x00, 0x05, 0x12, 0x34}), {8}, 8, End::AtOnce},
        {"echo as long as its request", withCrc({3, 8, 0, 0, 0x37, 0xDA}), {1, 7}, 8, End::AtOnce},
        {"exception", withCrc({3, 0x83, 0x02}), {2, 3}, 8, End::AtOnce},
        // The echo's length is its request's, whatever that was.
        {"echo of a longer request",
         withCrc({3, 8, 0, 0, 0x37, 0xDA, 1, 2}),
         {10},
         10,
         End::AtOnce},
        {"function of unknown length",
         withCrc({3, 0x04, 0x02, 0x00, 0x01}),
         {7},
         8,
         End::AfterSilence},
        {"CRC failing at the expected length",
         badCrc(readReply(3, {7, 8})),
         {4, 5},
         8,
         End::Dropped},
    };
    for (const CompletionCase& c : cases) {
        ScriptedPort port;
        port.open();
        LinkBuffers b;
        b.sentLength = c.requestLength;
        for (size_t at = 0, piece = 0; piece < c.cut.size(); at += c.cut[piece++]) {
            port.deliver(Bytes(c.reply.begin() + static_cast<long>(at),
                               c.reply.begin() + static_cast<long>(at + c.cut[piece])),
                         static_cast<unsigned>(piece + 1));
        }
        int endTick = -1;
        ReceiveEvent event = ReceiveEvent::Nothing;
        for (int t = 1; t < 100 && endTick < 0; ++t) {
            port.advanceTick();
            ++b.silenceTicks;
            event = receiveStep(b, port, kGap, FrameEnd::Completion).event;
            endTick = event == ReceiveEvent::FrameAccepted || event == ReceiveEvent::FrameDropped
                          ? t
                          : -1;
        }
        const int lastPiece = static_cast<int>(c.cut.size());
        EXPECT_EQ(endTick, c.end == End::AtOnce ? lastPiece : lastPiece + kGap + 1) << c.name;
        EXPECT_EQ(event,
                  c.end == End::Dropped ? ReceiveEvent::FrameDropped : ReceiveEvent::FrameAccepted)
            << c.name;
        if (c.end != End::Dropped) {
            EXPECT_EQ(Bytes(b.replyFrame.begin(), b.replyFrame.begin() + b.replyLength), c.reply)
                << c.name;
        }
    }
}

TEST(CompletionRule, ReplyFollowedAtOnceByNoiseIsTakenAndTheNoiseDropped) {
    ScriptedPort port;
    port.open();
    LinkBuffers b;
    b.sentLength = 8;
    Bytes stream = readReply(3, {0x1234, 0x5678});
    stream.insert(stream.end(), {0xFF, 0x00, 0x42});
    port.deliver(stream);
    port.advanceTick();
    EXPECT_EQ(receiveStep(b, port, kGap, FrameEnd::Completion).event, ReceiveEvent::FrameAccepted);
    EXPECT_EQ(Bytes(b.replyFrame.begin(), b.replyFrame.begin() + b.replyLength),
              readReply(3, {0x1234, 0x5678}));
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

TEST(InterFrameSilence, NextRequestLeavesAfterTheSilenceAndNoSooner) {
    // From the tick the first status reply arrives to the tick the next request
    // leaves, through the whole pipeline: three drives, so the next is the third
    // (the one after a finished drive waits for the next round).
    const struct {
        FrameEnd frameEnd;
        const char* baud;
        const char* parity;
        uint64_t ticks;
    } cases[] = {
        {FrameEnd::Silence, "9600", "N", 23},    // 21 silent ticks, then finish and pick-up
        {FrameEnd::Completion, "9600", "N", 4},  // 3.5 characters of 10 bits: 3.65 ms
        {FrameEnd::Completion, "9600", "E", 5},  // of 11 bits: 4.01 ms
        {FrameEnd::Completion, "38400", "N", 2}, // 1.75 ms, as long as finish and pick-up
        {FrameEnd::Completion, "1200", "N", 30}, // 29.2 ms
    };
    for (const auto& c : cases) {
        ScriptedPort port;
        LinkHarness<ScriptedPort> h(port);
        {
            auto s = h.lock();
            s->settings.frameEnd = c.frameEnd;
            s->settings.baudText = c.baud;
            s->settings.parityLetter = c.parity;
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
        EXPECT_EQ(port.sent()[1].tick - (port.sent()[0].tick + 10), c.ticks) << c.baud << c.parity;
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
