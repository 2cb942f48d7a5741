#include "reliability_qt/support/window_bench.h"

#include "ui/status_panel.h"

#include <QTreeWidget>

namespace velkaro::reliability {

namespace {
MainWindowOptions quietOptions() {
    MainWindowOptions options;
    options.registerDataSource = [] { return DataSourceResult{true, {}}; };
    options.recordConnect = "DSN=velkaro-reliability-test-absent";
    return options;
}
} // namespace

WindowBench::WindowBench() : WindowBench(quietOptions()) {}

WindowBench::WindowBench(MainWindowOptions options) {
    options.startTimers = false;
    options.startTick = false;
    window = std::make_unique<MainWindow>(link, messages, options);
}

void WindowBench::start() {
    window->initMainWindow();
}

void WindowBench::run(int ms) {
    for (int i = 0; i < ms; ++i) {
        link.tick();
        transport.advanceTick();
        if (++m_ticks % 100 == 0) {
            window->runStatusPass();
        }
    }
}

void WindowBench::connect(int from, unsigned count) {
    {
        auto s = link.lock();
        s->searchNextAddress = from;
        s->searchRemaining = count;
    }
    for (int i = 0; i < 200'000; ++i) {
        run(1);
        auto s = link.lock();
        if (s->searchRemaining == 0 && s->table.probeRecord.name.empty()) {
            break;
        }
    }
    run(1000);
}

int WindowBench::slotOfAddress(int address) {
    const std::string text = std::to_string(address);
    auto s = link.lock();
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        const DriveRecord& drive = s->table.slots[static_cast<std::size_t>(slot)];
        if (!drive.name.empty() && drive.address == text) {
            return slot;
        }
    }
    return -1;
}

void WindowBench::select(int address) {
    std::string name;
    {
        const int slot = slotOfAddress(address);
        auto s = link.lock();
        name = s->table.slots[static_cast<std::size_t>(slot)].name;
    }
    QTreeWidget* list = window->statusPanel().driveList();
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        if (list->topLevelItem(row)->text(0).toStdString() == name) {
            list->setCurrentItem(list->topLevelItem(row));
            window->statusPanel().onDriveListClick();
            break;
        }
    }
    run(200);
}

} // namespace velkaro::reliability
