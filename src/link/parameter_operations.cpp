// Group read (5) and parameter write (6): one catalogue group of the selected
// drive, read in chunks, and one parameter written and then re-read.

#include <algorithm>

#include "link/link_operations.h"
#include "registry/catalogue.h"

namespace velkaro {

namespace {

constexpr unsigned kGroupReadTimeoutTicks = 500;
constexpr unsigned kGroupReadRetries = 10; // shared by all chunks of the group
constexpr int kGroupReadChunk = 30;
constexpr int kSingleGroupSize = 100; // the QD10 has one group of 100 registers

constexpr unsigned kParamWriteTimeoutTicks = 500;
constexpr unsigned kParamWriteRetries = 10;

constexpr uint8_t kReadHolding = 0x03;

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

void endGroupRead(LinkState& s) {
    s.groupReadCount = 0;
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
int storeGroupWords(LinkState& s) {
    const LinkBuffers& b = s.buffers;
    const unsigned counted = b.replyFrame[2] / 2u;
    const unsigned room = static_cast<unsigned>(s.groupValues.size()) -
                          static_cast<unsigned>(std::clamp(s.groupReadCount, 0, 100));
    const unsigned words = std::min({counted, replyDataWords(b), room});
    for (unsigned i = 0; i < words; ++i) {
        s.groupValues[static_cast<std::size_t>(s.groupReadCount) + i] =
            decodeUnsigned(b.replyFrame[3 + 2 * i], b.replyFrame[4 + 2 * i]);
    }
    s.groupReadCount += static_cast<int>(words);
    return static_cast<int>(words);
}

void awaitGroupRead(OpContext& c, const GroupPlan& plan) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kGroupReadTimeoutTicks)) {
    case ReplyStatus::Answered:
        // An answer of another function (an exception) and the last part both end the read.
        // NOLINTNEXTLINE(bugprone-branch-clone)
        if (s.buffers.replyFrame[1] != kReadHolding) {
            endGroupRead(s);
        } else if (storeGroupWords(s) == 0) {
            // An answer that moves the read on by nothing would be asked again
            // for ever: it costs a retry.
            if (!retryOrFinish(s, OpCode::GroupRead, kGroupReadRetries)) {
                s.groupReadCount = 0;
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
            s.groupReadCount = 0;
        }
        break;
    case ReplyStatus::Pending:
        break;
    }
}

void sendParamWrite(OpContext& c) {
    LinkState& s = c.s;
    // Only a register of the catalogue's form group * 256 + row is written.
    if (s.selectedGroup < 0 || s.selectedGroup > 255 || s.paramWriteIndex < 0 ||
        s.paramWriteIndex > 255) {
        finishOp(s);
        return;
    }
    const auto word = static_cast<uint16_t>(s.paramWriteValue);
    buildWriteMultiple(s.buffers, c.address, registerOf(s.selectedGroup, s.paramWriteIndex), &word,
                       1);
    phaseOf(s, OpCode::ParamWrite) = OpPhase::Await;
}

void awaitParamWrite(OpContext& c, DriveRecord& selected) {
    LinkState& s = c.s;
    switch (checkReply(s, c.address, kParamWriteTimeoutTicks)) {
    case ReplyStatus::Answered:
        // Re-read the group so the panel shows what the drive really holds.
        selected.pendingOp = OpCode::GroupRead;
        finishOp(s);
        break;
    case ReplyStatus::TimedOut:
        retryOrFinish(s, OpCode::ParamWrite, kParamWriteRetries);
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
    if (selected == nullptr) {
        // A read cut short by a lost selection must not leave its position
        // behind: the next read would start mid-group and never fill the rows
        // before it.
        endGroupRead(s);
        return;
    }
    const std::optional<GroupPlan> plan = planGroupRead(s, *selected);
    if (!plan) {
        endGroupRead(s);
    } else if (phaseOf(s, OpCode::GroupRead) == OpPhase::Send) {
        sendGroupRead(c, *plan);
    } else {
        awaitGroupRead(c, *plan);
    }
}

void runParamWrite(OpContext& c) {
    LinkState& s = c.s;
    s.settings.replyTimeoutTicks = kParamWriteTimeoutTicks;
    DriveRecord* selected = selectedDrive(s);
    if (selected == nullptr) {
        finishOp(s);
    } else if (phaseOf(s, OpCode::ParamWrite) == OpPhase::Send) {
        sendParamWrite(c);
    } else {
        awaitParamWrite(c, *selected);
    }
}

} // namespace velkaro
