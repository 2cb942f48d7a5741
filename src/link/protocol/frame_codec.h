#pragma once

// link/protocol: the frames themselves. Building requests, the CRC, the end
// of a received frame (silence or expected length), matching a reply to the
// request it answers and decoding it, and the receive and transmit steps that
// move one frame between the link's buffers and a port. Functions over the
// buffers: no drive table, no scheduler.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace velkaro {

class SerialPort;

inline constexpr std::size_t kFrameCapacity = 128;
/// Address, function and the two CRC bytes: nothing shorter is an RTU frame.
inline constexpr std::size_t kShortestFrame = 4;
/// The control-block write: 7 header bytes, ten words, the CRC.
inline constexpr std::size_t kControlBlockFrameBytes = 29;

// Function codes, named once: the station sends 0x03, 0x08 and 0x10.
inline constexpr uint8_t kReadHoldingRegisters = 0x03;
inline constexpr uint8_t kWriteSingleRegister = 0x06;
inline constexpr uint8_t kDiagnostics = 0x08;
inline constexpr uint8_t kWriteMultipleRegisters = 0x10;
/// Set in the function byte of an exception reply.
inline constexpr uint8_t kExceptionFlag = 0x80;

// Exception codes the station tells apart.
inline constexpr uint8_t kIllegalDataAddress = 0x02; ///< tells the series apart
inline constexpr uint8_t kServerDeviceFailure =
    0x04; ///< an import chunk so answered counts as written

/// Modbus RTU CRC-16 (poly 0xA001, start 0xFFFF) as the two bytes sent on the
/// wire: [0] = low byte (sent first), [1] = high byte.
std::array<uint8_t, 2> crc16(const uint8_t* data, std::size_t length);
/// True when the CRC over the whole frame, its own two CRC bytes included, is 0.
bool frameCrcOk(const uint8_t* frame, std::size_t length);

/// The link's one transmit buffer, one receive buffer and one reply buffer.
struct LinkBuffers {
    std::array<uint8_t, kFrameCapacity> txFrame{};
    unsigned txLength = 0;
    std::array<uint8_t, kFrameCapacity> rxBuffer{};
    unsigned rxCount = 0;
    bool rxOverflowed = false; ///< the frame being received lost bytes beyond 128
    std::array<uint8_t, kFrameCapacity> replyFrame{};
    unsigned replyLength = 0;
    unsigned silenceTicks = 0;
    unsigned replyTicks = 0;
    /// Length of the request last handed to the port: an echo reply is as long.
    unsigned sentLength = 0;

    /// After a request went unanswered its reply may still come, late: the
    /// next different request to the same drive waits until the line has been
    /// quiet for `quietTicks` since the timeout (`quietCount`: ticks since the
    /// timeout or the last byte received), and what arrived meanwhile is dropped.
    bool quietWanted = false;
    unsigned quietTicks = 0;
    unsigned quietCount = 0;
    unsigned quietLength = 0;
    std::array<uint8_t, kFrameCapacity> quietRequest{};
};

// Request builders: fill txFrame, set txLength, zero replyTicks and replyLength.
// They never send; the transmit step does.

/// Read holding registers (0x03), 8 bytes.
void buildReadHolding(LinkBuffers& b, uint8_t address, uint16_t reg, uint8_t count);
/// Write multiple registers (0x10), 9 + 2n bytes; `count` at most 50.
void buildWriteMultiple(LinkBuffers& b, uint8_t address, uint16_t reg, const uint16_t* words,
                        uint8_t count);
/// The 29-byte control-block write: header says 4 registers and 8 bytes at
/// 0x3200, then all ten words of the block.
void buildControlBlockWrite(LinkBuffers& b, uint8_t address, const std::array<int32_t, 10>& words);
/// Echo test (0x08, sub-function 0, data 0x37DA), 8 bytes.
void buildEchoTest(LinkBuffers& b, uint8_t address);

/// How the receive step finds the end of a reply. Silence: more than
/// `frameGapTicks` silent ticks. Completion: as soon as the bytes so far are a
/// whole reply by its own header and pass the CRC; any other frame still ends
/// by silence.
enum class FrameEnd { Silence, Completion };

/// Length of the reply that starts with `count` received bytes, from its own
/// header: 0x03 five plus its byte count, 0x06 and 0x10 eight, 0x08 as long as
/// the request it answers (`requestLength`), an exception five. 0 while the
/// header is not in yet, or for a function whose length it cannot tell.
std::size_t expectedReplyLength(const uint8_t* frame, std::size_t count, unsigned requestLength);
/// True when the `count` bytes received are exactly a whole reply by its
/// header and pass the CRC: the frame may end now, without waiting for silence.
bool replyComplete(const uint8_t* frame, std::size_t count, unsigned requestLength);

enum class ReceiveEvent {
    Nothing,       ///< no bytes and no frame end this tick
    Bytes,         ///< bytes appended
    FrameAccepted, ///< a frame ended and passed its CRC: replyFrame/replyLength set
    FrameDropped,  ///< a frame ended and failed its CRC
};

struct ReceiveResult {
    ReceiveEvent event = ReceiveEvent::Nothing;
    /// True once per over-long frame: the first byte beyond 128 was dropped.
    bool overflowStarted = false;
    /// The frame that ended (accepted or dropped): its bytes kept in
    /// rxBuffer, and whether bytes beyond them were lost.
    unsigned frameLength = 0;
    bool frameOverflowed = false;
};

/// First step of a tick while the link is open: append waiting bytes, or end
/// the frame after strictly more than `frameGapTicks` silent ticks. With
/// FrameEnd::Completion a reply also ends at the byte that completes it (one
/// per tick; the bytes after it start the next frame).
ReceiveResult receiveStep(LinkBuffers& b, SerialPort& port, unsigned frameGapTicks,
                          FrameEnd frameEnd = FrameEnd::Silence);
/// Last step of a tick: hand txLength bytes to the port, zero replyTicks,
/// txLength and silenceTicks. A request waits while fewer than `holdTicks`
/// silent ticks have passed since the last byte on the line; when it goes out
/// after a hold, bytes still gathered are a dead frame and are dropped.
/// Returns false if the port refused the block.
bool transmitStep(LinkBuffers& b, SerialPort& port, unsigned holdTicks = 0);

/// A reply that passed its CRC, taken apart once. Only what the frame really
/// holds is filled in; the operations decide what they accept.
struct DecodedReply {
    uint8_t address = 0;
    uint8_t function = 0; ///< function code without the exception flag
    bool exception = false;
    uint8_t exceptionCode = 0; ///< 0 unless an exception reply long enough to carry one
    uint8_t byteCount = 0;     ///< byte 2 of a normal reply, as a read reply declares it
    /// The whole words of a normal reply between the byte-count position and
    /// the CRC (what a read reply carries); empty for an exception.
    std::span<const uint8_t> data;
    /// A write or diagnostics reply long enough to echo its two request words.
    bool echoed = false;
    uint16_t echoFirst = 0;  ///< 0x10: start register; 0x06: register; 0x08: sub-function
    uint16_t echoSecond = 0; ///< 0x10: register count; 0x06: value; 0x08: data

    /// A normal reply of function `code`.
    bool is(uint8_t code) const { return !exception && function == code; }
    unsigned words() const { return static_cast<unsigned>(data.size() / 2); }
    /// Word `i` of data, unsigned and sign-extended; i below words().
    uint16_t word(unsigned i) const;
    int32_t signedWord(unsigned i) const;
};

/// What a received frame is to the request that went out.
enum class ReplyMatch {
    Answer,    ///< the normal reply this request asks for, whole
    Exception, ///< the drive's exception reply to this request's function
    Foreign,   ///< from another address
    Short,     ///< from the drive, of the request's function, but shorter than asked
    Stray,     ///< from the drive, but not an answer to this request
};
/// Checks a CRC-checked reply against the request it would answer: address,
/// function or its exception, and the byte count (0x03), the echoed start
/// and count (0x06, 0x10) or the echoed bytes (0x08), and the length those
/// imply. The one place that decides whether a reply answers a request.
ReplyMatch matchReply(const uint8_t* request, std::size_t requestLength, const uint8_t* reply,
                      std::size_t replyLength);

/// Takes apart `length` bytes of an accepted frame (address, function, body,
/// CRC). Never reads beyond `length`.
DecodedReply decodeReply(const uint8_t* frame, std::size_t length);
/// The reply waiting in replyFrame; all fields empty when there is none.
DecodedReply decodeReply(const LinkBuffers& b);

/// Big-endian word, sign-extended (status and control words).
constexpr int32_t decodeSigned(uint8_t high, uint8_t low) {
    return static_cast<int32_t>(static_cast<int16_t>(static_cast<uint16_t>((high << 8) | low)));
}
/// Big-endian word, unsigned (rating word, group values).
constexpr uint16_t decodeUnsigned(uint8_t high, uint8_t low) {
    return static_cast<uint16_t>((high << 8) | low);
}

} // namespace velkaro
