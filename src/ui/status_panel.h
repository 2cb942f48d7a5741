#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "ui/window_selection.h"

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace velkaro {

class DriveLink;
class OperatorMessages;
enum class ActivityState : int;

/// The system status panel: the drive tree (1032), the drive list (1031) and
/// the summary of the selected drive (1034, also shown on the motor panel).
/// Every view is redrawn from the drive table by the 100 ms refresh, writing
/// only cells whose text changed.
class StatusPanel : public QObject {
    Q_OBJECT
public:
    /// Creates the three views on `area`, hidden, with their colours,
    /// columns, tree headings and the fixed labels of the summary.
    StatusPanel(QWidget* area, DriveLink& link, OperatorMessages& messages,
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
    /// Shows the fault alert decided by the last refreshDriveList, if any,
    /// without waiting for the operator: supervision goes on meanwhile.
    void showPendingAlert();

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
    /// Another drive (or none) is now selected; the previous one was at
    /// `previousSlot` with bus address `previousAddress` (slot -1: none).
    void selectionMoved(int previousSlot, const std::string& previousAddress);

private:
    void setCell(QTreeWidgetItem* item, int column, const QString& value);
    int listSelectedRow() const;
    QString rowText(int row) const;
    void markRow(int row);
    void takeSelectionFromList();
    /// Makes `row` (-1: none) the selection in the window and the link.
    void applySelection(int row);
    void stepSelection(int delta);
    void rebuildList(int rows);
    void raiseWindow();

    QWidget* m_area;
    DriveLink& m_link;
    OperatorMessages& m_messages;
    WindowSelection& m_selection;

    QTreeWidget* m_tree = nullptr;
    QTreeWidget* m_list = nullptr;
    QTreeWidget* m_summary = nullptr;
    std::array<QTreeWidgetItem*, 3> m_headings{};

    std::vector<std::string> m_shownNames;
    std::vector<std::string> m_treeNames;
    std::string m_lastAlarmNames;
    std::string m_pendingAlert;
    int m_driveSlot = -1;       ///< the selected drive's slot
    std::string m_driveAddress; ///< and its bus address
    std::size_t m_cellWrites = 0;
};

} // namespace velkaro
