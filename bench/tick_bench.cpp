// Cost of one DriveLink::tick() with 32 connected drives being polled on the
// in-memory simulated wire (9600 baud). Reports figures; asserts nothing.
//
//   tick_bench [ticks]     (default 200000 ticks = 200 s of link time)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

namespace {

using namespace velkaro;
using Clock = std::chrono::steady_clock;

class QuietMessages : public OperatorMessages {
public:
    void show(const std::string&, const std::string&) override {}
};

constexpr sim::Series kSeries[] = {sim::Series::QD10, sim::Series::QD20, sim::Series::QD30,
                                   sim::Series::QD40};
constexpr const char* kSeriesNames[] = {"QD10", "QD20", "QD30", "QD40"};

/// 32 drives on the bus and in the table, as a search would have left them.
void connectDrives(sim::BusSimulator& bus, DriveLink& link) {
    auto s = link.lock();
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

} // namespace

int main(int argc, char** argv) {
    const long ticks = argc > 1 ? std::atol(argv[1]) : 200000;
    sim::BusSimulator bus;
    sim::MemoryTransport wire(bus);
    QuietMessages messages;
    DriveLink link(wire, messages);
    if (!link.openLink().ok) {
        std::fprintf(stderr, "link did not open\n");
        return 1;
    }
    connectDrives(bus, link);

    std::vector<int64_t> costs;
    costs.reserve(static_cast<std::size_t>(ticks));
    for (long t = 0; t < ticks; ++t) {
        if (t % 100 == 0) {
            link.queueStatusPolls(); // window timer 1
        }
        const auto start = Clock::now();
        link.tick();
        costs.push_back(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
        wire.advanceTick();
    }
    uint64_t reads = 0;
    {
        auto s = link.lock();
        for (uint32_t n : s->statusReadCount) {
            reads += n;
        }
    }
    std::sort(costs.begin(), costs.end());
    const auto at = [&](double q) {
        return costs[static_cast<std::size_t>(q * (costs.size() - 1))];
    };
    std::printf("ticks %ld, drives %d, status reads answered %llu\n", ticks, kMaxDrives,
                static_cast<unsigned long long>(reads));
    std::printf("tick() cost ns: median %lld  p90 %lld  p99 %lld  max %lld\n",
                static_cast<long long>(at(0.5)), static_cast<long long>(at(0.9)),
                static_cast<long long>(at(0.99)), static_cast<long long>(costs.back()));
    return 0;
}
