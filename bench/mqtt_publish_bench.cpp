// What publishing the drive states on MQTT costs, in two figures:
//
// 1. The cost of one DriveLink::tick() with 32 drives polled on the in-memory
//    simulated wire, with publishing on and, side by side in the same run,
//    off: two links on two simulated buses, ticked in turn. The "on" link's
//    100 ms pass hands its snapshot to the publisher, as the logger's does;
//    every drive's set frequency changes each second of link time, so every
//    drive has a state to send each second. No difference is expected: the
//    network is the publisher's own thread's.
// 2. The processor time of publishing 32 drives that all change every
//    second (the most the pacing lets out), for SECONDS of real time: the
//    100 ms passes that build the JSON and queue it, the publisher's sending
//    thread and the client library's network thread. Measured as the whole
//    process's CPU time (getrusage), with the passing thread's own share
//    (its thread CPU clock) shown apart.
//
// Both publish to a real mosquitto started on a free loopback port when
// /usr/sbin/mosquitto is there; otherwise to a discarding sink that takes the
// messages and drops them (the broker-less path: the JSON and the pacing are
// paid, the network is not). The output says which. Reports figures; asserts
// nothing.
//
//   mqtt_publish_bench [ticks [seconds]]   (defaults: 100000 ticks, 20 s)

#include "support/mqtt_broker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/drive_link.h"
#include "link/link_snapshot.h"
#include "link/operator_notices.h"
#include "mqtt/drive_state_publisher.h"
#include "mqtt/mqtt_publisher.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "sim/simulated_drive.h"
#include "support/link_inspector.h"

namespace {

using namespace velkaro;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class QuietMessages : public OperatorNotices {
public:
    void notify(const std::string&, const std::string&) override {}
};

constexpr sim::Series kSeries[] = {sim::Series::QD10, sim::Series::QD20, sim::Series::QD30,
                                   sim::Series::QD40};
constexpr const char* kSeriesNames[] = {"QD10", "QD20", "QD30", "QD40"};
/// Where the states go: a publisher connected to the broker, or the sink.
struct Sink {
    std::unique_ptr<MqttPublisher> publisher;
    uint64_t discarded = 0;

    DriveStatePublisher::Send send() {
        return [this](const std::string& topic, std::string payload, bool retained) {
            if (publisher) {
                publisher->publish(topic, std::move(payload), retained);
            } else {
                ++discarded;
            }
        };
    }
    uint64_t sent() const { return publisher ? publisher->state().published : discarded; }
    /// Waits (sleeping) until nothing is queued any more.
    void drain() const {
        for (const auto end = Clock::now() + 5s; publisher && Clock::now() < end;) {
            if (publisher->state().queued == 0) {
                return;
            }
            std::this_thread::sleep_for(1ms);
        }
    }
};

/// Connects to the broker when there is one; the sink otherwise.
std::string openSink(Sink& sink, velkaro::testing::MqttBroker& broker, const std::string& station) {
    if (!velkaro::testing::MqttBroker::available() || !broker.start()) {
        return "a discarding sink (no mosquitto)";
    }
    MqttSettings settings;
    settings.host = "127.0.0.1";
    settings.port = broker.port();
    settings.station = station;
    auto publisher = std::make_unique<MqttPublisher>(settings);
    if (std::string error; !publisher->start(error)) {
        return "a discarding sink (the client did not start: " + error + ")";
    }
    for (const auto end = Clock::now() + 5s; Clock::now() < end;) {
        if (publisher->state().connected) {
            sink.publisher = std::move(publisher);
            return "a real mosquitto on 127.0.0.1:" + std::to_string(broker.port());
        }
        std::this_thread::sleep_for(10ms);
    }
    return "a discarding sink (the broker did not answer)";
}

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

/// One link on its own simulated bus, the cost of each of its ticks, and,
/// when publishing, the states of its 100 ms passes.
struct Run {
    explicit Run(DriveStatePublisher* states) : wire(bus), link(wire, messages), states(states) {}
    sim::BusSimulator bus;
    sim::MemoryTransport wire;
    QuietMessages messages;
    DriveLink link;
    DriveStatePublisher* states;
    std::vector<int64_t> costs;

    void tick(long t) {
        if (t % 1000 == 0) {
            // Each second of link time every drive is set somewhere new.
            for (int a = 1; a <= kMaxDrives; ++a) {
                bus.drive(a)->setSetFrequency(1000 + static_cast<int>((t / 1000 + a) % 4000));
            }
        }
        if (t % 100 == 0) {
            link.queueStatusPolls(); // the 100 ms pass
            const LinkSnapshot view = link.snapshot();
            if (states != nullptr) {
                states->update(view, Clock::time_point{} + std::chrono::milliseconds(t),
                               std::time(nullptr));
            }
        }
        const auto start = Clock::now();
        link.tick();
        costs.push_back(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
        wire.advanceTick();
    }
    void report(const char* label) {
        std::sort(costs.begin(), costs.end());
        const auto at = [&](double q) {
            return static_cast<long long>(costs[static_cast<std::size_t>(q * (costs.size() - 1))]);
        };
        std::printf("%-16s tick() cost ns: median %lld  p90 %lld  p99 %lld  max %lld\n", label,
                    at(0.5), at(0.9), at(0.99), static_cast<long long>(costs.back()));
    }
};

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

/// A snapshot of 32 drives that have all been read, running.
LinkSnapshot drivesRunning() {
    LinkSnapshot view;
    for (int i = 0; i < kMaxDrives; ++i) {
        DriveRecord& d = view.table.slots[static_cast<std::size_t>(i)];
        d.address = std::to_string(i + 1);
        d.series = kSeriesNames[i % 4];
        d.ratedPower = "7.50";
        d.name = d.address + "#" + d.series + "-7.50";
        d.online = 1;
        d.status[0] = status_bit::kRunning | status_bit::kForward;
        d.status[4] = 5000;
        d.status[7] = 3800;
        d.status[8] = 5370;
        view.statusRead[static_cast<std::size_t>(i)] = true;
    }
    return view;
}

} // namespace

int main(int argc, char** argv) {
    const long ticks = argc > 1 ? std::atol(argv[1]) : 100000;
    const int span = argc > 2 ? std::atoi(argv[2]) : 20;
    signal(SIGPIPE, SIG_IGN);

    velkaro::testing::MqttBroker broker;
    Sink sink;
    const std::string where = openSink(sink, broker, "bench");
    std::printf("publishing to %s\n", where.c_str());

    // 1. The tick, publishing on and off.
    {
        DriveStatePublisher states("velkaro/bench-tick", "bench-tick", sink.send());
        Run on(&states);
        Run off(nullptr);
        for (Run* run : {&on, &off}) {
            if (!run->link.openLink().ok) {
                std::fprintf(stderr, "link did not open\n");
                return 1;
            }
            connectDrives(run->bus, run->link);
            run->costs.reserve(static_cast<std::size_t>(ticks));
        }
        const uint64_t before = sink.sent();
        // Turn about, so neither run always finds the caches warmed by the other.
        for (long t = 0; t < ticks; ++t) {
            Run& first = t % 2 == 0 ? on : off;
            Run& second = t % 2 == 0 ? off : on;
            first.tick(t);
            second.tick(t);
        }
        sink.drain();
        std::printf("ticks %ld, drives %d, states published meanwhile %llu\n", ticks, kMaxDrives,
                    static_cast<unsigned long long>(sink.sent() - before));
        on.report("publishing on");
        off.report("publishing off");
    }

    // 2. The processor time of 32 drives changing every second.
    {
        DriveStatePublisher states("velkaro/bench", "bench", sink.send());
        LinkSnapshot view = drivesRunning();
        const uint64_t before = sink.sent();
        const double cpuBefore = processCpuSeconds();
        const double passBefore = threadCpuSeconds();
        const auto start = Clock::now();
        auto due = start;
        for (int pass = 0; pass < span * 10; ++pass) {
            if (pass % 10 == 0) {
                for (int i = 0; i < kMaxDrives; ++i) {
                    // Output frequency moves on: every drive's state changes.
                    view.table.slots[static_cast<std::size_t>(i)].status[1] =
                        4000 + (pass / 10 + i) % 1000;
                }
            }
            states.update(view, Clock::now(), std::time(nullptr));
            due += 100ms;
            std::this_thread::sleep_until(due);
        }
        sink.drain();
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = processCpuSeconds() - cpuBefore;
        const double passes = threadCpuSeconds() - passBefore;
        const uint64_t sent = sink.sent() - before;
        std::printf("%d drives changing every second for %.1f s: %llu states published "
                    "(%.1f a second)\n",
                    kMaxDrives, wall, static_cast<unsigned long long>(sent),
                    static_cast<double>(sent) / wall);
        std::printf("processor time: %.3f s in all = %.3f %% of a core "
                    "(the 100 ms passes alone %.3f %%, the sending threads %.3f %%)\n",
                    cpu, 100.0 * cpu / wall, 100.0 * passes / wall, 100.0 * (cpu - passes) / wall);
    }
    if (sink.publisher) {
        sink.publisher->finish();
    }
    return 0;
}
