// Control write (4): the commands given for a drive, written into its control
// block 0x3200..0x3209 one write at a time, stops first; the EEPROM store as
// its own one-register write.

#include <algorithm>
#include <cstdio>

#include "link/master/link_operations.h"
#include "link/operator_notices.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr uint16_t kStoreRegister = 0x3209;
constexpr unsigned kControlWriteTimeoutTicks = 500;
/// A command the drive refuses or does not answer goes three times in all.
constexpr unsigned kControlTries = 3;
/// A write that failed waits this long at most for the drive's status read.
constexpr uint64_t kHoldTicks = 100;

constexpr int32_t kRestoredBit = 0x0004;
constexpr std::size_t kStoreWord = 9;

bool isStop(const CommandJob& job) {
    return stopRank(job.command) > 0;
}

/// Run, forward, reverse and the jogs: what a stop given after them undoes.
bool isMotion(const CommandJob& job) {
    if (job.command.kind != Command::Kind::Word) {
        return false;
    }
    switch (job.command.value) {
    case command_word::kRun:
    case command_word::kReverse:
    case command_word::kJogForward:
    case command_word::kJogReverse:
        return true;
    default:
        return false;
    }
}

std::size_t wordIndex(const Command& command) {
    return command.kind == Command::Kind::Frequency ? 1 : 0;
}

bool held(const LinkState& state, const SlotWork& w) {
    return w.controlHeld && state.diagnostics.tick - w.heldSince < kHoldTicks;
}

Outcome superseded(const CommandJob& job, std::string why) {
    Outcome o = outcomeOf(job.id, job.target, Result::Cancelled);
    o.cancelReason = CancelReason::Superseded;
    o.why = std::move(why);
    return o;
}

/// Cancelled because `stronger` was given after it.
Outcome superseded(const CommandJob& job, const Command& stronger) {
    Outcome o = superseded(job, supersededWhy(stronger));
    o.supersededBy = stronger;
    return o;
}

enum class WriteKind { Block, Store };

/// Puts into controlSet what the next write carries: a stop given (the word
/// the write carried gives way to it), else the write to try again, else the
/// next command given; with nothing given, the words the drive does not hold
/// yet (the link's own follow-ups).
WriteKind takeCommands(LinkState& state, SlotWork& w, DriveRecord& drive) {
    auto stop = std::find_if(w.commands.begin(), w.commands.end(), isStop);
    if (stop != w.commands.end()) {
        if (!w.carried.empty() && w.carried.front().command.kind == Command::Kind::Store) {
            // A store not yet confirmed waits behind the stop.
            w.commands.push_front(w.carried.front());
            w.carried.clear();
            stop = std::find_if(w.commands.begin(), w.commands.end(), isStop);
        }
        CommandJob job = *stop;
        w.commands.erase(stop);
        job.previous = drive.controlSet[0];
        for (auto it = w.carried.begin(); it != w.carried.end();) {
            if (it->command.kind == Command::Kind::Word) {
                job.previous = it->previous;
                deliverOutcome(state, superseded(*it, job.command));
                it = w.carried.erase(it);
            } else {
                ++it;
            }
        }
        drive.controlSet[0] = job.command.value;
        w.restoreWhenStopped = false;
        w.carried.push_back(job);
        w.controlTries = 0;
        return WriteKind::Block;
    }
    if (!w.carried.empty()) {
        return w.carried.front().command.kind == Command::Kind::Store ? WriteKind::Store
                                                                      : WriteKind::Block;
    }
    if (w.commands.empty()) {
        return WriteKind::Block;
    }
    CommandJob job = w.commands.front();
    w.commands.pop_front();
    w.controlTries = 0;
    if (job.command.kind == Command::Kind::Store) {
        w.carried.push_back(job);
        return WriteKind::Store;
    }
    const std::size_t j = wordIndex(job.command);
    job.previous = drive.controlSet[j];
    if (j == 0) {
        w.restoreWhenStopped = false; // a new word replaces the held stop
    }
    drive.controlSet[j] = static_cast<int32_t>(static_cast<int16_t>(job.command.value));
    w.carried.push_back(job);
    return WriteKind::Block;
}

void sendControlWrite(OpContext& context) {
    SlotWork& w = context.state.work[static_cast<std::size_t>(context.slot)];
    if (takeCommands(context.state, w, *context.drive) == WriteKind::Store) {
        const uint16_t store = 1;
        buildWriteMultiple(context.state.buffers, context.address, kStoreRegister, &store, 1);
    } else {
        buildControlBlockWrite(context.state.buffers, context.address, context.drive->controlSet);
    }
    phaseOf(context.state, OpCode::ControlWrite) = OpPhase::Await;
}

/// The drive confirmed the write in txFrame: it holds the words sent.
void confirmControlWrite(LinkState& state, SlotWork& w, DriveRecord& drive) {
    const LinkBuffers& b = state.buffers;
    if (decodeUnsigned(b.txFrame[2], b.txFrame[3]) == kStoreRegister) {
        drive.controlSet[kStoreWord] = 0;
        drive.controlAck[kStoreWord] = 0;
    } else {
        // The 29-byte block frame: the ten words from byte 7.
        for (std::size_t j = 0; j < kControlWords; ++j) {
            drive.controlAck[j] = decodeSigned(b.txFrame[7 + 2 * j], b.txFrame[8 + 2 * j]);
        }
        drive.controlSet[kStoreWord] = 0;
        drive.controlAck[kStoreWord] = 0;
        if (drive.controlSet[0] == drive.controlAck[0]) {
            // The fault reset goes out once: the next change detection writes
            // the word again without it. The stop bit of an emergency stop
            // comes back once the drive stands still.
            drive.controlSet[0] &= ~kOneShotBit;
            w.restoreWhenStopped = (drive.controlSet[0] & kRestoredBit) == 0;
        }
    }
    for (const CommandJob& job : w.carried) {
        Outcome o = outcomeOf(job.id, job.target, Result::Confirmed);
        o.writtenRegisters = job.importedRegisters;
        o.words = job.readBack;
        deliverOutcome(state, std::move(o));
    }
    w.carried.clear();
    w.controlTries = 0;
    w.controlHeld = false;
    w.followUpTold = false;
}

std::string carriedNames(const SlotWork& w) {
    std::string names;
    for (const CommandJob& job : w.carried) {
        names += (names.empty() ? std::string() : translated("LinkMessages", "、")) +
                 shownCommandName(job.command);
    }
    return names;
}

/// Gives up the write: the words go back to what the drive holds, nothing
/// more is sent for them.
void giveUp(SlotWork& w, DriveRecord& drive) {
    // Newest first: the oldest write's previous word is what the drive holds.
    for (std::size_t i = w.carried.size(); i-- > 0;) {
        const auto& carried = w.carried[i];
        if (carried.command.kind != Command::Kind::Store) {
            drive.controlSet[wordIndex(carried.command)] = carried.previous;
        }
    }
    // Differences of the link's own (a follow-up, a block to write again)
    // are not worth more tries either.
    drive.controlAck = drive.controlSet;
    drive.controlSet[kStoreWord] = 0;
    drive.controlAck[kStoreWord] = 0;
    w.carried.clear();
    w.controlTries = 0;
    w.controlHeld = false;
}

std::string exceptionText(uint8_t code) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X", code);
    return translated("LinkMessages", "（异常 ") + std::string(text) + " " +
           translated("Requests", std::string(exceptionName(code)).c_str()) +
           translated("LinkMessages", "）");
}

/// The drive refused the write (`code`) or did not answer it (`code` 0).
void failControlWrite(OpContext& context, SlotWork& w, uint8_t code) {
    LinkState& state = context.state;
    const bool refused = code != 0;
    const bool store = !w.carried.empty() && w.carried.front().command.kind == Command::Kind::Store;
    const bool stop = std::any_of(w.carried.begin(), w.carried.end(), isStop);
    ++w.controlTries;
    // A refused store is final; a stop not answered is tried while its drive
    // is there (each try after a status read).
    const bool final =
        (refused && store) || (w.controlTries >= kControlTries && (refused || !stop));
    if (!final) {
        w.controlHeld = true;
        w.heldSince = state.diagnostics.tick;
        return;
    }
    const std::string& name = context.drive->name;
    if (w.carried.empty()) {
        if (!w.followUpTold) {
            w.followUpTold = true;
            // Shown only, never stored: composed in the display language.
            context.out.notice(
                translated("LinkMessages", "变频器 ") + name +
                    (refused ? translated("LinkMessages", " 连续三次拒绝控制字的写入") +
                                   exceptionText(code)
                             : translated("LinkMessages", " 连续三次没有应答控制字的写入")) +
                    translated("LinkMessages", "。"),
                kInfoCaption);
        }
        giveUp(w, *context.drive);
        return;
    }
    const std::string names = carriedNames(w);
    std::string message;
    if (refused) {
        message = translated("LinkMessages", "变频器 ") + name +
                  (store ? translated("LinkMessages", " 拒绝了命令：")
                         : translated("LinkMessages", " 连续三次拒绝了命令：")) +
                  names + exceptionText(code) + translated("LinkMessages", "。");
    } else {
        message = translated("LinkMessages", "变频器 ") + name +
                  translated("LinkMessages", " 连续三次没有应答命令：") + names +
                  translated("LinkMessages", "，命令未送达。");
    }
    for (const CommandJob& job : w.carried) {
        Outcome o = outcomeOf(job.id, job.target, refused ? Result::Refused : Result::TimedOut);
        o.exception = code;
        o.writtenRegisters = job.importedRegisters;
        o.message = message;
        deliverOutcome(state, std::move(o));
    }
    giveUp(w, *context.drive);
}

void awaitControlWrite(OpContext& context) {
    LinkState& state = context.state;
    SlotWork& w = state.work[static_cast<std::size_t>(context.slot)];
    switch (checkReply(state, context.address, kControlWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        confirmControlWrite(state, w, *context.drive);
        finishOp(state);
        break;
    case ReplyStatus::Exception:
        failControlWrite(context, w, state.buffers.replyFrame[2]);
        finishOp(state);
        break;
    case ReplyStatus::TimedOut:
        failControlWrite(context, w, 0);
        finishOp(state);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void restoreStopBit(LinkState& state, int slot) {
    SlotWork& w = state.work[static_cast<std::size_t>(slot)];
    DriveRecord& drive = state.table.slots[static_cast<std::size_t>(slot)];
    if (w.restoreWhenStopped && (drive.status[0] & status_bit::kRunning) == 0) {
        w.restoreWhenStopped = false;
        drive.controlSet[0] |= kRestoredBit;
    }
}

bool stopWaiting(const LinkState& state, int slot) {
    const SlotWork& w = state.work[static_cast<std::size_t>(slot)];
    return std::any_of(w.commands.begin(), w.commands.end(), isStop) ||
           (!held(state, w) && std::any_of(w.carried.begin(), w.carried.end(), isStop));
}

bool controlWriteWanted(const LinkState& state, int slot) {
    if (stopWaiting(state, slot)) {
        return true;
    }
    const SlotWork& w = state.work[static_cast<std::size_t>(slot)];
    if (held(state, w)) {
        return false;
    }
    const DriveRecord& drive = state.table.slots[static_cast<std::size_t>(slot)];
    return !w.commands.empty() || !w.carried.empty() || drive.controlSet != drive.controlAck;
}

void queueCommand(LinkState& state, CommandJob job) {
    SlotWork& w = state.work[static_cast<std::size_t>(job.target.slot)];
    const int rank = stopRank(job.command);
    if (rank > 0) {
        int strongest = 0;
        for (const auto* list : {&w.carried}) {
            for (const CommandJob& other : *list) {
                strongest = std::max(strongest, stopRank(other.command));
            }
        }
        for (const CommandJob& other : w.commands) {
            strongest = std::max(strongest, stopRank(other.command));
        }
        if (strongest >= rank) {
            deliverOutcome(state,
                           superseded(job, VELKARO_TRANSLATE_NOOP("OperatorMessages",
                                                                  "已有更强的停机命令等待送达")));
            return;
        }
        // The strongest stop wins, and what was given before it to set the
        // motor going is undone by it: the drive stays stopped.
        for (auto it = w.commands.begin(); it != w.commands.end();) {
            if (isStop(*it) || isMotion(*it)) {
                deliverOutcome(state, superseded(*it, job.command));
                it = w.commands.erase(it);
            } else {
                ++it;
            }
        }
    }
    w.commands.push_back(std::move(job));
}

void runControlWrite(OpContext& context) {
    context.state.settings.replyTimeoutTicks = kControlWriteTimeoutTicks;
    if (context.slot < 0) {
        finishOp(context.state);
        return;
    }
    if (phaseOf(context.state, OpCode::ControlWrite) == OpPhase::Send) {
        sendControlWrite(context);
    } else {
        awaitControlWrite(context);
    }
}

} // namespace velkaro
