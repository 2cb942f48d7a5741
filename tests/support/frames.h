#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace velkaro::sim {
class MemoryTransport;
class SimulatedDrive;
} // namespace velkaro::sim

namespace velkaro::testing {

using Bytes = std::vector<uint8_t>;

/// "01 08 00 00" -> bytes.
Bytes hex(std::string_view text);
/// The bytes with their RTU CRC appended, low byte first. The CRC is worked
/// out here, apart from the station's and the simulator's own.
Bytes withCrc(Bytes bytes);
Bytes withCrc(std::initializer_list<int> bytes);
/// Read holding registers request (0x03).
Bytes readRequest(uint8_t address, uint16_t reg, uint16_t count);
/// Write multiple registers request (0x10).
Bytes writeRequest(uint8_t address, uint16_t reg, const std::vector<uint16_t>& words);
/// A normal 0x03 reply carrying `words`.
Bytes readReply(uint8_t address, const std::vector<uint16_t>& words);
/// Register words of a normal 0x03 reply; none for anything else.
std::vector<uint16_t> replyWords(const Bytes& reply);

/// Hands `request` straight to the drive.
std::optional<Bytes> ask(sim::SimulatedDrive& drive, const Bytes& request);

/// What the station saw of one request on the simulated wire.
struct Exchange {
    Bytes reply;
    std::vector<uint64_t> arrivalUs; ///< tick time each byte was first seen
};
/// Writes `request`, then ticks until `quietTicks` silent ticks after the last
/// byte (or `maxTicks`), collecting what arrives.
Exchange roundTrip(sim::MemoryTransport& port, const Bytes& request, int quietTicks = 20,
                   int maxTicks = 500);

} // namespace velkaro::testing
