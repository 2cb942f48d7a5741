#include "support/station.h"

#include "ui/qt_operator_messages.h"
#include "ui/station_link.h"

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
    leaveOutcomes();
    window = std::make_unique<MainWindow>(link, messages, options);
    setStatusPass([this] { window->runStatusPass(); });
}

Station::~Station() {
    // The boxes stand over the window: they go first.
    messages.forwardTo(nullptr);
    m_boxes.reset();
}

QtOperatorMessages& Station::boxes() {
    if (!m_boxes) {
        m_boxes = std::make_unique<QtOperatorMessages>();
        m_boxes->setParentWindow(window.get());
        window->setNoticeCentre([this] { m_boxes->openNoticeCentre(); });
        window->show();
        messages.forwardTo(m_boxes.get());
    }
    return *m_boxes;
}

bool Station::start() {
    return window->initMainWindow();
}

void Station::connect(int from, unsigned count, int settleMs) {
    search(from, count);
    run(static_cast<uint64_t>(settleMs));
}

DriveRecord Station::drive(const std::string& name) {
    const LinkSnapshot view = link.snapshot();
    const int slot = view.table.findSlotByName(name);
    return slot < 0 ? DriveRecord{} : view.table.slots[static_cast<std::size_t>(slot)];
}

int Station::slotOf(const std::string& name) {
    return link.snapshot().table.findSlotByName(name);
}

int Station::selectedSlot() {
    return window->station().selectedSlot();
}

int32_t Station::commandWord() {
    const LinkSnapshot view = link.snapshot();
    const DriveRecord* drive = view.drive(selectedSlot());
    return drive == nullptr ? -1 : drive->controlSet[0];
}

int32_t Station::commandWordAt(int address) {
    const LinkSnapshot view = link.snapshot();
    const DriveRecord* drive = view.drive(view.slotOfAddress(address));
    return drive == nullptr ? -1 : drive->controlSet[0];
}

} // namespace velkaro::testing
