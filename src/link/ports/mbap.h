#pragma once

// Modbus TCP application data units (ADU): the MBAP header (transaction id,
// protocol id 0, length of what follows, unit id) and the PDU (function and
// data). An RTU frame is the same PDU between the drive address and the CRC.

#include <array>
#include <cstddef>
#include <cstdint>

namespace velkaro {

inline constexpr std::size_t kMbapHeaderBytes = 7;
/// The PDU of a Modbus frame is at most 253 bytes.
inline constexpr std::size_t kMaxPduBytes = 253;
inline constexpr std::size_t kMaxAduBytes = kMbapHeaderBytes + kMaxPduBytes;
/// Address + PDU + CRC.
inline constexpr std::size_t kMaxRtuBytes = kMaxPduBytes + 3;

// Exception codes a gateway answers for the drive behind it.
inline constexpr uint8_t kGatewayPathUnavailable = 0x0A;
inline constexpr uint8_t kGatewayTargetFailed = 0x0B;

struct MbapHeader {
    uint16_t transaction = 0;
    uint16_t protocol = 0;
    uint16_t length = 0; ///< unit id + PDU
    uint8_t unit = 0;
};

/// The header at the start of `adu` (at least kMbapHeaderBytes).
MbapHeader readMbapHeader(const uint8_t* adu);
/// A header that can start an ADU: protocol 0 and a PDU of 1..253 bytes.
bool plausibleMbapHeader(const MbapHeader& header);

/// Wraps an RTU frame (address, PDU, CRC) as an ADU with `transaction` and the
/// address as unit id. Returns the ADU's length, or 0 when the frame is shorter
/// than an address, a function and a CRC, fails its CRC, or `capacity` is short.
std::size_t rtuToMbap(const uint8_t* rtu, std::size_t length, uint16_t transaction, uint8_t* out,
                      std::size_t capacity);
/// Unwraps a whole ADU into an RTU frame: the unit id as address, the PDU, a
/// fresh CRC. Returns the frame's length, or 0 when the ADU is not one whole
/// plausible unit or `capacity` is short.
std::size_t mbapToRtu(const uint8_t* adu, std::size_t length, uint8_t* out, std::size_t capacity);

/// True for an ADU whose PDU is an exception saying the gateway got no answer
/// from the drive (0x0A path unavailable, 0x0B target failed to respond).
bool isGatewayException(const uint8_t* adu, std::size_t length);

/// Cuts a TCP byte stream into ADUs, one byte at a time, in a fixed buffer.
class MbapStream {
public:
    enum class Step {
        More,    ///< the ADU is not complete yet
        Whole,   ///< an ADU is complete: frame() and length() until the next push
        Garbage, ///< the bytes cannot start an ADU; everything gathered was dropped
    };
    Step push(uint8_t byte);
    /// Drops a partly received ADU.
    void clear() {
        m_count = 0;
        m_whole = false;
    }
    const uint8_t* frame() const { return m_buffer.data(); }
    std::size_t length() const { return m_count; }
    /// Bytes of an ADU still being gathered (0 right after a whole one).
    std::size_t pending() const { return m_whole ? 0 : m_count; }

private:
    std::array<uint8_t, kMaxAduBytes> m_buffer{};
    std::size_t m_count = 0;
    bool m_whole = false;
};

} // namespace velkaro
