#pragma once

#include <QDialog>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

#include "link/diagnostics/line_finder.h"
#include "link/requests.h"
#include "ui/line_change_guard.h"

class QLabel;
class QListWidget;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace velkaro {

class OperatorMessages;
class StationLink;

/// "检测通讯参数...": runs the link's line finder over a range of addresses
/// with a progress bar and a cancel button, lists the settings at which
/// drives answered, and applies the chosen one to the link: only on the port
/// the run was made on, never during a transfer, and with running drives only
/// once the operator has confirmed. Not modal; the finder runs on the link's
/// tick, never on the window thread.
class LineFinderDialog : public QDialog {
    Q_OBJECT
public:
    LineFinderDialog(QWidget* parent, StationLink& station, OperatorMessages& messages);

    /// Asks the link for a run over the addresses entered ("开始检测").
    void start();
    /// Cancels a run under way; closes the dialog when none runs ("取消").
    void cancel();
    /// Follows a run: progress, and the findings when it ends (the timer's work).
    void follow();
    /// Makes the selected finding the link's settings ("应用所选参数"), or
    /// refuses (another port, a transfer) or asks first (drives running).
    void applySelected();

    QSpinBox* firstAddress() const { return m_first; }
    QSpinBox* addressCount() const { return m_count; }
    QProgressBar* progress() const { return m_progress; }
    QLabel* statusLine() const { return m_status; }
    QListWidget* findings() const { return m_findings; }
    QPushButton* startButton() const { return m_start; }
    QPushButton* applyButton() const { return m_apply; }
    bool running() const { return m_following.isActive(); }
    /// The question asked before a line change with drives running, while open.
    QMessageBox* lineChangeQuestion() const { return m_guard.question(); }

Q_SIGNALS:
    /// The link's settings were changed; the port is to be reopened with them.
    void settingsApplied();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showFindings();
    /// Shows the settings found so far, if more are complete than shown.
    void takeFindings(const std::vector<FoundLine>& found, std::size_t complete);

    StationLink& m_station;
    OperatorMessages& m_messages;
    QSpinBox* m_first = nullptr;
    QSpinBox* m_count = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QListWidget* m_findings = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
    QTimer m_following;
    std::vector<FoundLine> m_found;
    RequestId m_run = 0;            ///< the run asked for, 0 when none
    unsigned m_runs = 0;            ///< runs asked for so far
    std::optional<Outcome> m_ended; ///< its outcome, once it has come
    /// The port the findings were made on: its position and its device.
    int m_foundPort = -1;
    std::string m_foundDevice;
    LineChangeGuard m_guard;
};

} // namespace velkaro
