// 32 drives polled for a while over tcp://127.0.0.1 to velkaro-sim (raw RTU
// over TCP, 9600 baud behind the simulated server) by the real tick thread, as
// the window polls them: every 100 ms a status read for each drive with
// nothing pending. Counts requests, answers and timeouts, drives dropped, and
// the status refresh period per drive, for replies ended by silence and on
// completion. Reports figures; asserts nothing.
//
//   tcp_poll_bench [seconds per mode]     (default 60)

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/master/link_state.h"
#include "link/operator_notices.h"
#include "link/ports/device_port.h"
#include "support/link_inspector.h"

namespace {

using namespace velkaro;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kDrives = 32;

class CountingMessages : public OperatorNotices {
public:
    void notify(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        ++shown;
    }
    int shown = 0;
};

/// The link's port, counting the requests that leave.
class CountingPort : public DevicePort {
public:
    using DevicePort::DevicePort;
    bool write(const uint8_t* data, std::size_t length) override {
        ++requests;
        return DevicePort::write(data, length);
    }
    uint64_t requests = 0; ///< read under the link's lock
};

/// velkaro-sim serving 32 drives on a free loopback port; its device text.
std::string startSimulator(pid_t& pid) {
    int out[2];
    if (::pipe(out) != 0) {
        return {};
    }
    std::vector<std::string> args{VELKARO_BINARY_DIR "/src/sim/velkaro-sim", "--tcp", "0",
                                  "--no-console"};
    for (int a = 1; a <= kDrives; ++a) {
        args.push_back("--drive");
        args.push_back(std::to_string(a) + ":QD30:750");
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c = 0;
    while (line.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1) {
        line += c;
    }
    ::close(out[0]);
    const auto from = line.find("serving ");
    const auto to = line.find(',', from);
    return from == std::string::npos || to == std::string::npos
               ? std::string()
               : line.substr(from + 8, to - from - 8);
}

struct Figures {
    uint64_t requests = 0;
    uint64_t answers = 0;
    int dropped = 0;
    int messages = 0;
    double meanPeriodMs = 0;
    double maxPeriodMs = 0;
};

Figures run(const std::string& device, FrameEnd frameEnd, int seconds) {
    CountingMessages messages;
    CountingPort port(device);
    DriveLink link(port, messages);
    {
        auto s = velkaro::testing::LinkInspector::lock(link);
        s->settings.frameEnd = frameEnd;
        for (int a = 1; a <= kDrives; ++a) {
            DriveRecord& probe = s->table.probeRecord;
            probe = DriveRecord{};
            probe.address = std::to_string(a);
            probe.series = "QD30";
            probe.ratedPower = "7.50";
            probe.name = probe.address + "#QD30-7.50";
            s->table.commitProbe(); // a control read first, as after a search
        }
    }
    link.openLink();
    CommTick tick(link);
    tick.start();
    // Warm-up: every drive connected and read once.
    const auto warm = Clock::now() + 10s;
    while (Clock::now() < warm) {
        link.queueStatusPolls();
        std::this_thread::sleep_for(100ms);
        auto s = velkaro::testing::LinkInspector::lock(link);
        if (std::all_of(s->statusReadCount.begin(), s->statusReadCount.begin() + kDrives,
                        [](uint32_t n) { return n > 0; })) {
            break;
        }
    }
    Figures f;
    std::vector<uint32_t> lastCount(kDrives);
    std::vector<Clock::time_point> lastSeen(kDrives, Clock::now());
    std::vector<double> periods;
    uint64_t requestsBefore = 0;
    {
        auto s = velkaro::testing::LinkInspector::lock(link);
        requestsBefore = port.requests;
        std::copy_n(s->statusReadCount.begin(), kDrives, lastCount.begin());
    }
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    auto nextPoll = Clock::now();
    while (Clock::now() < end) {
        if (Clock::now() >= nextPoll) {
            link.queueStatusPolls();
            nextPoll += 100ms;
        }
        std::this_thread::sleep_for(5ms);
        auto s = velkaro::testing::LinkInspector::lock(link);
        const auto now = Clock::now();
        for (int i = 0; i < kDrives; ++i) {
            const auto at = static_cast<std::size_t>(i);
            if (s->statusReadCount[at] != lastCount[at]) {
                f.answers += s->statusReadCount[at] - lastCount[at];
                lastCount[at] = s->statusReadCount[at];
                periods.push_back(
                    std::chrono::duration<double, std::milli>(now - lastSeen[at]).count());
                lastSeen[at] = now;
            }
            if (s->table.slots[at].online == 0) {
                ++f.dropped;
            }
        }
    }
    {
        auto s = velkaro::testing::LinkInspector::lock(link);
        f.requests = port.requests - requestsBefore;
    }
    tick.stop();
    periods.erase(periods.begin(),
                  periods.begin() + std::min<std::size_t>(kDrives, periods.size()));
    for (double p : periods) {
        f.meanPeriodMs += p;
        f.maxPeriodMs = std::max(f.maxPeriodMs, p);
    }
    f.meanPeriodMs = periods.empty() ? 0 : f.meanPeriodMs / static_cast<double>(periods.size());
    f.messages = messages.shown;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    std::signal(SIGPIPE, SIG_IGN);
    pid_t simulator = -1;
    const std::string device = startSimulator(simulator);
    if (device.empty()) {
        std::fprintf(stderr, "velkaro-sim did not start\n");
        return 1;
    }
    std::printf("%s, %d drives, %d s per mode\n", device.c_str(), kDrives, seconds);
    std::printf("%-10s | %9s %9s %9s | %13s | %8s | %12s %12s\n", "frame end", "requests",
                "answers", "timeouts", "drive-drops*", "messages", "mean period", "max period");
    for (const FrameEnd mode : {FrameEnd::Silence, FrameEnd::Completion}) {
        const Figures f = run(device, mode, seconds);
        // A request in flight at the end of the window is not yet answered.
        const long timeouts = std::max<long>(0, static_cast<long>(f.requests - f.answers) - 1);
        std::printf("%-10s | %9llu %9llu %9ld | %13d | %8d | %9.1f ms %9.1f ms\n",
                    mode == FrameEnd::Silence ? "silence" : "completion",
                    static_cast<unsigned long long>(f.requests),
                    static_cast<unsigned long long>(f.answers), timeouts, f.dropped, f.messages,
                    f.meanPeriodMs, f.maxPeriodMs);
    }
    std::printf("* samples every 5 ms in which a drive was shown dropped\n");
    ::kill(simulator, SIGTERM);
    ::waitpid(simulator, nullptr, 0);
    return 0;
}
