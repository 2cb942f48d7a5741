#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/drive_link.h"
#include "reliability/support/recording_messages.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

namespace velkaro::reliability {

/// The link over the drive simulator on the deterministic in-memory wire, run
/// as the station runs it: one tick per simulated millisecond and the status
/// polls of window timer 1 every 100 ticks.
class SimStation {
public:
    SimStation();

    /// Adds `count` drives from address `first` on, cycling through the four
    /// series, and connects them through a real address search. Returns how
    /// many the table holds afterwards, once their first control reads are done.
    int connectDrives(int first, int count);

    /// Runs `ticks` ticks; `afterTick` (if given) runs after each, with the lock free.
    void run(uint64_t ticks, const std::function<void()>& afterTick = {});
    uint64_t ticks() const { return m_ticks; }

    /// Slot of the connected drive at bus address `address`, or -1.
    int slotOfAddress(int address);

    sim::BusSimulator bus;
    sim::MemoryTransport wire{bus};
    RecordingMessages messages;
    DriveLink link{wire, messages};

private:
    uint64_t m_ticks = 0;
};

} // namespace velkaro::reliability
