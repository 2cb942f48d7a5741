// The real CommTick thread over a quiet open link: wake-up lateness against
// the 1 ms grid, mean period and CPU share. Reports figures; asserts nothing.
//
//   comm_tick_bench [seconds]     (default 10)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/operator_notices.h"
#include "link/ports/serial_port.h"

namespace {

using namespace velkaro;

class QuietMessages : public OperatorNotices {
public:
    void notify(const std::string&, const std::string&) override {}
};

/// An open port nobody answers on.
class QuietPort : public SerialPort {
public:
    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override {}
    bool open() override { return m_open = true; }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return true; }
    std::size_t bytesWaiting() override { return 0; }
    std::size_t read(uint8_t*, std::size_t) override { return 0; }
    bool write(const uint8_t*, std::size_t) override { return true; }
    std::string devicePath() const override { return "quiet"; }
    std::string lastError() const override { return {}; }

private:
    bool m_open = false;
};

struct Wakes {
    std::vector<int64_t> lateNs;
};

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    QuietPort port;
    QuietMessages messages;
    DriveLink link(port, messages);
    link.openLink();
    Wakes wakes;
    wakes.lateNs.reserve(static_cast<std::size_t>(seconds * 1000 * 1.1) + 16);
    CommTick tick(link);
    tick.setWakeObserver(
        [](void* context, int64_t lateNs) {
            auto* w = static_cast<Wakes*>(context);
            if (w->lateNs.size() < w->lateNs.capacity()) {
                w->lateNs.push_back(lateNs);
            }
        },
        &wakes);
    const double cpuBefore = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (!tick.start()) {
        std::fprintf(stderr, "tick did not start\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    tick.stop();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = processCpuSeconds() - cpuBefore;

    std::vector<int64_t> late = wakes.lateNs;
    std::sort(late.begin(), late.end());
    const auto at = [&](double q) { return late[static_cast<std::size_t>(q * (late.size() - 1))]; };
    std::printf("ticks %zu in %.3f s, skipped periods %llu, SCHED_FIFO %s\n", late.size(), wall,
                static_cast<unsigned long long>(tick.skippedPeriods()),
                tick.realTime() ? "granted" : "refused");
    std::printf("mean period %.4f ms\n", wall * 1000.0 / static_cast<double>(late.size()));
    std::printf("lateness us: median %.1f  p99 %.1f  max %.1f\n", at(0.5) / 1000.0,
                at(0.99) / 1000.0, late.back() / 1000.0);
    std::printf("CPU share %.2f %%\n", 100.0 * cpu / wall);
    return 0;
}
