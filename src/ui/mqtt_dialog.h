#pragma once

#include <QDialog>
#include <QTimer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velkaro {

class StationMqtt;
struct DisplayOptions;

/// 系统管理 → MQTT...: where the station publishes its drive states (broker,
/// credentials file, on or off), the station's name the topics carry, and
/// how the connection stands. Not modal: the station runs on behind it.
/// 应用 keeps the settings and restarts the publishing with them.
class MqttDialog : public QDialog {
    Q_OBJECT
public:
    /// `options` gives the station's name, as it is when the dialog is
    /// shown and when 应用 is clicked.
    MqttDialog(StationMqtt& mqtt, const DisplayOptions& options, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void load();
    void applySettings();
    void showStatus();

    StationMqtt& m_mqtt;
    const DisplayOptions& m_options;
    QLineEdit* m_station = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_credentials = nullptr;
    QLineEdit* m_ca = nullptr;
    QCheckBox* m_enabled = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_apply = nullptr;
    QPushButton* m_close = nullptr;
    QTimer m_statusTimer;
};

} // namespace velkaro
