// Cost of the live curve on the window thread: 32 drives, each read ten times
// a second, their samples taken every 100 ms pass and the window following
// with all 32 drives and all five quantities shown, for 1 and for 10 minutes
// of span, rings full. Reports the share of one core the window takes (CPU
// time of the thread against the simulated time), sampling and painting
// apart. Reports figures, asserts nothing.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "link/link_snapshot.h"
#include "link/operator_messages.h"
#include "ui/live_curve_window.h"

namespace {

using namespace velkaro;

class SilentMessages : public OperatorMessages {
public:
    void show(const std::string&, const std::string&) override {}
    void notify(const std::string&, const std::string&) override {}
};

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

/// 32 drives in the table; each pass a fresh read of each, values that move.
LinkSnapshot tableOf32() {
    LinkSnapshot view;
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        DriveRecord& d = view.table.slots[static_cast<std::size_t>(slot)];
        d.address = std::to_string(slot + 1);
        d.name = d.address + "#QD30-7.50";
        d.online = 1;
        view.table.driveNames[static_cast<std::size_t>(slot)] = d.name;
    }
    view.table.driveCount = kMaxDrives;
    return view;
}

void readAll(LinkSnapshot& view, uint64_t tick) {
    view.tick = tick;
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        DriveRecord& d = view.table.slots[static_cast<std::size_t>(slot)];
        const double phase = static_cast<double>(tick) / 3000.0 + slot;
        d.status[1] = static_cast<int32_t>(2500 + 2500 * std::sin(phase)); // 0..50 Hz
        d.status[5] = static_cast<int32_t>(90 + 30 * std::sin(phase * 1.3));
        d.status[6] = static_cast<int32_t>(400 * std::sin(phase * 0.7));
        d.status[7] = static_cast<int32_t>(3800 * (d.status[1] / 5000.0));
        d.status[8] = 5370 + slot;
        ++view.statusReadCount[static_cast<std::size_t>(slot)];
        view.statusReadTick[static_cast<std::size_t>(slot)] = tick;
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::printf("32 drives x 5 quantities, a read of each every 100 ms, rings full (10 min)\n");
    std::printf("%10s | %12s %12s | %14s\n", "span", "sampling %", "window %", "repaints/s");
    for (const int spanIndex : {0, 2}) {
        LiveSamples samples;
        SilentMessages messages;
        LiveCurveWindow window(samples, messages);
        window.resize(1000, 640);
        window.show();
        LinkSnapshot view = tableOf32();
        uint64_t tick = 0;
        samples.take(view);
        for (; tick < 600000; tick += 100) { // ten minutes of reads, untimed
            readAll(view, tick);
            samples.take(view);
        }
        window.follow(view);
        for (int row = 0; row < window.driveList()->count(); ++row) {
            window.driveList()->item(row)->setCheckState(Qt::Checked);
        }
        for (int q = 0; q < kLiveQuantities; ++q) {
            window.quantityBox(static_cast<LiveQuantity>(q))->setChecked(true);
        }
        window.spanChoice()->setCurrentIndex(spanIndex);
        const int repaintsBefore = window.repaints();
        double sampling = 0;
        double painting = 0;
        constexpr int kPasses = 300; // 30 s
        for (int pass = 0; pass < kPasses; ++pass, tick += 100) {
            readAll(view, tick);
            const double start = threadSeconds();
            samples.take(view);
            const double sampled = threadSeconds();
            window.follow(view);
            // The shown window paints what follow() asked for.
            QApplication::processEvents();
            sampling += sampled - start;
            painting += threadSeconds() - sampled;
        }
        const double seconds = kPasses / 10.0;
        std::printf("%8ds | %12.3f %12.3f | %14.1f\n",
                    LiveCurveWindow::kSpanSeconds[static_cast<std::size_t>(spanIndex)],
                    100 * sampling / seconds, 100 * painting / seconds,
                    (window.repaints() - repaintsBefore) / seconds);
    }
    return 0;
}
