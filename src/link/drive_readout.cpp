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
bool otherWorkWaiting(const LinkState& state) {
    if (!state.table.probeRecord.name.empty()) {
        return true;
    }
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        const DriveRecord& d = state.table.slots[static_cast<std::size_t>(slot)];
        if (!d.name.empty() &&
            (controlWriteWanted(state, slot) || d.pendingOp == OpCode::ControlWrite)) {
            return true;
        }
    }
    return false;
}

void askForGroup(LinkState& state, TransferJob& job) {
    SlotWork& w = state.work[static_cast<std::size_t>(job.target.slot)];
    ReadJob read;
    read.target = job.target;
    read.first = registerOf(job.group, 0);
    read.count = readSize(job.series, job.group);
    read.group = job.group;
    read.owner = ReadJob::Owner::Readout;
    w.reads.push_back(std::move(read));
    DriveRecord& drive = state.table.slots[static_cast<std::size_t>(job.target.slot)];
    if (drive.pendingOp == OpCode::None || drive.pendingOp == OpCode::StatusRead) {
        drive.pendingOp = OpCode::GroupRead;
    }
}

} // namespace

void startReadout(LinkState& state, TransferJob& job) {
    const SeriesCatalogue* catalogue = catalogueFor(job.series);
    job.words.assign(catalogue->entries.size(), 0);
    job.group = 0;
    job.turnTicks = 0;
    state.progress = {0, static_cast<int>(catalogue->groups.size()), 0};
    askForGroup(state, job);
}

void stepReadout(LinkState& state) {
    if (!state.transfer || state.transfer->kind != TransferJob::Kind::Readout) {
        return;
    }
    TransferJob& job = *state.transfer;
    if (job.cancelAsked) {
        endTransfer(state, Result::Cancelled, std::string(kReadoutCut));
        return;
    }
    takeActivity(state, ActivityState::Readout);
    const bool serving =
        !state.servingProbe && state.currentDriveName == job.target.name &&
        (state.currentOp == OpCode::GroupRead || state.currentOp == OpCode::Finished);
    job.turnTicks = serving ? job.turnTicks + 1 : 0;
    if (!job.groupEnded) {
        return; // the group's read is still to come or under way
    }
    job.groupEnded = false;
    const SeriesCatalogue* catalogue = catalogueFor(job.series);
    const int size = readSize(job.series, job.group);
    if (catalogue == nullptr || job.groupResult != Result::Confirmed ||
        job.groupWords.size() < static_cast<std::size_t>(size)) {
        const std::string label =
            catalogue != nullptr
                ? std::string(catalogue->groups[static_cast<std::size_t>(job.group)].label)
                : job.series;
        const Result result =
            job.groupResult == Result::Confirmed ? Result::TimedOut : job.groupResult;
        endTransfer(state, result, "通讯原因导致参数读取失败！功能组" + label + "未能读出。");
        return;
    }
    const ParamGroup& group = catalogue->groups[static_cast<std::size_t>(job.group)];
    std::copy_n(job.groupWords.begin(), size,
                job.words.begin() + static_cast<std::ptrdiff_t>(group.first));
    ++job.group;
    state.progress.position = job.group;
    if (job.group >= static_cast<int>(catalogue->groups.size())) {
        state.progress.position = state.progress.maximum;
        endTransfer(state, Result::Confirmed, {});
        return;
    }
    askForGroup(state, job);
    if (state.currentOp == OpCode::Finished && serving && job.turnTicks < kReadoutTurnTicks &&
        !otherWorkWaiting(state)) {
        // The drive keeps its turn: the next group's first chunk goes out on
        // the next tick, as if the scheduler had picked the read up again.
        state.currentOp = OpCode::GroupRead;
        phaseOf(state, OpCode::GroupRead) = OpPhase::Send;
        state.retryCount = 0;
    }
}

ParameterReport readoutReport(const Outcome& outcome, std::string readTime) {
    return {outcome.target.name, outcome.series, outcome.ratedPower, std::move(readTime),
            outcome.words};
}

} // namespace velkaro
