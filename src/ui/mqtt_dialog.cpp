#include "ui/mqtt_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "records/display_options.h"
#include "ui/dialog_look.h"
#include "ui/station_mqtt.h"
#include "widgets/qt_text.h"
#include "widgets/skinned_button.h"

namespace velkaro {

namespace {

constexpr int kStatusRefreshMs = 1000;

} // namespace

MqttDialog::MqttDialog(StationMqtt& mqtt, const DisplayOptions& options, QWidget* parent)
    : QDialog(parent), m_mqtt(mqtt), m_options(options) {
    setWindowTitle(tr("MQTT 发布"));
    setModal(false);
    applyDialogLook(this);

    m_enabled = new QCheckBox(tr("把变频器状态发布到 MQTT 代理（只发布，不接受命令）"));
    m_url = new QLineEdit;
    m_url->setPlaceholderText(tr("mqtt://主机:1883 或 mqtts://主机:8883"));
    m_url->setMinimumWidth(320);
    m_credentials = new QLineEdit;
    m_credentials->setPlaceholderText(tr("user=用户名、password=密码 两行；不填为匿名"));
    m_ca = new QLineEdit;
    m_ca->setPlaceholderText(tr("mqtts:// 用的 CA 证书；不填用系统证书"));
    auto* browse = createDialogButton(tr("浏览..."));
    m_station = new QLineEdit;
    m_station->setReadOnly(true);
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_url->setObjectName(QStringLiteral("url"));
    m_credentials->setObjectName(QStringLiteral("credentials"));
    m_station->setObjectName(QStringLiteral("station"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* fields = new QGridLayout;
    fields->addWidget(m_enabled, 0, 0, 1, 3);
    fields->addWidget(new QLabel(tr("代理地址：")), 1, 0);
    fields->addWidget(m_url, 1, 1, 1, 2);
    fields->addWidget(new QLabel(tr("凭据文件：")), 2, 0);
    fields->addWidget(m_credentials, 2, 1);
    fields->addWidget(browse, 2, 2);
    fields->addWidget(new QLabel(tr("CA 证书：")), 3, 0);
    fields->addWidget(m_ca, 3, 1, 1, 2);
    fields->addWidget(new QLabel(tr("本站站名：")), 4, 0);
    fields->addWidget(m_station, 4, 1, 1, 2);
    fields->addWidget(new QLabel(tr("连接状态：")), 5, 0);
    fields->addWidget(m_status, 5, 1, 1, 2);

    m_apply = createDialogButton(tr("应用"));
    m_close = createDialogButton(tr("关闭"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_apply);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(browse, &QPushButton::clicked, this, [this] {
        const QString file =
            QFileDialog::getOpenFileName(this, tr("MQTT 凭据文件"), m_credentials->text());
        if (!file.isEmpty()) {
            m_credentials->setText(file);
        }
    });
    connect(m_apply, &QPushButton::clicked, this, &MqttDialog::applySettings);
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    m_statusTimer.setInterval(kStatusRefreshMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &MqttDialog::showStatus);
    m_statusTimer.start();
    load();
    showStatus();
}

void MqttDialog::load() {
    const StationMqttSettings s = loadStationMqttSettings();
    m_enabled->setChecked(s.enabled);
    m_url->setText(s.url);
    m_credentials->setText(s.credentialsFile);
    m_ca->setText(s.caFile);
}

void MqttDialog::applySettings() {
    StationMqttSettings s;
    s.enabled = m_enabled->isChecked();
    s.url = m_url->text().trimmed();
    s.credentialsFile = m_credentials->text().trimmed();
    s.caFile = m_ca->text().trimmed();
    const bool kept = saveStationMqttSettings(s);
    m_mqtt.apply(s, m_options.stationName);
    showStatus();
    if (!kept) {
        m_status->setText(m_status->text() + tr("（设置未能保存）"));
    }
}

void MqttDialog::showEvent(QShowEvent* event) {
    m_station->setText(qtText(m_options.stationName));
    QDialog::showEvent(event);
}

void MqttDialog::showStatus() {
    m_status->setText(m_mqtt.statusText());
}

} // namespace velkaro
