#pragma once

#include "link/drive_link.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

#include "app/main_window.h"
#include "ui/support/recording_messages.h"

#include <memory>
#include <string>

namespace velkaro::reliability {

/// The station window over the deterministic simulated bus, without window
/// timers or tick thread: run() moves simulated time one tick per millisecond
/// and makes the 100 ms pass of timer 1 where it falls.
class WindowBench {
public:
    WindowBench();
    /// With the window's own options (the data source of a records test).
    explicit WindowBench(MainWindowOptions options);

    void start();
    void run(int ms);
    /// Searches `count` addresses from `from` on the link, then lets the
    /// window take the drives in; the first drive ends up selected.
    void connect(int from, unsigned count);
    /// Slot of the drive at bus address `address`, or -1.
    int slotOfAddress(int address);
    /// Selects the drive at `address` as a click in the drive list would.
    void select(int address);
    sim::MemoryTransport& wire() { return transport; }

    sim::BusSimulator bus;
    sim::MemoryTransport transport{bus};
    test::RecordingMessages messages;
    DriveLink link{transport, messages};
    std::unique_ptr<MainWindow> window;

private:
    int m_ticks = 0;
};

} // namespace velkaro::reliability
