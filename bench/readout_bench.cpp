// A whole QD40 drive (982 entries, 35 groups) read at 9600 baud on the
// simulated wire while 0..4 other drives get their status reads every 100 ms,
// against the wire time of its group reads:
//   for every chunk of at most 30 registers: the request (8 characters) and
//   the reply (5 + 2 per register) at ten bits a character, the 3.5-character
//   silence that ends the request at the drive and the 21 silent ticks that
//   end the reply at the station.
// Also the longest gap between two status reads of another drive meanwhile.
// Deterministic (simulated ticks); reports figures, asserts nothing.
//
//   readout_bench

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/drive_link.h"
#include "link/master/link_state.h"
#include "link/operator_notices.h"
#include "registry/catalogue.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/link_harness.h"
#include "support/link_inspector.h"

namespace {

using namespace velkaro;

class QuietMessages : public OperatorNotices {
public:
    void notify(const std::string&, const std::string&) override {}
};

constexpr int kBaud = 9600;
constexpr double kCharMs = 10.0 * 1000.0 / kBaud;
constexpr int kChunk = 30;
constexpr int kRequestChars = 8;
constexpr int kReplyOverheadChars = 5; // address, function, byte count, CRC
constexpr double kRequestEndChars = 3.5;
constexpr double kReplyEndTicks = 21;

struct WireTime {
    int exchanges = 0;
    int chars = 0;
    double ms = 0;
};

WireTime groupReadWireTime(const SeriesCatalogue& catalogue) {
    WireTime w;
    for (const ParamGroup& group : catalogue.groups) {
        for (int at = 0; at < group.count; at += kChunk) {
            const int n = std::min(kChunk, group.count - at);
            ++w.exchanges;
            w.chars += kRequestChars + kReplyOverheadChars + 2 * n;
        }
    }
    w.ms = w.chars * kCharMs + w.exchanges * (kRequestEndChars * kCharMs + kReplyEndTicks);
    return w;
}

struct Figures {
    long ticks = -1;
    long longestPollGap = 0;
};

void addDrive(LinkState& s, sim::BusSimulator& bus, int address, const char* series,
              sim::Series simSeries, int rating, const char* ratingText) {
    bus.addDrive(address, simSeries, rating);
    velkaro::testing::connectDrive(s, address, series, ratingText);
}

Figures measure(int others) {
    sim::BusSimulator bus;
    sim::MemoryTransport wire(bus);
    QuietMessages messages;
    DriveLink link(wire, messages);
    link.openLink();
    {
        auto s = velkaro::testing::LinkInspector::lock(link);
        for (int i = 0; i < others; ++i) {
            addDrive(*s, bus, 10 + i, "QD30", sim::Series::QD30, 750, "7.50");
        }
        addDrive(*s, bus, 1, "QD40", sim::Series::QD40, 1850, "18.50");
        for (DriveRecord& d : s->table.slots) {
            d.pendingOp = OpCode::None;
        }
    }
    // Polls settle into their rhythm before the read starts.
    long t = 0;
    for (; t < 2000; ++t) {
        if (t % 100 == 0) {
            link.queueStatusPolls();
        }
        link.tick();
        wire.advanceTick();
    }
    const RequestId id = link.submit(link.targetOfName("1#QD40-18.50"), Readout{});
    std::vector<uint32_t> lastCount(static_cast<std::size_t>(others));
    std::vector<long> lastPoll(static_cast<std::size_t>(others), t);
    Figures r;
    for (const long start = t; t < start + 120000; ++t) {
        if (t % 100 == 0) {
            link.queueStatusPolls();
        }
        link.tick();
        wire.advanceTick();
        bool running = true;
        {
            auto s = velkaro::testing::LinkInspector::lock(link);
            for (int i = 0; i < others; ++i) {
                const auto at = static_cast<std::size_t>(i);
                if (s->statusReadCount[at] != lastCount[at]) {
                    lastCount[at] = s->statusReadCount[at];
                    r.longestPollGap = std::max(r.longestPollGap, t - lastPoll[at]);
                    lastPoll[at] = t;
                }
            }
            running = s->transfer.has_value();
        }
        if (!running) {
            bool confirmed = false;
            for (const Outcome& o : link.takeOutcomes()) {
                confirmed = confirmed || (o.id == id && o.confirmed());
            }
            r.ticks = confirmed ? t + 1 - start : -1;
            break;
        }
    }
    return r;
}

} // namespace

int main() {
    const WireTime w = groupReadWireTime(*catalogueFor("QD40"));
    std::printf("QD40: 982 entries, 35 groups, %d exchanges, %d characters; "
                "group-read wire time %.0f ms\n",
                w.exchanges, w.chars, w.ms);
    std::printf("%14s | %10s | %8s | %22s\n", "other drives", "read ms", "x wire",
                "longest poll gap ms");
    for (int others : {0, 1, 2, 3, 4}) {
        const Figures r = measure(others);
        std::printf("%14d | %10ld | %8.3f | %22ld\n", others, r.ticks,
                    static_cast<double>(r.ticks) / w.ms, r.longestPollGap);
    }
    return 0;
}
