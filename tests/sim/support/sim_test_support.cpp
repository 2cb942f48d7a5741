#include "sim/support/sim_test_support.h"

#include <cstdlib>
#include <string>

#include "sim/rtu_frame.h"

namespace velkaro::sim::testing {

Bytes hex(std::string_view text) {
    Bytes bytes;
    std::string digits;
    for (char c : text) {
        if (c != ' ') {
            digits.push_back(c);
        }
    }
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(
            static_cast<uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

Bytes withCrc(Bytes bytes) {
    appendCrc(bytes);
    return bytes;
}

Bytes withCrc(std::initializer_list<int> bytes) {
    Bytes frame;
    for (int b : bytes) {
        frame.push_back(static_cast<uint8_t>(b));
    }
    return withCrc(std::move(frame));
}

Bytes readRequest(uint8_t address, uint16_t reg, uint16_t count) {
    return withCrc({address, 0x03, reg >> 8, reg & 0xFF, count >> 8, count & 0xFF});
}

Bytes writeRequest(uint8_t address, uint16_t reg, const std::vector<uint16_t>& words) {
    Bytes frame{address,
                0x10,
                static_cast<uint8_t>(reg >> 8),
                static_cast<uint8_t>(reg & 0xFF),
                static_cast<uint8_t>(words.size() >> 8),
                static_cast<uint8_t>(words.size() & 0xFF),
                static_cast<uint8_t>(words.size() * 2)};
    for (uint16_t word : words) {
        appendWord(frame, word);
    }
    return withCrc(std::move(frame));
}

std::optional<Bytes> ask(SimulatedDrive& drive, const Bytes& request) {
    return drive.serve(request.data(), request.size());
}

std::vector<uint16_t> replyWords(const Bytes& reply) {
    std::vector<uint16_t> words;
    if (reply.size() < 5 || reply[1] != 0x03) {
        return words;
    }
    for (std::size_t i = 0; i < reply[2] / 2u && 4 + 2 * i < reply.size(); ++i) {
        words.push_back(wordAt(reply.data(), 3 + 2 * i));
    }
    return words;
}

Exchange roundTrip(MemoryTransport& port, const Bytes& request, int quietTicks, int maxTicks) {
    Exchange seen;
    port.write(request.data(), request.size());
    int quiet = 0;
    for (int tick = 0; tick < maxTicks; ++tick) {
        port.advanceTick();
        uint8_t buffer[256];
        const std::size_t got = port.read(buffer, sizeof buffer);
        for (std::size_t i = 0; i < got; ++i) {
            seen.reply.push_back(buffer[i]);
            seen.arrivalUs.push_back(port.nowUs());
        }
        quiet = got > 0 ? 0 : quiet + 1;
        if (!seen.reply.empty() && quiet > quietTicks) {
            break;
        }
    }
    return seen;
}

} // namespace velkaro::sim::testing
