#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace velkaro {

class AccessGate;
class StationLink;

/// The engineer's PIN, asked for or set, in a window that is not modal: the
/// main window's stop keys stay free while it is open. Every entry is logged
/// in the action log (工程师解锁, with 密码错误 or the lockout as its
/// refusal), and so is a new PIN (工程师密码设置).
class EngineerPinDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode {
        Unlock,   ///< "工程师解锁": the PIN, for the unlock time
        Settings, ///< "工程师密码": a new PIN twice and the unlock time
    };
    EngineerPinDialog(QWidget* parent, AccessGate& gate, StationLink& station, Mode mode);

    Mode mode() const { return m_mode; }
    QLineEdit* pinEdit() const { return m_pin; }
    QLineEdit* repeatEdit() const { return m_repeat; }
    QSpinBox* minutesBox() const { return m_minutes; }
    /// What the dialog says about the last entry.
    QString statusText() const;

    /// 确定: checks the entry; the dialog closes once it is right.
    void confirm();

Q_SIGNALS:
    /// The engineer's level was unlocked, or the PIN changed.
    void entryAccepted();

private:
    void unlock();
    void storeSettings();

    AccessGate& m_gate;
    StationLink& m_station;
    Mode m_mode;
    QLineEdit* m_pin = nullptr;
    QLineEdit* m_repeat = nullptr;
    QSpinBox* m_minutes = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace velkaro
