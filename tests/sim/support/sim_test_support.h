#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/memory_transport.h"
#include "sim/simulated_drive.h"

namespace velkaro::sim::testing {

using Bytes = std::vector<uint8_t>;

/// "01 08 00 00" -> bytes.
Bytes hex(std::string_view text);
/// The bytes with their RTU CRC appended, low byte first.
Bytes withCrc(std::initializer_list<int> bytes);
Bytes withCrc(Bytes bytes);
/// Read holding registers request.
Bytes readRequest(uint8_t address, uint16_t reg, uint16_t count);
/// Write multiple registers request.
Bytes writeRequest(uint8_t address, uint16_t reg, const std::vector<uint16_t>& words);

/// Hands `request` straight to the drive.
std::optional<Bytes> ask(SimulatedDrive& drive, const Bytes& request);
/// Register words of a normal 0x03 reply.
std::vector<uint16_t> replyWords(const Bytes& reply);

/// What the station saw of one request on the simulated wire.
struct Exchange {
    Bytes reply;
    std::vector<uint64_t> arrivalUs; ///< tick time each byte was first seen
};
/// Writes `request`, then ticks until `quietTicks` silent ticks after the last
/// byte (or `maxTicks`), collecting what arrives.
Exchange roundTrip(MemoryTransport& port, const Bytes& request, int quietTicks = 20,
                   int maxTicks = 500);

} // namespace velkaro::sim::testing
