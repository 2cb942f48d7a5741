#include "app/screenshot_tour.h"
#include "app/main_window.h"
#include "ui/about_dialog.h"
#include "ui/amend_dialog.h"
#include "ui/connection_dialog.h"
#include "ui/motor_panel.h"
#include "ui/parameter_panel.h"
#include "ui/records/display_options_dialog.h"
#include "ui/records/history_panel.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace velkaro {

namespace {
constexpr int kDrivesInDemo = 4;
constexpr int kSettleMs = 1500;

void settle(QWidget* widget) {
    widget->show();
    widget->raise();
    QApplication::processEvents();
}
} // namespace

ScreenshotTour::ScreenshotTour(MainWindow& window, OperatorMessages& messages, QString folder)
    : QObject(&window), m_window(window), m_messages(messages), m_folder(std::move(folder)) {}

void ScreenshotTour::start() {
    QDir().mkpath(m_folder);
    afterMs(500, [this] {
        m_window.setConnectionDialogRunner([this](ConnectionDialog& dialog) {
            settle(&dialog);
            dialog.searchLengthEdit()->setText(QString::number(kDrivesInDemo));
            save(&dialog, QStringLiteral("connection-dialog"));
            dialog.connectDrives();
        });
        m_window.openConnectionDialog();
        waitForDrives(150);
    });
}

void ScreenshotTour::afterMs(int ms, std::function<void()> step) {
    QTimer::singleShot(ms, this, std::move(step));
}

void ScreenshotTour::waitForDrives(int attemptsLeft) {
    const LinkSnapshot view = m_window.station().link().snapshot();
    const bool done = view.table.driveCount >= kDrivesInDemo || !view.searching;
    if (done || attemptsLeft == 0) {
        // Once the first drive is selected it runs at a given frequency, so the
        // pictures show live values.
        afterMs(600, [this] {
            m_window.motorPanel().frequencyEdit()->setText(QStringLiteral("35.00"));
            m_window.motorPanel().onFrequencyEntered();
            m_window.raiseCommandRequest(CommandRequests::kRun);
            afterMs(3000, [this] { showPanels(); });
        });
        return;
    }
    afterMs(200, [this, attemptsLeft] { waitForDrives(attemptsLeft - 1); });
}

void ScreenshotTour::showPanels() {
    save(&m_window, QStringLiteral("system-status"));
    m_window.selectPanel(PanelMotorControl);
    afterMs(kSettleMs, [this] {
        save(&m_window, QStringLiteral("motor-control"));
        m_window.selectPanel(PanelParameters);
        afterMs(kSettleMs, [this] {
            save(&m_window, QStringLiteral("parameters"));
            m_window.selectPanel(PanelHistory);
            m_window.historyPanel().refreshHistory();
            afterMs(kSettleMs, [this] {
                save(&m_window, QStringLiteral("history"));
                showDialogs();
            });
        });
    });
}

void ScreenshotTour::showDialogs() {
    m_window.selectPanel(PanelParameters);
    ParameterPanel& parameters = m_window.parameterPanel();
    parameters.setAmendRunner([this](AmendDialog& dialog) {
        settle(&dialog);
        save(&dialog, QStringLiteral("amend-dialog"));
        return int(QDialog::Rejected);
    });
    if (parameters.parameterList()->rowCount() > 0) {
        parameters.parameterList()->selectRow(1);
        parameters.onParameterDoubleClick();
    }

    m_window.setRenameDialogRunner([this](RenameDialog& dialog) {
        settle(&dialog);
        dialog.newNameEdit()->setText(QStringLiteral("Pump A"));
        save(&dialog, QStringLiteral("rename-dialog"));
        return false;
    });
    m_window.renameSelectedDrive();

    std::vector<std::string> names;
    const DriveTable& table = m_window.station().view().table;
    for (uint32_t i = 0; i < table.driveCount; ++i) {
        names.push_back(table.driveNames[i]);
    }
    DisplayOptionsDialog options(&m_window, m_window.displayOptions(), names, m_messages);
    settle(&options);
    save(&options, QStringLiteral("display-options-dialog"));
    options.close();

    AboutDialog about(&m_window);
    settle(&about);
    save(&about, QStringLiteral("about-dialog"));
    about.close();

    m_window.endMainWindow();
}

void ScreenshotTour::save(QWidget* widget, const QString& name) {
    QApplication::processEvents();
    widget->grab().save(m_folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace velkaro
