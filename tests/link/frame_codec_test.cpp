#include "link/protocol/frame_codec.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/ports.h"

using namespace velkaro;

namespace {
namespace VELKARO_UNITY_ID {

using Bytes = std::vector<uint8_t>;

using velkaro::testing::ScriptedPort;
using velkaro::testing::withCrc;

Bytes sent(const LinkBuffers& b) {
    return Bytes(b.txFrame.begin(), b.txFrame.begin() + b.txLength);
}

// One tick of the receive side as the pipeline runs it.
ReceiveResult tick(LinkBuffers& b, ScriptedPort& port) {
    ++b.silenceTicks;
    ++b.replyTicks;
    return receiveStep(b, port, 20);
}

TEST(Crc16, PublishedExamples) {
    const Bytes read = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    EXPECT_EQ(crc16(read.data(), read.size()), (std::array<uint8_t, 2>{0xC5, 0xCD}));
    const Bytes echo = withCrc({0x01, 0x08, 0x00, 0x00, 0x37, 0xDA});
    EXPECT_TRUE(frameCrcOk(echo.data(), echo.size()));
    Bytes damaged = echo;
    damaged[4] ^= 0x01;
    EXPECT_FALSE(frameCrcOk(damaged.data(), damaged.size()));
}

TEST(RequestBuilders, ByteExact) {
    LinkBuffers b;
    b.replyLength = 7;
    b.replyTicks = 99;

    buildReadHolding(b, 3, 0x3210, 16);
    EXPECT_EQ(sent(b), withCrc({0x03, 0x03, 0x32, 0x10, 0x00, 0x10}));
    EXPECT_EQ(b.replyLength, 0u);
    EXPECT_EQ(b.replyTicks, 0u);

    buildReadHolding(b, 1, 0x0000, 10);
    EXPECT_EQ(sent(b), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}));

    buildEchoTest(b, 1);
    EXPECT_EQ(sent(b), withCrc({0x01, 0x08, 0x00, 0x00, 0x37, 0xDA}));

    const uint16_t one = 0x0001;
    buildWriteMultiple(b, 7, 0x3209, &one, 1);
    EXPECT_EQ(sent(b), withCrc({0x07, 0x10, 0x32, 0x09, 0x00, 0x01, 0x02, 0x00, 0x01}));
    EXPECT_EQ(b.txLength, 11u);

    const uint16_t words[3] = {0xFFFF, 0x1234, 0x0000};
    buildWriteMultiple(b, 2, 0x0E40, words, 3);
    EXPECT_EQ(sent(b), withCrc({0x02, 0x10, 0x0E, 0x40, 0x00, 0x03, 0x06, 0xFF, 0xFF, 0x12, 0x34,
                                0x00, 0x00}));

    const std::array<int32_t, 10> block{0x001F, 5000, -1, 3, 4, 5, 6, 7, 8, 0};
    buildControlBlockWrite(b, 9, block);
    EXPECT_EQ(b.txLength, 29u);
    EXPECT_EQ(sent(b), withCrc({0x09, 0x10, 0x32, 0x00, 0x00, 0x04, 0x08, 0x00, 0x1F,
                                0x13, 0x88, 0xFF, 0xFF, 0x00, 0x03, 0x00, 0x04, 0x00,
                                0x05, 0x00, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00, 0x00}));
}

TEST(TransmitStep, SendsOnceAndResetsCounters) {
    LinkBuffers b;
    ScriptedPort port;
    transmitStep(b, port);
    EXPECT_TRUE(port.sent().empty()) << "nothing announced, nothing sent";
    buildEchoTest(b, 4);
    b.silenceTicks = 30;
    b.replyTicks = 30;
    transmitStep(b, port);
    ASSERT_EQ(port.sent().size(), 1u);
    EXPECT_EQ(port.sent()[0].bytes.size(), 8u);
    EXPECT_EQ(b.txLength, 0u);
    EXPECT_EQ(b.silenceTicks, 0u);
    EXPECT_EQ(b.replyTicks, 0u);
    transmitStep(b, port);
    EXPECT_EQ(port.sent().size(), 1u);
}

TEST(ReceiveStep, ReplySplitOverTicksIsJoinedAndGapOfTwentyDoesNotEndIt) {
    LinkBuffers b;
    ScriptedPort port;
    const Bytes reply = withCrc({0x03, 0x03, 0x02, 0x12, 0x34});
    port.receive(Bytes(reply.begin(), reply.begin() + 3));
    EXPECT_EQ(tick(b, port).event, ReceiveEvent::Bytes);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(tick(b, port).event, ReceiveEvent::Nothing) << "silent tick " << i + 1;
    }
    port.receive(Bytes(reply.begin() + 3, reply.end()));
    EXPECT_EQ(tick(b, port).event, ReceiveEvent::Bytes);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(tick(b, port).event, ReceiveEvent::Nothing);
    }
    EXPECT_EQ(b.replyLength, 0u);
    EXPECT_EQ(tick(b, port).event, ReceiveEvent::FrameAccepted) << "21st silent tick ends it";
    EXPECT_EQ(b.replyLength, reply.size());
    EXPECT_EQ(Bytes(b.replyFrame.begin(), b.replyFrame.begin() + b.replyLength), reply);
    EXPECT_EQ(b.rxCount, 0u);
}

TEST(ReceiveStep, BackToBackRepliesFailTheCrcAndAreDropped) {
    LinkBuffers b;
    ScriptedPort port;
    const Bytes one = withCrc({0x01, 0x03, 0x02, 0x00, 0x01});
    const Bytes two = withCrc({0x02, 0x03, 0x02, 0x00, 0x02});
    port.receive(one);
    tick(b, port);
    port.receive(two);
    tick(b, port);
    ReceiveEvent last = ReceiveEvent::Nothing;
    for (int i = 0; i < 21; ++i) {
        last = tick(b, port).event;
    }
    EXPECT_EQ(last, ReceiveEvent::FrameDropped);
    EXPECT_EQ(b.replyLength, 0u);
    EXPECT_EQ(b.rxCount, 0u);
}

TEST(ReceiveStep, ScrapShorterThanAFrameIsDroppedEvenWithAGoodCrc) {
    // Noise ending in the CRC of its first byte once marked an absent drive as
    // answering; four bytes (address, function, CRC) is the shortest frame.
    const auto endOfFrame = [](LinkBuffers& b, ScriptedPort& port, const Bytes& bytes) {
        port.receive(bytes);
        ReceiveEvent last = ReceiveEvent::Nothing;
        for (int i = 0; i < 22; ++i) {
            last = tick(b, port).event;
        }
        return last;
    };
    for (const Bytes& scrap : {withCrc({0x01}), withCrc({}), Bytes{0x01}}) {
        LinkBuffers b;
        ScriptedPort port;
        EXPECT_EQ(endOfFrame(b, port, scrap), ReceiveEvent::FrameDropped) << scrap.size();
        EXPECT_EQ(b.replyLength, 0u);
        EXPECT_EQ(b.rxCount, 0u);
    }
    LinkBuffers b;
    ScriptedPort port;
    EXPECT_EQ(endOfFrame(b, port, withCrc({0x01, 0x03})), ReceiveEvent::FrameAccepted);
    EXPECT_EQ(b.replyLength, 4u);
}

TEST(ReceiveStep, OverflowReportedOncePerFrameAndFrameDropped) {
    LinkBuffers b;
    ScriptedPort port;
    // A valid-looking frame whose first 128 bytes would pass: still dropped.
    Bytes longFrame = withCrc(Bytes(126, 0x11));
    longFrame.insert(longFrame.end(), 40, 0x22);
    int overflowMessages = 0;
    for (std::size_t i = 0; i < longFrame.size(); i += 10) {
        for (std::size_t j = i; j < std::min(i + 10, longFrame.size()); ++j) {
            port.receive({longFrame[j]});
        }
        overflowMessages += tick(b, port).overflowStarted ? 1 : 0;
        ASSERT_LE(b.rxCount, 128u);
    }
    EXPECT_EQ(overflowMessages, 1);
    ReceiveEvent last = ReceiveEvent::Nothing;
    for (int i = 0; i < 21; ++i) {
        last = tick(b, port).event;
    }
    EXPECT_EQ(last, ReceiveEvent::FrameDropped);
    EXPECT_EQ(b.replyLength, 0u);

    // The next frame is received normally and may overflow again.
    const Bytes good = withCrc({0x05, 0x03, 0x02, 0xAB, 0xCD});
    port.receive(good);
    tick(b, port);
    for (int i = 0; i < 21; ++i) {
        last = tick(b, port).event;
    }
    EXPECT_EQ(last, ReceiveEvent::FrameAccepted);
}

TEST(WordDecoding, SignExtendedAndUnsigned) {
    EXPECT_EQ(decodeSigned(0xFF, 0xFF), -1);
    EXPECT_EQ(decodeSigned(0x80, 0x00), -32768);
    EXPECT_EQ(decodeSigned(0x13, 0x88), 5000);
    EXPECT_EQ(decodeUnsigned(0xFF, 0xFF), 65535);
    EXPECT_EQ(decodeUnsigned(0x02, 0xEE), 750);
}

// Each reply is taken apart from what its bytes really hold: no field reaches
// into the CRC, an exception carries no words, only write and diagnostics
// replies echo.
struct DecodeCase {
    const char* name;
    Bytes frame; ///< without its CRC
    uint8_t function;
    bool exception;
    uint8_t exceptionCode;
    unsigned words;
    bool echoed;
    uint16_t echoFirst;
    uint16_t echoSecond;
};

class DecodeReplyTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeReplyTest, FieldsAreWhatTheFrameHolds) {
    const DecodeCase& c = GetParam();
    const Bytes frame = withCrc(c.frame);
    const DecodedReply r = decodeReply(frame.data(), frame.size());
    EXPECT_EQ(r.address, frame[0]);
    EXPECT_EQ(r.function, c.function);
    EXPECT_EQ(r.exception, c.exception);
    EXPECT_EQ(r.exceptionCode, c.exceptionCode);
    EXPECT_EQ(r.words(), c.words);
    if (c.words > 0) {
        EXPECT_EQ(r.byteCount, frame[2]);
        EXPECT_EQ(r.word(c.words - 1),
                  decodeUnsigned(frame[1 + 2 * c.words], frame[2 + 2 * c.words]));
    }
    EXPECT_EQ(r.echoed, c.echoed);
    EXPECT_EQ(r.echoFirst, c.echoFirst);
    EXPECT_EQ(r.echoSecond, c.echoSecond);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, DecodeReplyTest,
    ::testing::Values(
        DecodeCase{"Read", {1, 0x03, 4, 0x00, 0x0A, 0xFF, 0xFF}, 0x03, false, 0, 2, false, 0, 0},
        DecodeCase{"ReadCountingMoreThanItHolds",
                   {1, 0x03, 20, 0x00, 0x01},
                   0x03,
                   false,
                   0,
                   1,
                   false,
                   0,
                   0},
        DecodeCase{
            "ReadWithAnOddByte", {1, 0x03, 4, 0x00, 0x01, 0x02}, 0x03, false, 0, 1, false, 0, 0},
        DecodeCase{"Exception", {1, 0x90, 0x04}, 0x10, true, 0x04, 0, false, 0, 0},
        DecodeCase{"ExceptionWithoutItsCode", {1, 0x83}, 0x03, true, 0, 0, false, 0, 0},
        DecodeCase{
            "WriteEcho", {1, 0x10, 0x32, 0x00, 0x00, 0x04}, 0x10, false, 0, 1, true, 0x3200, 4},
        DecodeCase{"WriteSingleEcho",
                   {1, 0x06, 0x01, 0x03, 0x04, 0xD2},
                   0x06,
                   false,
                   0,
                   1,
                   true,
                   0x0103,
                   1234},
        DecodeCase{
            "EchoTest", {1, 0x08, 0x00, 0x00, 0x37, 0xDA}, 0x08, false, 0, 1, true, 0, 0x37DA},
        DecodeCase{"WriteEchoCutShort", {1, 0x10, 0x32, 0x00}, 0x10, false, 0, 0, false, 0, 0},
        DecodeCase{
            "ReadNeverEchoes", {1, 0x03, 0x32, 0x00, 0x00, 0x04}, 0x03, false, 0, 1, false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace VELKARO_UNITY_ID
} // namespace
