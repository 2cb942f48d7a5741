// Bytes from a Modbus TCP peer, cut into ADUs and unwrapped as the gateway
// port does. Beyond "no crash" it checks that:
//  - a whole ADU is exactly as long as its header says, and a corrupt header
//    leaves nothing gathered;
//  - an unwrapped frame carries the unit id as address, the PDU unchanged and
//    a CRC that checks, and wraps back to the very same ADU;
//  - a frame too short or failing its CRC is never wrapped.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/ports/mbap.h"
#include "link/protocol/frame_codec.h"

namespace {

using namespace velkaro;

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "mbap_unwrap_fuzz: %s\n", what);
        std::abort();
    }
}

void checkUnwrapped(const uint8_t* adu, std::size_t length) {
    std::vector<uint8_t> rtu(kMaxRtuBytes);
    const std::size_t size = mbapToRtu(adu, length, rtu.data(), rtu.size());
    if (size == 0) {
        return;
    }
    const MbapHeader header = readMbapHeader(adu);
    check(size == header.length + 2u, "frame length is not unit + PDU + CRC");
    check(rtu[0] == header.unit, "address is not the unit id");
    for (std::size_t i = 1; i + 2 < size; ++i) {
        check(rtu[i] == adu[kMbapHeaderBytes + i - 1], "PDU changed on the way");
    }
    check(frameCrcOk(rtu.data(), size), "unwrapped frame fails its CRC");
    std::vector<uint8_t> again(kMaxAduBytes);
    const std::size_t wrapped =
        rtuToMbap(rtu.data(), size, header.transaction, again.data(), again.size());
    check(wrapped == length, "wrapping back changed the length");
    for (std::size_t i = 0; i < length; ++i) {
        check(again[i] == adu[i], "wrapping back changed a byte");
    }
    (void)isGatewayException(adu, length);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    MbapStream stream;
    for (std::size_t i = 0; i < size; ++i) {
        switch (stream.push(data[i])) {
        case MbapStream::Step::Whole: {
            const MbapHeader header = readMbapHeader(stream.frame());
            check(stream.length() == kMbapHeaderBytes - 1 + header.length,
                  "ADU length differs from its header");
            // An exact-size copy, so AddressSanitizer sees any read past it.
            const std::vector<uint8_t> adu(stream.frame(), stream.frame() + stream.length());
            checkUnwrapped(adu.data(), adu.size());
            check(stream.pending() == 0, "a whole ADU left bytes pending");
            break;
        }
        case MbapStream::Step::Garbage:
            check(stream.pending() == 0, "a corrupt header left bytes gathered");
            break;
        case MbapStream::Step::More:
            check(stream.pending() > 0 && stream.pending() < kMaxAduBytes, "gathered out of range");
            break;
        }
    }
    // The input taken as one frame each way.
    const std::vector<uint8_t> whole(data, data + size);
    checkUnwrapped(whole.data(), whole.size());
    std::vector<uint8_t> adu(kMaxAduBytes);
    if (rtuToMbap(whole.data(), whole.size(), 1, adu.data(), adu.size()) != 0) {
        check(size >= kShortestFrame && frameCrcOk(whole.data(), size), "wrapped a broken frame");
    }
    return 0;
}
