#include "bus/bus_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "bus/console_interrupt.h"
#include "bus/stats_line.h"
#include "bus/watch_line.h"
#include "link/diagnostics/frame_summary.h"
#include "link/ports/serial_port.h"
#include "registry/language.h"
#include "registry/state_texts.h"

namespace velkaro {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kPollPeriod = 100ms; // the station's window timer 1
constexpr auto kWaitStep = 10ms;
// An address where nobody answers costs four echo tests of about 0.2 s; a
// drive five exchanges. Twice that per address, and some slack for the start.
constexpr auto kSearchBudgetPerAddress = 2s;
constexpr auto kSearchBudgetSlack = 5s;

template <std::size_t N>
int choiceIndex(const std::array<std::string_view, N>& list, std::string_view v) {
    for (std::size_t i = 0; i < N; ++i) {
        if (list[i] == v) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

} // namespace

bool waitForConnection(DriveLink& link, std::string& error) {
    // The port gives up on its own after its connect limit.
    while (!interruptFlag().load()) {
        const LinkSnapshot s = link.snapshot();
        if (!s.connecting) {
            if (s.connectionLost) {
                error = s.portError;
                return false;
            }
            return true;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    error = translated("BusConsole", "连接被中断");
    return false;
}

BusSession::BusSession(const BusOptions& options, std::ostream& errors)
    : m_options(options), m_errors(errors), m_messages(&errors), m_port(options.device),
      m_link(m_port, m_messages), m_tick(m_link) {}

BusSession::~BusSession() {
    close();
}

bool BusSession::open(std::string& error) {
    {
        LinkSettings l = m_link.settings();
        l.baudChoice = choiceIndex(baudChoices, m_options.baud);
        l.baudText = m_options.baud;
        l.parityChoice = m_options.parity == "O" ? 1 : m_options.parity == "E" ? 2 : 0;
        l.parityLetter = m_options.parity;
        l.dataBitsChoice = choiceIndex(dataBitsChoices, m_options.dataBits);
        l.dataBitsText = m_options.dataBits;
        l.stopBitsChoice = choiceIndex(stopBitsChoices, m_options.stopBits);
        l.stopBitsText = m_options.stopBits;
        l.frameEnd = m_options.fastReplies ? FrameEnd::Completion : FrameEnd::Silence;
        m_link.setSettings(l);
    }
    const OpenLinkResult opened = m_link.openLink();
    if (!opened.ok) {
        error = opened.message;
        return false;
    }
    if (!waitForConnection(m_link, error)) {
        return false;
    }
    if (!m_tick.start()) {
        error = translated("BusConsole", "无法启动通讯定时线程");
        return false;
    }
    return true;
}

bool BusSession::scan(std::vector<std::string>& names, const std::atomic<bool>& interrupted,
                      const std::function<void()>& whileWaiting) {
    const RequestId search = m_link.submit(
        {}, Search{m_options.from, static_cast<unsigned>(std::max(m_options.count, 0))});
    const auto deadline =
        Clock::now() + kSearchBudgetSlack + kSearchBudgetPerAddress * m_options.count;
    for (;;) {
        if (const std::optional<Outcome> ended = m_outcomes.take(m_link, search)) {
            names = ended->names;
            return true;
        }
        if (interrupted.load()) {
            // A cancelled search ends at once, with the drives it added so far.
            m_link.cancel(search);
            if (const std::optional<Outcome> ended = m_outcomes.take(m_link, search)) {
                names = ended->names;
            }
            return true;
        }
        if (m_link.snapshot().portFailed || Clock::now() > deadline) {
            m_link.cancel(search);
            return false;
        }
        if (whileWaiting) {
            whileWaiting();
        }
        std::this_thread::sleep_for(kWaitStep);
    }
}

bool BusSession::watch(double seconds, const Emit& emit, const std::atomic<bool>& interrupted,
                       const std::function<void()>& eachPass) {
    const auto start = Clock::now();
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::array<int32_t, kMaxDrives> online{};
    const LinkSnapshot first = m_link.snapshot();
    std::array<uint32_t, kMaxDrives> printedReads = first.statusReadCount;
    for (std::size_t i = 0; i < online.size(); ++i) {
        online[i] = first.table.slots[i].online;
    }
    auto nextPoll = start;
    while (Clock::now() < end && !interrupted.load()) {
        if (Clock::now() >= nextPoll) {
            m_link.queueStatusPolls();
            nextPoll += kPollPeriod;
        }
        const LinkSnapshot s = m_link.snapshot();
        if (s.portFailed) {
            return false;
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        for (uint32_t i = 0; i < s.table.driveCount; ++i) {
            const int slot = s.table.findSlotByName(s.table.driveNames[i]);
            if (slot < 0) {
                continue;
            }
            const auto at = static_cast<std::size_t>(slot);
            const DriveRecord& d = s.table.slots[at];
            const bool fresh = s.statusReadCount[at] != printedReads[at];
            const bool dropped = d.online == 0 && online[at] != 0;
            tellOnline(d, online[at]);
            online[at] = d.online;
            if (fresh || dropped) {
                emit(formatWatchLine(elapsed, d));
                printedReads[at] = s.statusReadCount[at];
            }
        }
        if (eachPass) {
            eachPass();
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    return true;
}

void BusSession::tellOnline(const DriveRecord& drive, int32_t before) {
    // The link gives up on a drive after the retries of one status read.
    if (drive.online == 0 && before != 0) {
        m_errors << translated("BusConsole", "velkaro-bus: 变频器 ") << drive.name
                 << translated("BusConsole", " 不再应答（")
                 << translated("StateTexts", kStateOffline.data()) << translated("BusConsole", "）")
                 << std::endl;
    } else if (drive.online != 0 && before == 0) {
        m_errors << translated("BusConsole", "velkaro-bus: 变频器 ") << drive.name
                 << translated("BusConsole", " 恢复应答") << std::endl;
    }
}

void BusSession::drainTraffic(const Emit& emit) {
    // A reader more than a ring behind has lost the oldest; it goes on from what is kept.
    const std::vector<FrameRecord> records = m_link.traffic(m_printedFrames);
    const int tickPeriodMs = m_link.settings().tickPeriodMs;
    for (const FrameRecord& r : records) {
        emit(trafficLine(r, 0, tickPeriodMs, true));
    }
}

bool BusSession::monitor(double seconds, const Emit& emit, const std::atomic<bool>& interrupted,
                         std::vector<std::string>& names) {
    if (!scan(names, interrupted, [&] { drainTraffic(emit); })) {
        drainTraffic(emit);
        return false;
    }
    bool kept = true;
    if (!names.empty() && !interrupted.load()) {
        // The status lines are not printed: the frames tell the same.
        kept = watch(
            seconds, [](const std::string&) {}, interrupted, [&] { drainTraffic(emit); });
    }
    drainTraffic(emit);
    return kept;
}

std::vector<std::string> BusSession::statsLines() {
    std::vector<std::string> lines;
    const LinkSnapshot s = m_link.snapshot();
    for (uint32_t i = 0; i < s.table.driveCount; ++i) {
        const int slot = s.table.findSlotByName(s.table.driveNames[i]);
        if (slot >= 0) {
            lines.push_back(
                formatStatsLine(s.table.driveNames[i], s.counters[static_cast<std::size_t>(slot)]));
        }
    }
    return lines;
}

bool BusSession::portLost() {
    return m_link.snapshot().portFailed;
}

BusSession::FindOutcome BusSession::find(int first, int count, std::ostream& progress,
                                         const std::atomic<bool>& interrupted) {
    FindOutcome outcome;
    const RequestId finding = m_link.submit({}, FindLine{first, count});
    // Every setting costs at most an echo timeout per address, plus naming.
    const auto deadline = Clock::now() + kSearchBudgetSlack +
                          std::chrono::seconds(1) * (static_cast<int>(kLineChoiceCount) * count);
    std::size_t told = kLineChoiceCount;
    bool cancelAsked = false;
    for (;;) {
        if (const std::optional<Outcome> ended = m_outcomes.take(m_link, finding)) {
            // Cancelled by Ctrl-C, the run still ended; a lost port did not.
            outcome.ended = ended->confirmed() || ended->cancelReason == CancelReason::ByCaller;
            if (!outcome.ended) {
                outcome.failure = shownWhy(*ended);
            }
            outcome.found = ended->lines;
            return outcome;
        }
        if (interrupted.load() && !cancelAsked) {
            m_link.cancel(finding);
            cancelAsked = true;
        }
        const FinderProgress f = m_link.snapshot().finder;
        const std::size_t setting = f.running ? f.settingIndex : kLineChoiceCount;
        if (setting < kLineChoiceCount && setting != told) {
            progress << translated("BusConsole", "velkaro-bus: 试验 ")
                     << lineChoiceText(lineChoicesToTry()[setting]) << " (" << setting + 1 << "/"
                     << kLineChoiceCount << ")" << std::endl;
            told = setting;
        }
        if (Clock::now() > deadline) {
            outcome.failure = translated("BusConsole", "通讯参数检测未能按时结束");
            return outcome;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
}

void BusSession::close() {
    m_messages.abandonPending();
    m_tick.stop();
}

} // namespace velkaro
