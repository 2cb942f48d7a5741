#include "sim/line_settings.h"

#include <algorithm>

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

} // namespace velkaro::sim
