// The access levels and the action log window of the main window.

#include "app/main_window.h"

#include <QStatusBar>

#include "ui/access_gate.h"
#include "ui/engineer_pin_dialog.h"
#include "ui/records/action_records_window.h"
#include "ui/records/station_records.h"
#include "ui/station_link.h"

namespace velkaro {
namespace {

constexpr int kHintShownMs = 20000;

} // namespace

void MainWindow::createAccessLevels() {
    if (m_options.accessFile.empty()) {
        return;
    }
    m_access = std::make_unique<AccessGate>(m_options.accessFile);
    m_station->setAccessGate(m_access.get());
    connect(m_station, &StationLink::engineerWanted, this, &MainWindow::openEngineerUnlock);
    connect(m_station, &StationLink::noPinHint, this, [this] {
        statusBar()->showMessage(
            tr("未设置工程师密码，任何人都可以修改参数；可在“系统管理 → 工程师密码...”中设置。"),
            kHintShownMs);
    });
}

void MainWindow::openEngineerUnlock() {
    if (!m_access) {
        return;
    }
    for (auto* open : findChildren<EngineerPinDialog*>()) {
        if (open->mode() == EngineerPinDialog::Mode::Unlock) {
            open->raise();
            open->activateWindow();
            return;
        }
    }
    auto* dialog =
        new EngineerPinDialog(this, *m_access, *m_station, EngineerPinDialog::Mode::Unlock);
    dialog->show();
}

void MainWindow::openEngineerPin() {
    if (!m_access) {
        return;
    }
    auto* dialog = findChild<EngineerPinDialog*>();
    if (dialog == nullptr || dialog->mode() != EngineerPinDialog::Mode::Settings) {
        dialog =
            new EngineerPinDialog(this, *m_access, *m_station, EngineerPinDialog::Mode::Settings);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void MainWindow::lockEngineer() {
    if (m_access && m_access->pinSet()) {
        m_access->lock();
        m_station->logAction({}, "工程师锁定", {}, {});
    }
}

void MainWindow::openActionRecords() {
    auto* window = findChild<ActionRecordsWindow*>();
    if (window == nullptr) {
        window = new ActionRecordsWindow(this, *m_records, m_displayOptions.stationName);
    }
    window->show();
    window->raise();
    window->activateWindow();
    window->refresh();
}

} // namespace velkaro
