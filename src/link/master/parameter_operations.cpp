// Register reads (5) and parameter writes (6): a catalogue group or a run of
// registers read in chunks, and one parameter written and then read back.

#include <algorithm>
#include <cstdio>

#include "link/master/link_operations.h"
#include "registry/catalogue.h"

namespace velkaro {

namespace {

constexpr unsigned kGroupReadTimeoutTicks = 500;
constexpr unsigned kGroupReadRetries = 10; // shared by all chunks of the group
constexpr int kGroupReadChunk = 30;

constexpr unsigned kParamWriteTimeoutTicks = 500;
constexpr unsigned kParamWriteRetries = 10;

/// The code of a written register as the operator knows it ("F1-05"), else
/// the register.
std::string parameterCode(const DriveRecord& drive, const ParameterWrite& write) {
    if (const auto d = descriptor(drive.series, write.group, write.row)) {
        return std::string(d->code);
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", write.registerAddress);
    return text;
}

/// The read at the front of the drive's queue ends with `result`.
void endRead(LinkState& s, SlotWork& w, Result result, uint8_t exception) {
    ReadJob job = std::move(w.reads.front());
    w.reads.pop_front();
    if (job.owner == ReadJob::Owner::Readout) {
        // The readout takes the words (or the failure) on this tick.
        if (s.transfer && s.transfer->kind == TransferJob::Kind::Readout) {
            s.transfer->groupEnded = true;
            s.transfer->groupResult = result;
            s.transfer->groupWords = std::move(job.words);
        }
        return;
    }
    if (job.held) {
        // A parameter write's outcome, held for what the drive holds now.
        Outcome o = std::move(*job.held);
        if (result == Result::Confirmed) {
            o.words = std::move(job.words);
        }
        deliverOutcome(s, std::move(o));
        return;
    }
    if (job.owner == ReadJob::Owner::Import) {
        // The import's outcome is its store's: it carries the group read back.
        for (CommandJob& store : w.commands) {
            if (store.id == job.id && result == Result::Confirmed) {
                store.readBack = std::move(job.words);
            }
        }
        return;
    }
    if (job.owner != ReadJob::Owner::Caller) {
        return;
    }
    Outcome o = outcomeOf(job.id, job.target, result);
    o.exception = exception;
    if (result == Result::Confirmed) {
        o.words = std::move(job.words);
    }
    deliverOutcome(s, std::move(o));
}

void dropSuperseded(LinkState& s, SlotWork& w) {
    while (!w.reads.empty() && w.reads.front().superseded) {
        const ReadJob& job = w.reads.front();
        if (job.owner == ReadJob::Owner::Caller) {
            Outcome o = outcomeOf(job.id, job.target, Result::Cancelled);
            o.cancelReason = CancelReason::Superseded;
            o.why = "已由新的读取代替";
            deliverOutcome(s, std::move(o));
        }
        w.reads.pop_front();
    }
}

void sendGroupRead(OpContext& c, SlotWork& w) {
    LinkState& s = c.s;
    // A newer read for the drive (another group) takes over between chunks,
    // never while a reply is due: it starts again from its first register.
    dropSuperseded(s, w);
    if (w.reads.empty()) {
        finishOp(s);
        return;
    }
    ReadJob& job = w.reads.front();
    if (job.words.size() != static_cast<std::size_t>(job.count)) {
        job.words.assign(static_cast<std::size_t>(std::max(job.count, 0)), 0);
        job.read = 0;
    }
    const int n = std::min(job.count - job.read, kGroupReadChunk);
    if (n <= 0) {
        endRead(s, w, Result::Confirmed, 0);
        finishOp(s);
        return;
    }
    buildReadHolding(s.buffers, c.address, static_cast<uint16_t>(job.first + job.read),
                     static_cast<uint8_t>(n));
    phaseOf(s, OpCode::GroupRead) = OpPhase::Await;
}

void awaitGroupRead(OpContext& c, SlotWork& w) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kGroupReadTimeoutTicks)) {
    case ReplyStatus::Answered: {
        ReadJob& job = w.reads.front();
        if (!job.superseded) {
            // The reply checked against the chunk: exactly the words asked for.
            const DecodedReply reply = decodeReply(s.buffers);
            for (unsigned i = 0; i < reply.words(); ++i) {
                job.words[static_cast<std::size_t>(job.read) + i] = reply.word(i);
            }
            job.read += static_cast<int>(reply.words());
        }
        s.buffers.replyLength = 0;
        if (job.superseded || job.read < job.count) {
            phaseOf(s, OpCode::GroupRead) = OpPhase::Send;
        } else {
            endRead(s, w, Result::Confirmed, 0);
            finishOp(s);
        }
        break;
    }
    case ReplyStatus::Exception: {
        const uint8_t code = s.buffers.replyFrame[2];
        endRead(s, w, Result::Refused, code);
        finishOp(s);
        break;
    }
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::GroupRead, kGroupReadRetries)) {
            endRead(s, w, Result::TimedOut, 0);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendParamWrite(OpContext& c, const WriteJob& job) {
    buildWriteMultiple(c.s.buffers, c.address, job.write.registerAddress, &job.write.word, 1);
    phaseOf(c.s, OpCode::ParamWrite) = OpPhase::Await;
}

/// The front write is done with (answered, refused or given up): the next
/// one, if any, goes out on the drive's next turn; with a read-back the
/// group is read again so the caller sees what the drive really holds.
void endParamWrite(OpContext& c, SlotWork& w, Outcome outcome) {
    LinkState& s = c.s;
    WriteJob job = std::move(w.writes.front());
    w.writes.pop_front();
    const int size =
        std::min(groupSize(c.drive->series, job.write.group, SizePurpose::Transfer), kMaxGroupRows);
    if (job.write.readBack && size > 0) {
        ReadJob read;
        read.id = job.id;
        read.target = job.target;
        read.first = registerOf(job.write.group, 0);
        read.count = size;
        read.group = job.write.group;
        read.owner = ReadJob::Owner::Write;
        read.held = std::move(outcome);
        w.reads.push_back(std::move(read));
        // Replaces the write's own code, so the read comes before anything
        // change detection would ask for.
        c.drive->pendingOp = OpCode::GroupRead;
    } else {
        deliverOutcome(s, std::move(outcome));
    }
    finishOp(s);
}

void awaitParamWrite(OpContext& c, SlotWork& w) {
    LinkState& s = c.s;
    const WriteJob& job = w.writes.front();
    switch (checkReply(s, c.address, kParamWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        endParamWrite(c, w, outcomeOf(job.id, job.target, Result::Confirmed));
        break;
    case ReplyStatus::Exception: {
        // A refusal is the drive's answer: asking again would only be refused again.
        Outcome o = outcomeOf(job.id, job.target, Result::Refused);
        o.exception = s.buffers.replyFrame[2];
        o.message = "变频器 " + c.drive->name + " 拒绝了参数 " +
                    parameterCode(*c.drive, job.write) + " 的修改：" +
                    std::string(exceptionName(o.exception)) + "。";
        endParamWrite(c, w, std::move(o));
        break;
    }
    case ReplyStatus::TimedOut:
        if (s.retryCount >= kParamWriteRetries) {
            Outcome o = outcomeOf(job.id, job.target, Result::TimedOut);
            o.message = c.drive->name + " 的参数 " + parameterCode(*c.drive, job.write) +
                        " 因通讯故障未能写入！";
            endParamWrite(c, w, std::move(o));
        } else {
            retryOrFinish(s, OpCode::ParamWrite, kParamWriteRetries);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

int readSize(std::string_view series, int group) {
    return std::min(groupSize(series, group, SizePurpose::Transfer), kMaxGroupRows);
}

void runGroupRead(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kGroupReadTimeoutTicks;
    if (c.slot < 0) {
        finishOp(s);
        return;
    }
    SlotWork& w = s.work[static_cast<std::size_t>(c.slot)];
    if (phaseOf(s, OpCode::GroupRead) == OpPhase::Send) {
        sendGroupRead(c, w);
    } else if (w.reads.empty()) {
        finishOp(s);
    } else {
        awaitGroupRead(c, w);
    }
}

void runParamWrite(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kParamWriteTimeoutTicks;
    if (c.slot < 0 || s.work[static_cast<std::size_t>(c.slot)].writes.empty()) {
        finishOp(s);
        return;
    }
    SlotWork& w = s.work[static_cast<std::size_t>(c.slot)];
    if (phaseOf(s, OpCode::ParamWrite) == OpPhase::Send) {
        sendParamWrite(c, w.writes.front());
    } else {
        awaitParamWrite(c, w);
    }
}

} // namespace velkaro
