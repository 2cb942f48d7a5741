#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velkaro {

class SerialPort;

inline constexpr std::size_t kFrameCapacity = 128;
/// Address, function and the two CRC bytes: nothing shorter is an RTU frame.
inline constexpr std::size_t kShortestFrame = 4;
/// The control-block write: 7 header bytes, ten words, the CRC.
inline constexpr std::size_t kControlBlockFrameBytes = 29;

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
};

/// First step of a tick while the link is open: append waiting bytes, or end
/// the frame after strictly more than `frameGapTicks` silent ticks.
ReceiveResult receiveStep(LinkBuffers& b, SerialPort& port, unsigned frameGapTicks);
/// Last step of a tick: hand txLength bytes to the port, zero replyTicks,
/// txLength and silenceTicks. Returns false if the port refused the block.
bool transmitStep(LinkBuffers& b, SerialPort& port);

/// Big-endian word, sign-extended (status and control words).
constexpr int32_t decodeSigned(uint8_t high, uint8_t low) {
    return static_cast<int32_t>(static_cast<int16_t>(static_cast<uint16_t>((high << 8) | low)));
}
/// Big-endian word, unsigned (rating word, group values).
constexpr uint16_t decodeUnsigned(uint8_t high, uint8_t low) {
    return static_cast<uint16_t>((high << 8) | low);
}

} // namespace velkaro
