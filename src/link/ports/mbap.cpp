#include "link/ports/mbap.h"

#include <algorithm>

#include "link/protocol/frame_codec.h"

namespace velkaro {

namespace {
void putWord(uint8_t* at, uint16_t word) {
    at[0] = static_cast<uint8_t>(word >> 8);
    at[1] = static_cast<uint8_t>(word & 0xFF);
}
} // namespace

MbapHeader readMbapHeader(const uint8_t* adu) {
    return {decodeUnsigned(adu[0], adu[1]), decodeUnsigned(adu[2], adu[3]),
            decodeUnsigned(adu[4], adu[5]), adu[6]};
}

bool plausibleMbapHeader(const MbapHeader& header) {
    // The length counts the unit id and the PDU, which holds at least a function.
    return header.protocol == 0 && header.length >= 2 && header.length <= kMaxPduBytes + 1;
}

std::size_t rtuToMbap(const uint8_t* rtu, std::size_t length, uint16_t transaction, uint8_t* out,
                      std::size_t capacity) {
    if (length < kShortestFrame || length > kMaxRtuBytes || !frameCrcOk(rtu, length)) {
        return 0;
    }
    const std::size_t pdu = length - 3; // without address and CRC
    const std::size_t total = kMbapHeaderBytes + pdu;
    if (capacity < total) {
        return 0;
    }
    putWord(out, transaction);
    putWord(out + 2, 0);
    putWord(out + 4, static_cast<uint16_t>(pdu + 1));
    out[6] = rtu[0];
    std::copy_n(rtu + 1, pdu, out + kMbapHeaderBytes);
    return total;
}

std::size_t mbapToRtu(const uint8_t* adu, std::size_t length, uint8_t* out, std::size_t capacity) {
    if (length < kMbapHeaderBytes) {
        return 0;
    }
    const MbapHeader header = readMbapHeader(adu);
    if (!plausibleMbapHeader(header) || length != kMbapHeaderBytes - 1 + header.length) {
        return 0;
    }
    const std::size_t pdu = header.length - 1u;
    const std::size_t total = pdu + 3;
    if (capacity < total) {
        return 0;
    }
    out[0] = header.unit;
    std::copy_n(adu + kMbapHeaderBytes, pdu, out + 1);
    const auto crc = crc16(out, pdu + 1);
    out[pdu + 1] = crc[0];
    out[pdu + 2] = crc[1];
    return total;
}

bool isGatewayException(const uint8_t* adu, std::size_t length) {
    // header, function with the exception flag, exception code
    if (length < kMbapHeaderBytes + 2 || (adu[kMbapHeaderBytes] & kExceptionFlag) == 0) {
        return false;
    }
    const uint8_t code = adu[kMbapHeaderBytes + 1];
    return code == kGatewayPathUnavailable || code == kGatewayTargetFailed;
}

MbapStream::Step MbapStream::push(uint8_t byte) {
    if (m_whole) {
        m_whole = false;
        m_count = 0;
    }
    m_buffer[m_count++] = byte;
    if (m_count < kMbapHeaderBytes) {
        return Step::More;
    }
    const MbapHeader header = readMbapHeader(m_buffer.data());
    if (!plausibleMbapHeader(header)) {
        m_count = 0;
        return Step::Garbage;
    }
    if (m_count < kMbapHeaderBytes - 1 + header.length) {
        return Step::More;
    }
    m_whole = true;
    return Step::Whole;
}

} // namespace velkaro
