#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "link/requests.h"
#include "ui/window_selection.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace velkaro {

class OperatorMessages;
class StationLink;
// Opaque declaration without ": int" (the default): lupdate misreads the scope after it.
enum class ActivityState;

/// The system status panel: the drive tree (1032), the drive list (1031) and
/// the summary of the selected drive (1034, also shown on the motor panel).
/// Every view is redrawn from the station's last snapshot by the 100 ms
/// refresh, writing only cells whose text changed.
class StatusPanel : public QObject {
    Q_OBJECT
public:
    /// Creates the three views on `area`, hidden, with their colours,
    /// columns, tree headings and the fixed labels of the summary.
    StatusPanel(QWidget* area, StationLink& station, OperatorMessages& messages,
                WindowSelection& selection);

    /// Tree, list and summary, the summary in the status colours.
    void setPanelVisible(bool visible);
    /// The summary alone, in the motor panel's colours.
    void showSummaryForMotorPanel();

    /// First step of the refresh: with drives connected and no row
    /// selected, row 0 becomes the selection.
    void selectDefaultRow();
    /// Rebuilds the list when the connected names changed (the selected drive
    /// stays selected; only when it has gone is the selection cleared), else
    /// writes the changed cells, decides the fault alert and emits the
    /// status-bar text. The alert box itself waits for showPendingAlert().
    void refreshDriveList();
    void refreshDriveTree();
    void refreshDriveSummary();
    /// Shows the fault alerts decided by the last refreshDriveList, one per
    /// drive that has tripped since, without waiting for the operator:
    /// supervision goes on meanwhile.
    void showPendingAlert();
    /// What the activity line and status pane show: the link's activity, else
    /// "a drive has tripped" while the list shows a faulted or alarmed drive.
    ActivityState activity() const;

    /// Next / previous row with wrap-around; nothing while the list is empty
    /// or a parameter transfer runs.
    void selectNextDrive();
    void selectPreviousDrive();
    /// After a drive was removed: rebuild, select row 0 if drives remain,
    /// refresh the summary.
    void afterDisconnect();

    void onDriveListClick();
    void onDriveTreeSelect();

    /// Text of status-bar pane 0 for an activity and the current panel.
    static QString statusMessage(ActivityState activity, int currentPanel);

    QTreeWidget* driveTree() const { return m_tree; }
    QTreeWidget* driveList() const { return m_list; }
    QTreeWidget* summaryList() const { return m_summary; }
    /// Cell texts rewritten so far (flicker measure: none when nothing changed).
    std::size_t cellWrites() const { return m_cellWrites; }

Q_SIGNALS:
    /// The selection or name box changed: the window pushes its values into its controls.
    void valuesPushed();
    /// Status-bar pane 0.
    void statusMessageChanged(const QString& text);
    /// Double-click on a drive in the list.
    void renameRequested();
    /// Another drive (or none) is now selected; `previous` is the drive
    /// selected before, as it was then (slot -1: none).
    void selectionMoved(const velkaro::Target& previous);

private:
    /// Headings of the drive tree: normal, dropped and faulted units.
    static QString treeHeading(std::size_t group);
    void setCell(QTreeWidgetItem* item, int column, const QString& value);
    /// A lost drive's row in the muted colour (its values are frozen), any
    /// other row in the list's own.
    void setRowMuted(QTreeWidgetItem* item, bool muted);
    int listSelectedRow() const;
    QString rowText(int row) const;
    void markRow(int row);
    void takeSelectionFromList();
    /// Makes `row` (-1: none) the selection of the window and the station.
    void applySelection(int row);
    void stepSelection(int delta);
    void rebuildList(int rows);
    void raiseWindow();

    QWidget* m_area;
    StationLink& m_station;
    OperatorMessages& m_messages;
    WindowSelection& m_selection;

    QTreeWidget* m_tree = nullptr;
    QTreeWidget* m_list = nullptr;
    QTreeWidget* m_summary = nullptr;
    std::array<QTreeWidgetItem*, 3> m_headings{};

    std::vector<std::string> m_shownNames;
    std::vector<std::string> m_treeNames;
    std::string m_lastAlarmNames;
    std::vector<std::string> m_alarmedNames; ///< tripped or alarmed at the last refresh
    std::vector<std::string> m_pendingAlerts;
    bool m_driveFault = false;  ///< the list shows a faulted or alarmed drive
    uint64_t m_treeChanges = 0; ///< the table's changes the tree was drawn for
    bool m_treeDirty = true;    ///< the alarm names changed since the tree was drawn
    Target m_drive;             ///< the selected drive, known by slot and bus address
    std::size_t m_cellWrites = 0;
};

} // namespace velkaro
