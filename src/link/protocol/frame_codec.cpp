#include "link/protocol/frame_codec.h"

#include <algorithm>

#include "link/ports/serial_port.h"

namespace velkaro {

std::array<uint8_t, 2> crc16(const uint8_t* data, std::size_t length) {
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<uint16_t>(crc >> 1);
        }
    }
    return {static_cast<uint8_t>(crc & 0xFF), static_cast<uint8_t>(crc >> 8)};
}

bool frameCrcOk(const uint8_t* frame, std::size_t length) {
    const auto crc = crc16(frame, length);
    return crc[0] == 0 && crc[1] == 0;
}

namespace {

// Appends the CRC after `body` bytes and announces the frame for the transmit step.
void finishFrame(LinkBuffers& b, unsigned body) {
    const auto crc = crc16(b.txFrame.data(), body);
    b.txFrame[body] = crc[0];
    b.txFrame[body + 1] = crc[1];
    b.txLength = body + 2;
    b.replyTicks = 0;
    b.replyLength = 0;
}

void putWord(LinkBuffers& b, unsigned at, uint16_t word) {
    b.txFrame[at] = static_cast<uint8_t>(word >> 8);
    b.txFrame[at + 1] = static_cast<uint8_t>(word & 0xFF);
}

} // namespace

void buildReadHolding(LinkBuffers& b, uint8_t address, uint16_t reg, uint8_t count) {
    b.txFrame[0] = address;
    b.txFrame[1] = kReadHoldingRegisters;
    putWord(b, 2, reg);
    b.txFrame[4] = 0x00;
    b.txFrame[5] = count;
    finishFrame(b, 6);
}

void buildWriteMultiple(LinkBuffers& b, uint8_t address, uint16_t reg, const uint16_t* words,
                        uint8_t count) {
    // Address + function + register + quantity + byte count, then the words: the
    // buffer holds at most 59 words with the CRC, the link never asks for more than 50.
    count = std::min<uint8_t>(count, 50);
    b.txFrame[0] = address;
    b.txFrame[1] = kWriteMultipleRegisters;
    putWord(b, 2, reg);
    b.txFrame[4] = 0x00;
    b.txFrame[5] = count;
    b.txFrame[6] = static_cast<uint8_t>(2 * count);
    for (unsigned i = 0; i < count; ++i) {
        putWord(b, 7 + 2 * i, words[i]);
    }
    finishFrame(b, 7 + 2u * count);
}

void buildControlBlockWrite(LinkBuffers& b, uint8_t address, const std::array<int32_t, 10>& words) {
    // The drives take this frame as it stands: the header declares 4 registers and
    // 8 bytes, yet all ten words of 0x3200..0x3209 follow.
    b.txFrame[0] = address;
    b.txFrame[1] = kWriteMultipleRegisters;
    b.txFrame[2] = 0x32;
    b.txFrame[3] = 0x00;
    b.txFrame[4] = 0x00;
    b.txFrame[5] = 0x04;
    b.txFrame[6] = 0x08;
    for (unsigned i = 0; i < 10; ++i) {
        putWord(b, 7 + 2 * i, static_cast<uint16_t>(words[i]));
    }
    finishFrame(b, 27);
}

void buildEchoTest(LinkBuffers& b, uint8_t address) {
    b.txFrame[0] = address;
    b.txFrame[1] = kDiagnostics;
    b.txFrame[2] = 0x00;
    b.txFrame[3] = 0x00;
    b.txFrame[4] = 0x37;
    b.txFrame[5] = 0xDA;
    finishFrame(b, 6);
}

std::size_t expectedReplyLength(const uint8_t* frame, std::size_t count, unsigned requestLength) {
    // Address and function tell the shape; a read reply needs its byte count too.
    if (count < 2) {
        return 0;
    }
    const uint8_t function = frame[1];
    if ((function & kExceptionFlag) != 0) {
        return 5; // address, function, code, CRC (2)
    }
    switch (function) {
    case kReadHoldingRegisters:
        return count < 3 ? 0 : 5 + std::size_t{frame[2]}; // address, function, count, data, CRC
    case kWriteSingleRegister:
    case kWriteMultipleRegisters:
        return 8; // address, function, two words, CRC
    case kDiagnostics:
        return requestLength; // the echo of the request
    default:
        return 0;
    }
}

bool replyComplete(const uint8_t* frame, std::size_t count, unsigned requestLength) {
    const std::size_t expected = expectedReplyLength(frame, count, requestLength);
    return expected >= kShortestFrame && count == expected && frameCrcOk(frame, count);
}

namespace {

// Takes the gathered bytes as the reply when they pass the CRC; either way the
// next byte starts a new frame.
ReceiveEvent endFrame(LinkBuffers& b, ReceiveResult& result) {
    // An over-long frame is never accepted, whatever its kept bytes say; nor is
    // a scrap of noise too short to hold a function code, even when its last
    // two bytes happen to be the CRC of the first.
    ReceiveEvent event = ReceiveEvent::FrameDropped;
    if (!b.rxOverflowed && b.rxCount >= kShortestFrame &&
        frameCrcOk(b.rxBuffer.data(), b.rxCount)) {
        std::copy_n(b.rxBuffer.begin(), b.rxCount, b.replyFrame.begin());
        b.replyLength = b.rxCount;
        event = ReceiveEvent::FrameAccepted;
    }
    result.frameLength = b.rxCount;
    result.frameOverflowed = b.rxOverflowed;
    b.rxCount = 0;
    b.rxOverflowed = false;
    return event;
}

} // namespace

ReceiveResult receiveStep(LinkBuffers& b, SerialPort& port, unsigned frameGapTicks,
                          FrameEnd frameEnd) {
    ReceiveResult result;
    std::size_t waiting = port.bytesWaiting();
    if (waiting > 0) {
        result.event = ReceiveEvent::Bytes;
        // One reply per tick: the operation consumes it before another may land.
        bool mayComplete = frameEnd == FrameEnd::Completion;
        uint8_t chunk[256];
        while (waiting > 0) {
            const std::size_t got = port.read(chunk, std::min(waiting, sizeof chunk));
            if (got == 0) {
                break;
            }
            for (std::size_t i = 0; i < got; ++i) {
                if (b.rxCount < kFrameCapacity) {
                    b.rxBuffer[b.rxCount++] = chunk[i];
                } else if (!b.rxOverflowed) {
                    // One message per over-long frame, not one per lost byte.
                    result.overflowStarted = true;
                    b.rxOverflowed = true;
                }
                // Checked at every byte, so how the bytes were split into reads
                // never decides whether a reply is taken.
                if (mayComplete && !b.rxOverflowed &&
                    replyComplete(b.rxBuffer.data(), b.rxCount, b.sentLength)) {
                    result.event = endFrame(b, result);
                    mayComplete = false;
                }
            }
            waiting = got < std::min(waiting, sizeof chunk) ? 0 : port.bytesWaiting();
        }
        b.silenceTicks = 0;
        b.quietCount = 0;
        return result;
    }
    if (b.silenceTicks > frameGapTicks && b.rxCount != 0) {
        result.event = endFrame(b, result);
    }
    return result;
}

uint16_t DecodedReply::word(unsigned i) const {
    const std::size_t at = std::size_t{2} * i;
    return decodeUnsigned(data[at], data[at + 1]);
}

int32_t DecodedReply::signedWord(unsigned i) const {
    const std::size_t at = std::size_t{2} * i;
    return decodeSigned(data[at], data[at + 1]);
}

DecodedReply decodeReply(const uint8_t* frame, std::size_t length) {
    DecodedReply r;
    if (length < kShortestFrame) {
        return r;
    }
    r.address = frame[0];
    r.function = frame[1] & static_cast<uint8_t>(~kExceptionFlag);
    r.exception = (frame[1] & kExceptionFlag) != 0;
    if (r.exception) {
        // address + function + code + CRC (2)
        r.exceptionCode = length >= 5 ? frame[2] : 0;
        return r;
    }
    r.byteCount = frame[2];
    // address + function + byte count, then the words, then the CRC (2)
    if (length >= 5) {
        r.data = std::span<const uint8_t>(frame + 3, (length - 5) / 2 * 2);
    }
    // address + function + two words + CRC (2)
    const bool echoes = r.function == kWriteMultipleRegisters ||
                        r.function == kWriteSingleRegister || r.function == kDiagnostics;
    if (echoes && length >= 8) {
        r.echoed = true;
        r.echoFirst = decodeUnsigned(frame[2], frame[3]);
        r.echoSecond = decodeUnsigned(frame[4], frame[5]);
    }
    return r;
}

DecodedReply decodeReply(const LinkBuffers& b) {
    return decodeReply(b.replyFrame.data(), std::min<std::size_t>(b.replyLength, kFrameCapacity));
}

ReplyMatch matchReply(const uint8_t* request, std::size_t requestLength, const uint8_t* reply,
                      std::size_t replyLength) {
    if (requestLength < kShortestFrame || replyLength < kShortestFrame) {
        return ReplyMatch::Stray;
    }
    if (reply[0] != request[0]) {
        return ReplyMatch::Foreign;
    }
    const uint8_t function = request[1];
    if (reply[1] == (function | kExceptionFlag)) {
        // address + function + code + CRC (2)
        return replyLength == 5 ? ReplyMatch::Exception : ReplyMatch::Stray;
    }
    if (reply[1] != function) {
        return ReplyMatch::Stray;
    }
    const std::size_t expected = requestLength < 8 ? 0 : [&]() -> std::size_t {
        switch (function) {
        case kReadHoldingRegisters:
            // address + function + byte count + the words + CRC (2)
            return 5 + 2u * std::size_t{decodeUnsigned(request[4], request[5])};
        case kWriteSingleRegister:
        case kWriteMultipleRegisters:
        case kDiagnostics:
            // address + function + two echoed words + CRC (2)
            return 8;
        default:
            return 0;
        }
    }();
    if (expected == 0) {
        return ReplyMatch::Stray;
    }
    if (replyLength < expected) {
        return ReplyMatch::Short;
    }
    if (replyLength != expected) {
        return ReplyMatch::Stray;
    }
    if (function == kReadHoldingRegisters) {
        return reply[2] == expected - 5 ? ReplyMatch::Answer : ReplyMatch::Stray;
    }
    // Writes echo start and count (0x10) or register and value (0x06); the
    // echo test returns sub-function and data: bytes 2..5 as sent.
    return std::equal(reply + 2, reply + 6, request + 2) ? ReplyMatch::Answer : ReplyMatch::Stray;
}

namespace {

/// Whether `b.txFrame` must wait for the line to go quiet after an
/// unanswered request: a different request to the same drive does.
bool mustWaitForQuiet(const LinkBuffers& b) {
    if (!b.quietWanted || b.txFrame[0] != b.quietRequest[0]) {
        return false;
    }
    const bool same =
        b.txLength == b.quietLength &&
        std::equal(b.txFrame.begin(), b.txFrame.begin() + b.txLength, b.quietRequest.begin());
    return !same;
}

void dropWaitingInput(LinkBuffers& b, SerialPort& port) {
    uint8_t chunk[256];
    for (std::size_t waiting = port.bytesWaiting(); waiting > 0; waiting = port.bytesWaiting()) {
        if (port.read(chunk, std::min(waiting, sizeof chunk)) == 0) {
            break;
        }
    }
    b.rxCount = 0;
    b.rxOverflowed = false;
    b.replyLength = 0;
}

} // namespace

bool transmitStep(LinkBuffers& b, SerialPort& port, unsigned holdTicks) {
    if (b.txLength == 0) {
        return true;
    }
    if (mustWaitForQuiet(b)) {
        if (b.quietCount < b.quietTicks) {
            return true;
        }
        // A late answer to the old request must not answer this one.
        dropWaitingInput(b, port);
        b.quietWanted = false;
    }
    if (holdTicks > 0) {
        // The drives need the inter-frame silence to see the last frame end.
        if (b.silenceTicks < holdTicks) {
            return true;
        }
        // Bytes silent that long are a frame that ended unfinished; they are
        // not the answer to what goes out now.
        b.rxCount = 0;
        b.rxOverflowed = false;
    }
    const bool ok = port.write(b.txFrame.data(), b.txLength);
    // A frame that ended before the request went out is never its answer.
    b.replyLength = 0;
    b.sentLength = b.txLength;
    b.replyTicks = 0;
    b.txLength = 0;
    b.silenceTicks = 0;
    return ok;
}

} // namespace velkaro
