// Panel switching, command requests and the commands of the tool row and menu.

#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "registry/fixed_point.h"
#include "registry/labels.h"
#include "widgets/qt_text.h"

#include "app/main_window.h"
#include "ui/connection_dialog.h"
#include "ui/live_curve_window.h"
#include "ui/motor_panel.h"
#include "ui/parameter_panel.h"
#include "ui/parameter_transfer.h"
#include "ui/records/history_panel.h"
#include "ui/records/monitor_panel.h"
#include "ui/records/station_records.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "ui/status_panel.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace velkaro {

namespace {
constexpr int kJoinRenameShownMs = 15000;
}

void MainWindow::showPanel() {
    m_statusPanel->setPanelVisible(false);
    m_motorPanel->setPanelVisible(false);
    m_parameterPanel->setPanelVisible(false);
    m_monitorPanel->setPanelVisible(false);
    m_historyPanel->setPanelVisible(false);
    switch (m_selection.currentPanel) {
    case PanelMotorControl:
        m_motorPanel->setPanelVisible(true);
        m_statusPanel->showSummaryForMotorPanel();
        break;
    case PanelParameters:
        m_parameterPanel->setPanelVisible(true);
        break;
    case PanelDataMonitor:
        m_monitorPanel->setPanelVisible(true);
        break;
    case PanelHistory:
        m_historyPanel->setPanelVisible(true);
        break;
    default:
        m_statusPanel->setPanelVisible(true);
        break;
    }
}

void MainWindow::selectPanel(int panel) {
    if (m_selection.currentPanel == panel) {
        return;
    }
    m_selection.currentPanel = panel;
    showPanel();
}

void MainWindow::raiseCommandRequest(int code) {
    // With no drive selected the request is dropped: it must never start
    // whichever drive happens to be selected later.
    m_requests->raise(code, m_station->selectedTarget());
}

void MainWindow::onSelectionMoved(const Target& previous) {
    // A run or reset given for the drive left behind is not served to the
    // next one (a stop given for it still reaches it), and a drive left
    // jogging stops.
    m_requests->clear();
    m_motorPanel->releaseJog(previous);
    m_parameterPanel->selectionChanged();
}

void MainWindow::runStatusPass() {
    refreshStatus();
    m_link.queueStatusPolls();
    refreshKeys();
    dispatchCommands();
}

void MainWindow::refreshStatus() {
    m_station->refresh();
    m_liveSamples.take(m_station->view());
    if (m_liveCurves != nullptr) {
        m_liveCurves->follow(m_station->view());
    }
    m_statusPanel->selectDefaultRow();
    m_statusPanel->refreshDriveList();
    showJoinRenames();
    m_statusPanel->refreshDriveTree();
    m_statusPanel->refreshDriveSummary();
    m_parameterPanel->refreshParameterList();
    updateProgress();
    // Queued: the box opens after this pass has returned, so the 100 ms passes
    // go on while the operator reads it.
    m_statusPanel->showPendingAlert();
}

void MainWindow::updateProgress() {
    const ActivityState activity = m_station->view().activity;
    if (activity != ActivityState::Search && activity != ActivityState::Export &&
        activity != ActivityState::Import && activity != ActivityState::Readout) {
        return;
    }
    const Progress progress = m_station->view().progress;
    m_progress->setRange(progress.minimum, std::max(progress.minimum, progress.maximum));
    m_progress->setValue(progress.position);
}

void MainWindow::refreshKeys() {
    if (m_selection.currentPanel == PanelMotorControl) {
        m_motorPanel->refreshKeys();
    }
}

void MainWindow::dispatchCommands() {
    if (m_station->selectedDrive() == nullptr) {
        return;
    }
    m_requests->dispatch(m_motorPanel->jogForward() || m_motorPanel->jogReverse());
    m_motorPanel->followSelectedFrequency();
}

void MainWindow::writeRunRecords() {
    // Handed over: the rows wait for the data source, supervision does not.
    m_records->writeRunRecords(m_station->view(), m_displayOptions);
}

void MainWindow::openConnectionDialog() {
    ConnectionDialog dialog(*m_station, m_messages, this);
    m_runConnectionDialog(dialog);
    if (m_link.settings().settingsChanged) {
        applyLinkSettings();
    }
}

void MainWindow::applyLinkSettings() {
    openLinkAndReport();
    const LinkSettings settings = m_link.settings();
    if (m_statusPanes[1] != nullptr) {
        m_statusPanes[1]->setText(qtText(portName(settings.portNumber)));
        m_statusPanes[2]->setText(QString::fromStdString(settings.baudText));
        m_statusPanes[3]->setText(qtText(parityLabel(settings.parityLetter)));
    }
}

void MainWindow::selectNextDrive() {
    m_statusPanel->selectNextDrive();
}

void MainWindow::selectPreviousDrive() {
    m_statusPanel->selectPreviousDrive();
}

void MainWindow::disconnectDrive() {
    const int slot = m_station->selectedSlot();
    if (slot == -1) {
        return;
    }
    // The transfer runs on the selected drive: removing it would cut it.
    if (m_station->transferBusy()) {
        m_messages.show(std::string(kTransferUnderWay), std::string(kInfoCaption));
        return;
    }
    // Nothing goes to the drive: it only leaves the table.
    if (m_link.removeDrive(m_selection.selectedName)) {
        m_motorPanel->forgetKeys(slot);
    }
    m_station->refresh();
    m_statusPanel->afterDisconnect();
}

void MainWindow::renameSelectedDrive() {
    // The drive the dialog is about: the rename goes to it, or nowhere.
    const std::string shownName = m_selection.selectedName;
    const Target drive = m_station->selectedTarget();
    if (shownName.empty() || drive.slot < 0) {
        return;
    }
    if (m_station->transferBusy()) {
        m_messages.show(std::string(kTransferUnderWay), std::string(kInfoCaption));
        return;
    }
    RenameDialog dialog(QString::fromStdString(shownName), this);
    if (!m_runRenameDialog(dialog)) {
        return;
    }
    const std::string request = dialog.renameRequest().toStdString();
    RenameResult result = RenameResult::NotFound;
    const bool busy = m_station->transferBusy();
    const Target now = m_link.targetOfSlot(drive.slot);
    if (!busy && now.name == shownName && now.address == drive.address) {
        result = m_link.renameDrive(shownName, request);
    }
    if (result == RenameResult::Renamed) {
        // The drive keeps its keys, and every request given from now on names it anew.
        m_motorPanel->driveRenamed(drive.slot, request);
        m_station->refresh();
    }
    if (busy) {
        m_messages.show(std::string(kTransferUnderWay), std::string(kInfoCaption));
    } else if (result == RenameResult::EmptyName) {
        m_messages.show("变频器名字不能为空！", "");
    } else if (result == RenameResult::DuplicateName) {
        m_messages.show("该名字已经存在！", "");
    } else if (result == RenameResult::NotFound) {
        m_messages.show(shownName + " 已断开连接，名字未更改。", "");
    }
}

void MainWindow::showJoinRenames() {
    const std::vector<std::pair<std::string, std::string>> renames = m_link.takeJoinRenames();
    if (renames.empty()) {
        return;
    }
    QStringList texts;
    // Short enough for the status pane; the name found is the given one's stem.
    for (const auto& rename : renames) {
        texts << QStringLiteral("名字已被占用，新变频器命名为 %1")
                     .arg(QString::fromStdString(rename.second));
    }
    statusBar()->showMessage(texts.join(QStringLiteral("；")), kJoinRenameShownMs);
}

} // namespace velkaro
