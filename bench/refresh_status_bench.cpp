// Cost of one 100 ms status refresh of the station window with 32 drives on
// the simulated bus at 38400 baud, and how many list cells it rewrites: none
// when nothing changed; while every motor ramps, only the cells of the drives
// whose status was polled since the last pass. Reports figures.

#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

#include "app/main_window.h"
#include "ui/status_panel.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

class SilentMessages : public velkaro::OperatorMessages {
public:
    void show(const std::string&, const std::string&) override {}
    void notify(const std::string&, const std::string&) override {}
};

struct Figures {
    double meanUs;
    double medianUs;
    double maxUs;
};

Figures summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (const double s : samples) {
        sum += s;
    }
    return {sum / samples.size(), samples[samples.size() / 2], samples.back()};
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);

    using namespace velkaro;
    sim::BusSimulator bus(sim::LineSettings{38400, 'N', 8, 1});
    const sim::Series series[] = {sim::Series::QD10, sim::Series::QD20, sim::Series::QD30,
                                  sim::Series::QD40};
    const int ratings[] = {75, 6, 750, 1100};
    for (int address = 1; address <= kMaxDrives; ++address) {
        bus.addDrive(address, series[address % 4], ratings[address % 4]);
    }
    sim::MemoryTransport transport(bus);
    SilentMessages messages;
    DriveLink link(transport, messages);
    LinkSettings settings = link.settings();
    settings.applyChoices(0, 0, 0, 0, 0); // 38400 baud
    link.setSettings(settings);

    MainWindowOptions options;
    options.startTimers = false;
    options.startTick = false;
    options.registerDataSource = [] { return DataSourceResult{true, ""}; };
    options.recordConnect = "DSN=velkaro-bench-absent";
    MainWindow window(link, messages, options);
    window.initMainWindow();

    long ticks = 0;
    auto advance = [&](int ms) {
        for (int i = 0; i < ms; ++i) {
            link.tick();
            transport.advanceTick();
            if (++ticks % 100 == 0) {
                window.runStatusPass();
            }
        }
    };
    link.submit({}, Search{1, kMaxDrives});
    while (true) {
        advance(100);
        if (!link.snapshot().searching) {
            break;
        }
    }
    advance(3000);
    const LinkSnapshot view = link.snapshot();
    const unsigned connected = view.table.driveCount;

    auto timePasses = [&](int passes, int msBetween) {
        std::vector<double> samples;
        const std::size_t writesBefore = window.statusPanel().cellWrites();
        for (int i = 0; i < passes; ++i) {
            for (int t = 0; t < msBetween; ++t) {
                link.tick();
                transport.advanceTick();
            }
            const auto start = std::chrono::steady_clock::now();
            window.refreshStatus();
            const auto end = std::chrono::steady_clock::now();
            samples.push_back(std::chrono::duration<double, std::micro>(end - start).count());
            link.queueStatusPolls();
        }
        const double writes =
            static_cast<double>(window.statusPanel().cellWrites() - writesBefore) / passes;
        return std::pair{summarise(samples), writes};
    };

    const auto [idle, idleWrites] = timePasses(300, 0);
    std::printf("refreshStatus with %u drives, nothing changed: mean %.1f us, median %.1f us, "
                "max %.1f us, cell writes per pass %.2f\n",
                connected, idle.meanUs, idle.medianUs, idle.maxUs, idleWrites);

    // Every drive ramps toward 50 Hz: values change between passes.
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        if (const Target drive = view.target(slot); drive.slot >= 0) {
            link.submit(drive, Command::frequency(5000));
            link.submit(drive, Command::word(command_word::kRun));
        }
    }
    advance(1000);
    const auto [busy, busyWrites] = timePasses(100, 100);
    std::printf("refreshStatus with %u drives ramping, 100 ms apart: mean %.1f us, median %.1f us, "
                "max %.1f us, cell writes per pass %.2f\n",
                connected, busy.meanUs, busy.medianUs, busy.maxUs, busyWrites);
    window.endMainWindow();
    return 0;
}
