#include "sim/line_settings.h"

#include <algorithm>
#include <numeric>

namespace velkaro::sim {

int bitsPerCharacter(const LineSettings& line) {
    return 1 + line.dataBits + (line.parity == 'N' ? 0 : 1) + line.stopBits;
}

uint64_t charactersTimeUs(const LineSettings& line, uint64_t count) {
    const uint64_t baud = static_cast<uint64_t>(std::max(line.baud, 1));
    const uint64_t bits = count * static_cast<uint64_t>(bitsPerCharacter(line));
    return (bits * 1000000 + baud - 1) / baud;
}

uint64_t frameSilenceUs(const LineSettings& line) {
    if (line.baud > 19200) {
        return 1750;
    }
    // 3.5 characters = 7 half characters.
    return (charactersTimeUs(line, 7) + 1) / 2;
}

namespace {

/// The line of `count` characters at one bit per `bitUnits` time units.
struct SentLine {
    const uint8_t* bytes;
    std::size_t count;
    uint64_t bitUnits;

    int level(uint64_t t) const {
        const uint64_t bit = t / bitUnits;
        if (bit >= 10 * count) {
            return 1; // idle
        }
        const uint64_t position = bit % 10;
        if (position == 0) {
            return 0; // start bit
        }
        if (position == 9) {
            return 1; // stop bit
        }
        return (bytes[bit / 10] >> (position - 1)) & 1;
    }
    /// The next time the level may change: the next bit boundary.
    uint64_t nextEdge(uint64_t t) const { return (t / bitUnits + 1) * bitUnits; }
};

} // namespace

std::vector<uint8_t> heardAtBaud(const uint8_t* bytes, std::size_t count, int senderBaud,
                                 int listenerBaud) {
    std::vector<uint8_t> heard;
    if (senderBaud <= 0 || listenerBaud <= 0) {
        return heard;
    }
    // Time in units of which both bit times are whole, even numbers, so the
    // middle of a listener's bit falls on a unit.
    const auto g = static_cast<uint64_t>(std::gcd(senderBaud, listenerBaud));
    const SentLine line{bytes, count, 2 * static_cast<uint64_t>(listenerBaud) / g};
    const uint64_t listenBit = 2 * static_cast<uint64_t>(senderBaud) / g;
    const uint64_t end = line.bitUnits * 10 * count;
    uint64_t t = 0;
    while (t < end) {
        if (line.level(t) == 1) {
            t = line.nextEdge(t);
            continue;
        }
        // A falling edge: a start bit that must still be low at its middle.
        if (line.level(t + listenBit / 2) != 0) {
            t += listenBit / 2;
            continue;
        }
        uint8_t value = 0;
        for (unsigned k = 0; k < 8; ++k) {
            value |= static_cast<uint8_t>(line.level(t + listenBit * (k + 1) + listenBit / 2) << k);
        }
        const uint64_t stop = t + listenBit * 9 + listenBit / 2;
        if (line.level(stop) == 1) {
            heard.push_back(value);
        }
        t = stop;
    }
    return heard;
}

} // namespace velkaro::sim
