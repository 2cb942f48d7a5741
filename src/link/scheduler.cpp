#include <charconv>

#include "link/link_operations.h"

namespace velkaro {

namespace {

constexpr int kLowestUnicastAddress = 1;
constexpr int kHighestUnicastAddress = 247;

/// What a drive's turn serves. Transfers, the first control read and motor
/// commands go as asked; otherwise a saved parameter change comes first, then
/// a group read the window asked for the selected drive, then pendingOp. A
/// request passed over stays in pendingOp for a later turn.
OpCode operationToServe(const LinkState& s, int slot) {
    const DriveRecord& drive = s.table.slots[static_cast<std::size_t>(slot)];
    switch (drive.pendingOp) {
    case OpCode::None:
    case OpCode::StatusRead:
    case OpCode::GroupRead:
    case OpCode::ParamWrite:
        break;
    default:
        return drive.pendingOp;
    }
    if (!drive.parameterWrites.empty()) {
        return OpCode::ParamWrite;
    }
    if (slot == s.selectedSlot && s.groupReadDone != s.groupReadRequest) {
        return OpCode::GroupRead;
    }
    return drive.pendingOp == OpCode::ParamWrite ? OpCode::None : drive.pendingOp;
}

void pickUp(LinkState& s) {
    DriveTable& t = s.table;
    s.servingProbe = false;
    if (s.pollIndex < t.driveCount) {
        s.currentDriveName = t.driveNames[s.pollIndex];
        const int slot = t.findSlotByName(s.currentDriveName);
        if (slot >= 0) {
            s.currentOp = operationToServe(s, slot);
        } else {
            s.currentDriveName.clear();
        }
    } else if (s.pollIndex == t.driveCount) {
        // The probe slot; its name is empty when no address waits to be tested.
        s.currentDriveName = t.probeRecord.name;
        t.probeRecord.pendingOp = OpCode::Identify;
        s.currentOp = OpCode::Identify;
        s.servingProbe = true;
    } else {
        s.pollIndex = 0;
    }
    s.opAtStart = s.currentOp;
    s.identifyStep = IdentifyStep::SendEcho;
    s.opPhase.fill(OpPhase::Send);
    // Retries left over from an abandoned operation must not shorten this one.
    s.retryCount = 0;
}

void completeServed(LinkState& s) {
    DriveTable& t = s.table;
    if (!s.servingProbe) {
        const int slot = t.findSlotByName(s.currentDriveName);
        // A request the window made meanwhile is kept.
        if (slot >= 0 && t.slots[static_cast<std::size_t>(slot)].pendingOp == s.opAtStart) {
            t.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::None;
        }
    } else {
        t.probeRecord.pendingOp = OpCode::None;
        if (t.probeRecord.name != kProbeMarker) {
            const DriveTable::ProbeCommit commit = t.commitProbe();
            if (commit.added) {
                s.driveListChanged = true;
                if (commit.givenName != commit.foundName) {
                    s.joinRenames.emplace_back(commit.foundName, commit.givenName);
                }
            }
        }
        t.probeRecord.name.clear();
    }
    s.currentDriveName.clear();
    s.currentOp = OpCode::None;
    s.servingProbe = false;
    // The operation step of this tick moves pollIndex on to the next drive.
    // Moving it here as well would pass that drive over, and when the drive
    // before it always has work (status polls, an unconfirmed control write)
    // it would never be served: never polled, never dropped, no command sent.
}

/// The served drive left the table: drop its operation (no message).
void abandon(LinkState& s, TickOutcome& out) {
    releaseTransfer(s, s.currentOp, out);
    s.currentDriveName.clear();
    s.currentOp = OpCode::None;
    s.servingProbe = false;
    s.retryCount = 0;
}

} // namespace

void advancePollIndex(LinkState& s) {
    ++s.pollIndex;
    if (s.pollIndex > s.table.driveCount) {
        s.pollIndex = 0;
    }
}

void scheduleStep(LinkState& s, TickOutcome& out) {
    if (s.currentDriveName.empty() && s.currentOp == OpCode::None) {
        pickUp(s);
    } else if (s.currentOp == OpCode::Finished) {
        completeServed(s);
    } else if (!s.servingProbe && s.table.findSlotByName(s.currentDriveName) < 0) {
        abandon(s, out);
    }
}

uint8_t wireAddress(std::string_view addressText) {
    std::size_t start = 0;
    while (start < addressText.size() && addressText[start] == ' ') {
        ++start;
    }
    int value = 0;
    const char* first = addressText.data() + start;
    const auto [end, error] =
        std::from_chars(first, addressText.data() + addressText.size(), value);
    if (error != std::errc{} || end == first || value < kLowestUnicastAddress ||
        value > kHighestUnicastAddress) {
        return 0;
    }
    return static_cast<uint8_t>(value);
}

void operationStep(LinkState& s, TickOutcome& out) {
    if (s.currentOp == OpCode::None || s.currentDriveName.empty()) {
        s.currentOp = OpCode::None;
        s.currentDriveName.clear();
        s.servingProbe = false;
        advancePollIndex(s);
        return;
    }
    DriveRecord* drive = nullptr;
    if (s.servingProbe) {
        drive = &s.table.probeRecord;
    } else {
        const int slot = s.table.findSlotByName(s.currentDriveName);
        if (slot < 0) {
            return;
        }
        drive = &s.table.slots[static_cast<std::size_t>(slot)];
    }
    OpContext c{s, out, wireAddress(drive->address), drive};
    if (c.address == 0 && s.currentOp != OpCode::Finished) {
        // Never address the broadcast or a reserved address.
        releaseTransfer(s, s.currentOp, out);
        finishOp(s);
        return;
    }
    switch (s.currentOp) {
    case OpCode::Identify:
        runIdentify(c);
        break;
    case OpCode::StatusRead:
        runStatusRead(c);
        break;
    case OpCode::ControlRead:
        runControlRead(c);
        break;
    case OpCode::ControlWrite:
        runControlWrite(c);
        break;
    case OpCode::GroupRead:
        runGroupRead(c);
        break;
    case OpCode::ParamWrite:
        runParamWrite(c);
        break;
    case OpCode::Export:
        runExport(c);
        break;
    case OpCode::Import:
        runImport(c);
        break;
    case OpCode::None:
    case OpCode::Finished:
        break;
    }
}

void detectChanges(LinkState& s) {
    for (DriveRecord& drive : s.table.slots) {
        if (drive.name.empty() || drive.pendingOp != OpCode::None) {
            continue;
        }
        if (drive.controlSet != drive.controlAck) {
            drive.pendingOp = OpCode::ControlWrite;
        }
    }
}

} // namespace velkaro
