// Status refresh period per drive on the simulated wire for 1, 8 and 32
// drives at 9600 and 38400 baud, with replies ended by silence (the default)
// and on completion ("fast"), next to two minimums per status read:
//   station: request + reply characters at the baud + 21 silent ticks + the
//            scheduling ticks (pick-up and finish)
//   Modbus:  request + reply characters + a 3.5-character gap after each
//            (1.75 ms above 19200 baud)
// and the per-drive period those give with the 100 ms poll request. The last
// column is the fast period against the Modbus minimum plus the simulated
// drive's turnaround.
// Reports figures; asserts nothing.
//
//   poll_period_bench [simulated seconds]     (default 60)

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/drive_link.h"
#include "link/master/link_state.h"
#include "link/operator_notices.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/link_inspector.h"

namespace {

using namespace velkaro;

class QuietMessages : public OperatorNotices {
public:
    void notify(const std::string&, const std::string&) override {}
};

constexpr int kRequestChars = 8;
constexpr int kReplyChars = 37; // 3 + 16 words + CRC
constexpr int kSilentTicks = 21;
constexpr int kSchedulingTicks = 2;
constexpr double kPollPeriodMs = 100.0;
constexpr double kTurnaroundMs = 2.0; // the simulated drive's default

double charMs(int baud) {
    return 10.0 * 1000.0 / baud;
} // 8N1: ten bits a character

double stationExchangeMs(int baud) {
    return (kRequestChars + kReplyChars) * charMs(baud) + kSilentTicks + kSchedulingTicks;
}

double modbusExchangeMs(int baud) {
    const double gap = baud > 19200 ? 1.75 : 3.5 * charMs(baud);
    return (kRequestChars + kReplyChars) * charMs(baud) + 2 * gap;
}

struct Figures {
    double meanMs = 0;
    double maxMs = 0;
};

Figures measure(int drives, int baud, int seconds, FrameEnd frameEnd) {
    sim::LineSettings line;
    line.baud = baud;
    sim::BusSimulator bus(line);
    sim::MemoryTransport wire(bus);
    QuietMessages messages;
    DriveLink link(wire, messages);
    {
        auto s = velkaro::testing::LinkInspector::lock(link);
        s->settings.baudText = std::to_string(baud);
        s->settings.frameEnd = frameEnd;
    }
    link.openLink();
    {
        auto s = velkaro::testing::LinkInspector::lock(link);
        for (int i = 0; i < drives; ++i) {
            bus.addDrive(i + 1, sim::Series::QD30, 750);
            DriveRecord& probe = s->table.probeRecord;
            probe = DriveRecord{};
            probe.address = std::to_string(i + 1);
            probe.series = "QD30";
            probe.ratedPower = "7.50";
            probe.name = probe.address + "#QD30-7.50";
            s->table.commitProbe();
            s->table.slots[static_cast<std::size_t>(i)].pendingOp = OpCode::None;
        }
    }
    std::vector<uint32_t> lastCount(static_cast<std::size_t>(drives), 0);
    std::vector<long> lastTick(static_cast<std::size_t>(drives), -1);
    std::vector<double> periods;
    const long ticks = seconds * 1000L;
    for (long t = 0; t < ticks; ++t) {
        if (t % 100 == 0) {
            link.queueStatusPolls();
        }
        link.tick();
        wire.advanceTick();
        auto s = velkaro::testing::LinkInspector::lock(link);
        for (int i = 0; i < drives; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (s->statusReadCount[at] != lastCount[at]) {
                lastCount[at] = s->statusReadCount[at];
                // The first refresh only starts the clock; skip the warm-up second.
                if (lastTick[at] >= 0 && t > 1000) {
                    periods.push_back(static_cast<double>(t - lastTick[at]));
                }
                lastTick[at] = t;
            }
        }
    }
    Figures r;
    for (double p : periods) {
        r.meanMs += p;
        r.maxMs = std::max(r.maxMs, p);
    }
    r.meanMs = periods.empty() ? 0 : r.meanMs / static_cast<double>(periods.size());
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::printf("%6s %6s | %10s %10s | %10s %10s | %14s %14s | %12s %12s | %10s\n", "baud",
                "drives", "mean ms", "max ms", "fast mean", "fast max", "station min ms",
                "modbus min ms", "station xchg", "modbus xchg", "fast/(m+t)");
    for (int baud : {9600, 38400}) {
        for (int drives : {1, 8, 32}) {
            const Figures silence = measure(drives, baud, seconds, FrameEnd::Silence);
            const Figures fast = measure(drives, baud, seconds, FrameEnd::Completion);
            const double station = std::max(kPollPeriodMs, drives * stationExchangeMs(baud));
            const double modbus = std::max(kPollPeriodMs, drives * modbusExchangeMs(baud));
            const double modbusWithTurnaround =
                std::max(kPollPeriodMs, drives * (modbusExchangeMs(baud) + kTurnaroundMs));
            std::printf("%6d %6d | %10.1f %10.1f | %10.1f %10.1f | %14.1f %14.1f | %12.2f "
                        "%12.2f | %10.3f\n",
                        baud, drives, silence.meanMs, silence.maxMs, fast.meanMs, fast.maxMs,
                        station, modbus, stationExchangeMs(baud), modbusExchangeMs(baud),
                        fast.meanMs / modbusWithTurnaround);
        }
    }
    return 0;
}
