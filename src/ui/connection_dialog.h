#pragma once

#include <QDialog>
#include <QTimer>

#include <optional>

#include "ui/line_change_guard.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QMessageBox;
class QLineEdit;
class QRadioButton;

namespace velkaro {

class OperatorMessages;
class StationLink;
class XpButton;

/// "连接控制": chooses the link settings ("应用" stores them; the window
/// reopens the port after the dialog) and starts an address search ("连接").
/// Fields are validated whenever a button reads them; a refused field keeps
/// the dialog open with the focus on it. While the line finder runs it shows
/// the link's own settings and cannot apply; a line change is refused during
/// a transfer and asked first while drives run (LineChangeGuard).
class ConnectionDialog : public QDialog {
    Q_OBJECT
public:
    ConnectionDialog(StationLink& station, OperatorMessages& messages, QWidget* parent = nullptr);

    /// "应用": stores the choices and the reply timeout and marks the settings
    /// changed. False when a field was refused, the line may not change now,
    /// or the operator is asked first (they are stored once he confirms).
    bool apply();
    /// "连接": gives the link a search of the address range and closes. False
    /// when a field was refused (the dialog stays open).
    bool connectDrives();
    /// "退出" and the close box: validates, then closes without storing.
    bool exitDialog();

    QComboBox* portBox() const { return m_port; }
    QComboBox* baudBox() const { return m_baud; }
    QComboBox* parityBox() const { return m_parity; }
    QComboBox* dataBitsBox() const { return m_dataBits; }
    QComboBox* stopBitsBox() const { return m_stopBits; }
    QLineEdit* timeoutEdit() const { return m_timeout; }
    QCheckBox* fastRepliesBox() const { return m_fastReplies; }
    /// Shown while the chosen port is reached over a network.
    QLabel* networkNotice() const { return m_networkNotice; }
    QLineEdit* startAddressEdit() const { return m_startAddress; }
    QLineEdit* searchLengthEdit() const { return m_searchLength; }
    XpButton* applyButton() const { return m_applyButton; }
    /// The question asked before a line change with drives running, while open.
    QMessageBox* lineChangeQuestion() const { return m_guard.question(); }

    void reject() override;

private:
    struct Fields {
        int timeout;
        int startAddress;
        int searchLength;
    };
    std::optional<Fields> readFields();
    std::optional<int> readInteger(QLineEdit* edit);
    bool checkRange(QLineEdit* edit, int value, int low, int high);
    /// Shows the notice when the chosen port's device is a network address.
    void showPortKind();
    /// 应用 only while no line finder run holds the line.
    void followFinder();

    StationLink& m_station;
    OperatorMessages& m_messages;
    QComboBox* m_port = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_dataBits = nullptr;
    QComboBox* m_stopBits = nullptr;
    QLineEdit* m_timeout = nullptr;
    QCheckBox* m_fastReplies = nullptr;
    QLabel* m_networkNotice = nullptr;
    QRadioButton* m_connectOne = nullptr;
    QRadioButton* m_search = nullptr;
    QLineEdit* m_startAddress = nullptr;
    QLineEdit* m_searchLength = nullptr;
    XpButton* m_applyButton = nullptr;
    XpButton* m_connectButton = nullptr;
    XpButton* m_exitButton = nullptr;
    LineChangeGuard m_guard;
    QTimer m_finderWatch;
};

} // namespace velkaro
