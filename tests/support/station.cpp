#include "support/station.h"

#include <QTreeWidget>

namespace velkaro::testing {

QStringList rowTexts(QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(0);
    }
    return texts;
}

QStringList treeGroup(QTreeWidget* tree, int heading) {
    QStringList names;
    QTreeWidgetItem* item = tree->topLevelItem(heading);
    for (int i = 0; item != nullptr && i < item->childCount(); ++i) {
        names << item->child(i)->text(0);
    }
    return names;
}

namespace {

MainWindowOptions withDataSource(bool ok) {
    MainWindowOptions options;
    options.registerDataSource = [ok] { return DataSourceResult{ok, ok ? "" : "refused"}; };
    options.recordConnect = "DSN=velkaro-window-test-absent";
    return options;
}

} // namespace

Station::Station(bool dataSourceOk) : Station(withDataSource(dataSourceOk)) {}

Station::Station(MainWindowOptions options) : SimLink(StatusPasses::None, LinkStart::Closed) {
    options.startTimers = false;
    options.startTick = false;
    window = std::make_unique<MainWindow>(link, messages, options);
    setStatusPass([this] { window->runStatusPass(); });
}

bool Station::start() {
    return window->initMainWindow();
}

void Station::connect(int from, unsigned count, int settleMs) {
    search(from, count);
    run(static_cast<uint64_t>(settleMs));
}

DriveRecord Station::drive(const std::string& name) {
    auto state = link.lock();
    const int slot = state->table.findSlotByName(name);
    return slot < 0 ? DriveRecord{} : state->table.slots[static_cast<std::size_t>(slot)];
}

int Station::slotOf(const std::string& name) {
    auto state = link.lock();
    return state->table.findSlotByName(name);
}

int Station::selectedSlot() {
    auto state = link.lock();
    return state->selectedSlot;
}

int32_t Station::commandWord() {
    auto state = link.lock();
    return state->selectedSlot < 0
               ? -1
               : state->table.slots[static_cast<std::size_t>(state->selectedSlot)].controlSet[0];
}

} // namespace velkaro::testing
