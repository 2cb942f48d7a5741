// Cost of one 100 ms refresh of the traffic list of "通讯诊断..." with 10,000
// frames kept, as 10 new frames arrive per refresh: the model appends them
// and drops the 10 oldest, and the shown view lays out and paints. The frames
// are status reads of a simulated drive at 38400 baud. Beside
// refresh_status_bench; reports figures, asserts nothing.
//
//   traffic_view_bench [refreshes]     (default 300)

#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"

#include "ui/link_diagnostics_window.h"
#include "ui/station_link.h"
#include "ui/traffic_model.h"

#include <QApplication>
#include <QTabWidget>
#include <QTableView>

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
    double medianUs;
    double p99Us;
    double maxUs;
};

Figures summarise(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 99 / 100], samples.back()};
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    using namespace velkaro;
    const int refreshes = argc > 1 ? std::atoi(argv[1]) : 300;

    sim::BusSimulator bus(sim::LineSettings{38400, 'N', 8, 1});
    bus.addDrive(1, sim::Series::QD30, 750);
    sim::MemoryTransport transport(bus);
    SilentMessages messages;
    DriveLink link(transport, messages);
    LinkSettings settings = link.settings();
    settings.applyChoices(0, 0, 0, 0, 0); // 38400 baud
    link.setSettings(settings);
    link.openLink();
    auto tick = [&] {
        link.tick();
        transport.advanceTick();
    };
    link.submit({}, Search{1, 1});
    while (link.snapshot().searching) {
        tick();
    }
    // Status reads of the drive and their answers, as the window's passes ask for them.
    auto record = [&](int frames) {
        const uint64_t until = link.snapshot().framesWritten + static_cast<uint64_t>(frames);
        while (link.snapshot().framesWritten < until) {
            link.queueStatusPolls();
            tick();
        }
    };

    StationLink station(link, messages);
    LinkDiagnosticsWindow window(nullptr, station, messages);
    window.tabs()->setCurrentIndex(1);
    window.show();
    record(static_cast<int>(TrafficModel::kKeptRows));
    window.refresh();
    QApplication::processEvents();

    std::vector<double> modelOnly;
    std::vector<double> withPaint;
    for (int i = 0; i < refreshes; ++i) {
        record(10);
        const auto start = std::chrono::steady_clock::now();
        window.refresh();
        const auto refreshed = std::chrono::steady_clock::now();
        QApplication::processEvents(); // layout and paint of the view
        const auto painted = std::chrono::steady_clock::now();
        modelOnly.push_back(std::chrono::duration<double, std::micro>(refreshed - start).count());
        withPaint.push_back(std::chrono::duration<double, std::micro>(painted - start).count());
    }
    // A repaint of the shown rows alone, with nothing new: what painting
    // costs whatever the refresh did.
    std::vector<double> repaint;
    for (int i = 0; i < refreshes; ++i) {
        const auto start = std::chrono::steady_clock::now();
        window.trafficView()->viewport()->repaint();
        repaint.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const Figures model = summarise(modelOnly);
    const Figures paint = summarise(withPaint);
    std::printf("traffic list, %zu frames kept, 10 new per refresh, %d refreshes\n",
                window.trafficModel()->keptRows(), refreshes);
    std::printf("refresh (models):          median %.1f us, p99 %.1f us, max %.1f us\n",
                model.medianUs, model.p99Us, model.maxUs);
    std::printf("refresh + layout + paint:  median %.1f us, p99 %.1f us, max %.1f us\n",
                paint.medianUs, paint.p99Us, paint.maxUs);
    const Figures alone = summarise(repaint);
    std::printf("repaint alone:             median %.1f us, p99 %.1f us, max %.1f us\n",
                alone.medianUs, alone.p99Us, alone.maxUs);
    return 0;
}
