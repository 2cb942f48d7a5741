#include "link/link_operations.h"
#include "link/operator_messages.h"

namespace velkaro {

std::string_view toString(ReplyStatus status) {
    switch (status) {
    case ReplyStatus::Pending:
        return "pending";
    case ReplyStatus::Answered:
        return "answered";
    case ReplyStatus::TimedOut:
        return "timed out";
    }
    return "?";
}

OpPhase& phaseOf(LinkState& s, OpCode op) {
    return s.opPhase[static_cast<std::size_t>(op)];
}

ReplyStatus checkReply(const LinkState& s, uint8_t address, unsigned timeoutTicks) {
    const LinkBuffers& b = s.buffers;
    if (b.replyLength != 0 && b.replyFrame[0] == address) {
        return ReplyStatus::Answered;
    }
    return b.replyTicks > timeoutTicks ? ReplyStatus::TimedOut : ReplyStatus::Pending;
}

void finishOp(LinkState& s) {
    s.currentOp = OpCode::Finished;
    s.retryCount = 0;
    s.buffers.replyLength = 0;
}

bool retryOrFinish(LinkState& s, OpCode op, unsigned limit) {
    if (s.retryCount < limit) {
        ++s.retryCount;
        s.buffers.replyLength = 0;
        phaseOf(s, op) = OpPhase::Send;
        return true;
    }
    finishOp(s);
    return false;
}

DriveRecord* selectedDrive(LinkState& s) {
    if (s.selectedSlot < 0 || s.selectedSlot >= kMaxDrives) {
        return nullptr;
    }
    DriveRecord& drive = s.table.slots[static_cast<std::size_t>(s.selectedSlot)];
    return drive.name.empty() ? nullptr : &drive;
}

void takeActivity(LinkState& s, ActivityState a) {
    if (s.activityState == ActivityState::None) {
        s.activityState = a;
    }
}

void releaseActivity(LinkState& s, ActivityState a) {
    if (s.activityState == a) {
        s.activityState = ActivityState::None;
    }
}

void releaseTransfer(LinkState& s, OpCode op, TickOutcome& out) {
    switch (op) {
    case OpCode::Export:
        releaseActivity(s, ActivityState::Export);
        if (s.transferBusy) {
            out.notice(kExportCut, kInfoCaption);
        }
        s.transferBusy = false;
        s.transferCursor = 0;
        break;
    case OpCode::Import:
        releaseActivity(s, ActivityState::Import);
        if (s.transferBusy) {
            out.notice(kImportCut, kInfoCaption);
        }
        s.transferBusy = false;
        s.transferCursor = 0;
        break;
    case OpCode::GroupRead:
        s.groupReadCount = 0;
        break;
    default:
        break;
    }
}

} // namespace velkaro
