#include "link/drive_link.h"

#include <climits>

#include "link/master/link_operations.h"
#include "link/operator_notices.h"
#include "link/ports/device_address.h"
#include "link/ports/serial_port.h"
#include "registry/catalogue.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr std::string_view kReceiveOverflow =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "接受数据溢出！");
constexpr std::string_view kWrongModel =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "机型错误！请确认导入参数与变频器机型一致。");
constexpr std::string_view kStopFirst =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "请停机后再进行该操作！");
constexpr int kMostRegisters = 125; // what one 0x03 reply can carry

void countTick(unsigned& counter) {
    if (counter != UINT_MAX) {
        ++counter;
    }
}

std::string portFailureText(const SerialPort& port) {
    if (port.connectionLost()) {
        return port.lastError() +
               translated("PortTexts", "。请检查网络连接，然后在连接控制中重新应用设置。");
    }
    return translated("PortTexts", "串口 ") + port.devicePath() +
           translated("PortTexts", " 无法发送数据：") + port.lastError() +
           translated("PortTexts", "。请检查串口连接，然后在连接控制中重新应用设置。");
}

/// The seven steps of one tick on the link's state, lock held by the caller.
void runTick(LinkState& state, SerialPort& port, TickOutcome& out) {
    countTick(state.buffers.silenceTicks);
    countTick(state.buffers.replyTicks);
    countTick(state.buffers.quietCount);
    ++state.diagnostics.tick;
    if (!state.linkOpen) {
        return;
    }
    const ReceiveResult received =
        receiveStep(state.buffers, port, state.settings.frameGapTicks, state.settings.frameEnd);
    recordReceived(state, received);
    if (received.overflowStarted) {
        out.notice(kReceiveOverflow, "");
    }
    // While the line finder tries other settings the scheduler waits.
    if (!stepLineFinder(state, port, out)) {
        scheduleStep(state, out);
        operationStep(state, out);
        stepReadout(state);
        feedSearch(state);
        detectChanges(state);
    }
    const unsigned waiting = state.buffers.txLength;
    const bool sent = transmitStep(state.buffers, port, state.settings.transmitHoldTicks());
    // A frame held for the inter-frame silence is still waiting: not sent yet.
    recordTransmitted(state, state.buffers.txLength == 0 ? waiting : 0, sent);
    if ((!sent || port.connectionLost()) && !state.portFailed) {
        // An unplugged adapter refuses every frame from now on, a network
        // connection that failed says so at once: tell the operator once; the
        // drives then drop by their own timeouts.
        state.portFailed = true;
        out.notice(portFailureText(port), "");
    }
}

/// Requests the window may replace in pendingOp: they are asked for again
/// (status polls, change detection) or kept elsewhere (reads and writes
/// waiting in the drive's queues), so the scheduler still serves them.
void askForTurn(DriveRecord& drive, OpCode op) {
    switch (drive.pendingOp) {
    case OpCode::None:
    case OpCode::StatusRead:
    case OpCode::GroupRead:
    case OpCode::ControlWrite:
    case OpCode::ParamWrite:
        drive.pendingOp = op;
        break;
    default:
        break;
    }
}

Outcome endedAtOnce(RequestId id, const Target& target, Result result, std::string why) {
    Outcome o = outcomeOf(id, target, result);
    o.why = why;
    o.message = std::move(why);
    return o;
}

/// The slot holds the drive `target` names (same name, same bus address).
bool bound(const LinkState& state, const Target& target) {
    if (target.slot < 0 || target.slot >= kMaxDrives) {
        return false;
    }
    const DriveRecord& d = state.table.slots[static_cast<std::size_t>(target.slot)];
    return !d.name.empty() && d.name == target.name && wireAddress(d.address) == target.address;
}

Target targetAt(const LinkState& state, int slot) {
    if (slot < 0 || slot >= kMaxDrives) {
        return {};
    }
    const DriveRecord& d = state.table.slots[static_cast<std::size_t>(slot)];
    if (d.name.empty()) {
        return {};
    }
    return {slot, wireAddress(d.address), d.name};
}

/// Refuses a transfer while another one (or a readout) runs.
bool transferBusy(LinkState& state, RequestId id, const Target& target) {
    if (!state.transfer) {
        return false;
    }
    const bool readout = state.transfer->kind == TransferJob::Kind::Readout;
    deliverOutcome(state, endedAtOnce(id, target, Result::Refused,
                                      std::string(readout ? kReadoutUnderWay : kTransferUnderWay)));
    return true;
}

/// What the link does with each kind of request, under the lock.
struct Acceptor {
    LinkState& state;
    SerialPort& port;
    RequestId id;
    const Target& target;

    DriveRecord& drive() { return state.table.slots[static_cast<std::size_t>(target.slot)]; }
    SlotWork& work() { return state.work[static_cast<std::size_t>(target.slot)]; }

    void operator()(const StatusPoll&) {
        work().statusWaiters.emplace_back(id, target);
        if (drive().pendingOp == OpCode::None) {
            drive().pendingOp = OpCode::StatusRead;
        }
    }
    void operator()(const Command& command) {
        queueCommand(state, CommandJob{id, target, command, 0, 0, {}});
    }
    void operator()(const ParameterRead& read) {
        ReadJob job;
        job.id = id;
        job.target = target;
        job.group = read.group;
        if (read.group >= 0) {
            job.first = registerOf(read.group, 0);
            job.count = readSize(drive().series, read.group);
        } else {
            job.first = read.first;
            job.count = read.count;
        }
        if (job.count <= 0 || job.count > kMostRegisters || job.first + job.count > 0x10000) {
            deliverOutcome(state,
                           endedAtOnce(id, target, Result::Refused,
                                       read.group >= 0
                                           ? VELKARO_TRANSLATE_NOOP("OperatorMessages",
                                                                    "该功能组不在机型的参数表中")
                                           : VELKARO_TRANSLATE_NOOP("OperatorMessages",
                                                                    "寄存器个数应在 1..125 之间")));
            return;
        }
        // A newer read of the drive takes the place of the caller's older ones.
        for (ReadJob& older : work().reads) {
            if (older.owner == ReadJob::Owner::Caller) {
                older.superseded = true;
            }
        }
        work().reads.push_back(std::move(job));
        askForTurn(drive(), OpCode::GroupRead);
    }
    void operator()(const ParameterWrite& write) {
        work().writes.push_back(WriteJob{id, target, write});
        askForTurn(drive(), OpCode::ParamWrite);
        if (write.rewriteControl) {
            // The control block is written once more after the parameter.
            drive().controlAck[0] = 0;
        }
    }
    void operator()(const Export&) {
        if (transferBusy(state, id, target)) {
            return;
        }
        if (drive().series != "QD10" && drive().series != "QD30") {
            deliverOutcome(
                state, endedAtOnce(id, target, Result::Refused, std::string(kUnsupportedSeries)));
            return;
        }
        TransferJob job;
        job.id = id;
        job.target = target;
        job.kind = TransferJob::Kind::Export;
        state.transfer = std::move(job);
        state.progress.position = 0;
        drive().pendingOp = OpCode::Export;
    }
    void operator()(const Import& import) {
        if (transferBusy(state, id, target)) {
            return;
        }
        std::string_view refusal;
        if (drive().series != "QD30") {
            refusal = kUnsupportedSeries;
        } else if (import.image[1] != kImageTagQd30) {
            refusal = kWrongModel;
        } else if ((drive().status[0] & status_bit::kRunning) != 0) {
            refusal = kStopFirst;
        }
        if (!refusal.empty()) {
            deliverOutcome(state, endedAtOnce(id, target, Result::Refused, std::string(refusal)));
            return;
        }
        TransferJob job;
        job.id = id;
        job.target = target;
        job.kind = TransferJob::Kind::Import;
        job.image = import.image;
        job.readBackGroup = import.readBackGroup;
        state.transfer = std::move(job);
        state.progress.position = 0;
        drive().pendingOp = OpCode::Import;
    }
    void operator()(const Readout&) {
        if (transferBusy(state, id, target)) {
            return;
        }
        const SeriesCatalogue* catalogue = catalogueFor(drive().series);
        if (catalogue == nullptr || catalogue->groups.empty()) {
            deliverOutcome(
                state, endedAtOnce(id, target, Result::Refused, std::string(kUnsupportedSeries)));
            return;
        }
        TransferJob job;
        job.id = id;
        job.target = target;
        job.kind = TransferJob::Kind::Readout;
        job.series = drive().series;
        job.ratedPower = drive().ratedPower;
        state.transfer = std::move(job);
        startReadout(state, *state.transfer);
    }
    void operator()(const Search& search) {
        if (state.search) {
            // A new range takes over; the address under test is finished first.
            Outcome o = outcomeOf(state.search->id, state.search->target, Result::Cancelled);
            o.cancelReason = CancelReason::Superseded;
            o.why = VELKARO_TRANSLATE_NOOP("OperatorMessages", "已由新的搜寻代替");
            o.names = std::move(state.search->names);
            deliverOutcome(state, std::move(o));
        }
        state.search = LinkState::SearchJob{id, target, {}};
        state.searchNextAddress = search.count > 0 ? search.first : 0;
        state.searchRemaining = search.count;
    }
    void operator()(const FindLine& find) {
        std::string refusal;
        if (isNetworkDevice(port.devicePath())) {
            refusal = kNetworkLineFind;
        } else if (!requestLineFind(state, find.first, find.count, refusal)) {
            // refusal says why
        } else {
            state.finderId = id;
            return;
        }
        deliverOutcome(state, endedAtOnce(id, target, Result::Refused, refusal));
    }
};

bool needsDrive(const Request& request) {
    return !std::holds_alternative<Search>(request) && !std::holds_alternative<FindLine>(request);
}

/// Renames the drive in every request waiting for `slot`.
void renameTargets(LinkState& state, int slot, const std::string& name) {
    SlotWork& w = state.work[static_cast<std::size_t>(slot)];
    for (CommandJob& j : w.commands) {
        j.target.name = name;
    }
    for (CommandJob& j : w.carried) {
        j.target.name = name;
    }
    for (WriteJob& j : w.writes) {
        j.target.name = name;
    }
    for (ReadJob& j : w.reads) {
        j.target.name = name;
        if (j.held) {
            j.held->target.name = name;
        }
    }
    for (auto& waiter : w.statusWaiters) {
        waiter.second.name = name;
    }
    if (state.transfer && state.transfer->target.slot == slot) {
        state.transfer->target.name = name;
    }
}

/// Ends a request still waiting in a slot's queues; false if none was.
bool cancelQueued(LinkState& state, RequestId id) {
    const auto cancelled = [&](const Target& target) {
        Outcome o = outcomeOf(id, target, Result::Cancelled);
        o.cancelReason = CancelReason::ByCaller;
        o.why = VELKARO_TRANSLATE_NOOP("OperatorMessages", "已取消");
        deliverOutcome(state, std::move(o));
        return true;
    };
    for (SlotWork& w : state.work) {
        for (auto it = w.commands.begin(); it != w.commands.end(); ++it) {
            if (it->id == id) {
                const Target target = it->target;
                w.commands.erase(it);
                return cancelled(target);
            }
        }
        for (ReadJob& r : w.reads) {
            if (r.id == id && r.owner == ReadJob::Owner::Caller && !r.superseded) {
                // Dropped at its next chunk; the caller is told now.
                r.superseded = true;
                r.owner = ReadJob::Owner::Dropped; // nobody waits for it any more
                return cancelled(r.target);
            }
        }
        for (auto it = w.statusWaiters.begin(); it != w.statusWaiters.end(); ++it) {
            if (it->first == id) {
                const Target target = it->second;
                w.statusWaiters.erase(it);
                return cancelled(target);
            }
        }
        // A write not yet on the wire.
        for (std::size_t i = 1; i < w.writes.size(); ++i) {
            if (w.writes[i].id == id) {
                const Target target = w.writes[i].target;
                w.writes.erase(w.writes.begin() + static_cast<std::ptrdiff_t>(i));
                return cancelled(target);
            }
        }
    }
    return false;
}

} // namespace

DriveLink::DriveLink(SerialPort& port, OperatorNotices& notices)
    : m_state(std::make_unique<LinkState>()), m_port(port), m_notices(notices) {}

DriveLink::~DriveLink() = default;

RequestId DriveLink::submit(const Target& target, Request request) {
    RequestId id = 0;
    bool ended = false;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        LinkState& state = *m_state;
        id = ++state.lastId;
        const std::size_t before = state.outcomes.size();
        if (needsDrive(request) && !bound(state, target)) {
            Outcome o = outcomeOf(id, target, Result::Cancelled);
            o.cancelReason = CancelReason::DriveGone;
            o.why = VELKARO_TRANSLATE_NOOP("OperatorMessages", "变频器已断开连接");
            deliverOutcome(state, std::move(o));
        } else {
            std::visit(Acceptor{state, m_port, id, target}, request);
        }
        ended = state.outcomes.size() != before;
    }
    notifyOutcomes(ended);
    return id;
}

void DriveLink::cancel(RequestId id) {
    bool ended = false;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        LinkState& state = *m_state;
        const std::size_t before = state.outcomes.size();
        if (state.transfer && state.transfer->id == id) {
            state.transfer->cancelAsked = true;
        } else if (state.search && state.search->id == id) {
            Outcome o = outcomeOf(id, state.search->target, Result::Cancelled);
            o.cancelReason = CancelReason::ByCaller;
            o.why = VELKARO_TRANSLATE_NOOP("OperatorMessages", "已取消");
            o.names = std::move(state.search->names);
            state.search.reset();
            state.searchRemaining = 0;
            deliverOutcome(state, std::move(o));
        } else if (state.finderId == id) {
            state.finder.cancel = true;
        } else {
            cancelQueued(state, id);
        }
        ended = state.outcomes.size() != before;
    }
    notifyOutcomes(ended);
}

std::vector<Outcome> DriveLink::takeOutcomes() {
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<Outcome> taken;
    taken.swap(m_state->outcomes);
    return taken;
}

void DriveLink::setOutcomeListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_outcomeListener = std::move(listener);
}

void DriveLink::notifyOutcomes(bool waiting) {
    if (!waiting) {
        return;
    }
    std::function<void()> listener;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        listener = m_outcomeListener;
    }
    if (listener) {
        listener();
    }
}

Target DriveLink::targetOfSlot(int slot) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return targetAt(*m_state, slot);
}

Target DriveLink::targetOfName(std::string_view name) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return name.empty() ? Target{} : targetAt(*m_state, m_state->table.findSlotByName(name));
}

Target DriveLink::targetOfAddress(int address) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    const LinkState& state = *m_state;
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        const DriveRecord& d = state.table.slots[static_cast<std::size_t>(slot)];
        if (!d.name.empty() && wireAddress(d.address) == address) {
            return targetAt(state, slot);
        }
    }
    return {};
}

LinkSnapshot DriveLink::snapshot() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    const LinkState& state = *m_state;
    LinkSnapshot v;
    v.table = state.table;
    v.statusReadCount = state.statusReadCount;
    v.statusReadTick = state.statusReadTick;
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        v.statusRead[static_cast<std::size_t>(slot)] =
            state.work[static_cast<std::size_t>(slot)].statusRead;
    }
    v.activity = state.activityState;
    v.progress = state.progress;
    v.settings = ownSettings(state);
    v.linkOpen = state.linkOpen;
    v.portFailed = state.portFailed;
    v.connecting = m_port.connecting();
    v.connectionLost = m_port.connectionLost();
    v.portError = m_port.lastError();
    v.devicePath = m_port.devicePath();
    v.searching = state.search.has_value() || state.searchRemaining != 0 ||
                  !state.table.probeRecord.name.empty();
    v.finder.running = state.finder.running || state.finder.wanted;
    v.finder.settingIndex = state.finder.settingIndex;
    // A setting is listed once all its drives are named.
    const std::size_t naming =
        state.finder.running && state.finder.step == LineFinder::Step::Identify ? 1 : 0;
    v.finder.completeLines =
        state.finder.found.size() - std::min(naming, state.finder.found.size());
    v.finder.found.assign(state.finder.found.begin(),
                          state.finder.found.begin() +
                              static_cast<std::ptrdiff_t>(v.finder.completeLines));
    v.transferRunning = state.transfer.has_value();
    v.counters = state.diagnostics.counters;
    v.recording = state.diagnostics.recording;
    v.tick = state.diagnostics.tick;
    v.framesWritten = state.diagnostics.log.written();
    return v;
}

std::vector<FrameRecord> DriveLink::traffic(uint64_t& next, std::size_t limit) const {
    std::lock_guard<std::mutex> guard(m_mutex);
    const FrameLog& log = m_state->diagnostics.log;
    const uint64_t newest = log.written();
    uint64_t from = std::max(next, log.oldest());
    if (newest - from > limit) {
        from = newest - limit;
    }
    std::vector<FrameRecord> records;
    records.reserve(static_cast<std::size_t>(newest - from));
    for (uint64_t i = from; i < newest; ++i) {
        records.push_back(log.at(i));
    }
    next = newest;
    return records;
}

std::vector<std::pair<std::string, std::string>> DriveLink::takeJoinRenames() {
    std::lock_guard<std::mutex> guard(m_mutex);
    std::vector<std::pair<std::string, std::string>> taken;
    taken.swap(m_state->joinRenames);
    return taken;
}

void DriveLink::clearTable() {
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        LinkState& state = *m_state;
        for (int slot = 0; slot < kMaxDrives; ++slot) {
            cancelSlotWork(state, slot);
            state.diagnostics.resetRow(slot);
        }
        state.table.initialise();
        state.statusReadCount.fill(0);
    }
    notifyOutcomes(true);
}

bool DriveLink::removeDrive(std::string_view name) {
    bool removed = false;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        LinkState& state = *m_state;
        const int slot = name.empty() ? -1 : state.table.findSlotByName(name);
        if (slot >= 0 && state.table.removeDrive(name)) {
            cancelSlotWork(state, slot);
            state.diagnostics.resetRow(slot);
            state.statusReadCount[static_cast<std::size_t>(slot)] = 0;
            state.table.slots[static_cast<std::size_t>(slot)] = DriveRecord{};
            removed = true;
        }
    }
    notifyOutcomes(removed);
    return removed;
}

RenameResult DriveLink::renameDrive(std::string_view oldName, std::string_view newName) {
    std::lock_guard<std::mutex> guard(m_mutex);
    LinkState& state = *m_state;
    const int slot = oldName.empty() ? -1 : state.table.findSlotByName(oldName);
    const RenameResult result = state.table.renameDrive(oldName, newName);
    if (result == RenameResult::Renamed && slot >= 0) {
        const std::string name(newName);
        // The drive being served keeps its turn under its new name.
        if (!state.servingProbe && state.currentDriveName == oldName) {
            state.currentDriveName = name;
        }
        if (state.suspended && state.suspended->driveName == oldName) {
            state.suspended->driveName = name;
        }
        renameTargets(state, slot, name);
    }
    return result;
}

LinkSettings DriveLink::settings() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return ownSettings(*m_state);
}

void DriveLink::setSettings(const LinkSettings& settings) {
    std::lock_guard<std::mutex> guard(m_mutex);
    // During a line finder run they are what the run returns to.
    (m_state->finder.running ? m_state->finder.saved : m_state->settings) = settings;
}

OpenLinkResult DriveLink::openLink() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_state->portFailed = false;
    return velkaro::openLink(m_port, m_state->settings, m_state->linkOpen);
}

void DriveLink::setRecording(bool on) {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_state->diagnostics.recording = on;
}

void DriveLink::resetCounters() {
    std::lock_guard<std::mutex> guard(m_mutex);
    m_state->diagnostics.resetCounters();
}

void DriveLink::tick() {
    TickOutcome out;
    bool ended = false;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        const std::size_t before = m_state->outcomes.size();
        runTick(*m_state, m_port, out);
        ended = m_state->outcomes.size() != before;
    }
    // Nothing on the tick waits for an operator.
    for (const TickOutcome::Item& item : out.items) {
        m_notices.notify(item.text, item.caption);
    }
    notifyOutcomes(ended);
}

void DriveLink::queueStatusPolls() {
    std::lock_guard<std::mutex> guard(m_mutex);
    for (DriveRecord& drive : m_state->table.slots) {
        if (!drive.name.empty() && drive.pendingOp == OpCode::None) {
            drive.pendingOp = OpCode::StatusRead;
        }
    }
}

} // namespace velkaro
