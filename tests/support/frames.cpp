#include "support/frames.h"

#include <cstdlib>
#include <string>

#include "sim/memory_transport.h"
#include "sim/simulated_drive.h"

namespace velkaro::testing {

namespace {

void appendWord(Bytes& bytes, uint16_t word) {
    bytes.push_back(static_cast<uint8_t>(word >> 8));
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
}

} // namespace

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
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<uint8_t>(crc >> 8));
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
    Bytes frame{address, 0x10};
    appendWord(frame, reg);
    appendWord(frame, static_cast<uint16_t>(words.size()));
    frame.push_back(static_cast<uint8_t>(words.size() * 2));
    for (uint16_t word : words) {
        appendWord(frame, word);
    }
    return withCrc(std::move(frame));
}

Bytes readReply(uint8_t address, const std::vector<uint16_t>& words) {
    Bytes reply{address, 0x03, static_cast<uint8_t>(2 * words.size())};
    for (uint16_t word : words) {
        appendWord(reply, word);
    }
    return withCrc(std::move(reply));
}

std::vector<uint16_t> replyWords(const Bytes& reply) {
    std::vector<uint16_t> words;
    if (reply.size() < 5 || reply[1] != 0x03) {
        return words;
    }
    for (std::size_t i = 0; i < reply[2] / 2u && 4 + 2 * i < reply.size(); ++i) {
        words.push_back(static_cast<uint16_t>((reply[3 + 2 * i] << 8) | reply[4 + 2 * i]));
    }
    return words;
}

std::optional<Bytes> ask(sim::SimulatedDrive& drive, const Bytes& request) {
    return drive.serve(request.data(), request.size());
}

Exchange roundTrip(sim::MemoryTransport& port, const Bytes& request, int quietTicks, int maxTicks) {
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

} // namespace velkaro::testing
