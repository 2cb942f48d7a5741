// Group read (5) and parameter write (6): one catalogue group of the selected
// drive, read in chunks, and one parameter written and then re-read.

#include <algorithm>
#include <cstdio>

#include "link/link_operations.h"
#include "link/operator_messages.h"
#include "registry/catalogue.h"

namespace velkaro {

namespace {

constexpr unsigned kGroupReadTimeoutTicks = 500;
constexpr unsigned kGroupReadRetries = 10; // shared by all chunks of the group
constexpr int kGroupReadChunk = 30;
constexpr int kSingleGroupSize = 100; // the QD10 has one group of 100 registers

constexpr unsigned kParamWriteTimeoutTicks = 500;
constexpr unsigned kParamWriteRetries = 10;

struct GroupPlan {
    int group = 0;
    int size = 0;
};

/// Group and size to read for the selected drive; none for a series without
/// a catalogue or a group outside it.
std::optional<GroupPlan> planGroupRead(const LinkState& s, const DriveRecord& selected) {
    if (selected.series == "QD10") {
        return GroupPlan{0, kSingleGroupSize};
    }
    const SeriesCatalogue* catalogue = catalogueFor(selected.series);
    if (catalogue == nullptr || s.selectedGroup < 0 ||
        static_cast<std::size_t>(s.selectedGroup) >= catalogue->groups.size()) {
        return std::nullopt;
    }
    const int size = catalogue->groups[static_cast<std::size_t>(s.selectedGroup)].count;
    if (size <= 0) {
        return std::nullopt;
    }
    return GroupPlan{s.selectedGroup, std::min(size, static_cast<int>(s.groupValues.size()))};
}

/// The code of a saved write as the operator knows it ("F1-05"), else its register.
std::string parameterCode(const DriveRecord& drive, const ParameterWrite& write) {
    if (const auto d = descriptor(drive.series, write.group, write.row)) {
        return std::string(d->code);
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", write.registerAddress);
    return text;
}

/// The read has served its request, whether it filled the group or gave up.
void endGroupRead(LinkState& s) {
    s.groupReadFilled = s.groupReadCount;
    s.groupReadCount = 0;
    s.groupReadDone = s.groupReadServing;
    finishOp(s);
}

void sendGroupRead(OpContext& c, const GroupPlan& plan) {
    LinkState& s = c.s;
    const int n = std::min(plan.size - s.groupReadCount, kGroupReadChunk);
    if (n <= 0) {
        // The selection moved to a smaller group in mid-read.
        endGroupRead(s);
        return;
    }
    buildReadHolding(s.buffers, c.address, registerOf(plan.group, s.groupReadCount),
                     static_cast<uint8_t>(n));
    phaseOf(s, OpCode::GroupRead) = OpPhase::Await;
}

/// Stores the words of a 0x03 reply; only words the frame really holds and
/// that fit groupValues. Returns how many were stored.
int storeGroupWords(LinkState& s, const DecodedReply& reply) {
    const unsigned counted = reply.byteCount / 2u;
    const unsigned room = static_cast<unsigned>(s.groupValues.size()) -
                          static_cast<unsigned>(std::clamp(s.groupReadCount, 0, 100));
    const unsigned words = std::min({counted, reply.words(), room});
    for (unsigned i = 0; i < words; ++i) {
        s.groupValues[static_cast<std::size_t>(s.groupReadCount) + i] = reply.word(i);
    }
    s.groupReadCount += static_cast<int>(words);
    return static_cast<int>(words);
}

void awaitGroupRead(OpContext& c, const GroupPlan& plan) {
    LinkState& s = c.s;
    const DecodedReply reply = decodeReply(s.buffers);
    switch (checkReply(s, c.address, kGroupReadTimeoutTicks)) {
    case ReplyStatus::Answered:
        // An answer of another function (an exception) and the last part both end the read.
        // NOLINTNEXTLINE(bugprone-branch-clone)
        if (!reply.is(kReadHoldingRegisters)) {
            endGroupRead(s);
        } else if (storeGroupWords(s, reply) == 0) {
            // An answer that moves the read on by nothing would be asked again
            // for ever: it costs a retry.
            if (!retryOrFinish(s, OpCode::GroupRead, kGroupReadRetries)) {
                endGroupRead(s);
            }
        } else if (s.groupReadCount < plan.size) {
            s.buffers.replyLength = 0;
            phaseOf(s, OpCode::GroupRead) = OpPhase::Send;
        } else {
            endGroupRead(s);
        }
        break;
    case ReplyStatus::TimedOut:
        if (!retryOrFinish(s, OpCode::GroupRead, kGroupReadRetries)) {
            endGroupRead(s);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendParamWrite(OpContext& c, const ParameterWrite& write) {
    buildWriteMultiple(c.s.buffers, c.address, write.registerAddress, &write.word, 1);
    phaseOf(c.s, OpCode::ParamWrite) = OpPhase::Await;
}

/// The front write is done with (answered, or given up): the next one, if any,
/// goes out on the drive's next turn; the selected drive's group is read again
/// so the panel shows what the drive really holds, not the value typed.
void endParamWrite(LinkState& s, DriveRecord& drive) {
    drive.parameterWrites.pop_front();
    if (&drive == selectedDrive(s)) {
        requestGroupRead(s);
        // Replaces the write's own code, so the scheduler keeps the request.
        drive.pendingOp = OpCode::GroupRead;
    }
    finishOp(s);
}

void awaitParamWrite(OpContext& c) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kParamWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        endParamWrite(s, *c.drive);
        break;
    case ReplyStatus::TimedOut:
        if (s.retryCount >= kParamWriteRetries) {
            const ParameterWrite& lost = c.drive->parameterWrites.front();
            c.out.notice(c.drive->name + " 的参数 " + parameterCode(*c.drive, lost) +
                             " 因通讯故障未能写入！",
                         kInfoCaption);
            endParamWrite(s, *c.drive);
        } else {
            retryOrFinish(s, OpCode::ParamWrite, kParamWriteRetries);
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

} // namespace

void runGroupRead(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kGroupReadTimeoutTicks;
    const DriveRecord* selected = selectedDrive(s);
    if (selected == nullptr || selected != c.drive) {
        // The values are the selected drive's list: a read served at another
        // drive (the selection moved before its turn) would show that drive's
        // values under the selected one's name. The request stays for the
        // selected drive's own turn; a read cut short leaves no position behind.
        s.groupReadCount = 0;
        finishOp(s);
        return;
    }
    const bool sending = phaseOf(s, OpCode::GroupRead) == OpPhase::Send;
    if (sending && (s.groupReadCount == 0 || s.groupReadServing != s.groupReadRequest)) {
        // A newer request (another group, another selection) restarts the
        // read from row 0 between chunks, never while a reply is due.
        s.groupReadCount = 0;
        s.groupReadServing = s.groupReadRequest;
    }
    const std::optional<GroupPlan> plan = planGroupRead(s, *selected);
    if (!plan) {
        endGroupRead(s);
    } else if (sending) {
        sendGroupRead(c, *plan);
    } else {
        awaitGroupRead(c, *plan);
    }
}

void runParamWrite(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kParamWriteTimeoutTicks;
    if (c.drive->parameterWrites.empty()) {
        finishOp(s);
    } else if (phaseOf(s, OpCode::ParamWrite) == OpPhase::Send) {
        sendParamWrite(c, c.drive->parameterWrites.front());
    } else {
        awaitParamWrite(c);
    }
}

} // namespace velkaro
