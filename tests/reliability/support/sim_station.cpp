#include "reliability/support/sim_station.h"

#include <algorithm>

namespace velkaro::reliability {

namespace {
constexpr uint64_t kStatusPassTicks = 100; // window timer 1
} // namespace

SimStation::SimStation() {
    link.openLink();
}

int SimStation::connectDrives(int first, int count) {
    static constexpr sim::Series kSeries[] = {sim::Series::QD10, sim::Series::QD20,
                                              sim::Series::QD30, sim::Series::QD40};
    static constexpr int kRatings[] = {75, 6, 750, 1100};
    for (int i = 0; i < count; ++i) {
        bus.addDrive(first + i, kSeries[i % 4], kRatings[i % 4]);
    }
    {
        auto s = link.lock();
        s->searchNextAddress = first;
        s->searchRemaining = static_cast<unsigned>(count);
    }
    // A present drive costs a handful of exchanges: a generous bound.
    for (int i = 0; i < count * 2000 + 2000; ++i) {
        link.tick();
        wire.advanceTick();
        auto s = link.lock();
        if (s->searchRemaining == 0 && s->table.probeRecord.name.empty()) {
            break;
        }
    }
    // Each new drive's first operation reads its control block; a command
    // written before that would be overwritten by what the drive holds.
    for (int i = 0; i < count * 1000 + 1000; ++i) {
        {
            auto s = link.lock();
            const bool controlReadPending =
                std::any_of(s->table.slots.begin(), s->table.slots.end(), [](const DriveRecord& d) {
                    return d.pendingOp == OpCode::ControlRead;
                });
            if (!controlReadPending && s->currentOp != OpCode::ControlRead) {
                break;
            }
        }
        run(1);
    }
    auto s = link.lock();
    return static_cast<int>(s->table.driveCount);
}

void SimStation::run(uint64_t ticks, const std::function<void()>& afterTick) {
    for (uint64_t i = 0; i < ticks; ++i) {
        link.tick();
        wire.advanceTick();
        if (++m_ticks % kStatusPassTicks == 0) {
            link.queueStatusPolls();
        }
        if (afterTick) {
            afterTick();
        }
    }
}

int SimStation::slotOfAddress(int address) {
    const std::string text = std::to_string(address);
    auto s = link.lock();
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        if (!s->table.slots[static_cast<std::size_t>(slot)].name.empty() &&
            s->table.slots[static_cast<std::size_t>(slot)].address == text) {
            return slot;
        }
    }
    return -1;
}

} // namespace velkaro::reliability
