#include <algorithm>

#include "link/master/link_operations.h"

namespace velkaro {

namespace {

/// The verdict on a frame from the drive whose answer is due, in its counters.
void countVerdict(LinkState& s, ReplyMatch match) {
    LinkDiagnostics& d = s.diagnostics;
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
            ++c.exceptions[exceptionIndex(s.buffers.replyFrame[2])];
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

OpPhase& phaseOf(LinkState& s, OpCode op) {
    return s.opPhase[static_cast<std::size_t>(op)];
}

ReplyStatus checkReply(LinkState& s, uint8_t address, unsigned timeoutTicks) {
    LinkBuffers& b = s.buffers;
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
        countVerdict(s, match);
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

int servedSlot(const LinkState& s) {
    if (s.servingProbe || s.currentDriveName.empty()) {
        return -1;
    }
    return s.table.findSlotByName(s.currentDriveName);
}

Outcome outcomeOf(RequestId id, const Target& target, Result result) {
    Outcome o;
    o.id = id;
    o.target = target;
    o.result = result;
    return o;
}

void deliverOutcome(LinkState& s, Outcome outcome) {
    if (outcome.id == 0) {
        return; // the link's own work: nobody waits for it
    }
    if (outcome.result == Result::Refused && outcome.exception != 0 && outcome.why.empty()) {
        outcome.why = std::string(exceptionName(outcome.exception));
    }
    s.outcomes.push_back(std::move(outcome));
}

void endTransfer(LinkState& s, Result result, std::string message, uint8_t exception) {
    if (!s.transfer) {
        return;
    }
    TransferJob& t = *s.transfer;
    Outcome o = outcomeOf(t.id, t.target, result);
    o.exception = exception;
    if (result == Result::Cancelled) {
        o.cancelReason = t.cancelAsked ? CancelReason::ByCaller : CancelReason::DriveGone;
    }
    o.why = message;
    o.message = std::move(message);
    o.writtenRegisters = t.writtenRegisters;
    switch (t.kind) {
    case TransferJob::Kind::Export:
        releaseActivity(s, ActivityState::Export);
        if (result == Result::Confirmed) {
            o.image = t.image;
            o.imageLength = t.imageLength;
        }
        break;
    case TransferJob::Kind::Import:
        releaseActivity(s, ActivityState::Import);
        break;
    case TransferJob::Kind::Readout:
        releaseActivity(s, ActivityState::Readout);
        if (result == Result::Confirmed) {
            o.words = std::move(t.words);
            o.series = t.series;
            o.ratedPower = t.ratedPower;
        }
        // Its group reads still waiting go with it.
        if (t.target.slot >= 0 && t.target.slot < kMaxDrives) {
            auto& reads = s.work[static_cast<std::size_t>(t.target.slot)].reads;
            for (ReadJob& r : reads) {
                if (r.owner == ReadJob::Owner::Readout) {
                    r.superseded = true;
                }
            }
        }
        break;
    }
    s.transfer.reset();
    deliverOutcome(s, std::move(o));
}

void abandonOperation(LinkState& s, OpCode op) {
    switch (op) {
    case OpCode::Export:
    case OpCode::Import:
        if (s.transfer && s.transfer->kind != TransferJob::Kind::Readout) {
            endTransfer(s, Result::Cancelled,
                        std::string(op == OpCode::Export ? kExportCut : kImportCut));
        }
        break;
    default:
        break;
    }
}

void cancelSlotWork(LinkState& s, int slot) {
    if (slot < 0 || slot >= kMaxDrives) {
        return;
    }
    SlotWork& w = s.work[static_cast<std::size_t>(slot)];
    const std::string gone = "变频器已断开连接";
    const auto cancel = [&](RequestId id, const Target& target, std::string message,
                            std::size_t written = 0) {
        Outcome o = outcomeOf(id, target, Result::Cancelled);
        o.writtenRegisters = written;
        o.cancelReason = CancelReason::DriveGone;
        o.why = gone;
        o.message = std::move(message);
        deliverOutcome(s, std::move(o));
    };
    const auto commandCut = [&](const CommandJob& job) {
        // A stop that never reached its drive is worth a word.
        return stopRank(job.command) > 0
                   ? job.target.name + " 已断开连接，" + commandName(job.command) + "命令未能送达！"
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
    if (s.transfer && s.transfer->target.slot == slot) {
        const std::string_view cut = s.transfer->kind == TransferJob::Kind::Export   ? kExportCut
                                     : s.transfer->kind == TransferJob::Kind::Import ? kImportCut
                                                                                     : kReadoutCut;
        endTransfer(s, Result::Cancelled, std::string(cut));
        if (!s.outcomes.empty()) {
            s.outcomes.back().cancelReason = CancelReason::DriveGone;
        }
    }
}

} // namespace velkaro
