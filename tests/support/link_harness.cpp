#include "support/link_harness.h"

#include <algorithm>

namespace velkaro::testing {

int connectDrive(LinkState& state, int address, const std::string& series,
                 const std::string& rating) {
    DriveRecord& probe = state.table.probeRecord;
    probe = DriveRecord{};
    probe.address = std::to_string(address);
    probe.series = series;
    probe.ratedPower = rating;
    probe.name = probe.address + "#" + series + "-" + rating;
    const std::string name = probe.name;
    state.table.commitProbe();
    return state.table.findSlotByName(name);
}

SimLink::SimLink(StatusPasses passes, LinkStart start) : LinkHarness(transport, start) {
    if (passes == StatusPasses::Polls) {
        setStatusPass([this] { link.queueStatusPolls(); });
    }
}

int SimLink::connect(int address, sim::Series series, int rating) {
    bus.addDrive(address, series, rating);
    const int before = static_cast<int>(link.snapshot().table.driveCount);
    if (search(address, 1) < 0) {
        return -1;
    }
    const LinkSnapshot now = link.snapshot();
    if (static_cast<int>(now.table.driveCount) == before) {
        return -1;
    }
    const int slot = now.table.findSlotByName(now.table.driveNames[now.table.driveCount - 1]);
    settle(slot);
    return slot;
}

int SimLink::connectDrives(int first, int count) {
    static constexpr sim::Series kSeries[] = {sim::Series::QD10, sim::Series::QD20,
                                              sim::Series::QD30, sim::Series::QD40};
    static constexpr int kRatings[] = {75, 6, 750, 1100};
    for (int i = 0; i < count; ++i) {
        bus.addDrive(first + i, kSeries[i % 4], kRatings[i % 4]);
    }
    // A present drive costs a handful of exchanges: a generous bound.
    search(first, static_cast<unsigned>(count), count * 2000 + 2000);
    // Each new drive's first operation reads its control block; a command
    // written before that would be overwritten by what the drive holds.
    runUntil(
        [](LinkState& state) {
            const bool controlReadPending =
                std::any_of(state.table.slots.begin(), state.table.slots.end(), [](const DriveRecord& d) {
                    return d.pendingOp == OpCode::ControlRead;
                });
            return !controlReadPending && state.currentOp != OpCode::ControlRead;
        },
        count * 1000 + 1000);
    return static_cast<int>(link.snapshot().table.driveCount);
}

} // namespace velkaro::testing
