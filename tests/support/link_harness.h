#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "link/drive_link.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/recording_messages.h"

namespace velkaro::testing {

/// Ticks between two passes of the window's 100 ms status timer.
inline constexpr uint64_t kStatusPassTicks = 100;

/// Whether a harness opens its link at once (link tests) or leaves that to
/// the window's start-up.
enum class LinkStart { Open, Closed };

/// Puts a drive into the table as a successful identification would, with
/// its control read pending; returns its slot.
int connectDrive(LinkState& s, int address, const std::string& series, const std::string& rating);

/// The tick loop: a DriveLink over `Port` with recorded messages, moved one
/// simulated millisecond per tick (link.tick(), then port.advanceTick()).
/// Nothing sleeps; time moves only here.
template <class Port> class LinkHarness {
public:
    explicit LinkHarness(Port& p, LinkStart start = LinkStart::Open) : port(p), link(p, messages) {
        if (start == LinkStart::Open) {
            EXPECT_TRUE(link.openLink().ok);
        }
    }

    /// One tick of the link alone: no status pass, not counted in ticks().
    void step() {
        link.tick();
        port.advanceTick();
    }
    /// `count` ticks; after each the status pass where it falls (every
    /// kStatusPassTicks counted ticks, when one is set), then `afterTick`,
    /// both with the lock free.
    void run(uint64_t count, const std::function<void()>& afterTick = {}) {
        for (uint64_t i = 0; i < count; ++i) {
            step();
            if (++m_ticks % kStatusPassTicks == 0 && m_statusPass) {
                m_statusPass();
            }
            if (afterTick) {
                afterTick();
            }
        }
    }
    /// Ticks (as run() does) until `done(state)` holds; the ticks it took, or
    /// -1 past `maxTicks`.
    template <class Pred> int runUntil(Pred done, int maxTicks = 20000) {
        for (int i = 0; i < maxTicks; ++i) {
            {
                auto s = link.lock();
                if (done(*s)) {
                    return i;
                }
            }
            run(1);
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
    /// Searches `count` addresses from `from` with the link alone (no status
    /// pass) and waits for the search to end; the ticks it took, or -1.
    int search(int from, unsigned count, int maxTicks = 200000) {
        {
            auto s = link.lock();
            s->searchNextAddress = from;
            s->searchRemaining = count;
        }
        step();
        for (int i = 0; i < maxTicks; ++i) {
            {
                auto s = link.lock();
                if (s->searchRemaining == 0 && s->table.probeRecord.name.empty()) {
                    return i;
                }
            }
            step();
        }
        return -1;
    }
    /// Slot of the connected drive at bus address `address`, or -1.
    int slotOfAddress(int address) {
        const std::string text = std::to_string(address);
        auto s = link.lock();
        for (int slot = 0; slot < kMaxDrives; ++slot) {
            const DriveRecord& drive = s->table.slots[static_cast<std::size_t>(slot)];
            if (!drive.name.empty() && drive.address == text) {
                return slot;
            }
        }
        return -1;
    }
    /// Ticks counted by run().
    uint64_t ticks() const { return m_ticks; }
    /// What run() does every kStatusPassTicks ticks (the window's status pass).
    void setStatusPass(std::function<void()> pass) { m_statusPass = std::move(pass); }

    Port& port;
    RecordingMessages messages;
    DriveLink link;

private:
    std::function<void()> m_statusPass;
    uint64_t m_ticks = 0;
};

/// The simulated bus and its in-memory port, set up before the link.
struct SimulatedWire {
    sim::BusSimulator bus;
    sim::MemoryTransport transport{bus};
};

/// Status passes of a SimLink: none (link tests count every frame), or the
/// status polls the window queues every 100 ms.
enum class StatusPasses { None, Polls };

/// A link over the drive simulator at 9600 baud.
class SimLink : public SimulatedWire, public LinkHarness<sim::MemoryTransport> {
public:
    explicit SimLink(StatusPasses passes = StatusPasses::None, LinkStart start = LinkStart::Open);

    /// Adds a simulated drive and connects it through a real search; returns
    /// its slot (-1 if it was not added) once its control read is done.
    int connect(int address, sim::Series series, int rating);
    /// connect(), then the drive becomes the selected one; its slot or -1.
    int connectAndSelect(int address, sim::Series series, int rating);
    /// Adds `count` drives from address `first` on, cycling through the four
    /// series, and connects them through a real search. Returns how many the
    /// table holds afterwards, once their first control reads are done.
    int connectDrives(int first, int count);
};

} // namespace velkaro::testing
