#include "link/diagnostics/frame_summary.h"

#include <cstdio>
#include <string_view>

#include "link/requests.h"
#include "registry/language.h"

namespace velkaro {

namespace {

/// Request frames carry address, function, two words and the CRC.
constexpr std::size_t kRequestHeadBytes = 8;
constexpr uint16_t kEchoSubFunction = 0x0000;

/// A summary text as written (saved traffic) or in the display language
/// (the monitor, the traffic table).
std::string says(bool shown, const char* source, const char* context = "FrameSummary") {
    return shown ? translated(context, source) : std::string(source);
}

std::string format(const std::string& pattern, unsigned first, unsigned second = 0) {
    char text[96];
    std::snprintf(text, sizeof text, pattern.c_str(), first, second);
    return text;
}

uint16_t wordAt(const FrameRecord& r, std::size_t at) {
    return decodeUnsigned(r.bytes[at], r.bytes[at + 1]);
}

std::string requestSummary(const FrameRecord& r, bool shown) {
    const uint8_t function = r.bytes[1];
    if (r.length < kRequestHeadBytes) {
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "功能 0x%02X（不完整）")),
                      function);
    }
    switch (function) {
    case kReadHoldingRegisters:
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "读 0x%04X ×%u")),
                      wordAt(r, 2), wordAt(r, 4));
    case kWriteMultipleRegisters:
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "写 0x%04X ×%u")),
                      wordAt(r, 2), wordAt(r, 4));
    case kWriteSingleRegister:
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "写 0x%04X = 0x%04X")),
                      wordAt(r, 2), wordAt(r, 4));
    case kDiagnostics:
        return wordAt(r, 2) == kEchoSubFunction
                   ? says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "回送测试"))
                   : format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "诊断 0x%04X")),
                            wordAt(r, 2));
    default:
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "功能 0x%02X")), function);
    }
}

std::string answerSummary(const FrameRecord& r, bool shown) {
    const DecodedReply reply = decodeReply(r.bytes.data(), r.length);
    if (reply.exception) {
        if (r.length < 5) {
            return says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "异常（无代码）"));
        }
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "异常 %02X ")),
                      reply.exceptionCode) +
               says(shown, std::string(exceptionShortName(reply.exceptionCode)).c_str(),
                    "Requests");
    }
    switch (reply.function) {
    case kReadHoldingRegisters: {
        // One word has a text of its own, for the English singular.
        std::string text =
            reply.words() == 1
                ? says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "应答 1 字"))
                : format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "应答 %u 字")),
                         reply.words());
        if (reply.byteCount != 2 * reply.words()) {
            text += format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "（声明 %u 字节）")),
                           reply.byteCount);
        }
        return text;
    }
    case kWriteMultipleRegisters:
        return reply.echoed
                   ? format(
                         says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "写应答 0x%04X ×%u")),
                         reply.echoFirst, reply.echoSecond)
                   : says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "写应答（不完整）"));
    case kWriteSingleRegister:
        return reply.echoed
                   ? format(says(shown,
                                 VELKARO_TRANSLATE_NOOP("FrameSummary", "写应答 0x%04X = 0x%04X")),
                            reply.echoFirst, reply.echoSecond)
                   : says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "写应答（不完整）"));
    case kDiagnostics:
        return reply.echoed && reply.echoFirst == kEchoSubFunction
                   ? says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "回送应答"))
                   : says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "诊断应答"));
    default:
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "应答 功能 0x%02X")),
                      reply.function);
    }
}

} // namespace

std::string summariseFrame(const FrameRecord& record, bool shown) {
    switch (record.fate) {
    case FrameFate::BadCrc:
        return says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "CRC 错误"));
    case FrameFate::TooShort:
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "残帧 %u 字节")),
                      record.length);
    case FrameFate::Overflow:
        return says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "超长帧，已丢弃"));
    case FrameFate::TimedOut:
        return says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "超时无应答"));
    case FrameFate::Sent:
    case FrameFate::SendFailed:
    case FrameFate::Accepted:
        break;
    }
    if (record.length < kShortestFrame) {
        return format(says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "残帧 %u 字节")),
                      record.length);
    }
    if (record.direction == FrameDirection::Rx) {
        return answerSummary(record, shown);
    }
    std::string text = requestSummary(record, shown);
    if (record.fate == FrameFate::SendFailed) {
        text += says(shown, VELKARO_TRANSLATE_NOOP("FrameSummary", "（发送失败）"));
    }
    return text;
}

std::string hexBytes(const uint8_t* bytes, std::size_t length) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0) {
            text += ' ';
        }
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::string trafficLine(const FrameRecord& record, uint64_t startTick, int tickPeriodMs,
                        bool shown) {
    const uint64_t ms = (record.tick > startTick ? record.tick - startTick : 0) *
                        static_cast<uint64_t>(tickPeriodMs);
    std::string line = std::to_string(ms);
    line += record.direction == FrameDirection::Tx ? "\tTX\t" : "\tRX\t";
    line += record.length == 0 ? std::string("--") : hexBytes(record.bytes.data(), record.length);
    line += '\t';
    line += summariseFrame(record, shown);
    return line;
}

} // namespace velkaro
