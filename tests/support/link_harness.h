#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/drive_link.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/link_inspector.h"
#include "support/recording_messages.h"

namespace velkaro::testing {

/// Ticks between two passes of the window's 100 ms status timer.
inline constexpr uint64_t kStatusPassTicks = 100;

/// Whether a harness opens its link at once (link tests) or leaves that to
/// the window's start-up.
enum class LinkStart { Open, Closed };

/// Puts a drive into the table as a successful identification would, with
/// its control read pending; returns its slot.
int connectDrive(LinkState& state, int address, const std::string& series,
                 const std::string& rating);

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
    /// Outcomes that ended are collected (outcome(), outcomes).
    void step() {
        link.tick();
        port.advanceTick();
        collect();
    }
    /// The link's private state, for what no outcome shows.
    LinkInspector::Locked lock() { return LinkInspector::lock(link); }
    /// Submits a request; outcomes that end at once are collected too.
    RequestId submit(const Target& target, Request request) {
        const RequestId id = link.submit(target, std::move(request));
        collect();
        return id;
    }
    /// Leaves the outcomes to whoever else takes them from the link (the
    /// window's StationLink in a Station); outcome() then sees none.
    void leaveOutcomes() { m_collect = false; }
    /// The drive at bus address `address` as a request target.
    Target target(int address) const { return link.targetOfAddress(address); }
    /// The outcome of request `id` once it has ended.
    std::optional<Outcome> outcome(RequestId id) const {
        for (const Outcome& o : outcomes) {
            if (o.id == id) {
                return o;
            }
        }
        return std::nullopt;
    }
    /// Runs (as run() does) until request `id` has ended; its outcome, or
    /// none past `maxTicks`.
    std::optional<Outcome> await(RequestId id, int maxTicks = 60000) {
        for (int i = 0; i < maxTicks && !outcome(id); ++i) {
            run(1);
        }
        return outcome(id);
    }
    /// How many outcomes request `id` got (exactly one once it ended).
    int outcomeCount(RequestId id) const {
        int n = 0;
        for (const Outcome& o : outcomes) {
            n += o.id == id ? 1 : 0;
        }
        return n;
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
    /// Ticks (as run() does) until `done(snapshot)` holds for a snapshot of
    /// the link; the ticks it took, or -1 past `maxTicks`.
    int runUntilSeen(const std::function<bool(const LinkSnapshot&)>& done, int maxTicks = 20000) {
        for (int i = 0; i < maxTicks; ++i) {
            if (done(link.snapshot())) {
                return i;
            }
            run(1);
        }
        return -1;
    }
    /// Ticks (as run() does) until `done(state)` holds; the ticks it took, or
    /// -1 past `maxTicks`.
    template <class Pred> int runUntil(Pred done, int maxTicks = 20000) {
        for (int i = 0; i < maxTicks; ++i) {
            {
                auto s = lock();
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
            [slot](LinkState& state) {
                return state.table.slots[static_cast<std::size_t>(slot)].pendingOp == OpCode::None &&
                       state.currentOp == OpCode::None;
            },
            maxTicks);
    }
    /// Searches `count` addresses from `from` with the link alone (no status
    /// pass) and waits for the search to end; the ticks it took, or -1.
    int search(int from, unsigned count, int maxTicks = 200000) {
        const RequestId id = submit({}, Search{from, count});
        for (int i = 0; i < maxTicks; ++i) {
            step();
            if (m_collect ? outcome(id).has_value() : !link.snapshot().searching) {
                return i;
            }
        }
        return -1;
    }
    /// Slot of the connected drive at bus address `address`, or -1.
    int slotOfAddress(int address) { return link.targetOfAddress(address).slot; }
    /// Ticks counted by run().
    uint64_t ticks() const { return m_ticks; }
    /// What run() does every kStatusPassTicks ticks (the window's status pass).
    void setStatusPass(std::function<void()> pass) { m_statusPass = std::move(pass); }

    Port& port;
    RecordingMessages messages;
    DriveLink link;
    /// Every outcome the link handed out, in order.
    std::vector<Outcome> outcomes;

private:
    void collect() {
        if (!m_collect) {
            return;
        }
        for (Outcome& o : link.takeOutcomes()) {
            outcomes.push_back(std::move(o));
        }
    }

    std::function<void()> m_statusPass;
    uint64_t m_ticks = 0;
    bool m_collect = true;
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
    /// Adds `count` drives from address `first` on, cycling through the four
    /// series, and connects them through a real search. Returns how many the
    /// table holds afterwards, once their first control reads are done.
    int connectDrives(int first, int count);
};

} // namespace velkaro::testing
