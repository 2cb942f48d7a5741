#include "link/diagnostics/line_finder.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "link/master/link_operations.h"
#include "link/master/link_state.h"
#include "registry/drive_table.h"
#include "registry/language.h"

namespace velkaro {

namespace {

/// What a drive may take to answer an echo, beyond the wire time.
constexpr unsigned kDriveAnswerMarginTicks = 100;
/// The echo test request and its echo: 8 bytes each.
constexpr unsigned kEchoFrameBytes = 8;

constexpr std::string_view kBusy = VELKARO_TRANSLATE_NOOP(
    "OperatorMessages", "地址搜寻、参数导入导出或参数读取正在进行，请等待其完成后再检测通讯参数！");

/// Parity letters in the order of parityChoices.
constexpr char kParityLetters[] = {'N', 'O', 'E'};

bool linkBusy(const LinkState& state) {
    const ActivityState a = state.activityState;
    return state.transfer.has_value() || state.searchRemaining != 0 ||
           !state.table.probeRecord.name.empty() || a == ActivityState::Search ||
           a == ActivityState::Export || a == ActivityState::Import || a == ActivityState::Readout;
}

/// The run's caller gets its outcome: the settings found, or why it stopped.
void deliverFinding(LinkState& state) {
    LineFinder& f = state.finder;
    Result result = Result::Confirmed;
    if (f.cancelled || f.failed) {
        result = Result::Cancelled;
    }
    Outcome o = outcomeOf(state.finderId, Target{}, result);
    if (f.cancelled) {
        o.cancelReason = CancelReason::ByCaller;
        o.why = VELKARO_TRANSLATE_NOOP("OperatorMessages", "已取消");
    } else if (f.failed) {
        o.cancelReason = CancelReason::LinkClosed;
        o.why = f.failure;
        o.message = f.failure;
    }
    o.lines = f.found;
    state.finderId = 0;
    deliverOutcome(state, std::move(o));
}

bool schedulerIdle(const LinkState& state) {
    return state.currentOp == OpCode::None && state.currentDriveName.empty();
}

void begin(LinkState& state) {
    LineFinder& f = state.finder;
    f.wanted = false;
    f.running = true;
    f.done = false;
    f.cancelled = false;
    f.failed = false;
    f.failure.clear();
    f.found.clear();
    f.settingIndex = 0;
    f.step = LineFinder::Step::Open;
    f.saved = state.settings;
    // The finder's requests count in the probe's row; the scheduler stays
    // idle until the run ends.
    state.servingProbe = true;
    state.retryCount = 0;
}

/// Back to the settings the link had; the port is reopened with them.
void finish(LinkState& state, SerialPort& port) {
    LineFinder& f = state.finder;
    if (f.step == LineFinder::Step::Identify && !f.found.empty()) {
        // Cut short while naming: the addresses that answered still count.
        std::vector<std::string>& names = f.found.back().names;
        for (std::size_t i = names.size(); i < f.answered.size(); ++i) {
            names.push_back(std::to_string(f.answered[i]) + "#?");
        }
    }
    state.table.probeRecord = DriveRecord{};
    state.currentOp = OpCode::None;
    state.servingProbe = false;
    state.retryCount = 0;
    state.buffers.replyLength = 0;
    state.buffers.txLength = 0;
    state.settings = f.saved;
    const OpenLinkResult reopened = openLink(port, state.settings, state.linkOpen);
    if (!reopened.ok && !f.failed) {
        f.failed = true;
        f.failure = reopened.message;
    }
    f.running = false;
    f.cancel = false;
    f.done = true;
    deliverFinding(state);
}

int currentAddress(const LineFinder& f) {
    return f.firstAddress + f.addressIndex;
}

void openSetting(LinkState& state, SerialPort& port) {
    LineFinder& f = state.finder;
    if (f.settingIndex >= kLineChoiceCount) {
        finish(state, port);
        return;
    }
    const LineChoice line = lineChoicesToTry()[f.settingIndex];
    state.settings.applyChoices(f.saved.portChoice, line.baud, line.parity, line.dataBits,
                                line.stopBits);
    if (const OpenLinkResult opened = openLink(port, state.settings, state.linkOpen); !opened.ok) {
        f.failed = true;
        f.failure = opened.message;
        finish(state, port);
        return;
    }
    // Whatever was half received at the old setting is not a frame at this
    // one, nor is a late answer to what was sent at it.
    state.buffers.rxCount = 0;
    state.buffers.rxOverflowed = false;
    state.buffers.replyLength = 0;
    state.buffers.quietWanted = false;
    state.settings.replyTimeoutTicks =
        static_cast<int>(echoTimeoutTicks(line, state.settings.frameGapTicks));
    f.addressIndex = 0;
    f.answered.clear();
    f.step = LineFinder::Step::SendEcho;
}

void startIdentify(LinkState& state) {
    LineFinder& f = state.finder;
    DriveRecord& probe = state.table.probeRecord;
    probe = DriveRecord{};
    probe.name = kProbeMarker;
    probe.address = std::to_string(f.answered[f.identifying]);
    state.currentOp = OpCode::Identify;
    state.identifyStep = IdentifyStep::SendEcho;
    state.retryCount = 0;
    state.buffers.replyLength = 0;
    f.step = LineFinder::Step::Identify;
}

void nextAddress(LinkState& state) {
    LineFinder& f = state.finder;
    ++f.addressIndex;
    if (f.addressIndex < f.count) {
        f.step = LineFinder::Step::SendEcho;
    } else if (!f.answered.empty()) {
        f.found.push_back({lineChoicesToTry()[f.settingIndex], {}});
        f.identifying = 0;
        startIdentify(state);
    } else {
        ++f.settingIndex;
        f.step = LineFinder::Step::Open;
    }
}

void awaitEcho(LinkState& state) {
    const int address = currentAddress(state.finder);
    switch (checkReply(state, static_cast<uint8_t>(address),
                       static_cast<unsigned>(state.settings.replyTimeoutTicks))) {
    case ReplyStatus::Answered:
        state.buffers.replyLength = 0;
        state.finder.answered.push_back(address);
        nextAddress(state);
        break;
    case ReplyStatus::Exception:
        state.buffers.replyLength = 0;
        break;
    case ReplyStatus::TimedOut:
        nextAddress(state);
        break;
    case ReplyStatus::Pending:
        break;
    }
}

/// The identification of the address search, run on the probe record; the
/// name it makes is kept in the finding, never added to the table.
void identify(LinkState& state, TickOutcome& out) {
    LineFinder& f = state.finder;
    DriveRecord& probe = state.table.probeRecord;
    const int address = f.answered[f.identifying];
    OpContext c{state, out, static_cast<uint8_t>(address), &probe, -1};
    runIdentify(c);
    if (state.currentOp != OpCode::Finished) {
        return;
    }
    f.found.back().names.push_back(probe.name != kProbeMarker ? probe.name
                                                              : std::to_string(address) + "#?");
    probe = DriveRecord{};
    state.currentOp = OpCode::None;
    if (++f.identifying < f.answered.size()) {
        startIdentify(state);
    } else {
        ++f.settingIndex;
        f.step = LineFinder::Step::Open;
    }
}

} // namespace

std::string lineChoiceText(const LineChoice& line) {
    const auto pick = [](const auto& list, int i) {
        return std::string(
            list[static_cast<std::size_t>(std::clamp(i, 0, static_cast<int>(list.size()) - 1))]);
    };
    const char parity = kParityLetters[std::clamp(line.parity, 0, 2)];
    return pick(baudChoices, line.baud) + " " + parity + " " +
           pick(dataBitsChoices, line.dataBits) + " " + pick(stopBitsChoices, line.stopBits);
}

std::array<LineChoice, kLineChoiceCount> lineChoicesToTry() {
    std::array<LineChoice, kLineChoiceCount> all{};
    std::size_t n = 0;
    // The lists are kept fastest first and 8 data bits first.
    for (int data = 0; data < static_cast<int>(dataBitsChoices.size()); ++data) {
        for (int baud = 0; baud < static_cast<int>(baudChoices.size()); ++baud) {
            for (int parity = 0; parity < static_cast<int>(parityChoices.size()); ++parity) {
                for (int stop = 0; stop < static_cast<int>(stopBitsChoices.size()); ++stop) {
                    all[n++] = {baud, parity, data, stop};
                }
            }
        }
    }
    return all;
}

unsigned echoTimeoutTicks(const LineChoice& line, unsigned frameGapTicks) {
    const std::string baudText(baudChoices[static_cast<std::size_t>(std::clamp(line.baud, 0, 5))]);
    const auto baud = static_cast<unsigned>(std::atoi(baudText.c_str()));
    // start bit + data bits + parity bit + stop bits
    const unsigned bits = 1 + (line.dataBits == 1 ? 7 : 8) + (line.parity == 0 ? 0 : 1) +
                          (line.stopBits == 1 ? 2 : 1);
    const unsigned frameMs = (kEchoFrameBytes * bits * 1000 + baud - 1) / baud;
    return 2 * frameMs + frameGapTicks + 1 + kDriveAnswerMarginTicks;
}

const LinkSettings& ownSettings(const LinkState& state) {
    return state.finder.running ? state.finder.saved : state.settings;
}

bool requestLineFind(LinkState& state, int firstAddress, int count, std::string& refusal) {
    LineFinder& f = state.finder;
    if (!state.linkOpen) {
        refusal = VELKARO_TRANSLATE_NOOP("OperatorMessages",
                                         "串口未打开，无法检测通讯参数。请先检查串口连接。");
        return false;
    }
    if (f.running || f.wanted) {
        refusal = VELKARO_TRANSLATE_NOOP("OperatorMessages", "通讯参数检测正在进行。");
        return false;
    }
    if (linkBusy(state)) {
        refusal = kBusy;
        return false;
    }
    if (state.table.driveCount > 0) {
        // While the finder has the bus no drive is polled or commanded: a
        // stop pressed meanwhile would wait for the whole run.
        refusal = VELKARO_TRANSLATE_NOOP(
            "OperatorMessages",
            "检测通讯参数期间无法监控和控制已连接的变频器。请先断开全部连接，再检测通讯参数。");
        return false;
    }
    if (firstAddress < kFirstBusAddress || firstAddress > kLastBusAddress || count < 1 ||
        firstAddress + count - 1 > kLastBusAddress) {
        refusal = VELKARO_TRANSLATE_NOOP("OperatorMessages", "检测的地址应在 1..247 之间。");
        return false;
    }
    f.wanted = true;
    f.cancel = false;
    f.done = false;
    f.firstAddress = firstAddress;
    f.count = count;
    return true;
}

bool stepLineFinder(LinkState& state, SerialPort& port, TickOutcome& out) {
    LineFinder& f = state.finder;
    if (!f.running) {
        if (!f.wanted || !schedulerIdle(state)) {
            return false;
        }
        if (f.cancel || linkBusy(state)) {
            // Cancelled before it began, or something took the link meanwhile.
            f.wanted = false;
            f.cancel = false;
            f.done = true;
            f.cancelled = !linkBusy(state);
            f.failed = !f.cancelled;
            f.failure = f.failed ? std::string(kBusy) : std::string();
            f.found.clear();
            deliverFinding(state);
            return false;
        }
        begin(state);
    }
    if (state.portFailed) {
        // The link has told the operator why.
        f.failed = true;
        finish(state, port);
        return true;
    }
    if (f.cancel) {
        f.cancelled = true;
        finish(state, port);
        return true;
    }
    switch (f.step) {
    case LineFinder::Step::Open:
        openSetting(state, port);
        break;
    case LineFinder::Step::SendEcho:
        buildEchoTest(state.buffers, static_cast<uint8_t>(currentAddress(f)));
        f.step = LineFinder::Step::AwaitEcho;
        break;
    case LineFinder::Step::AwaitEcho:
        awaitEcho(state);
        break;
    case LineFinder::Step::Identify:
        identify(state, out);
        break;
    }
    return true;
}

} // namespace velkaro
