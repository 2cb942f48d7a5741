#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/operator_messages.h"
#include "link/ports/serial_port.h"

#include "app/main_window.h"
#include "ui/about_dialog.h"
#include "ui/access_gate.h"
#include "ui/connection_dialog.h"
#include "ui/dialog_look.h"
#include "ui/line_finder_dialog.h"
#include "ui/link_diagnostics_window.h"
#include "ui/live_curve_window.h"
#include "ui/motor_panel.h"
#include "ui/mqtt_dialog.h"
#include "ui/parameter_export_import.h"
#include "ui/parameter_panel.h"
#include "ui/parameter_report_commands.h"
#include "ui/records/history_panel.h"
#include "ui/records/monitor_panel.h"
#include "ui/records/station_records.h"
#include "ui/records/trend_window.h"
#include "ui/rename_dialog.h"
#include "ui/station_link.h"
#include "ui/status_panel.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"
#include "widgets/skinned_button.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDebug>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTreeWidget>

// The icons are compiled into a static library: register them before use.
static void initStationResources() {
    Q_INIT_RESOURCE(velkaro);
}

namespace velkaro {

namespace {

const QColor kToolButtonColour(160, 180, 202);

constexpr int kStatusPeriodMs = 100;
constexpr int kFirstMotorPeriodMs = 15;

struct PanelButtonLook {
    int panel;
    const char* caption;
    int y;
};
// Indexed by panel; the data monitor button exists but is never offered.
constexpr std::array<PanelButtonLook, 5> kPanelButtons{
    {{PanelSystemStatus, QT_TRANSLATE_NOOP("velkaro::MainWindow", "系统状态"), 51},
     {PanelMotorControl, QT_TRANSLATE_NOOP("velkaro::MainWindow", "电机控制"), 78},
     {PanelParameters, QT_TRANSLATE_NOOP("velkaro::MainWindow", "参数管理"), 105},
     {PanelDataMonitor, QT_TRANSLATE_NOOP("velkaro::MainWindow", "数据监视"), 159},
     {PanelHistory, QT_TRANSLATE_NOOP("velkaro::MainWindow", "历史记录"), 132}}};

struct ToolButtonLook {
    int id;
    int x;
    const char* icon;
};
constexpr std::array<ToolButtonLook, 6> kToolButtons{
    {{MainWindow::RunButton, 68, ":/icons/run.svg"},
     {MainWindow::StopButton, 97, ":/icons/stop.svg"},
     {MainWindow::ToolsButton, 39, ":/icons/tools.svg"},
     {MainWindow::ConnectButton, 10, ":/icons/connect.svg"},
     {MainWindow::NextDriveButton, 150, ":/icons/next.svg"},
     {MainWindow::PreviousDriveButton, 247, ":/icons/previous.svg"}}};

QGroupBox* groupFrame(QWidget* area, const QRect& geometry) {
    auto* frame = new QGroupBox(area);
    frame->setGeometry(geometry);
    frame->lower();
    return frame;
}

} // namespace

MainWindow::MainWindow(DriveLink& link, OperatorMessages& messages, MainWindowOptions options)
    : m_link(link), m_messages(messages), m_options(std::move(options)) {
    initStationResources();
    setWindowTitle(QStringLiteral("Velkaro"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(stationFont());
    setContextMenuPolicy(Qt::DefaultContextMenu);

    m_runConnectionDialog = [](ConnectionDialog& dialog) { dialog.exec(); };
    m_runRenameDialog = [](RenameDialog& dialog) { return dialog.exec() == QDialog::Accepted; };

    createControls();
    createMenu();
    createShortcuts();
    setNoticeCentre({});

    m_statusTimer.setInterval(kStatusPeriodMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &MainWindow::runStatusPass);
    m_motorTimer.setSingleShot(true);
    connect(&m_motorTimer, &QTimer::timeout, this,
            [this] { m_motorTimer.start(animateMotorIcon()); });
    m_recordTimer.setSingleShot(true);
    connect(&m_recordTimer, &QTimer::timeout, this, [this] {
        writeRunRecords();
        m_recordTimer.start(static_cast<int>(m_displayOptions.recordIntervalMs));
    });
}

MainWindow::~MainWindow() {
    // The tick must never run against a window that is going away.
    if (m_tick) {
        m_messages.abandonPending();
        m_tick->stop();
    }
}

void MainWindow::createControls() {
    m_area = new QWidget(this);
    QPalette palette = m_area->palette();
    palette.setColor(QPalette::Window, kWindowColour);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Base, kFieldColour);
    palette.setColor(QPalette::AlternateBase, kFieldColour);
    palette.setColor(QPalette::Text, Qt::black);
    m_area->setPalette(palette);
    m_area->setAutoFillBackground(true);
    m_area->setFont(font());
    const DialogUnits du(m_area->font());
    m_area->setFixedSize(du.size(412, 289));
    setCentralWidget(m_area);

    // After the panel area, so the panels (its children) go before it.
    m_station = new StationLink(m_link, m_messages, this);
    m_requests = std::make_unique<CommandRequests>(*m_station);
    createAccessLevels();
    m_records =
        new StationRecords(m_messages, m_options.recordConnect, this, m_options.recordLimits);
    // The page refreshes after every row of a pass, as the operator asked.
    connect(m_records, &StationRecords::rowWritten, this, [this] {
        if (m_selection.currentPanel == PanelHistory && m_historyPanel->liveRefresh()) {
            m_historyPanel->refreshHistory();
        }
    });

    groupFrame(m_area, du.rect(347, 39, 59, 234));
    groupFrame(m_area, du.rect(6, 3, 401, 33));

    for (const PanelButtonLook& look : kPanelButtons) {
        auto* button = new XpButton(tr(look.caption), m_area);
        button->setGeometry(du.rect(352, look.y, 49, 14));
        button->setBackgroundColor(kButtonColour);
        button->setHoverColor(SkinnedButton::defaultHoverColor());
        connect(button, &QPushButton::clicked, this,
                [this, panel = look.panel] { selectPanel(panel); });
        m_panelButtons[static_cast<std::size_t>(look.panel)] = button;
    }
    m_panelButtons[PanelDataMonitor]->hide();
    m_panelButtons[PanelDataMonitor]->setEnabled(false);

    m_exitButton = new XpButton(tr("退出"), m_area);
    m_exitButton->setGeometry(du.rect(352, 253, 49, 14));
    m_exitButton->setFlat(true);
    m_exitButton->setBackgroundColor(kButtonColour);
    m_exitButton->setHoverColor(SkinnedButton::defaultHoverColor());
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::endMainWindow);

    for (const ToolButtonLook& look : kToolButtons) {
        auto* button = new SkinnedButton(m_area);
        button->setGeometry(du.rect(look.x, 11, 24, 22));
        button->setIcon(QIcon(QString::fromLatin1(look.icon)));
        button->setIconSize(button->size() - QSize(8, 8));
        button->setBackgroundColor(kToolButtonColour);
        // Tool buttons keep their colour under the pointer.
        button->setHoverColor(kToolButtonColour);
        button->setFocusPolicy(Qt::NoFocus);
        m_toolButtons[look.id] = button;
    }
    connect(m_toolButtons[RunButton], &QPushButton::clicked, this,
            [this] { raiseCommandRequest(CommandRequests::kRun); });
    connect(m_toolButtons[StopButton], &QPushButton::clicked, this,
            [this] { raiseCommandRequest(CommandRequests::kStop); });
    connect(m_toolButtons[ConnectButton], &QPushButton::clicked, this,
            &MainWindow::openConnectionDialog);
    connect(m_toolButtons[NextDriveButton], &QPushButton::clicked, this,
            &MainWindow::selectNextDrive);
    connect(m_toolButtons[PreviousDriveButton], &QPushButton::clicked, this,
            &MainWindow::selectPreviousDrive);

    m_nameBox = new QLineEdit(m_area);
    m_nameBox->setGeometry(du.rect(177, 15, 67, 15));
    m_nameBox->setAlignment(Qt::AlignCenter);
    m_nameBox->setReadOnly(true);
    m_nameBox->setFocusPolicy(Qt::NoFocus);

    m_progress = new QProgressBar(m_area);
    m_progress->setGeometry(du.rect(300, 15, 57, 13));
    m_progress->setTextVisible(false);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);

    m_motorPicture = new QLabel(m_area);
    m_motorPicture->setGeometry(du.rect(370, 11, 20, 20));
    m_motorPicture->setAlignment(Qt::AlignCenter);
    showMotorFrame(MotorFrame::RunA);

    m_statusPanel = new StatusPanel(m_area, *m_station, m_messages, m_selection);
    connect(m_statusPanel, &StatusPanel::valuesPushed, this, &MainWindow::pushValues);
    connect(m_statusPanel, &StatusPanel::statusMessageChanged, this, [this](const QString& text) {
        if (m_statusPanes[0] != nullptr) {
            m_statusPanes[0]->setText(text);
        }
    });
    connect(m_statusPanel, &StatusPanel::renameRequested, this, &MainWindow::renameSelectedDrive);
    // The drive list's own menu: the live curve of the drive under the pointer.
    m_statusPanel->driveList()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_statusPanel->driveList(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                QTreeWidgetItem* item = m_statusPanel->driveList()->itemAt(at);
                if (item == nullptr) {
                    return;
                }
                const int slot =
                    m_station->view().table.findSlotByName(item->text(0).toStdString());
                QMenu menu(this);
                menu.addAction(tr("实时曲线..."), this, [this, slot] { openLiveCurves(slot); });
                menu.exec(m_statusPanel->driveList()->viewport()->mapToGlobal(at));
            });
    connect(m_statusPanel, &StatusPanel::selectionMoved, this, &MainWindow::onSelectionMoved);
    m_motorPanel = new MotorPanel(m_area, *m_station, m_messages, *m_requests);
    m_parameterPanel = new ParameterPanel(m_area, *m_station, m_messages,
                                          [this] { return m_selection.selectedName; });
    m_historyPanel =
        new HistoryPanel(m_area, m_station->view(), m_displayOptions, m_messages, *m_records);
    m_monitorPanel = new MonitorPanel(m_area, m_messages);
    m_exportImport = new ParameterExportImport(this, *m_station, m_messages);
    // An import reads back the group the parameter list shows, and the list
    // then shows what the drive holds.
    m_exportImport->setShownGroup([this] { return m_parameterPanel->shownGroup(); });
    connect(m_exportImport, &ParameterExportImport::imported, m_parameterPanel,
            &ParameterPanel::readGroupAgain);
    m_reports = new ParameterReportCommands(this, *m_station, m_messages);

    // Nothing of a panel shows before the start-up picks the first one.
    m_statusPanel->setPanelVisible(false);
    m_motorPanel->setPanelVisible(false);
    m_parameterPanel->setPanelVisible(false);
    m_historyPanel->setPanelVisible(false);
    m_monitorPanel->setPanelVisible(false);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void MainWindow::createMenu() {
    QMenuBar* bar = menuBar();
    auto add = [this](QMenu* menu, int command, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, handler);
        m_menuActions[command] = action;
    };

    QMenu* system = bar->addMenu(tr("系统管理"));
    add(system, AddConnection, tr("增加连接"), [this] { openConnectionDialog(); });
    add(system, Disconnect, tr("断开连接"), [this] { disconnectDrive(); });
    system->addSeparator();
    add(system, ChangeName, tr("名字更改"), [this] { renameSelectedDrive(); });
    system->addSeparator();
    connect(system->addAction(tr("趋势图...")), &QAction::triggered, this, [this] {
        auto* trends = findChild<TrendWindow*>();
        if (!trends) {
            trends =
                new TrendWindow(m_station->view(), m_displayOptions, m_messages, *m_records, this);
            // The curves take in a pass's rows once they are in the table.
            connect(m_records, &StationRecords::passWritten, trends,
                    &TrendWindow::followRecordPass);
        }
        trends->show();
        trends->raise();
        trends->activateWindow();
    });
    connect(system->addAction(tr("通讯诊断...")), &QAction::triggered, this, [this] {
        auto* diagnostics = findChild<LinkDiagnosticsWindow*>();
        if (!diagnostics) {
            diagnostics = new LinkDiagnosticsWindow(this, *m_station, m_messages);
        }
        diagnostics->show();
        diagnostics->raise();
        diagnostics->activateWindow();
    });
    connect(system->addAction(tr("检测通讯参数...")), &QAction::triggered, this, [this] {
        auto* finder = findChild<LineFinderDialog*>();
        if (!finder) {
            finder = new LineFinderDialog(this, *m_station, m_messages);
            connect(finder, &LineFinderDialog::settingsApplied, this,
                    &MainWindow::applyLinkSettings);
        }
        finder->show();
        finder->raise();
        finder->activateWindow();
    });
    connect(system->addAction(tr("实时曲线...")), &QAction::triggered, this,
            [this] { openLiveCurves(-1); });
    connect(system->addAction(QStringLiteral("MQTT...")), &QAction::triggered, this, [this] {
        if (!m_mqtt) {
            m_mqtt = std::make_unique<StationMqtt>();
        }
        auto* dialog = findChild<MqttDialog*>();
        if (!dialog) {
            dialog = new MqttDialog(*m_mqtt, m_displayOptions, this);
        }
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
    });
    add(system, ActionRecords, tr("操作记录..."), [this] { openActionRecords(); });
    if (m_access) {
        add(system, EngineerPin, tr("工程师密码..."), [this] { openEngineerPin(); });
        add(system, LockEngineer, tr("锁定工程师权限"), [this] { lockEngineer(); });
    }
    // The window's own entries stay above exit, the last of the menu; what
    // the station has said is kept next to it.
    system->addSeparator();
    add(system, NoticeRecord, tr("消息记录..."), [this] {
        if (m_openNoticeCentre) {
            m_openNoticeCentre();
        }
    });
    add(system, Exit, tr("退          出"), [this] { endMainWindow(); });

    QMenu* drive = bar->addMenu(tr("变频器操作"));
    add(drive, Start, tr("启    动"), [this] { raiseCommandRequest(CommandRequests::kRun); });
    add(drive, Stop, tr("停    车"), [this] { raiseCommandRequest(CommandRequests::kStop); });
    drive->addSeparator();
    add(drive, CoastStop, tr("自由停车"),
        [this] { raiseCommandRequest(CommandRequests::kCoastStop); });
    add(drive, FaultReset, tr("故障复位"),
        [this] { raiseCommandRequest(CommandRequests::kFaultReset); });
    drive->addSeparator();
    add(drive, ImportParameters, tr("参数导入"), [this] { m_exportImport->importParameters(); });
    add(drive, ExportParameters, tr("参数导出"), [this] { m_exportImport->exportParameters(); });
    drive->addSeparator();
    connect(drive->addAction(tr("参数报表...")), &QAction::triggered, m_reports,
            &ParameterReportCommands::reportParameters);
    connect(drive->addAction(tr("参数对比...")), &QAction::triggered, m_reports,
            &ParameterReportCommands::compareParameters);

    QMenu* help = bar->addMenu(tr("软件帮助"));
    add(help, UsingVelkaro, tr("使用Velkaro"), [] {});
    help->addSeparator();
    add(help, AboutVelkaro, tr("关于Velkaro"), [this] { showAbout(); });
}

void MainWindow::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    const std::array<QString, 4> initial{QString(), QStringLiteral("COM1"), QStringLiteral("9600"),
                                         tr("无效验")};
    const DialogUnits du(font());
    for (std::size_t i = 0; i < m_statusPanes.size(); ++i) {
        auto* pane = new QLabel(initial[i], bar);
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i == 0) {
            bar->addWidget(pane, 1);
        } else {
            pane->setMinimumWidth(du.x(40));
            pane->setAlignment(Qt::AlignCenter);
            bar->addPermanentWidget(pane);
        }
        m_statusPanes[i] = pane;
    }
}

void MainWindow::createShortcuts() {
    // Enter commits the frequency entry wherever the focus is in the window.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, m_motorPanel, &MotorPanel::onFrequencyEntered);
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &MainWindow::endMainWindow);
}

bool MainWindow::initMainWindow() {
    setWindowIcon(QIcon(QStringLiteral(":/icons/velkaro.svg")));

    const DataSourceResult dataSource = m_options.registerDataSource();
    if (!dataSource.ok) {
        // The operator gets the fixed text; the reason goes to the developer's trace.
        qWarning("velkaro: run-record data source: %s", dataSource.message.c_str());
        m_messages.show(tr("错误! 不能加载数据库!").toStdString(), "");
        // The window stays usable with its status bar and first panel; no
        // timer, tick or link runs.
        createStatusBar();
        pushValues();
        showPanel();
        return false;
    }
    m_actionLog = std::make_unique<ActionLog>(m_options.recordConnect, m_options.actionLimits,
                                              m_options.actionSpool);
    m_station->setActionLog([this](ActionRecord row) {
        row.station = m_displayOptions.stationName;
        m_actionLog->add(std::move(row));
    });
    m_historyPanel->showAllRows();
    createStatusBar();
    // The panels were built with their controls, lists, key editor and chart.
    pushValues();
    showPanel();

    m_mqtt = std::make_unique<StationMqtt>();
    if (m_options.startTimers) {
        // Publishing as it was left; a broker away is tried again on its own.
        m_mqtt->apply(loadStationMqttSettings(), m_displayOptions.stationName);
        m_statusTimer.start();
        m_motorTimer.start(kFirstMotorPeriodMs);
        m_recordTimer.start(static_cast<int>(m_displayOptions.recordIntervalMs));
    }
    if (m_options.startTick) {
        m_tick = std::make_unique<CommTick>(m_link);
        if (!m_tick->start()) {
            m_tick.reset();
        }
    }
    m_link.clearTable();
    m_station->refresh();
    openLinkAndReport();
    return true;
}

void MainWindow::openLinkAndReport() {
    const OpenLinkResult result = m_link.openLink();
    if (result.ok) {
        return;
    }
    std::string text = result.message;
    if (text.empty()) {
        const LinkSnapshot view = m_link.snapshot();
        text = tr("串口 %1 不能打开：%2")
                   .arg(qtText(view.devicePath), qtText(view.portError))
                   .toStdString();
    }
    m_messages.notify(text, "");
}

void MainWindow::endMainWindow() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    // A tick waiting on an open message box must not hold up the stop.
    m_messages.abandonPending();
    if (m_tick) {
        m_tick->stop();
    }
    m_statusTimer.stop();
    m_motorTimer.stop();
    m_recordTimer.stop();
    // The rows still queued go in if the data source lets them in time.
    m_records->finish();
    // The broker hears "offline" if it takes it in time; its dialog goes first.
    delete findChild<MqttDialog*>();
    m_mqtt.reset();
    if (m_actionLog) {
        m_station->setActionLog({});
        m_actionLog->finish();
    }
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_ended) {
        endMainWindow();
    }
    event->accept();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("关于 Velkaro(&A)..."), this, &MainWindow::showAbout);
    menu.exec(event->globalPos());
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}

bool MainWindow::tickRunning() const {
    return m_tick && m_tick->running();
}

void MainWindow::openLiveCurves(int slot) {
    if (m_liveCurves == nullptr) {
        m_liveCurves = new LiveCurveWindow(m_liveSamples, m_messages, this);
    }
    m_liveCurves->follow(m_station->view());
    // From the menu with nothing ticked yet: the selected drive.
    if (slot < 0 && !m_liveCurves->anyDriveShown()) {
        slot = m_station->selectedSlot();
    }
    if (slot >= 0) {
        m_liveCurves->showDrive(slot);
    }
    m_liveCurves->show();
    m_liveCurves->raise();
    m_liveCurves->activateWindow();
}

QString MainWindow::statusPaneText(int pane) const {
    if (pane < 0 || pane >= static_cast<int>(m_statusPanes.size()) ||
        m_statusPanes[static_cast<std::size_t>(pane)] == nullptr) {
        return {};
    }
    return m_statusPanes[static_cast<std::size_t>(pane)]->text();
}

XpButton* MainWindow::panelButton(int panel) const {
    return panel >= 0 && panel < static_cast<int>(m_panelButtons.size())
               ? m_panelButtons[static_cast<std::size_t>(panel)]
               : nullptr;
}

SkinnedButton* MainWindow::toolButton(int id) const {
    const auto it = m_toolButtons.find(id);
    return it == m_toolButtons.end() ? nullptr : it->second;
}

QAction* MainWindow::menuAction(int command) const {
    const auto it = m_menuActions.find(command);
    return it == m_menuActions.end() ? nullptr : it->second;
}

void MainWindow::setConnectionDialogRunner(std::function<void(ConnectionDialog&)> runner) {
    m_runConnectionDialog = std::move(runner);
}

void MainWindow::setRenameDialogRunner(std::function<bool(RenameDialog&)> runner) {
    m_runRenameDialog = std::move(runner);
}

void MainWindow::setNoticeCentre(std::function<void()> open) {
    m_openNoticeCentre = std::move(open);
    if (QAction* entry = menuAction(NoticeRecord)) {
        entry->setEnabled(static_cast<bool>(m_openNoticeCentre));
    }
}

void MainWindow::pushValues() {
    m_nameBox->setText(QString::fromStdString(m_selection.nameBoxText));
    m_motorPanel->pushValues();
}

} // namespace velkaro
