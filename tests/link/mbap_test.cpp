// RTU frames to Modbus TCP and back, byte for byte, on the protocol's own
// examples (server 0x11, transaction 0x0001).

#include "link/ports/mbap.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using Bytes = std::vector<uint8_t>;

Bytes hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    for (std::string pair; in >> pair;) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    }
    return bytes;
}

Bytes wrap(const Bytes& rtu, uint16_t transaction) {
    Bytes adu(kMaxAduBytes);
    adu.resize(rtuToMbap(rtu.data(), rtu.size(), transaction, adu.data(), adu.size()));
    return adu;
}

Bytes unwrap(const Bytes& adu) {
    Bytes rtu(kMaxRtuBytes);
    rtu.resize(mbapToRtu(adu.data(), adu.size(), rtu.data(), rtu.size()));
    return rtu;
}

struct Example {
    const char* name;
    const char* rtu;  ///< address, PDU, CRC low, CRC high
    const char* mbap; ///< transaction, protocol, length, unit, PDU
};

const Example kExamples[] = {
    {"ReadHoldingRequest", "11 03 00 6B 00 03 76 87", "00 01 00 00 00 06 11 03 00 6B 00 03"},
    {"ReadHoldingResponse", "11 03 06 02 2B 00 00 00 64 C8 BA",
     "00 01 00 00 00 09 11 03 06 02 2B 00 00 00 64"},
    {"WriteMultipleRequest", "11 10 00 01 00 02 04 00 0A 01 02 C6 F0",
     "00 01 00 00 00 0B 11 10 00 01 00 02 04 00 0A 01 02"},
    {"WriteMultipleResponse", "11 10 00 01 00 02 12 98", "00 01 00 00 00 06 11 10 00 01 00 02"},
    {"ExceptionResponse", "11 83 02 C1 34", "00 01 00 00 00 03 11 83 02"},
    {"DiagnosticsEcho", "11 08 00 00 A5 37 D8 1D", "00 01 00 00 00 06 11 08 00 00 A5 37"},
};

TEST(Mbap, ExamplesWrapAndUnwrapByteForByte) {
    for (const Example& e : kExamples) {
        EXPECT_EQ(wrap(hex(e.rtu), 0x0001), hex(e.mbap)) << e.name;
        EXPECT_EQ(unwrap(hex(e.mbap)), hex(e.rtu)) << e.name;
    }
}

TEST(Mbap, TheControlBlockWritePassesAsItIs) {
    // Its header says fewer words than follow. Unit 5, then the 26 bytes of
    // function, header and ten words: length 27.
    Bytes mbap = hex("00 07 00 00 00 1B 05 10 32 00 00 04 08");
    for (int i = 0; i < 20; ++i) {
        mbap.push_back(static_cast<uint8_t>(i));
    }
    const Bytes back = unwrap(mbap);
    ASSERT_EQ(back.size(), 29u);
    EXPECT_EQ(wrap(back, 7), mbap);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
