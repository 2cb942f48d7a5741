// Any request a master might put on the wire: a simulated drive must never
// crash, must answer only its own address with a sound frame, and must keep
// its register map intact. With bit 3 of the first byte set, the bytes go
// through the simulated bus instead, in pieces with pauses between them, so
// the bus's own request framing (silence, over-long frames, broadcasts) is
// exercised too: every reply it puts on the wire must be a sound frame from
// one of its drives, and it must never answer a broadcast.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sim/bus_simulator.h"
#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"

namespace {

using namespace velkaro::sim;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "sim_request_fuzz: %s\n", what);
    std::abort();
}

bool soundReply(const std::vector<uint8_t>& reply, uint8_t address) {
    return reply.size() >= 5 && reply.size() <= 256 && rtuCrcOk(reply.data(), reply.size()) &&
           reply[0] == address && (reply[1] != 0x03 || reply.size() == 5u + reply[2]);
}

void serveOneFrame(const uint8_t* data, std::size_t size) {
    // First byte: series (bits 0..1), whether to append a good CRC (bit 2).
    const auto series = static_cast<Series>(data[0] & 3);
    std::vector<uint8_t> frame(data + 1, data + size);
    if ((data[0] & 4) != 0) {
        appendCrc(frame);
    }
    // Building (or copying) a drive's register map costs far more than a
    // request: one drive per series serves every input, its history cleared.
    static SimulatedDrive drives[] = {{1, Series::QD10, 750},
                                      {1, Series::QD20, 750},
                                      {1, Series::QD30, 750},
                                      {1, Series::QD40, 750}};
    SimulatedDrive& drive = drives[static_cast<int>(series)];
    const auto reply = drive.serve(frame.data(), frame.size());
    drive.clearRequestsSeen();
    if (!reply) {
        return;
    }
    const bool sameFunction = ((*reply)[1] & 0x7F) == (frame[1] & 0x7F);
    if (!soundReply(*reply, 1) || !sameFunction || !drive.hasRegister(0x3210) ||
        !drive.hasRegister(0x0000)) {
        fail("an unsound reply or a damaged register map");
    }
}

/// Pieces of [length (bit 7: append a good CRC), pause in tenths of a
/// character, bytes...] sent one after the other over a bus of four drives.
/// The bus lives across inputs (its drives are costly to build); a second of
/// silence before each input ends whatever the last one left on the wire.
void serveOverTheBus(const uint8_t* data, std::size_t size) {
    static BusSimulator bus = [] {
        BusSimulator made;
        made.addDrive(1, Series::QD10, 75);
        made.addDrive(2, Series::QD20, 6);
        made.addDrive(3, Series::QD30, 750);
        made.addDrive(247, Series::QD40, 1100);
        return made;
    }();
    static uint64_t nowUs = 0;
    nowUs += 1'000'000;
    bus.advanceTo(nowUs);
    bus.clearRepliesSent();
    bus.setTurnaroundUs(data[0] >> 4);
    const uint64_t characterUs = charactersTimeUs(bus.line(), 1);
    std::size_t at = 1;
    while (at + 2 <= size) {
        const std::size_t length = std::min<std::size_t>(data[at] & 0x7F, size - at - 2);
        const bool withCrc = (data[at] & 0x80) != 0;
        const uint64_t pauseUs = data[at + 1] * characterUs / 10;
        at += 2;
        std::vector<uint8_t> piece(data + at, data + at + length);
        at += length;
        if (withCrc) {
            appendCrc(piece);
        }
        bus.stationSent(piece.data(), piece.size(), nowUs);
        nowUs += piece.size() * characterUs + pauseUs;
        bus.advanceTo(nowUs);
        uint8_t drained[512];
        while (bus.takeReplyBytes(drained, sizeof drained, nowUs) > 0) {
        }
    }
    nowUs += 1'000'000;
    bus.advanceTo(nowUs);
    uint8_t drained[512];
    while (bus.takeReplyBytes(drained, sizeof drained, nowUs) > 0) {
    }
    for (const std::vector<uint8_t>& reply : bus.repliesSent()) {
        if (reply.empty() || bus.drive(reply[0]) == nullptr || !soundReply(reply, reply[0])) {
            fail("the bus put an unsound reply on the wire");
        }
    }
    for (SimulatedDrive* drive : bus.drives()) {
        if (!drive->hasRegister(0x3210)) {
            fail("a drive lost its status block");
        }
        // Histories kept across inputs would look like leaks to the fuzzer.
        drive->clearRequestsSeen();
    }
    bus.clearRepliesSent();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    if ((data[0] & 8) != 0) {
        serveOverTheBus(data, size);
    } else {
        serveOneFrame(data, size);
    }
    return 0;
}
