// Panel switching, command requests and the commands of the tool row and menu.

#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "registry/command_and_line_names.h"
#include "registry/fixed_point.h"
#include "registry/language.h"
#include "widgets/qt_text.h"

#include "app/main_window.h"
#include "ui/connection_dialog.h"
#include "ui/live_curve_window.h"
#include "ui/motor_panel.h"
#include "ui/parameter_export_import.h"
#include "ui/parameter_panel.h"
#include "ui/records/history_panel.h"
#include "ui/records/monitor_panel.h"
#include "ui/records/station_records.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "ui/status_panel.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace velkaro {

namespace {

constexpr int kJoinRenameShownMs = 15000;
constexpr int32_t kJogBits = 0x0300;

/// The jog bits the station holds for the drive in `slot`: in the word given
/// last, in the word the link wants, or in the word the drive holds.
int32_t jogBitsHeld(const StationLink& station, int slot) {
    const DriveRecord* drive = station.view().drive(slot);
    if (drive == nullptr) {
        return 0;
    }
    return (station.commandWordGiven(slot) | drive->controlSet[0] | drive->controlAck[0]) &
           kJogBits;
}

} // namespace

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
    if (m_mqtt) {
        m_mqtt->follow(m_station->view());
    }
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
    // After a line finder run the line in use is the link's own again, not
    // the last one tried.
    const bool finding = m_station->view().finder.running;
    if (std::exchange(m_finderRunning, finding) && !finding) {
        showLineSettings(m_station->view().settings);
    }
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
    // Reopening the port now would cut the line finder's trial or a transfer;
    // the dialog stored nothing meanwhile.
    const LinkSnapshot view = m_link.snapshot();
    if (view.finder.running || view.transferRunning || m_station->transferPending()) {
        return;
    }
    if (m_link.settings().settingsChanged) {
        applyLinkSettings();
    }
}

void MainWindow::applyLinkSettings() {
    openLinkAndReport();
    showLineSettings(m_link.settings());
}

void MainWindow::showLineSettings(const LinkSettings& settings) {
    if (m_statusPanes[1] == nullptr) {
        return;
    }
    // Names of the registry's tables are literals, so their data end in a NUL.
    const auto shown = [](std::string_view name) {
        return name.empty() ? QString() : qtText(translated("CommandNames", name.data()));
    };
    const std::array<QString, 3> texts{shown(portName(settings.portNumber)),
                                       QString::fromStdString(settings.baudText),
                                       shown(parityLabel(settings.parityLetter))};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (m_statusPanes[i + 1]->text() != texts[i]) {
            m_statusPanes[i + 1]->setText(texts[i]);
        }
    }
}

void MainWindow::selectNextDrive() {
    m_statusPanel->selectNextDrive();
}

void MainWindow::selectPreviousDrive() {
    m_statusPanel->selectPreviousDrive();
}

void MainWindow::disconnectDrive() {
    const Target drive = m_station->selectedTarget();
    if (drive.slot < 0 || !m_station->engineerAllowed()) {
        return;
    }
    // The transfer runs on the selected drive: removing it would cut it.
    if (m_station->transferBusy()) {
        m_messages.notify(std::string(kTransferUnderWay), std::string(kInfoCaption));
        return;
    }
    if (m_disconnectQuestion) {
        m_disconnectQuestion->raise();
        m_disconnectQuestion->activateWindow();
        return;
    }
    const DriveRecord* record = m_station->view().drive(drive.slot);
    const bool jogging = jogBitsHeld(*m_station, drive.slot) != 0;
    const bool running = record != nullptr && (record->status[0] & status_bit::kRunning) != 0;
    if (!jogging && !running) {
        // Nothing goes to a drive at rest: it only leaves the table.
        removeDriveNow(drive);
        return;
    }
    const QString name = qtText(drive.name);
    auto* box =
        new QMessageBox(QMessageBox::Warning, qtText(kInfoCaption),
                        jogging ? tr("变频器 %1 正在点动运行，断开连接前将先停止点动。").arg(name)
                                : tr("变频器 %1 正在运行，断开连接后将失去监控。").arg(name),
                        QMessageBox::NoButton, this);
    box->setInformativeText(tr("确定要断开连接吗？"));
    QPushButton* confirm = box->addButton(tr("确定"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(tr("取消"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal and not waited on: the stop keys and the 100 ms pass go on
    // while the operator decides.
    box->setWindowModality(Qt::NonModal);
    connect(box, &QMessageBox::finished, this, [this, box, confirm, drive] {
        if (box->clickedButton() == confirm) {
            releaseAndRemove(drive);
        }
    });
    m_disconnectQuestion = box;
    box->show();
}

QMessageBox* MainWindow::disconnectQuestion() const {
    return m_disconnectQuestion.data();
}

void MainWindow::releaseAndRemove(const Target& drive) {
    m_station->refresh();
    // A transfer given while the question was open runs on the selected
    // drive: removing it now would cut it, as before the question.
    if (m_station->transferBusy()) {
        m_messages.notify(std::string(kTransferUnderWay), std::string(kInfoCaption));
        return;
    }
    const Target now = m_link.targetOfSlot(drive.slot);
    if (now.slot < 0 || now.address != drive.address) {
        return; // it left meanwhile
    }
    for (const Target& leaving : m_leaving) {
        if (leaving.slot == now.slot && leaving.address == now.address) {
            return; // its release is on its way already
        }
    }
    const int32_t held = jogBitsHeld(*m_station, now.slot);
    if (held == 0) {
        removeDriveNow(now);
        return;
    }
    if (m_station->selectedSlot() == now.slot) {
        // The boxes no longer stand for a jog about to be released.
        m_motorPanel->clearJogBoxes();
    }
    // The jog bits cleared; a removal would cancel the write, so the drive
    // leaves only once the release has ended.
    const int32_t word = m_station->commandWordGiven(now.slot);
    const auto released = static_cast<uint16_t>(MotorPanel::jogWord(word, false, false));
    m_leaving.push_back(now);
    m_station->submit(now, Command::word(released), [this, now](const Outcome& outcome) {
        std::erase_if(m_leaving, [&now](const Target& t) {
            return t.slot == now.slot && t.address == now.address;
        });
        if (!outcome.confirmed() && !outcome.message.empty()) {
            m_messages.notify(outcome.message, std::string(kInfoCaption));
        }
        removeDriveNow(now);
    });
}

void MainWindow::removeDriveNow(const Target& drive) {
    const Target now = m_link.targetOfSlot(drive.slot);
    if (now.slot < 0 || now.address != drive.address) {
        m_station->refresh();
        return;
    }
    const bool selected = m_station->selectedSlot() == now.slot;
    if (m_link.removeDrive(now.name)) {
        m_motorPanel->forgetKeys(now.slot);
        m_station->logAction(now, "断开", {}, {});
    }
    m_station->refresh();
    if (selected) {
        m_statusPanel->afterDisconnect();
    } else {
        // The selection stays on its drive in the rebuilt list.
        m_statusPanel->refreshDriveList();
    }
}

void MainWindow::renameSelectedDrive() {
    // The drive the dialog is about: the rename goes to it, or nowhere.
    const std::string shownName = m_selection.selectedName;
    const Target drive = m_station->selectedTarget();
    if (shownName.empty() || drive.slot < 0 || !m_station->engineerAllowed()) {
        return;
    }
    if (m_station->transferBusy()) {
        m_messages.notify(std::string(kTransferUnderWay), std::string(kInfoCaption));
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
        m_station->logAction(now, "名字更改", shownName, request);
    } else if (result == RenameResult::EmptyName || result == RenameResult::DuplicateName) {
        m_station->logAction(now, "名字更改", shownName, request,
                             refusedResult(result == RenameResult::EmptyName
                                               ? "变频器名字不能为空！"
                                               : "该名字已经存在！"));
    }
    if (busy) {
        m_messages.notify(std::string(kTransferUnderWay), std::string(kInfoCaption));
    } else if (result == RenameResult::EmptyName) {
        m_messages.notify(tr("变频器名字不能为空！").toStdString(), "");
    } else if (result == RenameResult::DuplicateName) {
        m_messages.notify(tr("该名字已经存在！").toStdString(), "");
    } else if (result == RenameResult::NotFound) {
        m_messages.notify(tr("%1 已断开连接，名字未更改。").arg(qtText(shownName)).toStdString(),
                          "");
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
        texts << tr("名字已被占用，新变频器命名为 %1").arg(QString::fromStdString(rename.second));
    }
    statusBar()->showMessage(texts.join(tr("；")), kJoinRenameShownMs);
}

} // namespace velkaro
