#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "link/requests.h"
#include "records/action_log.h"
#include "records/data_source.h"
#include "records/display_options.h"
#include "records/record_database.h"
#include "records/records_worker.h"
#include "ui/command_requests.h"
#include "ui/live_samples.h"
#include "ui/motor_animation.h"
#include "ui/station_mqtt.h"
#include "ui/window_selection.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QProgressBar;

namespace velkaro {

class AccessGate;
class CommTick;
class ConnectionDialog;
class DriveLink;
class HistoryPanel;
struct LinkSettings;
class LiveCurveWindow;
class MonitorPanel;
class MotorPanel;
class OperatorMessages;
class ParameterPanel;
class ParameterReportCommands;
class ParameterExportImport;
class RenameDialog;
class SkinnedButton;
class StationLink;
class StationRecords;
class StatusPanel;
class XpButton;

/// What the start-up runs for real; tests switch off the timers and the tick
/// and drive the passes themselves.
struct MainWindowOptions {
    bool startTimers = true; ///< window timers 1, 2 and 4
    bool startTick = true;   ///< the 1 ms communication tick thread
    std::function<DataSourceResult()> registerDataSource = velkaro::registerDataSource;
    std::string recordConnect = std::string(kRunRecordConnect);
    /// The records worker's bounds (queue, stall, statement time-out).
    RecordsWorker::Limits recordLimits{};
    /// Where action rows the data source did not take by the end wait for the
    /// next start (main() gives defaultActionSpool()); empty: nowhere.
    std::filesystem::path actionSpool{};
    ActionLog::Limits actionLimits{};
    /// The engineer's PIN file (main() gives AccessGate::defaultFile());
    /// empty: no access levels, everything allowed.
    std::filesystem::path accessFile{};
};

/// The station's one window: panel buttons, tool row, name box, progress bar,
/// motor picture, menu and status bar around five panels, the window timers
/// and the communication tick. It owns no port and no link: main() creates
/// those and the message boxes, and they outlive the window. It reaches the
/// link through its one StationLink: requests in, snapshots and outcomes out.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    /// Menu command identifiers.
    enum MenuCommand : int {
        AddConnection = 32777,
        Disconnect = 32778,
        ChangeName = 32786,
        NoticeRecord = 32789,  ///< "消息记录...": the notice centre
        ActionRecords = 32790, ///< "操作记录...": the action log window
        EngineerPin = 32791,   ///< "工程师密码...": set, change or remove the PIN
        LockEngineer = 32792,  ///< "锁定工程师权限"
        Exit = 32771,
        Start = 32783,
        Stop = 32773,
        CoastStop = 32774,
        FaultReset = 32775,
        ImportParameters = 32787,
        ExportParameters = 32788,
        UsingVelkaro = 32772,
        AboutVelkaro = 32784,
    };

    /// Tool buttons of the top row; the values are the window's old control ids.
    enum ToolButton : int {
        RunButton = 1016,
        StopButton = 1017,
        ToolsButton = 1018, ///< does nothing, as it never did
        ConnectButton = 1019,
        NextDriveButton = 1020,
        PreviousDriveButton = 1021,
    };

    MainWindow(DriveLink& link, OperatorMessages& messages, MainWindowOptions options = {});
    ~MainWindow() override;

    /// The start-up sequence. False when it stopped early because the data
    /// source could not be registered: the window stays usable, nothing runs.
    bool initMainWindow();
    /// Shutdown: wakes any waiting message, stops the tick first, then the
    /// timers, then closes the window without a question.
    void endMainWindow();

    // Work of the window timers; public so tests can run a pass directly.
    /// Timer 1: refreshStatus, queueStatusPolls, refreshKeys, dispatchCommands.
    void runStatusPass();
    /// A fresh snapshot of the link (its outcomes handed out), then the lists,
    /// the summary, the parameter list and the progress drawn from it.
    void refreshStatus();
    void refreshKeys();
    void dispatchCommands();
    /// Timer 2: one step of the motor picture; returns the next period in ms.
    int animateMotorIcon();
    /// Timer 4: one run-record pass, handed to the records worker.
    void writeRunRecords();

    // Panels and command routing.
    void showPanel();
    void selectPanel(int panel);
    void raiseCommandRequest(int code);
    void openConnectionDialog();
    void selectNextDrive();
    void selectPreviousDrive();
    /// "断开连接" for the selected drive. A running or jogging drive is asked
    /// about first (取消 by default, without waiting on the box); a jogging
    /// drive's jog is released and the release has ended before it leaves.
    void disconnectDrive();
    /// The open disconnect question, or null.
    QMessageBox* disconnectQuestion() const;
    void renameSelectedDrive();
    void showAbout();
    /// The engineer's PIN asked for (what engineerWanted opens), or set.
    void openEngineerUnlock();
    void openEngineerPin();
    /// "锁定工程师权限": back to 操作员 at once.
    void lockEngineer();
    /// "操作记录...": the action log window.
    void openActionRecords();
    /// The access levels, when the station has them (null otherwise).
    AccessGate* accessGate() { return m_access.get(); }
    /// "实时曲线": the live curve window, with the drive in `slot` ticked (-1: as it was).
    void openLiveCurves(int slot);
    const LiveSamples& liveSamples() const { return m_liveSamples; }

    /// Replace how the modal dialogs run (tests act on the dialog instead of exec()).
    void setConnectionDialogRunner(std::function<void(ConnectionDialog&)> runner);
    /// The runner returns true when the dialog was closed with "确定".
    void setRenameDialogRunner(std::function<bool(RenameDialog&)> runner);
    /// What "消息记录..." opens (the message boxes' notice centre); the entry
    /// is greyed while none is set.
    void setNoticeCentre(std::function<void()> open);

    const WindowSelection& selection() const { return m_selection; }
    StationLink& station() { return *m_station; }
    CommandRequests& commandRequests() { return *m_requests; }
    StatusPanel& statusPanel() { return *m_statusPanel; }
    MotorPanel& motorPanel() { return *m_motorPanel; }
    ParameterPanel& parameterPanel() { return *m_parameterPanel; }
    HistoryPanel& historyPanel() { return *m_historyPanel; }
    /// The records worker's window side: every database call of the window.
    StationRecords& records() { return *m_records; }
    /// The action log the station writes once the data source is set up; null before.
    ActionLog* actionLog() { return m_actionLog.get(); }
    DisplayOptions& displayOptions() { return m_displayOptions; }
    QString statusPaneText(int pane) const;
    QLineEdit* nameBox() const { return m_nameBox; }
    QProgressBar* progressBar() const { return m_progress; }
    MotorFrame motorFrame() const { return m_motorFrame; }
    XpButton* panelButton(int panel) const;
    XpButton* exitButton() const { return m_exitButton; }
    SkinnedButton* toolButton(int id) const;
    QAction* menuAction(int command) const;
    QWidget* panelArea() const { return m_area; }
    bool tickRunning() const;
    /// The run-record pass; re-armed with the current interval each time.
    const QTimer& recordTimer() const { return m_recordTimer; }
    bool ended() const { return m_ended; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void createControls();
    void createMenu();
    void createStatusBar();
    void createShortcuts();
    /// Installs the access levels when the options name a PIN file.
    void createAccessLevels();
    void pushValues();
    void updateProgress();
    void openLinkAndReport();
    /// Reopens the port with the link's settings and shows them in the status bar.
    void applyLinkSettings();
    void showMotorFrame(MotorFrame frame);
    /// Panes 1 to 3: port, baud rate and parity of `settings`.
    void showLineSettings(const LinkSettings& settings);
    /// Releases the jog of `drive`, if it has one, and removes it once the
    /// release has ended; removes it at once otherwise.
    void releaseAndRemove(const Target& drive);
    /// Takes `drive` out of the table if it is still the drive in its slot.
    void removeDriveNow(const Target& drive);
    void onSelectionMoved(const Target& previous);
    /// Tells in the status bar which found drives were given another name.
    void showJoinRenames();

    DriveLink& m_link;
    OperatorMessages& m_messages;
    MainWindowOptions m_options;

    WindowSelection m_selection;
    /// Child of the window, made before the panels and gone after them.
    StationLink* m_station = nullptr;
    std::unique_ptr<CommandRequests> m_requests;
    DisplayOptions m_displayOptions;
    MotorFrame m_motorFrame = MotorFrame::RunA;

    QWidget* m_area = nullptr;
    std::array<XpButton*, 5> m_panelButtons{};
    XpButton* m_exitButton = nullptr;
    std::map<int, SkinnedButton*> m_toolButtons;
    std::map<int, QAction*> m_menuActions;
    QLineEdit* m_nameBox = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_motorPicture = nullptr;
    std::array<QPixmap, 3> m_motorPixmaps; ///< idle, running A, running B
    std::array<QLabel*, 4> m_statusPanes{};

    StatusPanel* m_statusPanel = nullptr;
    MotorPanel* m_motorPanel = nullptr;
    ParameterPanel* m_parameterPanel = nullptr;
    ParameterExportImport* m_exportImport = nullptr;
    ParameterReportCommands* m_reports = nullptr;
    HistoryPanel* m_historyPanel = nullptr;
    MonitorPanel* m_monitorPanel = nullptr;
    /// Child of the window, made before the panels and gone after them.
    StationRecords* m_records = nullptr;
    std::unique_ptr<ActionLog> m_actionLog;
    std::unique_ptr<AccessGate> m_access;
    /// Every status read of every drive, for the live curve.
    LiveSamples m_liveSamples;
    LiveCurveWindow* m_liveCurves = nullptr;
    /// The drive states on a broker (系统管理 → MQTT...), made at start-up.
    std::unique_ptr<StationMqtt> m_mqtt;

    QTimer m_statusTimer; ///< the 100 ms pass: lists, polls, keys, commands
    QTimer m_motorTimer;  ///< the motor picture, re-armed with its next period
    QTimer m_recordTimer; ///< the run-record pass, every recordIntervalMs
    std::unique_ptr<CommTick> m_tick;
    bool m_ended = false;
    bool m_finderRunning = false; ///< at the last pass

    std::function<void(ConnectionDialog&)> m_runConnectionDialog;
    std::function<bool(RenameDialog&)> m_runRenameDialog;
    std::function<void()> m_openNoticeCentre;
    /// The question before disconnecting a running or jogging drive, while open.
    QPointer<QMessageBox> m_disconnectQuestion;
    /// Drives whose jog release is on its way; each leaves the table once its
    /// release has ended.
    std::vector<Target> m_leaving;
};

} // namespace velkaro
