#include <algorithm>

#include "link/master/link_operations.h"
#include "registry/language.h"

namespace velkaro {

namespace {

/// The verdict on a frame from the drive whose answer is due, in its counters.
void countVerdict(LinkState& state, ReplyMatch match) {
    LinkDiagnostics& d = state.diagnostics;
    PendingRequest& p = d.pending;
    if (!d.recording || !p.open || p.row < 0 || p.row >= kCounterRows) {
        return;
    }
    LinkCounters& c = d.counters[static_cast<std::size_t>(p.row)];
    if (match == ReplyMatch::Foreign) {
        ++c.foreignFrames;
        return;
    }
    c.answered = true;
    c.lastAnswerTick = d.tick;
    switch (match) {
    case ReplyMatch::Answer:
    case ReplyMatch::Exception:
        p.open = false;
        c.replyTimes.add(
            static_cast<uint32_t>(std::min<uint64_t>(d.tick - p.sentTick, UINT32_MAX)));
        if (match == ReplyMatch::Answer) {
            ++c.answersAccepted;
        } else {
            ++c.exceptions[exceptionIndex(state.buffers.replyFrame[2])];
        }
        break;
    case ReplyMatch::Short:
        ++c.shortReplies;
        break;
    case ReplyMatch::Stray:
    case ReplyMatch::Foreign:
        ++c.strayFrames;
        break;
    }
}

} // namespace

std::string_view toString(ReplyStatus status) {
    switch (status) {
    case ReplyStatus::Pending:
        return "pending";
    case ReplyStatus::Answered:
        return "answered";
    case ReplyStatus::Exception:
        return "exception";
    case ReplyStatus::TimedOut:
        return "timed out";
    }
    return "?";
}

OpPhase& phaseOf(LinkState& state, OpCode op) {
    return state.opPhase[static_cast<std::size_t>(op)];
}

ReplyStatus checkReply(LinkState& state, uint8_t address, unsigned timeoutTicks) {
    LinkBuffers& b = state.buffers;
    if (b.txLength != 0) {
        // The request is still held for the line's silence: nothing that
        // arrives before it goes out answers it.
        b.replyLength = 0;
        return ReplyStatus::Pending;
    }
    if (b.replyLength != 0) {
        const ReplyMatch match =
            b.txFrame[0] != address
                ? ReplyMatch::Stray
                : matchReply(b.txFrame.data(), b.sentLength, b.replyFrame.data(), b.replyLength);
        countVerdict(state, match);
        if (match == ReplyMatch::Answer) {
            return ReplyStatus::Answered;
        }
        if (match == ReplyMatch::Exception) {
            return ReplyStatus::Exception;
        }
        // Not this request's answer: dropped, and the request keeps waiting.
        b.replyLength = 0;
    }
    if (b.replyTicks > timeoutTicks) {
        // The answer may still come, late: the next different request to
        // this drive waits until the line has been quiet that long.
        b.quietWanted = true;
        b.quietTicks = timeoutTicks;
        b.quietCount = 0;
        b.quietLength = b.sentLength;
        std::copy_n(b.txFrame.begin(), b.sentLength, b.quietRequest.begin());
        return ReplyStatus::TimedOut;
    }
    return ReplyStatus::Pending;
}

void finishOp(LinkState& state) {
    state.currentOp = OpCode::Finished;
    state.retryCount = 0;
    state.buffers.replyLength = 0;
}

bool retryOrFinish(LinkState& state, OpCode op, unsigned limit) {
    if (state.retryCount < limit) {
        ++state.retryCount;
        state.buffers.replyLength = 0;
        phaseOf(state, op) = OpPhase::Send;
        return true;
    }
    finishOp(state);
    return false;
}

void takeActivity(LinkState& state, ActivityState a) {
    if (state.activityState == ActivityState::None) {
        state.activityState = a;
    }
}

void releaseActivity(LinkState& state, ActivityState a) {
    if (state.activityState == a) {
        state.activityState = ActivityState::None;
    }
}

int servedSlot(const LinkState& state) {
    if (state.servingProbe || state.currentDriveName.empty()) {
        return -1;
    }
    return state.table.findSlotByName(state.currentDriveName);
}

Outcome outcomeOf(RequestId id, const Target& target, Result result) {
    Outcome o;
    o.id = id;
    o.target = target;
    o.result = result;
    return o;
}

void deliverOutcome(LinkState& state, Outcome outcome) {
    if (outcome.id == 0) {
        return; // the link's own work: nobody waits for it
    }
    if (outcome.result == Result::Refused && outcome.exception != 0 && outcome.why.empty()) {
        outcome.why = std::string(exceptionName(outcome.exception));
    }
    state.outcomes.push_back(std::move(outcome));
}

void endTransfer(LinkState& state, Result result, std::string message, uint8_t exception) {
    if (!state.transfer) {
        return;
    }
    TransferJob& job = *state.transfer;
    Outcome o = outcomeOf(job.id, job.target, result);
    o.exception = exception;
    if (result == Result::Cancelled) {
        o.cancelReason = job.cancelAsked ? CancelReason::ByCaller : CancelReason::DriveGone;
    }
    o.why = message;
    o.message = std::move(message);
    o.writtenRegisters = job.writtenRegisters;
    switch (job.kind) {
    case TransferJob::Kind::Export:
        releaseActivity(state, ActivityState::Export);
        if (result == Result::Confirmed) {
            o.image = job.image;
            o.imageLength = job.imageLength;
        }
        break;
    case TransferJob::Kind::Import:
        releaseActivity(state, ActivityState::Import);
        break;
    case TransferJob::Kind::Readout:
        releaseActivity(state, ActivityState::Readout);
        if (result == Result::Confirmed) {
            o.words = std::move(job.words);
            o.series = job.series;
            o.ratedPower = job.ratedPower;
        }
        // Its group reads still waiting go with it.
        if (job.target.slot >= 0 && job.target.slot < kMaxDrives) {
            auto& reads = state.work[static_cast<std::size_t>(job.target.slot)].reads;
            for (ReadJob& r : reads) {
                if (r.owner == ReadJob::Owner::Readout) {
                    r.superseded = true;
                }
            }
        }
        break;
    }
    state.transfer.reset();
    deliverOutcome(state, std::move(o));
}

void abandonOperation(LinkState& state, OpCode op) {
    switch (op) {
    case OpCode::Export:
    case OpCode::Import:
        if (state.transfer && state.transfer->kind != TransferJob::Kind::Readout) {
            endTransfer(state, Result::Cancelled,
                        std::string(op == OpCode::Export ? kExportCut : kImportCut));
        }
        break;
    default:
        break;
    }
}

void cancelSlotWork(LinkState& state, int slot) {
    if (slot < 0 || slot >= kMaxDrives) {
        return;
    }
    SlotWork& w = state.work[static_cast<std::size_t>(slot)];
    const std::string gone = VELKARO_TRANSLATE_NOOP("OperatorMessages", "变频器已断开连接");
    const auto cancel = [&](RequestId id, const Target& target, std::string message,
                            std::size_t written = 0) {
        Outcome o = outcomeOf(id, target, Result::Cancelled);
        o.writtenRegisters = written;
        o.cancelReason = CancelReason::DriveGone;
        o.why = gone;
        o.message = std::move(message);
        deliverOutcome(state, std::move(o));
    };
    const auto commandCut = [&](const CommandJob& job) {
        // A stop that never reached its drive is worth a word.
        return stopRank(job.command) > 0
                   ? job.target.name + translated("LinkMessages", " 已断开连接，") +
                         shownCommandName(job.command) +
                         translated("LinkMessages", "命令未能送达！")
                   : std::string();
    };
    for (const CommandJob& job : w.carried) {
        cancel(job.id, job.target, commandCut(job), job.importedRegisters);
    }
    for (const CommandJob& job : w.commands) {
        cancel(job.id, job.target, commandCut(job), job.importedRegisters);
    }
    for (const WriteJob& job : w.writes) {
        cancel(job.id, job.target, {});
    }
    for (const ReadJob& job : w.reads) {
        if (job.owner == ReadJob::Owner::Caller) {
            cancel(job.id, job.target, {});
        }
    }
    for (const auto& [id, target] : w.statusWaiters) {
        cancel(id, target, {});
    }
    w = SlotWork{};
    if (state.transfer && state.transfer->target.slot == slot) {
        const std::string_view cut = state.transfer->kind == TransferJob::Kind::Export ? kExportCut
                                     : state.transfer->kind == TransferJob::Kind::Import
                                         ? kImportCut
                                         : kReadoutCut;
        endTransfer(state, Result::Cancelled, std::string(cut));
        if (!state.outcomes.empty()) {
            state.outcomes.back().cancelReason = CancelReason::DriveGone;
        }
    }
}

} // namespace velkaro
