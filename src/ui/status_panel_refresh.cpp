// The panel's list, tree and summary written from the link's snapshot on every
// pass, only where a cell changes; and the alarm that raises the window.
#include "ui/status_panel.h"

#include "link/operator_messages.h"
#include "registry/fixed_point.h"
#include "registry/state_texts.h"
#include "ui/station_link.h"
#include "widgets/qt_text.h"

#include <QApplication>
#include <QBrush>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <vector>

namespace velkaro {

namespace {

/// A lost drive's row: its values are the last ones read, no longer live.
const QColor kLostText(128, 128, 128);
constexpr int kListColumns = 5;

// Summary value cells, (row, column); the model cell (1, 3) keeps its text
// when nothing is selected.
struct Cell {
    int row;
    int column;
};
constexpr std::array<Cell, 10> kDashedCells{
    {{0, 1}, {1, 1}, {2, 1}, {2, 3}, {3, 1}, {3, 3}, {4, 1}, {4, 3}, {5, 1}, {5, 3}}};

/// A running value with its decimals and unit, e.g. "50.00Hz".
QString quantityText(const DriveRecord& drive, StatusQuantity quantity, const char* unit) {
    return qtText(formatFixed(statusValue(drive, quantity), quantity.decimals) + unit);
}

} // namespace

void StatusPanel::refreshDriveList() {
    struct RowCells {
        QString state, frequency, current, voltage;
        bool lost = false;
    };
    std::vector<RowCells> cells;
    bool rebuild = false;
    int rows = 0;
    int followRow = -1;
    const DriveTable& table = m_station.view().table;
    for (std::size_t i = 0; i < kMaxDrives; ++i) {
        if (table.driveNames[i] != m_shownNames[i]) {
            m_shownNames[i] = table.driveNames[i];
            rebuild = true;
        }
    }
    if (rebuild) {
        rows = static_cast<int>(std::min<uint32_t>(table.driveCount, kMaxDrives));
        // The selected drive keeps its selection in the new rows (a search
        // added a drive, it was renamed, another was removed); only a drive
        // that has gone leaves the selection to the default.
        const Target drive = m_station.selectedTarget();
        if (drive.slot >= 0 && drive.slot == m_drive.slot && drive.address == m_drive.address) {
            for (int row = 0; row < rows; ++row) {
                if (table.driveNames[static_cast<std::size_t>(row)] == drive.name) {
                    followRow = row;
                }
            }
        }
    }
    if (rebuild) {
        rebuildList(rows);
        if (followRow >= 0) {
            markRow(followRow);
            applySelection(followRow);
            m_selection.nameBoxText = m_selection.selectedName;
            Q_EMIT valuesPushed();
        } else {
            // Nothing is selected until the next pass picks row 0.
            applySelection(-1);
        }
        return;
    }
    std::string alarmNames;
    std::vector<std::string> alarmed;
    const int listRows = m_list->topLevelItemCount();
    cells.reserve(static_cast<std::size_t>(listRows));
    for (int row = 0; row < listRows; ++row) {
        const std::string name = rowText(row).toStdString();
        const int slot = table.findSlotByName(name);
        if (slot < 0) {
            return;
        }
        const StateTexts texts = driveStateTexts(table, slot);
        if (texts.state == kStateFault || texts.state == kStateAlarm) {
            alarmNames += ' ';
            alarmNames += name;
            alarmed.push_back(name);
        }
        const DriveRecord& drive = table.slots[static_cast<std::size_t>(slot)];
        cells.push_back({qtText(shownStateTexts(drive).state),
                         quantityText(drive, kRunningFrequency, "Hz"),
                         quantityText(drive, kOutputCurrent, "A"),
                         quantityText(drive, kOutputVoltage, "V"), drive.online == 0});
    }

    if (!alarmNames.empty() && alarmNames != m_lastAlarmNames) {
        m_lastAlarmNames = alarmNames;
        m_treeDirty = true;
        // Each drive that has just tripped gets its own alert, in the alert's
        // own words; a drive still tripped is not told again when another
        // trips or recovers.
        for (const std::string& name : alarmed) {
            if (std::find(m_alarmedNames.begin(), m_alarmedNames.end(), name) ==
                m_alarmedNames.end()) {
                m_pendingAlerts.push_back(
                    tr(" %1发生异常，请及时处理！").arg(qtText(name)).toStdString());
            }
        }
    } else {
        if (alarmNames != m_lastAlarmNames) {
            m_treeDirty = true;
        }
        m_lastAlarmNames = alarmNames;
        m_driveFault = !alarmNames.empty();
    }
    m_alarmedNames = std::move(alarmed);
    const QString status = statusMessage(activity(), m_selection.currentPanel);

    for (int row = 0; row < static_cast<int>(cells.size()); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        const RowCells& c = cells[static_cast<std::size_t>(row)];
        setCell(item, 1, c.state);
        setCell(item, 2, c.frequency);
        setCell(item, 3, c.current);
        setCell(item, 4, c.voltage);
        setRowMuted(item, c.lost);
    }
    Q_EMIT statusMessageChanged(status);
}

void StatusPanel::showPendingAlert() {
    if (m_pendingAlerts.empty()) {
        return;
    }
    const std::vector<std::string> alerts = std::exchange(m_pendingAlerts, {});
    QApplication::beep();
    raiseWindow();
    // One box per drive: the drive tripping again counts in its box.
    for (const std::string& alert : alerts) {
        m_messages.notify(alert, "");
    }
}

void StatusPanel::raiseWindow() {
    QWidget* window = m_area->window();
    if (window->isMinimized()) {
        window->showNormal();
    }
    // An open box of the window's own goes to the top instead of the window.
    QWidget* top = QApplication::activeModalWidget();
    if (top == nullptr) {
        top = window;
    }
    top->raise();
    top->activateWindow();
}

void StatusPanel::refreshDriveTree() {
    std::array<std::vector<std::string>, 3> groups;
    const DriveTable& table = m_station.view().table;
    for (std::size_t i = 0; i < kMaxDrives; ++i) {
        if (table.driveNames[i] != m_treeNames[i]) {
            m_treeNames[i] = table.driveNames[i];
            m_treeDirty = true;
        }
    }
    // A drive joined, left, was renamed or went on- or offline, or the alarm
    // names changed.
    if (!m_treeDirty && table.changes == m_treeChanges) {
        return;
    }
    m_treeDirty = false;
    m_treeChanges = table.changes;
    const uint32_t count = std::min<uint32_t>(table.driveCount, kMaxDrives);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string& name = table.driveNames[i];
        const int slot = table.findSlotByName(name);
        if (slot < 0) {
            continue;
        }
        const DriveRecord& drive = table.slots[static_cast<std::size_t>(slot)];
        if (drive.online != 0) {
            groups[0].push_back(name);
        }
        if (drive.online != 1) {
            groups[1].push_back(name);
        }
        if ((drive.status[0] & status_bit::kFault) != 0) {
            groups[2].push_back(name);
        }
    }

    // Rebuilt by the refresh, not chosen by the operator: no selection signal.
    const QSignalBlocker quiet(m_tree);
    m_tree->clear();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        m_headings[g] = new QTreeWidgetItem(m_tree, QStringList{treeHeading(g)});
        for (const std::string& name : groups[g]) {
            new QTreeWidgetItem(m_headings[g], QStringList{qtText(name)});
        }
    }
    for (QTreeWidgetItem* heading : m_headings) {
        heading->setExpanded(true);
    }
}

void StatusPanel::refreshDriveSummary() {
    std::array<QString, 11> values; // (0,1) (1,1) (1,3) then rows 2..5, columns 1 and 3
    bool dashed = false;
    const LinkSnapshot& view = m_station.view();
    const int selected = m_station.selectedSlot();
    if (m_selection.selectedRow < 0 || view.table.driveCount == 0) {
        dashed = true;
    } else if (selected < 0 || selected >= kMaxDrives) {
        return;
    } else {
        const DriveRecord& d = view.table.slots[static_cast<std::size_t>(selected)];
        const StateTexts texts = shownStateTexts(d);
        values = {qtText(d.name),
                  qtText(d.ratedPower + (d.series == "QD10" ? "A" : "KW")),
                  qtText(d.series),
                  quantityText(d, kSetFrequency, "Hz"),
                  quantityText(d, kRunningFrequency, "Hz"),
                  quantityText(d, kOutputVoltage, "V"),
                  quantityText(d, kOutputCurrent, "A"),
                  quantityText(d, kBusVoltage, "V"),
                  quantityText(d, kOutputTorque, "%"),
                  qtText(texts.state),
                  qtText(texts.cause)};
    }

    if (dashed) {
        for (const Cell& cell : kDashedCells) {
            setCell(m_summary->topLevelItem(cell.row), cell.column, QStringLiteral("---"));
        }
        if (!m_selection.nameBoxText.empty()) {
            m_selection.nameBoxText.clear();
            Q_EMIT valuesPushed();
        }
        return;
    }
    setCell(m_summary->topLevelItem(0), 1, values[0]);
    setCell(m_summary->topLevelItem(1), 1, values[1]);
    setCell(m_summary->topLevelItem(1), 3, values[2]);
    for (int row = 2; row <= 5; ++row) {
        const std::size_t base = 3 + static_cast<std::size_t>(row - 2) * 2;
        setCell(m_summary->topLevelItem(row), 1, values[base]);
        setCell(m_summary->topLevelItem(row), 3, values[base + 1]);
    }
}

void StatusPanel::setCell(QTreeWidgetItem* item, int column, const QString& value) {
    if (item != nullptr && item->text(column) != value) {
        item->setText(column, value);
        ++m_cellWrites;
    }
}

void StatusPanel::setRowMuted(QTreeWidgetItem* item, bool muted) {
    // No brush of its own: the list's colour.
    if (item == nullptr || item->data(0, Qt::ForegroundRole).isValid() == muted) {
        return;
    }
    for (int column = 0; column < kListColumns; ++column) {
        item->setData(column, Qt::ForegroundRole, muted ? QVariant(QBrush(kLostText)) : QVariant());
    }
    ++m_cellWrites;
}

void StatusPanel::rebuildList(int rows) {
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (int i = 0; i < rows; ++i) {
        new QTreeWidgetItem(m_list, QStringList{qtText(m_shownNames[static_cast<std::size_t>(i)])});
        ++m_cellWrites;
    }
}

} // namespace velkaro
