#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QStringList>

#include "app/main_window.h"
#include "support/link_harness.h"

class QTreeWidget;

namespace velkaro {
class QtOperatorMessages;
}

namespace velkaro::testing {

/// The first-column texts of a list's rows, top to bottom.
QStringList rowTexts(QTreeWidget* list);
/// The drive names under one heading of the drive tree (0 normal, 1 dropped, 2 faulted).
QStringList treeGroup(QTreeWidget* tree, int heading);

/// The station window over a link on the simulated bus, with recorded
/// messages, no window timers and no tick thread: run() moves simulated time
/// one tick per millisecond and makes the window's 100 ms status pass where
/// it falls, as its timer would. The window's StationLink takes the link's
/// outcomes (the harness collects none); drive(), slotOf() and commandWord()
/// read a fresh snapshot of the link.
class Station : public SimLink {
public:
    /// With a data source that registers, or one that refuses.
    explicit Station(bool dataSourceOk = true);
    /// With the window's own options (a records test's data source); timers
    /// and tick thread stay off.
    explicit Station(MainWindowOptions options);
    ~Station();

    /// Runs the start-up (which opens the link); false when it stopped early.
    bool start();
    /// Connects the bus's drives in an address range through the link alone,
    /// then lets the window take them in for `settleMs`: list rebuilt, row 0
    /// selected, first polls answered.
    void connect(int from, unsigned count, int settleMs = 400);

    DriveRecord drive(const std::string& name);
    int slotOf(const std::string& name);
    /// The window's selected slot (-1: none).
    int selectedSlot();
    /// The command word the link holds for the selected drive (what it
    /// writes into 0x3200), or -1 without a selection.
    int32_t commandWord();
    /// The same for the drive at bus address `address`; -1 when none is there.
    int32_t commandWordAt(int address);
    /// The station's real message boxes behind the recorded messages, made on
    /// first use over the window, which is shown: every message is still
    /// recorded, and opens its box too (a show() then waits for the operator).
    /// "消息记录..." opens their notice centre.
    QtOperatorMessages& boxes();

    std::unique_ptr<MainWindow> window;

private:
    std::unique_ptr<QtOperatorMessages> m_boxes;
};

} // namespace velkaro::testing
