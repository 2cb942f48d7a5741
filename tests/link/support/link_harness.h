#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

namespace velkaro::testing {

/// Keeps every message instead of showing it; safe from any thread.
class RecordingMessages : public OperatorMessages {
public:
    struct Shown {
        std::string text;
        std::string caption;
        bool modal = true; ///< false: shown by notify(), without holding up the caller
    };
    void show(const std::string& text, const std::string& caption) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_shown.push_back({text, caption, true});
    }
    void notify(const std::string& text, const std::string& caption) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_shown.push_back({text, caption, false});
    }
    std::vector<Shown> shown() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_shown;
    }
    std::vector<std::string> texts() const;

private:
    mutable std::mutex m_mutex;
    std::vector<Shown> m_shown;
};

/// Puts a drive into the table as a successful identification would, with
/// its control read pending; returns its slot.
int connectDrive(LinkState& s, int address, const std::string& series, const std::string& rating);

/// A DriveLink over `Port`, stepped one simulated millisecond per tick:
/// link.tick(), then port.advanceTick().
template <class Port> class LinkHarness {
public:
    explicit LinkHarness(Port& p) : port(p), link(p, messages) { link.openLink(); }

    void run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            step();
        }
    }
    void step() {
        link.tick();
        port.advanceTick();
    }
    /// Ticks until `done(state)` holds; the ticks it took, or -1 past `maxTicks`.
    template <class Pred> int runUntil(Pred done, int maxTicks = 20000) {
        for (int i = 0; i < maxTicks; ++i) {
            {
                auto s = link.lock();
                if (done(*s)) {
                    return i;
                }
            }
            step();
        }
        return -1;
    }
    /// Ticks until the drive at `slot` has nothing pending and the scheduler is idle.
    int settle(int slot, int maxTicks = 20000) {
        return runUntil(
            [slot](LinkState& s) {
                return s.table.slots[static_cast<std::size_t>(slot)].pendingOp == OpCode::None &&
                       s.currentOp == OpCode::None;
            },
            maxTicks);
    }
    /// Searches `count` addresses from `from` and waits for the search to end.
    int search(int from, unsigned count, int maxTicks = 200000) {
        {
            auto s = link.lock();
            s->searchNextAddress = from;
            s->searchRemaining = count;
        }
        step();
        return runUntil(
            [](LinkState& s) { return s.searchRemaining == 0 && s.table.probeRecord.name.empty(); },
            maxTicks);
    }

    Port& port;
    RecordingMessages messages;
    DriveLink link;
};

/// The simulated bus and its in-memory port, set up before the link.
struct SimulatedWire {
    sim::BusSimulator bus;
    sim::MemoryTransport wire{bus};
};

/// A link over the drive simulator at 9600 baud.
class SimLink : public SimulatedWire, public LinkHarness<sim::MemoryTransport> {
public:
    SimLink() : LinkHarness(wire) {}
    /// Adds a simulated drive and connects it through a real search; returns
    /// its slot (-1 if it was not added) once its control read is done.
    int connect(int address, sim::Series series, int rating);
};

} // namespace velkaro::testing
