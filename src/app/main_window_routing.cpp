// Panel switching, command requests and the commands of the tool row and menu.

#include "link/drive_link.h"
#include "link/fixed_point.h"
#include "link/operator_messages.h"
#include "registry/labels.h"

#include "app/main_window.h"
#include "records/history_panel.h"
#include "records/monitor_panel.h"
#include "records/run_record_store.h"
#include "ui/connection_dialog.h"
#include "ui/motor_panel.h"
#include "ui/parameter_panel.h"
#include "ui/rename_dialog.h"
#include "ui/status_panel.h"

#include <QLabel>
#include <QProgressBar>

namespace velkaro {

void MainWindow::showPanel() {
    m_statusPanel->setPanelVisible(false);
    m_motorPanel->setPanelVisible(false);
    m_parameterPanel->setPanelVisible(false);
    m_monitorPanel->setPanelVisible(false);
    m_historyPanel->setPanelVisible(false);
    switch (m_selection.currentPanel) {
    case MotorControlPanel:
        m_motorPanel->setPanelVisible(true);
        m_statusPanel->showSummaryForMotorPanel();
        break;
    case ParameterPanelIndex:
        m_parameterPanel->setPanelVisible(true);
        break;
    case DataMonitorPanel:
        m_monitorPanel->setPanelVisible(true);
        break;
    case HistoryPanelIndex:
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
    m_requests.raise(code);
}

void MainWindow::runStatusPass() {
    refreshStatus();
    m_link.queueStatusPolls();
    refreshKeys();
    dispatchCommands();
}

void MainWindow::refreshStatus() {
    m_statusPanel->selectDefaultRow();
    if (m_selection.selectedName != m_lastSelectedName) {
        m_parameterPanel->selectionChanged();
    }
    m_lastSelectedName = m_selection.selectedName;
    m_statusPanel->refreshDriveList();
    if (m_selection.selectedName.empty()) {
        // A rebuilt list drops the selection, and a group read running then is
        // cut short. Whatever the next pass selects, even the same drive, reads
        // its group afresh, so the list never shows zeros as the drive's values.
        m_lastSelectedName.clear();
    }
    m_statusPanel->refreshDriveTree();
    m_statusPanel->refreshDriveSummary();
    m_parameterPanel->refreshParameterList();
    updateProgress();
    // Last, so the box's own event loop finds every view already current.
    m_statusPanel->showPendingAlert();
}

void MainWindow::updateProgress() {
    Progress progress;
    {
        auto state = m_link.lock();
        const ActivityState activity = state->activityState;
        if (activity != ActivityState::Search && activity != ActivityState::Export &&
            activity != ActivityState::Import) {
            return;
        }
        progress = state->progress;
    }
    m_progress->setRange(progress.minimum, std::max(progress.minimum, progress.maximum));
    m_progress->setValue(progress.position);
}

void MainWindow::refreshKeys() {
    if (m_selection.currentPanel == MotorControlPanel) {
        m_motorPanel->refreshKeys();
    }
}

void MainWindow::dispatchCommands() {
    int32_t frequency = 0;
    {
        auto state = m_link.lock();
        const int slot = state->selectedSlot;
        if (slot < 0 || slot >= kMaxDrives) {
            return;
        }
        DriveRecord& drive = state->table.slots[static_cast<std::size_t>(slot)];
        m_requests.dispatch(drive, m_motorPanel->jogForward() || m_motorPanel->jogReverse());
        frequency = drive.controlSet[1];
    }
    m_motorPanel->followFrequency(frequency);
}

void MainWindow::writeRunRecords() {
    m_store->writeRunRecords(m_link, m_displayOptions, [this] {
        if (m_selection.currentPanel == HistoryPanelIndex && m_historyPanel->liveRefresh()) {
            m_historyPanel->refreshHistory();
        }
    });
}

void MainWindow::openConnectionDialog() {
    ConnectionDialog dialog(m_link, m_messages, this);
    m_runConnectionDialog(dialog);

    bool changed = false;
    {
        auto state = m_link.lock();
        changed = state->settings.settingsChanged;
    }
    if (!changed) {
        return;
    }
    openLinkAndReport();
    LinkSettings settings;
    {
        auto state = m_link.lock();
        settings = state->settings;
    }
    auto toQString = [](std::string_view s) {
        return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
    };
    if (m_statusPanes[1] != nullptr) {
        m_statusPanes[1]->setText(toQString(portName(settings.portNumber)));
        m_statusPanes[2]->setText(QString::fromStdString(settings.baudText));
        m_statusPanes[3]->setText(toQString(parityLabel(settings.parityLetter)));
    }
}

void MainWindow::selectNextDrive() {
    m_statusPanel->selectNextDrive();
}

void MainWindow::selectPreviousDrive() {
    m_statusPanel->selectPreviousDrive();
}

void MainWindow::disconnectDrive() {
    {
        auto state = m_link.lock();
        if (state->selectedSlot == -1) {
            return;
        }
        // Nothing goes to the drive: it only leaves the table.
        state->table.removeDrive(m_selection.selectedName);
    }
    m_statusPanel->afterDisconnect();
}

void MainWindow::renameSelectedDrive() {
    {
        auto state = m_link.lock();
        if (m_selection.selectedName.empty() || state->selectedSlot == -1) {
            return;
        }
    }
    RenameDialog dialog(QString::fromStdString(m_selection.selectedName), this);
    if (!m_runRenameDialog(dialog)) {
        return;
    }
    const std::string request = dialog.renameRequest().toStdString();
    RenameResult result = RenameResult::NotFound;
    {
        auto state = m_link.lock();
        result = state->table.renameDrive(m_selection.selectedName, request);
    }
    if (result == RenameResult::EmptyName) {
        m_messages.show("变频器名字不能为空！", "");
    } else if (result == RenameResult::DuplicateName) {
        m_messages.show("该名字已经存在！", "");
    }
}

} // namespace velkaro
