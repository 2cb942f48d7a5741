#include "bus/bus_session.h"

#include <array>
#include <chrono>
#include <thread>

#include "bus/watch_line.h"
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

bool BusSession::scan(std::vector<std::string>& names) {
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
        }
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
}

void BusSession::watch(double seconds, const std::function<void(const std::string&)>& emit,
                       const std::atomic<bool>& interrupted) {
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
        std::this_thread::sleep_for(kWaitStep);
    }
}

bool BusSession::portFailed() {
    return m_link.lock()->portFailed;
}

void BusSession::close() {
    m_messages.abandonPending();
    m_tick.stop();
}

} // namespace velkaro
