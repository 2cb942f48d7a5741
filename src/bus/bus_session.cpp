#include "bus/bus_session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

#include "bus/stats_line.h"
#include "bus/watch_line.h"
#include "link/frame_summary.h"
#include "link/serial_port.h"

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
    for (;;) {
        {
            auto s = link.lock();
            SerialPort& port = link.port();
            if (!port.connecting()) {
                if (port.connectionLost()) {
                    error = port.lastError();
                    return false;
                }
                return true;
            }
        }
        std::this_thread::sleep_for(kWaitStep);
    }
}

BusSession::BusSession(const BusOptions& options, std::ostream& errors)
    : m_options(options), m_messages(&errors), m_port(options.device), m_link(m_port, m_messages),
      m_tick(m_link) {}

BusSession::~BusSession() {
    close();
}

bool BusSession::open(std::string& error) {
    {
        auto s = m_link.lock();
        LinkSettings& l = s->settings;
        l.baudChoice = choiceIndex(baudChoices, m_options.baud);
        l.baudText = m_options.baud;
        l.parityChoice = m_options.parity == "O" ? 1 : m_options.parity == "E" ? 2 : 0;
        l.parityLetter = m_options.parity;
        l.dataBitsChoice = choiceIndex(dataBitsChoices, m_options.dataBits);
        l.dataBitsText = m_options.dataBits;
        l.stopBitsChoice = choiceIndex(stopBitsChoices, m_options.stopBits);
        l.stopBitsText = m_options.stopBits;
        l.frameEnd = m_options.fastReplies ? FrameEnd::Completion : FrameEnd::Silence;
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
        error = "无法启动通讯定时线程";
        return false;
    }
    return true;
}

bool BusSession::scan(std::vector<std::string>& names, const std::function<void()>& whileWaiting) {
    {
        auto s = m_link.lock();
        s->searchNextAddress = m_options.count > 0 ? m_options.from : 0;
        s->searchRemaining = static_cast<unsigned>(m_options.count);
    }
    const auto deadline =
        Clock::now() + kSearchBudgetSlack + kSearchBudgetPerAddress * m_options.count;
    for (;;) {
        {
            auto s = m_link.lock();
            const bool ended = s->searchRemaining == 0 && s->table.probeRecord.name.empty() &&
                               !(s->servingProbe && s->currentOp != OpCode::None);
            if (ended) {
                names.assign(s->table.driveNames.begin(),
                             s->table.driveNames.begin() + s->table.driveCount);
                return true;
            }
            if (s->portFailed) {
                return false;
            }
        }
        if (Clock::now() > deadline) {
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
    std::array<uint32_t, kMaxDrives> printedReads{};
    std::array<int32_t, kMaxDrives> printedOnline{};
    {
        auto s = m_link.lock();
        printedReads = s->statusReadCount;
        for (int i = 0; i < kMaxDrives; ++i) {
            printedOnline[static_cast<std::size_t>(i)] =
                s->table.slots[static_cast<std::size_t>(i)].online;
        }
    }
    auto nextPoll = start;
    while (Clock::now() < end && !interrupted.load()) {
        if (Clock::now() >= nextPoll) {
            m_link.queueStatusPolls();
            nextPoll += kPollPeriod;
        }
        std::vector<std::string> lines;
        {
            auto s = m_link.lock();
            if (s->portFailed) {
                return false;
            }
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            for (uint32_t i = 0; i < s->table.driveCount; ++i) {
                const int slot = s->table.findSlotByName(s->table.driveNames[i]);
                if (slot < 0) {
                    continue;
                }
                const auto at = static_cast<std::size_t>(slot);
                const DriveRecord& d = s->table.slots[at];
                const bool fresh = s->statusReadCount[at] != printedReads[at];
                const bool dropped = d.online == 0 && printedOnline[at] != 0;
                if (fresh || dropped) {
                    lines.push_back(formatWatchLine(elapsed, d));
                    printedReads[at] = s->statusReadCount[at];
                    printedOnline[at] = d.online;
                }
            }
        }
        for (const std::string& line : lines) {
            emit(line);
        }
        if (eachPass) {
            eachPass();
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    return true;
}

void BusSession::drainTraffic(const Emit& emit) {
    std::vector<FrameRecord> records;
    int tickPeriodMs = 1;
    {
        auto s = m_link.lock();
        const FrameLog& log = s->diagnostics.log;
        // A reader more than a ring behind has lost the oldest; it goes on from what is kept.
        m_printedFrames = std::max(m_printedFrames, log.oldest());
        for (; m_printedFrames < log.written(); ++m_printedFrames) {
            records.push_back(log.at(m_printedFrames));
        }
        tickPeriodMs = s->settings.tickPeriodMs;
    }
    for (const FrameRecord& r : records) {
        emit(trafficLine(r, 0, tickPeriodMs));
    }
}

bool BusSession::monitor(double seconds, const Emit& emit, const std::atomic<bool>& interrupted) {
    std::vector<std::string> names;
    if (!scan(names, [&] { drainTraffic(emit); })) {
        drainTraffic(emit);
        return false;
    }
    bool kept = true;
    if (!names.empty()) {
        // The status lines are not printed: the frames tell the same.
        kept = watch(
            seconds, [](const std::string&) {}, interrupted, [&] { drainTraffic(emit); });
    }
    drainTraffic(emit);
    return kept;
}

std::vector<std::string> BusSession::statsLines() {
    std::vector<std::string> lines;
    auto s = m_link.lock();
    for (uint32_t i = 0; i < s->table.driveCount; ++i) {
        const int slot = s->table.findSlotByName(s->table.driveNames[i]);
        if (slot >= 0) {
            lines.push_back(formatStatsLine(
                s->table.driveNames[i], s->diagnostics.counters[static_cast<std::size_t>(slot)]));
        }
    }
    return lines;
}

bool BusSession::portLost() {
    return m_link.lock()->portFailed;
}

BusSession::FindOutcome BusSession::find(int first, int count, std::ostream& progress,
                                         const std::atomic<bool>& interrupted) {
    FindOutcome outcome;
    {
        auto s = m_link.lock();
        if (!requestLineFind(*s, first, count, outcome.failure)) {
            return outcome;
        }
    }
    // Every setting costs at most an echo timeout per address, plus naming.
    const auto deadline = Clock::now() + kSearchBudgetSlack +
                          std::chrono::seconds(1) * (static_cast<int>(kLineChoiceCount) * count);
    std::size_t told = kLineChoiceCount;
    bool cancelAsked = false;
    for (;;) {
        std::size_t setting = 0;
        {
            auto s = m_link.lock();
            const LineFinder& f = s->finder;
            if (f.done) {
                outcome.ended = !f.failed;
                outcome.failure = f.failure;
                outcome.found = f.found;
                return outcome;
            }
            if (interrupted.load() && !cancelAsked) {
                s->finder.cancel = true;
                cancelAsked = true;
            }
            setting = f.running ? f.settingIndex : kLineChoiceCount;
        }
        if (setting < kLineChoiceCount && setting != told) {
            progress << "velkaro-bus: 试验 " << lineChoiceText(lineChoicesToTry()[setting]) << " ("
                     << setting + 1 << "/" << kLineChoiceCount << ")" << std::endl;
            told = setting;
        }
        if (Clock::now() > deadline) {
            outcome.failure = "通讯参数检测未能按时结束";
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
