#include "ui/station_mqtt.h"

#include <QSettings>

#include <chrono>
#include <ctime>

#include "mqtt/drive_state_publisher.h"
#include "mqtt/mqtt_publisher.h"
#include "records/station_name.h"
#include "widgets/qt_text.h"
#include <QCoreApplication>

namespace velkaro {

namespace {

QSettings settingsFile() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, qtText(kSettingsOrganisation),
                     qtText(kSettingsApplication));
}

} // namespace

StationMqttSettings loadStationMqttSettings() {
    QSettings s = settingsFile();
    StationMqttSettings m;
    m.enabled = s.value(QStringLiteral("mqtt/enabled"), false).toBool();
    m.url = s.value(QStringLiteral("mqtt/url")).toString();
    m.credentialsFile = s.value(QStringLiteral("mqtt/credentials")).toString();
    m.caFile = s.value(QStringLiteral("mqtt/ca")).toString();
    return m;
}

bool saveStationMqttSettings(const StationMqttSettings& settings) {
    QSettings s = settingsFile();
    s.setValue(QStringLiteral("mqtt/enabled"), settings.enabled);
    s.setValue(QStringLiteral("mqtt/url"), settings.url);
    s.setValue(QStringLiteral("mqtt/credentials"), settings.credentialsFile);
    s.setValue(QStringLiteral("mqtt/ca"), settings.caFile);
    s.sync();
    return s.status() == QSettings::NoError;
}

StationMqtt::StationMqtt() = default;

StationMqtt::~StationMqtt() {
    stop();
}

void StationMqtt::stop() {
    // The drive states are kept: turned on again under the same topics, a
    // drive taken out meanwhile still has its retained state cleared.
    if (m_publisher) {
        m_publisher->finish();
        m_publisher.reset();
    }
}

QString StationMqtt::apply(const StationMqttSettings& settings, const std::string& station) {
    stop();
    m_startError.clear();
    if (!settings.enabled) {
        return {};
    }
    MqttSettings mqtt;
    const std::string mistake = parseBrokerUrl(settings.url.trimmed().toStdString(), mqtt);
    if (!mistake.empty()) {
        m_startError = QString::fromStdString(mistake);
        return m_startError;
    }
    mqtt.credentialsFile = settings.credentialsFile.toStdString();
    mqtt.caFile = settings.caFile.toStdString();
    mqtt.station = station;
    auto publisher = std::make_unique<MqttPublisher>(mqtt);
    if (std::string error; !publisher->start(error)) {
        m_startError = QString::fromStdString(error);
        return m_startError;
    }
    m_publisher = std::move(publisher);
    if (m_states && m_statesRoot == m_publisher->root()) {
        m_states->resend();
    } else {
        m_statesRoot = m_publisher->root();
        m_states = std::make_unique<DriveStatePublisher>(
            m_statesRoot, station,
            [this](const std::string& topic, std::string payload, bool retained) {
                m_publisher->publish(topic, std::move(payload), retained);
            });
    }
    return {};
}

void StationMqtt::follow(const LinkSnapshot& view) {
    if (m_publisher && m_states) {
        m_states->update(view, std::chrono::steady_clock::now(), std::time(nullptr));
    }
}

QString StationMqtt::statusText() const {
    if (!m_publisher) {
        return m_startError.isEmpty()
                   ? QCoreApplication::translate("velkaro::StationMqtt", "未启用")
                   : m_startError;
    }
    const MqttPublisher::State s = m_publisher->state();
    QString text = s.connected
                       ? QCoreApplication::translate("velkaro::StationMqtt", "已连接 ") +
                             qtText(m_publisher->brokerText())
                       : QCoreApplication::translate("velkaro::StationMqtt", "未连接，正在重试");
    if (!s.connected && !s.lastError.empty()) {
        text += QCoreApplication::translate("velkaro::StationMqtt", "：") +
                QString::fromStdString(s.lastError);
    }
    if (s.dropped > 0) {
        text += QCoreApplication::translate("velkaro::StationMqtt", "（因队列已满丢弃 %1 条）")
                    .arg(s.dropped);
    }
    return text;
}

} // namespace velkaro
