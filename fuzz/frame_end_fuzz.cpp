// Bytes arriving over ticks with replies ended on completion. The input's
// first byte is the length of the request sent, then pairs of (control,
// byte): the control byte's low bits say how many silent ticks come before the
// byte. Beyond "no crash" it checks that:
//  - a frame taken in a tick bytes arrived is exactly a whole reply by its
//    header and passes the CRC (the completion rule, nothing looser);
//  - every accepted frame passes its CRC, fits the buffer, and is at least a frame;
//  - a request held for the inter-frame silence never leaves earlier.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>

#include "link/ports/serial_port.h"
#include "link/protocol/frame_codec.h"

namespace {

using namespace velkaro;

void check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "frame_end_fuzz: %s\n", what);
        std::abort();
    }
}

class FuzzPort : public SerialPort {
public:
    std::deque<uint8_t> incoming;
    unsigned writes = 0;

    bool isOpen() const override { return true; }
    void close() override {}
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override {}
    bool open() override { return true; }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return true; }
    std::size_t bytesWaiting() override { return incoming.size(); }
    std::size_t read(uint8_t* buffer, std::size_t capacity) override {
        std::size_t n = 0;
        while (n < capacity && !incoming.empty()) {
            buffer[n++] = incoming.front();
            incoming.pop_front();
        }
        return n;
    }
    bool write(const uint8_t*, std::size_t) override {
        ++writes;
        return true;
    }
    std::string devicePath() const override { return "fuzz"; }
    std::string lastError() const override { return {}; }
};

constexpr unsigned kGap = 20;
constexpr unsigned kHold = 4;

void tick(LinkBuffers& b, FuzzPort& port) {
    ++b.silenceTicks;
    ++b.replyTicks;
    const bool bytesCame = port.bytesWaiting() > 0;
    const ReceiveResult r = receiveStep(b, port, kGap, FrameEnd::Completion);
    check(b.rxCount <= kFrameCapacity, "receive buffer overrun");
    if (r.event == ReceiveEvent::FrameAccepted) {
        check(b.replyLength >= kShortestFrame && b.replyLength <= kFrameCapacity,
              "accepted frame of impossible length");
        check(frameCrcOk(b.replyFrame.data(), b.replyLength), "accepted frame fails its CRC");
        if (bytesCame) {
            check(b.replyLength ==
                      expectedReplyLength(b.replyFrame.data(), b.replyLength, b.sentLength),
                  "taken at once at another length than its header says");
        }
        b.replyLength = 0;
    }
    // Now and then the operation asks to send; it may leave only after the hold.
    if (b.replyTicks % 7 == 0 && b.txLength == 0) {
        buildEchoTest(b, 1);
    }
    const unsigned silence = b.silenceTicks;
    const unsigned before = port.writes;
    transmitStep(b, port, kHold);
    if (port.writes != before) {
        check(silence >= kHold, "a request left before the inter-frame silence");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    FuzzPort port;
    LinkBuffers b;
    b.sentLength = data[0] % (kFrameCapacity + 1);
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        for (unsigned silent = data[i] & 0x1F; silent > 0; --silent) {
            tick(b, port);
        }
        port.incoming.push_back(data[i + 1]);
        if ((data[i] & 0x80) != 0) {
            tick(b, port);
        }
    }
    for (unsigned t = 0; t <= kGap + 1; ++t) {
        tick(b, port);
    }
    return 0;
}
