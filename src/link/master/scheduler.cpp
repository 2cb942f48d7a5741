#include <charconv>

#include "link/master/link_operations.h"

namespace velkaro {

namespace {

constexpr int kLowestUnicastAddress = 1;
constexpr int kHighestUnicastAddress = 247;

/// What a drive's turn serves. A stop goes before anything else; transfers,
/// the first control read and control writes go as asked; otherwise a saved
/// parameter change comes first, then a register read, then pendingOp. A
/// request passed over stays for a later turn.
OpCode operationToServe(const LinkState& s, int slot) {
    const DriveRecord& drive = s.table.slots[static_cast<std::size_t>(slot)];
    const SlotWork& work = s.work[static_cast<std::size_t>(slot)];
    if (stopWaiting(s, slot) && drive.pendingOp != OpCode::ControlRead) {
        return OpCode::ControlWrite;
    }
    switch (drive.pendingOp) {
    case OpCode::None:
    case OpCode::StatusRead:
    case OpCode::GroupRead:
    case OpCode::ParamWrite:
        break;
    default:
        return drive.pendingOp;
    }
    // A transfer given as the drive's last operation ended may have lost its
    // pendingOp with it: it is served all the same.
    if (s.transfer && s.transfer->target.slot == slot && !s.transfer->started &&
        s.transfer->kind != TransferJob::Kind::Readout) {
        return s.transfer->kind == TransferJob::Kind::Export ? OpCode::Export : OpCode::Import;
    }
    if (!work.writes.empty()) {
        return OpCode::ParamWrite;
    }
    if (!work.reads.empty()) {
        return OpCode::GroupRead;
    }
    if (!work.statusWaiters.empty()) {
        return OpCode::StatusRead;
    }
    return drive.pendingOp == OpCode::StatusRead ? OpCode::StatusRead : OpCode::None;
}

void resetOpState(LinkState& s) {
    s.opAtStart = s.currentOp;
    s.identifyStep = IdentifyStep::SendEcho;
    s.opPhase.fill(OpPhase::Send);
    // Retries left over from an abandoned operation must not shorten this one.
    s.retryCount = 0;
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
    resetOpState(s);
}

/// The slot of a drive a stop waits for (the served one included: a stop
/// goes between the chunks of its own transfer); -1 if none. A drive whose
/// control block has not been read yet gets its stop after that read.
int stopToServe(const LinkState& s) {
    for (uint32_t i = 0; i < s.table.driveCount; ++i) {
        const int slot = s.table.findSlotByName(s.table.driveNames[i]);
        if (slot >= 0 && stopWaiting(s, slot) &&
            s.table.slots[static_cast<std::size_t>(slot)].pendingOp != OpCode::ControlRead) {
            return slot;
        }
    }
    return -1;
}

/// Nothing of the current operation is on the wire: it may be put aside.
bool atSendPoint(const LinkState& s) {
    if (s.buffers.txLength != 0) {
        return false;
    }
    switch (s.currentOp) {
    case OpCode::None:
        return true;
    case OpCode::Identify:
        return s.identifyStep == IdentifyStep::SendEcho ||
               s.identifyStep == IdentifyStep::SendProbe40 ||
               s.identifyStep == IdentifyStep::SendProbe30 ||
               s.identifyStep == IdentifyStep::SendProbe20 ||
               s.identifyStep == IdentifyStep::SendRating;
    case OpCode::Finished:
        return false;
    default:
        return s.opPhase[static_cast<std::size_t>(s.currentOp)] == OpPhase::Send;
    }
}

/// A stop waits for another drive and the current operation is between two
/// requests: it is put aside, the stop goes out, and it goes on afterwards.
void letStopGoFirst(LinkState& s) {
    if (s.suspended || s.currentOp == OpCode::ControlWrite || !atSendPoint(s)) {
        return;
    }
    const int slot = stopToServe(s);
    if (slot < 0) {
        return;
    }
    s.suspended =
        LinkState::Suspended{s.currentDriveName, s.currentOp,    s.opAtStart,   s.retryCount,
                             s.opPhase,          s.identifyStep, s.servingProbe};
    s.currentDriveName = s.table.slots[static_cast<std::size_t>(slot)].name;
    s.currentOp = OpCode::ControlWrite;
    s.servingProbe = false;
    resetOpState(s);
}

void resume(LinkState& s) {
    const LinkState::Suspended& r = *s.suspended;
    s.currentDriveName = r.driveName;
    s.currentOp = r.op;
    s.opAtStart = r.opAtStart;
    s.retryCount = r.retryCount;
    s.opPhase = r.opPhase;
    s.identifyStep = r.identifyStep;
    s.servingProbe = r.servingProbe;
    s.suspended.reset();
    // A drive that left meanwhile is passed over by the running case.
}

void completeServed(LinkState& s) {
    DriveTable& t = s.table;
    if (!s.servingProbe) {
        const int slot = t.findSlotByName(s.currentDriveName);
        // A request made meanwhile is kept.
        if (slot >= 0 && t.slots[static_cast<std::size_t>(slot)].pendingOp == s.opAtStart) {
            t.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::None;
        }
    } else {
        t.probeRecord.pendingOp = OpCode::None;
        if (t.probeRecord.name != kProbeMarker) {
            const DriveTable::ProbeCommit commit = t.commitProbe();
            if (commit.added) {
                const int slot = t.findSlotByName(commit.givenName);
                if (slot >= 0) {
                    s.work[static_cast<std::size_t>(slot)] = SlotWork{};
                    s.statusReadCount[static_cast<std::size_t>(slot)] = 0;
                }
                if (s.search) {
                    s.search->names.push_back(commit.givenName);
                }
                if (commit.givenName != commit.foundName) {
                    s.joinRenames.emplace_back(commit.foundName, commit.givenName);
                }
            }
        }
        t.probeRecord.name.clear();
    }
    if (s.suspended) {
        resume(s);
        return;
    }
    s.currentDriveName.clear();
    s.currentOp = OpCode::None;
    s.servingProbe = false;
    // The operation step of this tick moves pollIndex on to the next drive.
    // Moving it here as well would pass that drive over, and when the drive
    // before it always has work (status polls, an unconfirmed control write)
    // it would never be served: never polled, never dropped, no command sent.
}

/// The served drive left the table: drop its operation (its requests have
/// been ended when it left).
void abandon(LinkState& s) {
    abandonOperation(s, s.currentOp);
    s.currentDriveName.clear();
    s.currentOp = OpCode::None;
    s.servingProbe = false;
    s.retryCount = 0;
    if (s.suspended) {
        resume(s);
    }
}

} // namespace

void advancePollIndex(LinkState& s) {
    ++s.pollIndex;
    if (s.pollIndex > s.table.driveCount) {
        s.pollIndex = 0;
    }
}

void scheduleStep(LinkState& s, TickOutcome& /*out*/) {
    if (s.currentDriveName.empty() && s.currentOp == OpCode::None) {
        pickUp(s);
    } else if (s.currentOp == OpCode::Finished) {
        completeServed(s);
    } else if (!s.servingProbe && s.table.findSlotByName(s.currentDriveName) < 0) {
        abandon(s);
    }
    letStopGoFirst(s);
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
    int slot = -1;
    if (s.servingProbe) {
        drive = &s.table.probeRecord;
    } else {
        slot = s.table.findSlotByName(s.currentDriveName);
        if (slot < 0) {
            return;
        }
        drive = &s.table.slots[static_cast<std::size_t>(slot)];
    }
    OpContext c{s, out, wireAddress(drive->address), drive, slot};
    if (c.address == 0 && s.currentOp != OpCode::Finished) {
        // Never address the broadcast or a reserved address.
        abandonOperation(s, s.currentOp);
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
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        DriveRecord& drive = s.table.slots[static_cast<std::size_t>(slot)];
        if (drive.name.empty() || !controlWriteWanted(s, slot)) {
            continue;
        }
        // A stop needs no pendingOp: the drive's next turn serves it first
        // and keeps what was asked.
        if (drive.pendingOp == OpCode::None) {
            drive.pendingOp = OpCode::ControlWrite;
        }
    }
}

} // namespace velkaro
