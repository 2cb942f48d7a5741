// Readout: every catalogue group of a drive read by the group read, one
// group after another on the drive's turns.

#include "link/drive_readout.h"

#include <algorithm>

#include "link/master/link_operations.h"
#include "registry/catalogue.h"

namespace velkaro {

namespace {

// The drive's turn goes on with its next group while it has lasted less than
// this many ticks; then the other drives get their status reads. A group is
// never split: a turn ends at most one group read after this. Longer turns
// read faster with many drives on the bus, shorter ones poll them more often:
// at 9600 baud a QD40 is read within 1.2 times its wire time with three other
// drives polled, each of them at least every two seconds.
constexpr unsigned kReadoutTurnTicks = 1500;

/// A motor command or an address probe is waiting for the bus: the readout
/// lets the round go on rather than hold the bus for another group.
bool otherWorkWaiting(const LinkState& s) {
    if (!s.table.probeRecord.name.empty()) {
        return true;
    }
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        const DriveRecord& d = s.table.slots[static_cast<std::size_t>(slot)];
        if (!d.name.empty() &&
            (controlWriteWanted(s, slot) || d.pendingOp == OpCode::ControlWrite)) {
            return true;
        }
    }
    return false;
}

void askForGroup(LinkState& s, TransferJob& t) {
    SlotWork& w = s.work[static_cast<std::size_t>(t.target.slot)];
    ReadJob read;
    read.target = t.target;
    read.first = registerOf(t.group, 0);
    read.count = readSize(t.series, t.group);
    read.group = t.group;
    read.owner = ReadJob::Owner::Readout;
    w.reads.push_back(std::move(read));
    DriveRecord& drive = s.table.slots[static_cast<std::size_t>(t.target.slot)];
    if (drive.pendingOp == OpCode::None || drive.pendingOp == OpCode::StatusRead) {
        drive.pendingOp = OpCode::GroupRead;
    }
}

} // namespace

void startReadout(LinkState& s, TransferJob& t) {
    const SeriesCatalogue* catalogue = catalogueFor(t.series);
    t.words.assign(catalogue->entries.size(), 0);
    t.group = 0;
    t.turnTicks = 0;
    s.progress = {0, static_cast<int>(catalogue->groups.size()), 0};
    askForGroup(s, t);
}

void stepReadout(LinkState& s) {
    if (!s.transfer || s.transfer->kind != TransferJob::Kind::Readout) {
        return;
    }
    TransferJob& t = *s.transfer;
    if (t.cancelAsked) {
        endTransfer(s, Result::Cancelled, std::string(kReadoutCut));
        return;
    }
    takeActivity(s, ActivityState::Readout);
    const bool serving = !s.servingProbe && s.currentDriveName == t.target.name &&
                         (s.currentOp == OpCode::GroupRead || s.currentOp == OpCode::Finished);
    t.turnTicks = serving ? t.turnTicks + 1 : 0;
    if (!t.groupEnded) {
        return; // the group's read is still to come or under way
    }
    t.groupEnded = false;
    const SeriesCatalogue* catalogue = catalogueFor(t.series);
    const int size = readSize(t.series, t.group);
    if (catalogue == nullptr || t.groupResult != Result::Confirmed ||
        t.groupWords.size() < static_cast<std::size_t>(size)) {
        const std::string label =
            catalogue != nullptr
                ? std::string(catalogue->groups[static_cast<std::size_t>(t.group)].label)
                : t.series;
        const Result result = t.groupResult == Result::Confirmed ? Result::TimedOut : t.groupResult;
        endTransfer(s, result, "通讯原因导致参数读取失败！功能组" + label + "未能读出。");
        return;
    }
    const ParamGroup& group = catalogue->groups[static_cast<std::size_t>(t.group)];
    std::copy_n(t.groupWords.begin(), size,
                t.words.begin() + static_cast<std::ptrdiff_t>(group.first));
    ++t.group;
    s.progress.position = t.group;
    if (t.group >= static_cast<int>(catalogue->groups.size())) {
        s.progress.position = s.progress.maximum;
        endTransfer(s, Result::Confirmed, {});
        return;
    }
    askForGroup(s, t);
    if (s.currentOp == OpCode::Finished && serving && t.turnTicks < kReadoutTurnTicks &&
        !otherWorkWaiting(s)) {
        // The drive keeps its turn: the next group's first chunk goes out on
        // the next tick, as if the scheduler had picked the read up again.
        s.currentOp = OpCode::GroupRead;
        phaseOf(s, OpCode::GroupRead) = OpPhase::Send;
        s.retryCount = 0;
    }
}

ParameterReport readoutReport(const Outcome& outcome, std::string readTime) {
    return {outcome.target.name, outcome.series, outcome.ratedPower, std::move(readTime),
            outcome.words};
}

} // namespace velkaro
