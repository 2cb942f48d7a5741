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

void setOnline(LinkState& s, DriveRecord& drive, int32_t online) {
    if (drive.online != online) {
        drive.online = online;
        ++s.table.changes;
    }
}

void sendStatusRead(OpContext& c) {
    buildReadHolding(c.s.buffers, c.address, kStatusBlock, kStatusWords);
    phaseOf(c.s, OpCode::StatusRead) = OpPhase::Await;
}

void awaitStatusRead(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kStatusReadTimeoutTicks)) {
    case ReplyStatus::Answered: {
        setOnline(s, *c.drive, 1);
        const DecodedReply reply = decodeReply(s.buffers);
        for (unsigned i = 0; i < kStatusWords; ++i) {
            c.drive->status[i] = reply.signedWord(i);
        }
        if (c.slot >= 0) {
            ++s.statusReadCount[static_cast<std::size_t>(c.slot)];
            s.statusReadTick[static_cast<std::size_t>(c.slot)] = s.diagnostics.tick;
            s.work[static_cast<std::size_t>(c.slot)].statusRead = true;
            restoreStopBit(s, c.slot);
        }
        finishOp(s);
        statusReadEnded(s, c.slot, Result::Confirmed, 0);
        break;
    }
    case ReplyStatus::Exception: {
        // The drive is there, but its words are not in the frame: the old
        // ones stay.
        setOnline(s, *c.drive, 1);
        const uint8_t code = s.buffers.replyFrame[2];
        finishOp(s);
        statusReadEnded(s, c.slot, Result::Refused, code);
        break;
    }
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::StatusRead, kStatusReadRetries)) {
            setOnline(s, *c.drive, 0);
            statusReadEnded(s, c.slot, Result::TimedOut, 0);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendControlRead(OpContext& c) {
    buildReadHolding(c.s.buffers, c.address, kControlBlock, kControlWords);
    phaseOf(c.s, OpCode::ControlRead) = OpPhase::Await;
}

void awaitControlRead(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kControlReadTimeoutTicks)) {
    case ReplyStatus::Answered: {
        const DecodedReply reply = decodeReply(s.buffers);
        for (unsigned j = 0; j < kControlWords; ++j) {
            c.drive->controlSet[j] = reply.signedWord(j);
            c.drive->controlAck[j] = c.drive->controlSet[j];
        }
        // A fault reset read back is not re-sent, but a set one-shot bit
        // makes the two differ so change detection writes the word again.
        c.drive->controlAck[0] &= ~kOneShotBit;
        finishOp(s);
        break;
    }
    case ReplyStatus::Exception:
        finishOp(s);
        break;
    case ReplyStatus::TimedOut:
        retryOrFinish(s, OpCode::ControlRead, kControlReadRetries);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void statusReadEnded(LinkState& s, int slot, Result result, uint8_t exception) {
    if (slot < 0 || slot >= kMaxDrives) {
        return;
    }
    SlotWork& work = s.work[static_cast<std::size_t>(slot)];
    work.controlHeld = false;
    const DriveRecord& drive = s.table.slots[static_cast<std::size_t>(slot)];
    for (const auto& [id, target] : work.statusWaiters) {
        Outcome o = outcomeOf(id, target, result);
        o.exception = exception;
        if (result == Result::Confirmed) {
            o.words.reserve(kStatusWords);
            for (unsigned i = 0; i < kStatusWords; ++i) {
                o.words.push_back(static_cast<uint16_t>(drive.status[i]));
            }
        }
        deliverOutcome(s, std::move(o));
    }
    work.statusWaiters.clear();
}

void runStatusRead(OpContext& c) {
    c.s.settings.replyTimeoutTicks = kStatusReadTimeoutTicks;
    if (phaseOf(c.s, OpCode::StatusRead) == OpPhase::Send) {
        sendStatusRead(c);
    } else {
        awaitStatusRead(c);
    }
}

void runControlRead(OpContext& c) {
    c.s.settings.replyTimeoutTicks = kControlReadTimeoutTicks;
    if (phaseOf(c.s, OpCode::ControlRead) == OpPhase::Send) {
        sendControlRead(c);
    } else {
        awaitControlRead(c);
    }
}

} // namespace velkaro
