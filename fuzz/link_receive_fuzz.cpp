// Arbitrary bytes on the wire, cut at arbitrary tick boundaries, while one
// operation of the drive link is in flight against drives of all four series.
// Beyond "no crash" it checks what the station relies on:
//  - a drive's status words change only to the words of a frame with a good
//    CRC that starts with that drive's address, and a drive comes online only
//    after such a frame;
//  - rxCount, replyLength and txLength never pass 128;
//  - every frame the link sends is a well-formed request to a known address,
//    and parameter registers are written only by a parameter write or import;
//  - once the wire falls silent the scheduler comes back to idle with no
//    transfer or search left hanging.
//
// Input: four set-up bytes, then chunks of [mode+gap, length, split, split gap, bytes...].
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "link/drive_link.h"
#include "link/master/link_state.h"
#include "link/operator_notices.h"
#include "link/ports/serial_port.h"
#include "link/protocol/frame_codec.h"
#include "registry/catalogue.h"
#include "support/link_inspector.h"

namespace {

using namespace velkaro;
using Bytes = std::vector<uint8_t>;
using testing::LinkInspector;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "link_receive_fuzz: %s\n", what);
    std::abort();
}

/// A port whose far end is the fuzzer: bytes become readable when the harness
/// delivers them; every frame written is kept for the checks.
class FuzzPort : public SerialPort {
public:
    void deliver(const uint8_t* data, std::size_t n) {
        inbox.insert(inbox.end(), data, data + n);
        history.insert(history.end(), data, data + n);
    }

    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override {}
    bool open() override {
        m_open = true;
        return true;
    }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return true; }
    std::size_t bytesWaiting() override { return inbox.size(); }
    std::size_t read(uint8_t* buffer, std::size_t capacity) override {
        std::size_t n = 0;
        while (n < capacity && !inbox.empty()) {
            buffer[n++] = inbox.front();
            inbox.pop_front();
        }
        return n;
    }
    bool write(const uint8_t* data, std::size_t length) override {
        written.emplace_back(data, data + length);
        return true;
    }
    std::string devicePath() const override { return "fuzz"; }
    std::string lastError() const override { return {}; }

    std::deque<uint8_t> inbox;
    Bytes history;              ///< every byte ever delivered, in order
    std::vector<Bytes> written; ///< frames the link sent, not yet checked

private:
    bool m_open = false;
};

class SilentMessages : public OperatorNotices {
public:
    void notify(const std::string&, const std::string&) override { ++shown; }
    int shown = 0;
};

struct DriveSetup {
    int address;
    const char* series;
    const char* rating;
};
// One drive of each series; the last one at the highest unicast address.
constexpr std::array<DriveSetup, 4> kDrives{{
    {1, "QD10", "7.5"},
    {2, "QD20", "5.50"},
    {3, "QD30", "7.50"},
    {247, "QD40", "11.00"},
}};

Bytes withCrc(Bytes frame) {
    const auto crc = crc16(frame.data(), frame.size());
    frame.push_back(crc[0]);
    frame.push_back(crc[1]);
    return frame;
}

/// One byte into a Modbus CRC (kept here, apart from the link's own, so the
/// check does not lean on the code it checks).
uint16_t crcStep(uint16_t crc, uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
        crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                        : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

/// True when the delivered stream holds, somewhere, a frame with a good CRC
/// that starts with `address` and whose data words from byte 3 are `words`
/// (none given: any such frame).
bool streamHoldsFrame(const Bytes& stream, uint8_t address, const int32_t* words, unsigned count) {
    const std::size_t minLength = words ? 5 + 2 * count : 4;
    for (std::size_t p = 0; p < stream.size(); ++p) {
        if (stream[p] != address || stream.size() - p < minLength) {
            continue;
        }
        if (words) {
            bool same = true;
            for (unsigned i = 0; i < count && same; ++i) {
                same = decodeSigned(stream[p + 3 + 2 * i], stream[p + 4 + 2 * i]) == words[i];
            }
            if (!same) {
                continue;
            }
        }
        // A frame with its CRC appended runs the CRC down to zero.
        const std::size_t longest = std::min<std::size_t>(stream.size() - p, kFrameCapacity);
        uint16_t crc = 0xFFFF;
        for (std::size_t length = 1; length <= longest; ++length) {
            crc = crcStep(crc, stream[p + length - 1]);
            if (length >= minLength && crc == 0) {
                return true;
            }
        }
    }
    return false;
}

struct Snapshot {
    std::array<std::array<int32_t, 17>, kDrives.size()> status{};
    std::array<int32_t, kDrives.size()> online{};
};

Snapshot snapshot(LinkState& s) {
    Snapshot shot;
    for (std::size_t i = 0; i < kDrives.size(); ++i) {
        shot.status[i] = s.table.slots[i].status;
        shot.online[i] = s.table.slots[i].online;
    }
    return shot;
}

void checkBuffers(const LinkState& s) {
    const LinkBuffers& b = s.buffers;
    if (b.rxCount > kFrameCapacity || b.replyLength > kFrameCapacity ||
        b.txLength > kFrameCapacity) {
        fail("a link buffer count passed 128");
    }
}

void checkStatusOrigin(const LinkState& s, const Snapshot& before, const Bytes& stream) {
    for (std::size_t i = 0; i < kDrives.size(); ++i) {
        const DriveRecord& drive = s.table.slots[i];
        const auto address = static_cast<uint8_t>(kDrives[i].address);
        if (drive.status != before.status[i] &&
            !streamHoldsFrame(stream, address, drive.status.data(), 16)) {
            fail("status words changed without a sound frame from that drive");
        }
        if (drive.online == 1 && before.online[i] == 0 &&
            !streamHoldsFrame(stream, address, nullptr, 0)) {
            std::fprintf(stderr, "slot %zu name '%s' address '%s' op %d reply %u rx %u\n", i,
                         drive.name.c_str(), drive.address.c_str(), static_cast<int>(s.currentOp),
                         s.buffers.replyLength, s.buffers.rxCount);
            fail("a drive came online without a sound frame from it");
        }
    }
}

bool parameterRegister(uint16_t reg) {
    return reg < 0x3200 || reg > 0x3209;
}

/// Every frame sent: a request of the station's own kinds, to a drive it knows.
/// Probed addresses run from `probeFirst` for `probeSpan` addresses.
void checkWritten(FuzzPort& port, OpCode op, int probeFirst, int probeSpan) {
    for (const Bytes& frame : port.written) {
        if (frame.size() < 8 || frame.size() > kFrameCapacity ||
            !frameCrcOk(frame.data(), frame.size())) {
            fail("the link sent a malformed frame");
        }
        bool known = frame[0] >= probeFirst && frame[0] < probeFirst + probeSpan;
        for (const DriveSetup& d : kDrives) {
            known = known || frame[0] == d.address;
        }
        if (!known) {
            fail("the link addressed a drive it does not know");
        }
        const uint8_t function = frame[1];
        if (function != 0x03 && function != 0x08 && function != 0x10) {
            fail("the link sent a function it never uses");
        }
        if (function == 0x10) {
            const auto reg = static_cast<uint16_t>((frame[2] << 8) | frame[3]);
            if (parameterRegister(reg) && op != OpCode::ParamWrite && op != OpCode::Import) {
                fail("a parameter register was written without being asked for");
            }
        }
    }
    port.written.clear();
}

/// Fast-forwards silent time: the counters jump to the edge of the waiting
/// operation's timeout, as hundreds of empty ticks would move them.
void skipSilence(DriveLink& link) {
    auto s = LinkInspector::lock(link);
    const auto timeout = static_cast<unsigned>(std::max(0, s->settings.replyTimeoutTicks));
    s->buffers.replyTicks = std::max(s->buffers.replyTicks, timeout);
    s->buffers.silenceTicks = std::max(s->buffers.silenceTicks, s->settings.frameGapTicks);
    s->buffers.quietCount = std::max(s->buffers.quietCount, s->buffers.quietTicks);
}

bool settled(const LinkState& s) {
    if (s.currentOp != OpCode::None || !s.currentDriveName.empty() || s.transfer || s.search ||
        s.searchRemaining != 0 || !s.table.probeRecord.name.empty() || s.buffers.rxCount != 0) {
        return false;
    }
    if (s.activityState == ActivityState::Search || s.activityState == ActivityState::Export ||
        s.activityState == ActivityState::Import) {
        return false;
    }
    for (std::size_t i = 0; i < s.table.slots.size(); ++i) {
        const SlotWork& w = s.work[i];
        // Every request ends by its retries on a silent wire.
        if (s.table.slots[i].pendingOp != OpCode::None || !w.commands.empty() ||
            !w.carried.empty() || !w.reads.empty() || !w.writes.empty()) {
            return false;
        }
    }
    return true;
}

void setUp(DriveLink& link, const uint8_t* setup) {
    {
        auto s = LinkInspector::lock(link);
        for (const DriveSetup& d : kDrives) {
            DriveRecord& probe = s->table.probeRecord;
            probe = DriveRecord{};
            probe.address = std::to_string(d.address);
            probe.series = d.series;
            probe.ratedPower = d.rating;
            probe.name = probe.address + "#" + d.series + "-" + d.rating;
            s->table.commitProbe();
        }
        for (std::size_t i = 0; i < kDrives.size(); ++i) {
            s->table.slots[i].pendingOp = OpCode::None;
        }
    }
    const auto op = static_cast<OpCode>(setup[0] % 9);
    const int selected = setup[1] % 4;
    const int group = setup[2] % 20;
    const Target target = link.targetOfSlot(selected);
    Import import;
    import.image[0] = 0x83;
    import.image[1] = (setup[3] & 0x40) ? 0x50 : 0x70;
    import.readBackGroup = group;
    switch (op) {
    case OpCode::Identify:
        link.submit({}, Search{4 + setup[2] % 4, 1u + (setup[3] & 1u)});
        break;
    case OpCode::StatusRead:
    case OpCode::ControlRead:
        LinkInspector::lock(link)->table.slots[static_cast<std::size_t>(selected)].pendingOp = op;
        break;
    case OpCode::ControlWrite:
        link.submit(target, Command::word(command_word::kRun));
        break;
    case OpCode::GroupRead:
        link.submit(target, ParameterRead{group});
        break;
    case OpCode::ParamWrite: {
        const int row = setup[3] % 64;
        link.submit(target, ParameterWrite{registerOf(group, row),
                                           static_cast<uint16_t>(setup[2] * 257 - 30000), group,
                                           row, (setup[3] & 2) != 0, (setup[3] & 4) != 0});
        break;
    }
    case OpCode::Export:
        link.submit(target, Export{});
        break;
    case OpCode::Import:
        link.submit(target, import);
        break;
    default:
        break;
    }
    if (setup[3] & 0x80) {
        // A fault reset waiting to go out.
        link.submit(target, Command::word(command_word::kFaultReset));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    FuzzPort port;
    SilentMessages messages;
    DriveLink link(port, messages);
    if (!link.openLink().ok) {
        fail("the scripted port did not open");
    }
    const auto op = static_cast<OpCode>(data[0] % 9);
    setUp(link, data);
    int probeFirst = 0;
    {
        auto s = LinkInspector::lock(link);
        probeFirst = s->searchNextAddress;
    }
    const int probeSpan = op == OpCode::Identify ? static_cast<int>(1 + (data[3] & 1)) : 0;
    bool pollStatus = (data[3] & 0x20) != 0;

    uint64_t tickNo = 0;
    auto tick = [&] {
        Snapshot before;
        {
            auto s = LinkInspector::lock(link);
            before = snapshot(*s);
        }
        link.tick();
        link.takeOutcomes();
        if (++tickNo % 100 == 0 && pollStatus) {
            link.queueStatusPolls();
        }
        auto s = LinkInspector::lock(link);
        checkBuffers(*s);
        checkStatusOrigin(*s, before, port.history);
        checkWritten(port, op, probeFirst, probeSpan);
    };

    // The chunks: what arrives, how it is cut, and the silence after it.
    // Bounded so one input stays a few milliseconds of work.
    constexpr uint64_t kTickBudget = 4000;
    std::size_t at = 4;
    while (at + 4 <= size && tickNo < kTickBudget) {
        const uint8_t mode = data[at] & 3;
        const unsigned gapAfter = data[at] >> 2;
        const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 4);
        const uint8_t split = data[at + 2];
        const unsigned splitGap = data[at + 3] % 24;
        at += 4;
        Bytes chunk;
        {
            auto s = LinkInspector::lock(link);
            const LinkBuffers& b = s->buffers;
            // Modes 2 and 3 answer the request last sent, so the fuzzer reaches
            // the reply handling of each operation, not only the CRC check.
            if (mode == 2) {
                chunk.push_back(b.txFrame[0]);
            } else if (mode == 3) {
                chunk.insert(chunk.end(), b.txFrame.begin(), b.txFrame.begin() + 6);
            }
        }
        chunk.insert(chunk.end(), data + at, data + at + length);
        at += length;
        if (mode != 0) {
            chunk = withCrc(std::move(chunk));
        }
        const std::size_t cut = chunk.empty() ? 0 : split % (chunk.size() + 1);
        port.deliver(chunk.data(), cut);
        for (unsigned i = 0; i < splitGap; ++i) {
            tick();
        }
        port.deliver(chunk.data() + cut, chunk.size() - cut);
        for (unsigned i = 0; i <= gapAfter; ++i) {
            tick();
        }
    }

    // The wire falls silent: every operation must end by its timeouts.
    pollStatus = false;
    for (int i = 0; i < 30; ++i) {
        tick(); // let the last frame end on its own
    }
    for (int i = 0; i < 4000; ++i) {
        {
            auto s = LinkInspector::lock(link);
            if (settled(*s)) {
                return 0;
            }
        }
        skipSilence(link);
        tick();
    }
    {
        auto s = LinkInspector::lock(link);
        std::fprintf(stderr, "op %d drive '%s' busy %d activity %d search %u probe '%s' rx %u\n",
                     static_cast<int>(s->currentOp), s->currentDriveName.c_str(),
                     s->transfer.has_value(), static_cast<int>(s->activityState),
                     s->searchRemaining, s->table.probeRecord.name.c_str(), s->buffers.rxCount);
        for (const DriveRecord& drive : s->table.slots) {
            if (!drive.name.empty()) {
                std::fprintf(stderr, "  %s pending %d\n", drive.name.c_str(),
                             static_cast<int>(drive.pendingOp));
            }
        }
    }
    fail("the scheduler did not come back to idle on a silent wire");
}
