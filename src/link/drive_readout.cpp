#include "link/drive_readout.h"

#include <algorithm>

#include "link/link_operations.h"
#include "link/operator_messages.h"
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

constexpr std::string_view kTransferUnderWay =
    "参数导入或导出正在进行，请等待其完成后再进行该操作！";
constexpr std::string_view kUnsupported = "对不起！该系列变频器不支持该功能";

/// Registers one group read brings: the whole catalogue group (QD10: 100).
int groupReadSize(std::string_view series, int group) {
    return std::min(groupSize(series, group, SizePurpose::Transfer), 100);
}

bool driveStillSelected(const LinkState& s) {
    const DriveReadout& r = s.readout;
    return r.slot >= 0 && r.slot < kMaxDrives && s.selectedSlot == r.slot &&
           s.table.slots[static_cast<std::size_t>(r.slot)].name == r.driveName;
}

/// A motor command or an address probe is waiting for the bus: the readout
/// lets the round go on rather than hold the bus for another group.
bool otherWorkWaiting(const LinkState& s) {
    if (!s.table.probeRecord.name.empty()) {
        return true;
    }
    return std::any_of(s.table.slots.begin(), s.table.slots.end(), [](const DriveRecord& d) {
        return !d.name.empty() &&
               (d.controlSet != d.controlAck || d.pendingOp == OpCode::ControlWrite);
    });
}

void askForGroup(LinkState& s) {
    s.selectedGroup = s.readout.group;
    requestGroupRead(s);
}

/// Gives back what the readout took. The panel's group and values come back
/// (and the group is read afresh) only while the drive is still the selected
/// one; after a change of selection they belong to the new drive.
void giveBack(LinkState& s) {
    DriveReadout& r = s.readout;
    if (driveStillSelected(s)) {
        s.selectedGroup = r.panelGroup;
        s.groupValues = r.panelValues;
        requestGroupRead(s);
    }
    releaseActivity(s, ActivityState::Readout);
    s.transferBusy = false;
}

void failReadout(LinkState& s, TickOutcome& out, const std::string& text) {
    DriveReadout& r = s.readout;
    giveBack(s);
    r.phase = ReadoutPhase::Failed;
    r.words.clear();
    r.failure = text;
    out.notice(text, kInfoCaption);
}

void completeReadout(LinkState& s) {
    giveBack(s);
    s.progress.position = s.progress.maximum;
    s.readout.phase = ReadoutPhase::Complete;
}

/// Stores the group just read; false when the read did not fill it.
bool takeGroup(LinkState& s, const SeriesCatalogue& catalogue) {
    DriveReadout& r = s.readout;
    const int size = groupReadSize(r.series, r.group);
    if (s.groupReadFilled < size) {
        return false;
    }
    const ParamGroup& group = catalogue.groups[static_cast<std::size_t>(r.group)];
    std::copy_n(s.groupValues.begin(), size,
                r.words.begin() + static_cast<std::ptrdiff_t>(group.first));
    return true;
}

} // namespace

std::string startReadout(LinkState& s) {
    DriveReadout& r = s.readout;
    if (r.running()) {
        return std::string(kReadoutUnderWay);
    }
    if (s.transferBusy) {
        return std::string(kTransferUnderWay);
    }
    const DriveRecord* drive = selectedDrive(s);
    if (drive == nullptr) {
        return std::string(kReadoutNoDrive);
    }
    const SeriesCatalogue* catalogue = catalogueFor(drive->series);
    if (catalogue == nullptr || catalogue->groups.empty()) {
        return std::string(kUnsupported);
    }
    r.phase = ReadoutPhase::Reading;
    ++r.serial;
    r.slot = s.selectedSlot;
    r.driveName = drive->name;
    r.series = drive->series;
    r.ratedPower = drive->ratedPower;
    r.group = 0;
    r.turnTicks = 0;
    r.panelGroup = s.selectedGroup;
    r.panelValues = s.groupValues;
    r.words.assign(catalogue->entries.size(), 0);
    r.failure.clear();
    s.transferBusy = true;
    s.progress = {0, static_cast<int>(catalogue->groups.size()), 0};
    askForGroup(s);
    return {};
}

void stepReadout(LinkState& s, TickOutcome& out) {
    DriveReadout& r = s.readout;
    if (!r.running()) {
        return;
    }
    if (!driveStillSelected(s)) {
        failReadout(s, out, std::string(kReadoutCut));
        return;
    }
    takeActivity(s, ActivityState::Readout);
    const bool serving = !s.servingProbe && s.currentDriveName == r.driveName &&
                         (s.currentOp == OpCode::GroupRead || s.currentOp == OpCode::Finished);
    r.turnTicks = serving ? r.turnTicks + 1 : 0;
    if (s.groupReadDone != s.groupReadRequest) {
        return; // the group's read is still to come or under way
    }
    if (s.selectedGroup != r.group) {
        askForGroup(s); // the read that ended was of another group
        return;
    }
    const SeriesCatalogue* catalogue = catalogueFor(r.series);
    if (catalogue == nullptr || !takeGroup(s, *catalogue)) {
        const std::string label =
            catalogue != nullptr
                ? std::string(catalogue->groups[static_cast<std::size_t>(r.group)].label)
                : r.series;
        failReadout(s, out, "通讯原因导致参数读取失败！功能组" + label + "未能读出。");
        return;
    }
    ++r.group;
    s.progress.position = r.group;
    if (r.group >= static_cast<int>(catalogue->groups.size())) {
        completeReadout(s);
        return;
    }
    askForGroup(s);
    if (s.currentOp == OpCode::Finished && serving && r.turnTicks < kReadoutTurnTicks &&
        !otherWorkWaiting(s)) {
        // The drive keeps its turn: the next group's first chunk goes out on
        // the next tick, as if the scheduler had picked the read up again.
        s.currentOp = OpCode::GroupRead;
        phaseOf(s, OpCode::GroupRead) = OpPhase::Send;
        s.retryCount = 0;
    }
}

ParameterReport readoutReport(const DriveReadout& r, std::string readTime) {
    return {r.driveName, r.series, r.ratedPower, std::move(readTime), r.words};
}

} // namespace velkaro
