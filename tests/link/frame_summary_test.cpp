// The traffic monitor's words for frames: what the operator reads in the
// station's list, the saved file and `velkaro-bus monitor`.

#include "link/diagnostics/frame_summary.h"

#include <gtest/gtest.h>

#include "registry/language.h"
#include "support/case_names.h"
#include "support/frames.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

FrameRecord record(FrameDirection direction, FrameFate fate, const Bytes& bytes) {
    FrameRecord r;
    r.direction = direction;
    r.fate = fate;
    r.length = static_cast<uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), r.bytes.begin());
    return r;
}

struct SummaryCase {
    const char* label;
    FrameDirection direction;
    FrameFate fate;
    Bytes bytes;
    const char* summary;
};

using D = FrameDirection;
using F = FrameFate;

const SummaryCase kCases[] = {
    {"status_read", D::Tx, F::Sent, readRequest(3, 0x3210, 16), "读 0x3210 ×16"},
    {"control_block", D::Tx, F::Sent, writeRequest(3, 0x3200, std::vector<uint16_t>(4, 0)),
     "写 0x3200 ×4"},
    {"single_write", D::Tx, F::Sent, withCrc({3, 0x06, 0x00, 0x62, 0x01, 0x2C}),
     "写 0x0062 = 0x012C"},
    {"echo_test", D::Tx, F::Sent, withCrc({3, 0x08, 0x00, 0x00, 0x37, 0xDA}), "回送测试"},
    {"refused_send", D::Tx, F::SendFailed, readRequest(3, 0x3210, 16), "读 0x3210 ×16（发送失败）"},
    {"read_reply", D::Rx, F::Accepted, readReply(3, std::vector<uint16_t>(16, 7)), "应答 16 字"},
    {"read_reply_miscounted", D::Rx, F::Accepted, withCrc({3, 0x03, 0x08, 0x00, 0x01}),
     "应答 1 字（声明 8 字节）"},
    {"exception", D::Rx, F::Accepted, withCrc({3, 0x83, 0x02}), "异常 02 非法地址"},
    {"exception_unknown", D::Rx, F::Accepted, withCrc({3, 0x90, 0x2A}), "异常 2A 未知"},
    {"exception_without_code", D::Rx, F::Accepted, withCrc({3, 0x83}), "异常（无代码）"},
    {"write_echo", D::Rx, F::Accepted, withCrc({3, 0x10, 0x32, 0x00, 0x00, 0x04}),
     "写应答 0x3200 ×4"},
    {"echo_reply", D::Rx, F::Accepted, withCrc({3, 0x08, 0x00, 0x00, 0x37, 0xDA}), "回送应答"},
    {"bad_crc", D::Rx, F::BadCrc, hex("03 03 02 00 01 00 00"), "CRC 错误"},
    {"scrap", D::Rx, F::TooShort, hex("FF 00"), "残帧 2 字节"},
    {"overflow", D::Rx, F::Overflow, Bytes(128, 0x55), "超长帧，已丢弃"},
    {"timeout", D::Rx, F::TimedOut, {}, "超时无应答"},
};

class FrameSummaryTest : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(FrameSummaryTest, SaysWhatTheFrameIs) {
    const SummaryCase& c = GetParam();
    EXPECT_EQ(summariseFrame(record(c.direction, c.fate, c.bytes)), c.summary);
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameSummaryTest, ::testing::ValuesIn(kCases), LabelName());

TEST(TrafficLineTest, MillisecondsDirectionHexAndSummaryTabSeparated) {
    FrameRecord sent = record(D::Tx, F::Sent, readRequest(1, 0x3210, 16));
    sent.tick = 1250;
    EXPECT_EQ(trafficLine(sent, 1000, 1), "250\tTX\t01 03 32 10 00 10 4B 7B\t读 0x3210 ×16");
    FrameRecord silent = record(D::Rx, F::TimedOut, {});
    silent.tick = 1551;
    EXPECT_EQ(trafficLine(silent, 1000, 1), "551\tRX\t--\t超时无应答");
    const uint8_t bytes[] = {0x00, 0x0A, 0xFF};
    EXPECT_EQ(hexBytes(bytes, 3), "00 0A FF");
}

/// Marks each text with the context it was looked up in.
std::string bracketed(const char* context, const char* source) {
    return std::string("[") + context + "]" + source;
}

// The monitor and the traffic table look the summary up; saved traffic keeps
// it as written, whatever language the station shows.
TEST(TrafficLineTest, ShownSummaryIsLookedUpAndSavedOneIsNot) {
    setTextTranslator(&bracketed);
    const FrameRecord refused = record(D::Rx, F::Accepted, withCrc({3, 0x83, 0x02}));
    const FrameRecord silent = record(D::Rx, F::TimedOut, {});
    const std::string saved = summariseFrame(refused);
    const std::string shown = summariseFrame(refused, true);
    const std::string monitor = trafficLine(silent, 0, 1, true);
    // One word is its own text, so that English can say "word".
    const std::string one = summariseFrame(record(D::Rx, F::Accepted, readReply(3, {7})), true);
    const std::string two = summariseFrame(record(D::Rx, F::Accepted, readReply(3, {7, 8})), true);
    setTextTranslator(nullptr);
    EXPECT_EQ(one, "[FrameSummary]应答 1 字");
    EXPECT_EQ(two, "[FrameSummary]应答 2 字");
    EXPECT_EQ(saved, "异常 02 非法地址");
    EXPECT_EQ(shown, "[FrameSummary]异常 02 [Requests]非法地址");
    EXPECT_EQ(monitor, "0\tRX\t--\t[FrameSummary]超时无应答");
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
