#include "link/support/link_harness.h"

namespace velkaro::testing {

std::vector<std::string> RecordingMessages::texts() const {
    std::vector<std::string> out;
    for (const Shown& s : shown()) {
        out.push_back(s.text);
    }
    return out;
}

int connectDrive(LinkState& s, int address, const std::string& series, const std::string& rating) {
    DriveRecord& probe = s.table.probeRecord;
    probe = DriveRecord{};
    probe.address = std::to_string(address);
    probe.series = series;
    probe.ratedPower = rating;
    probe.name = probe.address + "#" + series + "-" + rating;
    const std::string name = probe.name;
    s.table.commitProbe();
    return s.table.findSlotByName(name);
}

int SimLink::connect(int address, sim::Series series, int rating) {
    bus.addDrive(address, series, rating);
    int before = 0;
    {
        auto s = link.lock();
        before = static_cast<int>(s->table.driveCount);
    }
    if (search(address, 1) < 0) {
        return -1;
    }
    int slot = -1;
    {
        auto s = link.lock();
        if (static_cast<int>(s->table.driveCount) == before) {
            return -1;
        }
        slot = s->table.findSlotByName(s->table.driveNames[s->table.driveCount - 1]);
    }
    settle(slot);
    return slot;
}

} // namespace velkaro::testing
