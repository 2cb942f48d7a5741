#pragma once

#include "link/drive_link.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

#include "app/main_window.h"
#include "ui/support/recording_messages.h"

#include <memory>

namespace velkaro::test {

/// The station window over a link on the simulated bus, with recorded
/// messages, no window timers and no tick thread: a test moves simulated time
/// itself and runs the 100 ms pass every 100 ticks, as timer 1 would.
class Station {
public:
    explicit Station(bool dataSourceOk = true) : transport(bus), link(transport, messages) {
        MainWindowOptions options;
        options.startTimers = false;
        options.startTick = false;
        options.registerDataSource = [dataSourceOk] {
            return DataSourceResult{dataSourceOk, dataSourceOk ? "" : "refused"};
        };
        options.recordConnect = "DSN=velkaro-window-test-absent";
        window = std::make_unique<MainWindow>(link, messages, options);
    }

    /// Runs the start-up; false when it stopped early.
    bool start() { return window->initMainWindow(); }

    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            link.tick();
            transport.advanceTick();
            if (++m_ticks % 100 == 0) {
                window->runStatusPass();
            }
        }
    }
    /// Simulated milliseconds with the 100 ms pass where it falls.
    void run(int ms) { tick(ms); }

    /// Searches the bus through the link alone, without window passes.
    void search(int from, unsigned count) {
        {
            auto state = link.lock();
            state->searchNextAddress = from;
            state->searchRemaining = count;
        }
        for (int i = 0; i < 100000; ++i) {
            link.tick();
            transport.advanceTick();
            auto state = link.lock();
            if (state->searchRemaining == 0 && state->table.probeRecord.name.empty()) {
                break;
            }
        }
    }
    /// Connects the bus's drives in an address range and lets the window
    /// take them in: list rebuilt, row 0 selected, first polls answered.
    void connect(int from, unsigned count) {
        search(from, count);
        run(400);
    }

    DriveRecord drive(const std::string& name) {
        auto state = link.lock();
        const int slot = state->table.findSlotByName(name);
        return slot < 0 ? DriveRecord{} : state->table.slots[static_cast<std::size_t>(slot)];
    }
    int slotOf(const std::string& name) {
        auto state = link.lock();
        return state->table.findSlotByName(name);
    }
    int selectedSlot() {
        auto state = link.lock();
        return state->selectedSlot;
    }
    int32_t commandWord() {
        auto state = link.lock();
        return state->selectedSlot < 0
                   ? -1
                   : state->table.slots[static_cast<std::size_t>(state->selectedSlot)]
                         .controlSet[0];
    }

    sim::BusSimulator bus;
    sim::MemoryTransport transport;
    RecordingMessages messages;
    DriveLink link;
    std::unique_ptr<MainWindow> window;

private:
    long m_ticks = 0;
};

} // namespace velkaro::test
