// Register reads (5) and parameter writes (6): a catalogue group or a run of
// registers read in chunks, and one parameter written and then read back.

#include <algorithm>
#include <cstdio>

#include "link/master/link_operations.h"
#include "registry/catalogue.h"
#include "registry/language.h"

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
void endRead(LinkState& state, SlotWork& w, Result result, uint8_t exception) {
    ReadJob job = std::move(w.reads.front());
    w.reads.pop_front();
    if (job.owner == ReadJob::Owner::Readout) {
        // The readout takes the words (or the failure) on this tick.
        if (state.transfer && state.transfer->kind == TransferJob::Kind::Readout) {
            state.transfer->groupEnded = true;
            state.transfer->groupResult = result;
            state.transfer->groupWords = std::move(job.words);
        }
        return;
    }
    if (job.held) {
        // A parameter write's outcome, held for what the drive holds now.
        Outcome o = std::move(*job.held);
        if (result == Result::Confirmed) {
            o.words = std::move(job.words);
        }
        deliverOutcome(state, std::move(o));
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
    deliverOutcome(state, std::move(o));
}

void dropSuperseded(LinkState& state, SlotWork& w) {
    while (!w.reads.empty() && w.reads.front().superseded) {
        const ReadJob& job = w.reads.front();
        if (job.owner == ReadJob::Owner::Caller) {
            Outcome o = outcomeOf(job.id, job.target, Result::Cancelled);
            o.cancelReason = CancelReason::Superseded;
            o.why = VELKARO_TRANSLATE_NOOP("OperatorMessages", "已由新的读取代替");
            deliverOutcome(state, std::move(o));
        }
        w.reads.pop_front();
    }
}

void sendGroupRead(OpContext& context, SlotWork& w) {
    LinkState& state = context.state;
    // A newer read for the drive (another group) takes over between chunks,
    // never while a reply is due: it starts again from its first register.
    dropSuperseded(state, w);
    if (w.reads.empty()) {
        finishOp(state);
        return;
    }
    ReadJob& job = w.reads.front();
    if (job.words.size() != static_cast<std::size_t>(job.count)) {
        job.words.assign(static_cast<std::size_t>(std::max(job.count, 0)), 0);
        job.read = 0;
    }
    const int n = std::min(job.count - job.read, kGroupReadChunk);
    if (n <= 0) {
        endRead(state, w, Result::Confirmed, 0);
        finishOp(state);
        return;
    }
    buildReadHolding(state.buffers, context.address, static_cast<uint16_t>(job.first + job.read),
                     static_cast<uint8_t>(n));
    phaseOf(state, OpCode::GroupRead) = OpPhase::Await;
}

void awaitGroupRead(OpContext& context, SlotWork& w) {
    LinkState& state = context.state;
    switch (checkReply(state, context.address, kGroupReadTimeoutTicks)) {
    case ReplyStatus::Answered: {
        ReadJob& job = w.reads.front();
        if (!job.superseded) {
            // The reply checked against the chunk: exactly the words asked for.
            const DecodedReply reply = decodeReply(state.buffers);
            for (unsigned i = 0; i < reply.words(); ++i) {
                job.words[static_cast<std::size_t>(job.read) + i] = reply.word(i);
            }
            job.read += static_cast<int>(reply.words());
        }
        state.buffers.replyLength = 0;
        if (job.superseded || job.read < job.count) {
            phaseOf(state, OpCode::GroupRead) = OpPhase::Send;
        } else {
            endRead(state, w, Result::Confirmed, 0);
            finishOp(state);
        }
        break;
    }
    case ReplyStatus::Exception: {
        const uint8_t code = state.buffers.replyFrame[2];
        endRead(state, w, Result::Refused, code);
        finishOp(state);
        break;
    }
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(state, OpCode::GroupRead, kGroupReadRetries)) {
            endRead(state, w, Result::TimedOut, 0);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendParamWrite(OpContext& context, const WriteJob& job) {
    buildWriteMultiple(context.state.buffers, context.address, job.write.registerAddress,
                       &job.write.word, 1);
    phaseOf(context.state, OpCode::ParamWrite) = OpPhase::Await;
}

/// The front write is done with (answered, refused or given up): the next
/// one, if any, goes out on the drive's next turn; with a read-back the
/// group is read again so the caller sees what the drive really holds.
void endParamWrite(OpContext& context, SlotWork& w, Outcome outcome) {
    LinkState& state = context.state;
    WriteJob job = std::move(w.writes.front());
    w.writes.pop_front();
    const int size = std::min(
        groupSize(context.drive->series, job.write.group, SizePurpose::Transfer), kMaxGroupRows);
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
        context.drive->pendingOp = OpCode::GroupRead;
    } else {
        deliverOutcome(state, std::move(outcome));
    }
    finishOp(state);
}

void awaitParamWrite(OpContext& context, SlotWork& w) {
    LinkState& state = context.state;
    const WriteJob& job = w.writes.front();
    switch (checkReply(state, context.address, kParamWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        endParamWrite(context, w, outcomeOf(job.id, job.target, Result::Confirmed));
        break;
    case ReplyStatus::Exception: {
        // A refusal is the drive's answer: asking again would only be refused again.
        Outcome o = outcomeOf(job.id, job.target, Result::Refused);
        o.exception = state.buffers.replyFrame[2];
        o.message = translated("LinkMessages", "变频器 ") + context.drive->name +
                    translated("LinkMessages", " 拒绝了参数 ") +
                    parameterCode(*context.drive, job.write) +
                    translated("LinkMessages", " 的修改：") +
                    translated("Requests", std::string(exceptionName(o.exception)).c_str()) +
                    translated("LinkMessages", "。");
        endParamWrite(context, w, std::move(o));
        break;
    }
    case ReplyStatus::TimedOut:
        if (state.retryCount >= kParamWriteRetries) {
            Outcome o = outcomeOf(job.id, job.target, Result::TimedOut);
            o.message = context.drive->name + translated("LinkMessages", " 的参数 ") +
                        parameterCode(*context.drive, job.write) +
                        translated("LinkMessages", " 因通讯故障未能写入！");
            endParamWrite(context, w, std::move(o));
        } else {
            retryOrFinish(state, OpCode::ParamWrite, kParamWriteRetries);
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

void runGroupRead(OpContext& context) {
    LinkState& state = context.state;
    state.settings.replyTimeoutTicks = kGroupReadTimeoutTicks;
    if (context.slot < 0) {
        finishOp(state);
        return;
    }
    SlotWork& w = state.work[static_cast<std::size_t>(context.slot)];
    if (phaseOf(state, OpCode::GroupRead) == OpPhase::Send) {
        sendGroupRead(context, w);
    } else if (w.reads.empty()) {
        finishOp(state);
    } else {
        awaitGroupRead(context, w);
    }
}

void runParamWrite(OpContext& context) {
    LinkState& state = context.state;
    state.settings.replyTimeoutTicks = kParamWriteTimeoutTicks;
    if (context.slot < 0 || state.work[static_cast<std::size_t>(context.slot)].writes.empty()) {
        finishOp(state);
        return;
    }
    SlotWork& w = state.work[static_cast<std::size_t>(context.slot)];
    if (phaseOf(state, OpCode::ParamWrite) == OpPhase::Send) {
        sendParamWrite(context, w.writes.front());
    } else {
        awaitParamWrite(context, w);
    }
}

} // namespace velkaro
