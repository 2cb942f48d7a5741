// Cost of one DriveLink::tick() with 32 connected drives being polled on the
// in-memory simulated wire (9600 baud), with the link counters and the frame
// ring recording and, side by side in the same run, with recording off: two
// links on two simulated buses, ticked in turn. Reports figures; asserts nothing.
//
//   tick_bench [ticks]     (default 200000 ticks = 200 s of link time)

#include <algorithm>
#include <chrono>
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
using Clock = std::chrono::steady_clock;

class QuietMessages : public OperatorNotices {
public:
    void notify(const std::string&, const std::string&) override {}
};

constexpr sim::Series kSeries[] = {sim::Series::QD10, sim::Series::QD20, sim::Series::QD30,
                                   sim::Series::QD40};
constexpr const char* kSeriesNames[] = {"QD10", "QD20", "QD30", "QD40"};

/// 32 drives on the bus and in the table, as a search would have left them.
void connectDrives(sim::BusSimulator& bus, DriveLink& link) {
    auto s = velkaro::testing::LinkInspector::lock(link);
    for (int i = 0; i < kMaxDrives; ++i) {
        const int address = i + 1;
        bus.addDrive(address, kSeries[i % 4], i % 4 == 1 ? 6 : 750);
        DriveRecord& probe = s->table.probeRecord;
        probe = DriveRecord{};
        probe.address = std::to_string(address);
        probe.series = kSeriesNames[i % 4];
        probe.ratedPower = "7.50";
        probe.name = probe.address + "#" + probe.series + "-7.50";
        s->table.commitProbe();
    }
}

/// One link on its own simulated bus, and the cost of each of its ticks.
struct Run {
    explicit Run(bool recording) : wire(bus), link(wire, messages) { link.setRecording(recording); }
    sim::BusSimulator bus;
    sim::MemoryTransport wire;
    QuietMessages messages;
    DriveLink link;
    std::vector<int64_t> costs;

    void tick(long t) {
        if (t % 100 == 0) {
            link.queueStatusPolls(); // window timer 1
        }
        const auto start = Clock::now();
        link.tick();
        costs.push_back(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
        wire.advanceTick();
    }
    void report(const char* label) {
        uint64_t reads = 0;
        uint64_t frames = 0;
        {
            auto s = velkaro::testing::LinkInspector::lock(link);
            for (uint32_t n : s->statusReadCount) {
                reads += n;
            }
            frames = s->diagnostics.log.written();
        }
        std::sort(costs.begin(), costs.end());
        const auto at = [&](double q) {
            return static_cast<long long>(costs[static_cast<std::size_t>(q * (costs.size() - 1))]);
        };
        std::printf("%-14s status reads %llu, frames recorded %llu; tick() cost ns: median %lld  "
                    "p90 %lld  p99 %lld  max %lld\n",
                    label, static_cast<unsigned long long>(reads),
                    static_cast<unsigned long long>(frames), at(0.5), at(0.9), at(0.99),
                    static_cast<long long>(costs.back()));
    }
};

} // namespace

int main(int argc, char** argv) {
    const long ticks = argc > 1 ? std::atol(argv[1]) : 200000;
    Run on(true);
    Run off(false);
    for (Run* run : {&on, &off}) {
        if (!run->link.openLink().ok) {
            std::fprintf(stderr, "link did not open\n");
            return 1;
        }
        connectDrives(run->bus, run->link);
        run->costs.reserve(static_cast<std::size_t>(ticks));
    }
    // Turn about, so neither run always finds the caches warmed by the other.
    for (long t = 0; t < ticks; ++t) {
        Run& first = t % 2 == 0 ? on : off;
        Run& second = t % 2 == 0 ? off : on;
        first.tick(t);
        second.tick(t);
    }
    std::printf("ticks %ld, drives %d\n", ticks, kMaxDrives);
    on.report("recording on");
    off.report("recording off");
    return 0;
}
