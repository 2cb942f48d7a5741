#include "link/link_snapshot.h"

#include "link/master/link_operations.h"

namespace velkaro {

const DriveRecord* LinkSnapshot::drive(int slot) const {
    if (slot < 0 || slot >= kMaxDrives) {
        return nullptr;
    }
    const DriveRecord& d = table.slots[static_cast<std::size_t>(slot)];
    return d.name.empty() ? nullptr : &d;
}

int LinkSnapshot::slotOfAddress(int address) const {
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        const DriveRecord* d = drive(slot);
        if (d != nullptr && wireAddress(d->address) == address) {
            return slot;
        }
    }
    return -1;
}

Target LinkSnapshot::target(int slot) const {
    const DriveRecord* d = drive(slot);
    if (d == nullptr) {
        return {};
    }
    return {slot, wireAddress(d->address), d->name};
}

} // namespace velkaro
