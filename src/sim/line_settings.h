#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkaro::sim {

/// Character format of the bus. Parity is 'N', 'E' or 'O'.
struct LineSettings {
    int baud = 9600;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;

    bool operator==(const LineSettings&) const = default;
};

/// Bits one character occupies on the wire: start + data + parity + stop.
int bitsPerCharacter(const LineSettings& line);
/// Microseconds from the start of a character's first bit to the end of the
/// `count`-th character when `count` characters follow back to back (rounded
/// up, without accumulating rounding over a long frame).
uint64_t charactersTimeUs(const LineSettings& line, uint64_t count);
/// Silence that ends an RTU frame: 3.5 character times, and a fixed 1750 us
/// above 19200 baud as drives do.
uint64_t frameSilenceUs(const LineSettings& line);

/// What a receiver at `listenerBaud` makes of `count` characters sent back to
/// back at `senderBaud` (start bit, 8 data bits, stop bit, the line idle
/// after): it starts a character at each falling edge, samples the middle of
/// each bit time, and drops a character whose stop bit reads 0. At equal
/// rates the bytes come back unchanged; otherwise mostly garbage.
std::vector<uint8_t> heardAtBaud(const uint8_t* bytes, std::size_t count, int senderBaud,
                                 int listenerBaud);

} // namespace velkaro::sim
