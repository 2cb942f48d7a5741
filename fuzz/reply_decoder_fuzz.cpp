// Arbitrary bytes taken apart as an accepted reply. Beyond "no crash" (the
// frame is copied to a buffer of its exact size, so AddressSanitizer sees any
// read past it) it checks that the decoder fills in only what the bytes hold:
//  - an exception carries no words and no echo, and its code only when the
//    frame reaches it;
//  - a normal reply's words start after the byte count, never reach into the
//    CRC, and leave out at most one odd byte;
//  - only write and diagnostics replies long enough to hold both words echo;
//  - the reply check takes a frame as the answer to a request only when it
//    is exactly that answer: the request's address and function, a read's
//    declared and real length, a write's or echo test's echoed words.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/protocol/frame_codec.h"

namespace {

using namespace velkaro;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "reply_decoder_fuzz: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) {
        fail(what);
    }
}

} // namespace

/// Requests the station sends, addressed to `address`.
std::vector<std::vector<uint8_t>> requestsTo(uint8_t address) {
    std::vector<std::vector<uint8_t>> out;
    LinkBuffers b;
    const auto take = [&] { out.emplace_back(b.txFrame.begin(), b.txFrame.begin() + b.txLength); };
    buildReadHolding(b, address, 0x3210, 16);
    take();
    buildReadHolding(b, address, 0x0100, 1);
    take();
    const uint16_t store = 1;
    buildWriteMultiple(b, address, 0x3209, &store, 1);
    take();
    buildControlBlockWrite(b, address, std::array<int32_t, 10>{0x1F, 5000});
    take();
    buildEchoTest(b, address);
    take();
    return out;
}

void checkMatch(const std::vector<uint8_t>& request, const std::vector<uint8_t>& frame) {
    const ReplyMatch m = matchReply(request.data(), request.size(), frame.data(), frame.size());
    const std::size_t size = frame.size();
    if (m == ReplyMatch::Foreign) {
        check(size >= kShortestFrame && frame[0] != request[0], "foreign but the same address");
        return;
    }
    if (m != ReplyMatch::Answer && m != ReplyMatch::Exception) {
        return;
    }
    check(frame[0] == request[0], "taken from another address");
    if (m == ReplyMatch::Exception) {
        check(size == 5 && frame[1] == (request[1] | kExceptionFlag),
              "not this request's exception");
        return;
    }
    check(frame[1] == request[1], "answer of another function");
    if (request[1] == kReadHoldingRegisters) {
        const std::size_t words = decodeUnsigned(request[4], request[5]);
        check(size == 5 + 2 * words && frame[2] == 2 * words, "read answer of another length");
    } else {
        check(size == 8 && std::equal(frame.begin() + 2, frame.begin() + 6, request.begin() + 2),
              "write or echo answer that does not echo the request");
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size > kFrameCapacity) {
        return 0;
    }
    const std::vector<uint8_t> frame(data, data + size);
    for (const auto& request : requestsTo(size > 0 ? frame[0] : 1)) {
        checkMatch(request, frame);
    }
    const DecodedReply r = decodeReply(frame.data(), frame.size());
    if (size < kShortestFrame) {
        check(r.address == 0 && r.function == 0 && !r.exception && r.data.empty() && !r.echoed,
              "a scrap shorter than a frame was decoded");
        return 0;
    }
    check(r.address == frame[0], "address is not byte 0");
    check((r.function | (r.exception ? kExceptionFlag : 0)) == frame[1],
          "function and exception flag are not byte 1");
    if (r.exception) {
        check(r.data.empty() && !r.echoed, "an exception carries words or an echo");
        check(r.exceptionCode == (size >= 5 ? frame[2] : 0), "exception code not from byte 2");
        return 0;
    }
    if (!r.data.empty()) {
        check(r.data.data() == frame.data() + 3, "words do not start after the byte count");
    }
    check(r.data.size() % 2 == 0, "words are not whole");
    check(size < 5 || r.data.size() + 5 <= size, "words reach into the CRC");
    check(size < 5 || r.data.size() + 6 >= size, "a whole word was left out");
    uint32_t sum = 0;
    for (unsigned i = 0; i < r.words(); ++i) {
        sum += r.word(i);
    }
    (void)sum;
    const bool echoes = r.function == kWriteMultipleRegisters ||
                        r.function == kWriteSingleRegister || r.function == kDiagnostics;
    check(r.echoed == (echoes && size >= 8),
          "echo where the frame holds none, or none where it does");
    if (r.echoed) {
        check(r.echoFirst == decodeUnsigned(frame[2], frame[3]) &&
                  r.echoSecond == decodeUnsigned(frame[4], frame[5]),
              "echoed words are not bytes 2..5");
    }
    return 0;
}
