#include "registry/drive_table.h"

#include <algorithm>

namespace velkaro {

void DriveTable::initialise() {
    for (auto& slot : slots) {
        slot = DriveRecord{};
    }
    probeRecord = DriveRecord{};
    for (auto& name : driveNames) {
        name.clear();
    }
    driveCount = 0;
    defaultKeyCodes = {4, 2, 6, 7, 3, 5};
    ++changes;
}

int DriveTable::findSlotByName(std::string_view name) const {
    for (int i = 0; i < kMaxDrives; ++i) {
        if (slots[i].name == name) {
            return i;
        }
    }
    return -1;
}

bool DriveTable::isAddressFree(std::string_view addressText) const {
    for (uint32_t i = 0; i < driveCount; ++i) {
        const int slot = findSlotByName(driveNames[i]);
        if (slot >= 0 && slots[slot].address == addressText) {
            return false;
        }
    }
    return true;
}

DriveTable::ProbeCommit DriveTable::commitProbe() {
    ProbeCommit result;
    result.foundName = probeRecord.name;
    probeRecord.online = 1;
    probeRecord.keyCodes = defaultKeyCodes;
    probeRecord.pendingOp = OpCode::ControlRead;
    // An empty name would be indistinguishable from a free slot.
    if (!probeRecord.name.empty() && isAddressFree(probeRecord.address) &&
        driveCount < static_cast<uint32_t>(kMaxDrives)) {
        const int slot = findSlotByName("");
        if (slot >= 0) {
            std::string name = probeRecord.name;
            auto* const used = driveNames.begin() + driveCount;
            for (int n = 2; std::find(driveNames.begin(), used, name) != used; ++n) {
                name = probeRecord.name + "(" + std::to_string(n) + ")";
            }
            probeRecord.name = name;
            slots[slot] = probeRecord;
            driveNames[driveCount] = probeRecord.name;
            ++driveCount;
            result.added = true;
            result.givenName = name;
            ++changes;
        }
    }
    probeRecord.name.clear();
    return result;
}

bool DriveTable::removeDrive(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    auto* const used = driveNames.begin() + driveCount;
    auto* const it = std::find(driveNames.begin(), used, name);
    if (it == used) {
        return false;
    }
    std::move(it + 1, used, it);
    driveNames[driveCount - 1].clear();
    --driveCount;
    const int slot = findSlotByName(name);
    if (slot >= 0) {
        slots[slot].name.clear();
        slots[slot].address.clear();
    }
    ++changes;
    return true;
}

RenameResult DriveTable::renameDrive(std::string_view oldName, std::string_view newName) {
    if (newName.empty()) {
        return RenameResult::EmptyName;
    }
    int namePosition = -1;
    int slotPosition = -1;
    for (int i = 0; i < kMaxDrives; ++i) {
        if (static_cast<uint32_t>(i) < driveCount && driveNames[i] == oldName) {
            namePosition = i;
        }
        if (!oldName.empty() && slots[i].name == oldName && slotPosition < 0) {
            slotPosition = i;
        }
        if (static_cast<uint32_t>(i) < driveCount && driveNames[i] == newName) {
            return RenameResult::DuplicateName;
        }
    }
    if (namePosition < 0 || slotPosition < 0) {
        return RenameResult::NotFound;
    }
    driveNames[namePosition] = std::string(newName);
    slots[slotPosition].name = std::string(newName);
    ++changes;
    return RenameResult::Renamed;
}

bool DriveTable::isOnline(int slot) const {
    return slot >= 0 && slot < kMaxDrives && slots[slot].online != 0;
}

bool DriveTable::isFaulted(int slot) const {
    return slot >= 0 && slot < kMaxDrives && (slots[slot].status[0] & status_bit::kFault) != 0;
}

bool DriveTable::isRunning(int slot) const {
    return slot >= 0 && slot < kMaxDrives && (slots[slot].status[0] & status_bit::kRunning) != 0;
}

} // namespace velkaro
