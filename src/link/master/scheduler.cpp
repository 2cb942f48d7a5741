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
OpCode operationToServe(const LinkState& state, int slot) {
    const DriveRecord& drive = state.table.slots[static_cast<std::size_t>(slot)];
    const SlotWork& work = state.work[static_cast<std::size_t>(slot)];
    if (stopWaiting(state, slot) && drive.pendingOp != OpCode::ControlRead) {
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
    if (state.transfer && state.transfer->target.slot == slot && !state.transfer->started &&
        state.transfer->kind != TransferJob::Kind::Readout) {
        return state.transfer->kind == TransferJob::Kind::Export ? OpCode::Export : OpCode::Import;
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

void resetOpState(LinkState& state) {
    state.opAtStart = state.currentOp;
    state.identifyStep = IdentifyStep::SendEcho;
    state.opPhase.fill(OpPhase::Send);
    // Retries left over from an abandoned operation must not shorten this one.
    state.retryCount = 0;
}

void pickUp(LinkState& state) {
    DriveTable& table = state.table;
    state.servingProbe = false;
    if (state.pollIndex < table.driveCount) {
        state.currentDriveName = table.driveNames[state.pollIndex];
        const int slot = table.findSlotByName(state.currentDriveName);
        if (slot >= 0) {
            state.currentOp = operationToServe(state, slot);
        } else {
            state.currentDriveName.clear();
        }
    } else if (state.pollIndex == table.driveCount) {
        // The probe slot; its name is empty when no address waits to be tested.
        state.currentDriveName = table.probeRecord.name;
        table.probeRecord.pendingOp = OpCode::Identify;
        state.currentOp = OpCode::Identify;
        state.servingProbe = true;
    } else {
        state.pollIndex = 0;
    }
    resetOpState(state);
}

/// The slot of a drive a stop waits for (the served one included: a stop
/// goes between the chunks of its own transfer); -1 if none. A drive whose
/// control block has not been read yet gets its stop after that read.
int stopToServe(const LinkState& state) {
    for (uint32_t i = 0; i < state.table.driveCount; ++i) {
        const int slot = state.table.findSlotByName(state.table.driveNames[i]);
        if (slot >= 0 && stopWaiting(state, slot) &&
            state.table.slots[static_cast<std::size_t>(slot)].pendingOp != OpCode::ControlRead) {
            return slot;
        }
    }
    return -1;
}

/// Nothing of the current operation is on the wire: it may be put aside.
bool atSendPoint(const LinkState& state) {
    if (state.buffers.txLength != 0) {
        return false;
    }
    switch (state.currentOp) {
    case OpCode::None:
        return true;
    case OpCode::Identify:
        return state.identifyStep == IdentifyStep::SendEcho ||
               state.identifyStep == IdentifyStep::SendProbe40 ||
               state.identifyStep == IdentifyStep::SendProbe30 ||
               state.identifyStep == IdentifyStep::SendProbe20 ||
               state.identifyStep == IdentifyStep::SendRating;
    case OpCode::Finished:
        return false;
    default:
        return state.opPhase[static_cast<std::size_t>(state.currentOp)] == OpPhase::Send;
    }
}

/// A stop waits for another drive and the current operation is between two
/// requests: it is put aside, the stop goes out, and it goes on afterwards.
void letStopGoFirst(LinkState& state) {
    if (state.suspended || state.currentOp == OpCode::ControlWrite || !atSendPoint(state)) {
        return;
    }
    const int slot = stopToServe(state);
    if (slot < 0) {
        return;
    }
    state.suspended = LinkState::Suspended{
        state.currentDriveName, state.currentOp,    state.opAtStart,   state.retryCount,
        state.opPhase,          state.identifyStep, state.servingProbe};
    state.currentDriveName = state.table.slots[static_cast<std::size_t>(slot)].name;
    state.currentOp = OpCode::ControlWrite;
    state.servingProbe = false;
    resetOpState(state);
}

void resume(LinkState& state) {
    const LinkState::Suspended& r = *state.suspended;
    state.currentDriveName = r.driveName;
    state.currentOp = r.op;
    state.opAtStart = r.opAtStart;
    state.retryCount = r.retryCount;
    state.opPhase = r.opPhase;
    state.identifyStep = r.identifyStep;
    state.servingProbe = r.servingProbe;
    state.suspended.reset();
    // A drive that left meanwhile is passed over by the running case.
}

void completeServed(LinkState& state) {
    DriveTable& table = state.table;
    if (!state.servingProbe) {
        const int slot = table.findSlotByName(state.currentDriveName);
        // A request made meanwhile is kept.
        if (slot >= 0 && table.slots[static_cast<std::size_t>(slot)].pendingOp == state.opAtStart) {
            table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::None;
        }
    } else {
        table.probeRecord.pendingOp = OpCode::None;
        if (table.probeRecord.name != kProbeMarker) {
            const DriveTable::ProbeCommit commit = table.commitProbe();
            if (commit.added) {
                const int slot = table.findSlotByName(commit.givenName);
                if (slot >= 0) {
                    state.work[static_cast<std::size_t>(slot)] = SlotWork{};
                    state.statusReadCount[static_cast<std::size_t>(slot)] = 0;
                }
                if (state.search) {
                    state.search->names.push_back(commit.givenName);
                }
                if (commit.givenName != commit.foundName) {
                    state.joinRenames.emplace_back(commit.foundName, commit.givenName);
                }
            }
        }
        table.probeRecord.name.clear();
    }
    if (state.suspended) {
        resume(state);
        return;
    }
    state.currentDriveName.clear();
    state.currentOp = OpCode::None;
    state.servingProbe = false;
    // The operation step of this tick moves pollIndex on to the next drive.
    // Moving it here as well would pass that drive over, and when the drive
    // before it always has work (status polls, an unconfirmed control write)
    // it would never be served: never polled, never dropped, no command sent.
}

/// The served drive left the table: drop its operation (its requests have
/// been ended when it left).
void abandon(LinkState& state) {
    abandonOperation(state, state.currentOp);
    state.currentDriveName.clear();
    state.currentOp = OpCode::None;
    state.servingProbe = false;
    state.retryCount = 0;
    if (state.suspended) {
        resume(state);
    }
}

} // namespace

void advancePollIndex(LinkState& state) {
    ++state.pollIndex;
    if (state.pollIndex > state.table.driveCount) {
        state.pollIndex = 0;
    }
}

void scheduleStep(LinkState& state, TickOutcome& /*out*/) {
    if (state.currentDriveName.empty() && state.currentOp == OpCode::None) {
        pickUp(state);
    } else if (state.currentOp == OpCode::Finished) {
        completeServed(state);
    } else if (!state.servingProbe && state.table.findSlotByName(state.currentDriveName) < 0) {
        abandon(state);
    }
    letStopGoFirst(state);
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

void operationStep(LinkState& state, TickOutcome& out) {
    if (state.currentOp == OpCode::None || state.currentDriveName.empty()) {
        state.currentOp = OpCode::None;
        state.currentDriveName.clear();
        state.servingProbe = false;
        advancePollIndex(state);
        return;
    }
    DriveRecord* drive = nullptr;
    int slot = -1;
    if (state.servingProbe) {
        drive = &state.table.probeRecord;
    } else {
        slot = state.table.findSlotByName(state.currentDriveName);
        if (slot < 0) {
            return;
        }
        drive = &state.table.slots[static_cast<std::size_t>(slot)];
    }
    OpContext context{state, out, wireAddress(drive->address), drive, slot};
    if (context.address == 0 && state.currentOp != OpCode::Finished) {
        // Never address the broadcast or a reserved address.
        abandonOperation(state, state.currentOp);
        finishOp(state);
        return;
    }
    switch (state.currentOp) {
    case OpCode::Identify:
        runIdentify(context);
        break;
    case OpCode::StatusRead:
        runStatusRead(context);
        break;
    case OpCode::ControlRead:
        runControlRead(context);
        break;
    case OpCode::ControlWrite:
        runControlWrite(context);
        break;
    case OpCode::GroupRead:
        runGroupRead(context);
        break;
    case OpCode::ParamWrite:
        runParamWrite(context);
        break;
    case OpCode::Export:
        runExport(context);
        break;
    case OpCode::Import:
        runImport(context);
        break;
    case OpCode::None:
    case OpCode::Finished:
        break;
    }
}

void detectChanges(LinkState& state) {
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        DriveRecord& drive = state.table.slots[static_cast<std::size_t>(slot)];
        if (drive.name.empty() || !controlWriteWanted(state, slot)) {
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
