// RTU frames to Modbus TCP and back, byte for byte, on the protocol's own
// examples (server 0x11, transaction 0x0001), and the stream cut into ADUs.

#include "link/mbap.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace velkaro {
namespace {

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

TEST(Mbap, TransactionIdAndTheStationsOwnFrameShapesPassAsTheyAre) {
    // The status read of drive 3 with a high transaction id, and the 29-byte
    // control-block write whose header says fewer words than follow.
    EXPECT_EQ(wrap(hex("03 03 32 10 00 10 4A 99"), 0xBEEF),
              hex("BE EF 00 00 00 06 03 03 32 10 00 10"));
    // Unit 5, then the 26 bytes of function, header and ten words: length 27.
    Bytes mbap = hex("00 07 00 00 00 1B 05 10 32 00 00 04 08");
    for (int i = 0; i < 20; ++i) {
        mbap.push_back(static_cast<uint8_t>(i));
    }
    const Bytes back = unwrap(mbap);
    ASSERT_EQ(back.size(), 29u);
    EXPECT_EQ(wrap(back, 7), mbap);
}

TEST(Mbap, RefusesWhatIsNoFrame) {
    const char* rtu[] = {
        "11 03 00 6B 00 03 76 88", // CRC off by one
        "11 83 C1",                // shorter than address, function and CRC
    };
    for (const char* r : rtu) {
        EXPECT_TRUE(wrap(hex(r), 1).empty()) << r;
    }
    const char* mbap[] = {
        "00 01 00 01 00 06 11 03 00 6B 00 03",    // protocol id not 0
        "00 01 00 00 00 07 11 03 00 6B 00 03",    // length says one byte more
        "00 01 00 00 00 05 11 03 00 6B 00 03",    // length says one byte less
        "00 01 00 00 00 01 11",                   // a unit id and no function
        "00 01 00 00",                            // a header cut short
        "00 01 00 00 00 FF 11 03 00 6B 00 03 00", // beyond the longest PDU
    };
    for (const char* m : mbap) {
        EXPECT_TRUE(unwrap(hex(m)).empty()) << m;
    }
}

TEST(Mbap, GatewayExceptionsAreToldApartFromTheDrives) {
    EXPECT_TRUE(isGatewayException(hex("00 01 00 00 00 03 11 83 0A").data(), 9));
    EXPECT_TRUE(isGatewayException(hex("00 01 00 00 00 03 11 90 0B").data(), 9));
    EXPECT_FALSE(isGatewayException(hex("00 01 00 00 00 03 11 83 02").data(), 9));
    EXPECT_FALSE(isGatewayException(hex("00 01 00 00 00 03 11 03 0B").data(), 9));
}

TEST(MbapStream, CutsAnswersWhereverTheReadsSplitThem) {
    const Bytes first = hex("00 01 00 00 00 09 11 03 06 02 2B 00 00 00 64");
    const Bytes second = hex("00 02 00 00 00 03 11 83 02");
    Bytes stream = first;
    stream.insert(stream.end(), second.begin(), second.end());
    MbapStream cutter;
    std::vector<Bytes> whole;
    for (uint8_t byte : stream) {
        if (cutter.push(byte) == MbapStream::Step::Whole) {
            whole.emplace_back(cutter.frame(), cutter.frame() + cutter.length());
        }
    }
    EXPECT_EQ(whole, (std::vector<Bytes>{first, second}));
    EXPECT_EQ(cutter.pending(), 0u);

    // A header no server sends: everything gathered is dropped at once.
    MbapStream garbage;
    const Bytes noise = hex("47 45 54 20 2F 20 48");
    MbapStream::Step last = MbapStream::Step::More;
    for (uint8_t byte : noise) {
        last = garbage.push(byte);
    }
    EXPECT_EQ(last, MbapStream::Step::Garbage);
    EXPECT_EQ(garbage.pending(), 0u);
}

} // namespace
} // namespace velkaro
