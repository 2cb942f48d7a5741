// Status read (2) and control read (3): the drive's status block
// 0x3210..0x321F and its control block 0x3200..0x3209 read back.

#include "link/master/link_operations.h"

namespace velkaro {

namespace {

constexpr uint16_t kStatusBlock = 0x3210;
constexpr uint8_t kStatusWords = 16;
constexpr unsigned kStatusReadTimeoutTicks = 300;
constexpr unsigned kStatusReadRetries = 10;

constexpr uint16_t kControlBlock = 0x3200;
constexpr unsigned kControlReadTimeoutTicks = 300;
constexpr unsigned kControlReadRetries = 10;

void setOnline(LinkState& state, DriveRecord& drive, int32_t online) {
    if (drive.online != online) {
        drive.online = online;
        ++state.table.changes;
    }
}

void sendStatusRead(OpContext& context) {
    buildReadHolding(context.state.buffers, context.address, kStatusBlock, kStatusWords);
    phaseOf(context.state, OpCode::StatusRead) = OpPhase::Await;
}

void awaitStatusRead(OpContext& context) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kStatusReadTimeoutTicks)) {
    case ReplyStatus::Answered: {
        setOnline(state, *context.drive, 1);
        const DecodedReply reply = decodeReply(state.buffers);
        for (unsigned i = 0; i < kStatusWords; ++i) {
            context.drive->status[i] = reply.signedWord(i);
        }
        if (context.slot >= 0) {
            ++state.statusReadCount[static_cast<std::size_t>(context.slot)];
            state.statusReadTick[static_cast<std::size_t>(context.slot)] = state.diagnostics.tick;
            state.work[static_cast<std::size_t>(context.slot)].statusRead = true;
            restoreStopBit(state, context.slot);
        }
        finishOp(state);
        statusReadEnded(state, context.slot, Result::Confirmed, 0);
        break;
    }
    case ReplyStatus::Exception: {
        // The drive is there, but its words are not in the frame: the old
        // ones stay.
        setOnline(state, *context.drive, 1);
        const uint8_t code = state.buffers.replyFrame[2];
        finishOp(state);
        statusReadEnded(state, context.slot, Result::Refused, code);
        break;
    }
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(state, OpCode::StatusRead, kStatusReadRetries)) {
            setOnline(state, *context.drive, 0);
            statusReadEnded(state, context.slot, Result::TimedOut, 0);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendControlRead(OpContext& context) {
    buildReadHolding(context.state.buffers, context.address, kControlBlock, kControlWords);
    phaseOf(context.state, OpCode::ControlRead) = OpPhase::Await;
}

void awaitControlRead(OpContext& context) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kControlReadTimeoutTicks)) {
    case ReplyStatus::Answered: {
        const DecodedReply reply = decodeReply(state.buffers);
        for (unsigned j = 0; j < kControlWords; ++j) {
            context.drive->controlSet[j] = reply.signedWord(j);
            context.drive->controlAck[j] = context.drive->controlSet[j];
        }
        // A fault reset read back is not re-sent, but a set one-shot bit
        // makes the two differ so change detection writes the word again.
        context.drive->controlAck[0] &= ~kOneShotBit;
        finishOp(state);
        break;
    }
    case ReplyStatus::Exception:
        finishOp(state);
        break;
    case ReplyStatus::TimedOut:
        retryOrFinish(state, OpCode::ControlRead, kControlReadRetries);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void statusReadEnded(LinkState& state, int slot, Result result, uint8_t exception) {
    if (slot < 0 || slot >= kMaxDrives) {
        return;
    }
    SlotWork& work = state.work[static_cast<std::size_t>(slot)];
    work.controlHeld = false;
    const DriveRecord& drive = state.table.slots[static_cast<std::size_t>(slot)];
    for (const auto& [id, target] : work.statusWaiters) {
        Outcome o = outcomeOf(id, target, result);
        o.exception = exception;
        if (result == Result::Confirmed) {
            o.words.reserve(kStatusWords);
            for (unsigned i = 0; i < kStatusWords; ++i) {
                o.words.push_back(static_cast<uint16_t>(drive.status[i]));
            }
        }
        deliverOutcome(state, std::move(o));
    }
    work.statusWaiters.clear();
}

void runStatusRead(OpContext& context) {
    context.state.settings.replyTimeoutTicks = kStatusReadTimeoutTicks;
    if (phaseOf(context.state, OpCode::StatusRead) == OpPhase::Send) {
        sendStatusRead(context);
    } else {
        awaitStatusRead(context);
    }
}

void runControlRead(OpContext& context) {
    context.state.settings.replyTimeoutTicks = kControlReadTimeoutTicks;
    if (phaseOf(context.state, OpCode::ControlRead) == OpPhase::Send) {
        sendControlRead(context);
    } else {
        awaitControlRead(context);
    }
}

} // namespace velkaro
