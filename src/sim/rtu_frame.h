#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkaro::sim {

// The simulator keeps its own CRC so that a fault in the station's codec can
// never be mirrored by the drives it is tested against.

/// Modbus RTU CRC-16 (reflected polynomial 0xA001, start 0xFFFF).
uint16_t rtuCrc(const uint8_t* data, std::size_t length);
/// Appends the CRC of `frame`, low byte first.
void appendCrc(std::vector<uint8_t>& frame);
/// True for a frame of at least 4 bytes whose last two bytes are its CRC.
bool rtuCrcOk(const uint8_t* frame, std::size_t length);
/// Big-endian word at `at`.
inline uint16_t wordAt(const uint8_t* data, std::size_t at) {
    return static_cast<uint16_t>((data[at] << 8) | data[at + 1]);
}
inline void appendWord(std::vector<uint8_t>& frame, uint16_t word) {
    frame.push_back(static_cast<uint8_t>(word >> 8));
    frame.push_back(static_cast<uint8_t>(word & 0xFF));
}
/// `address`, function | 0x80, `code`, CRC.
std::vector<uint8_t> exceptionFrame(uint8_t address, uint8_t function, uint8_t code);

} // namespace velkaro::sim
