#pragma once

#include <QString>

#include <memory>
#include <string>

namespace velkaro {

class MqttPublisher;
class DriveStatePublisher;
struct LinkSnapshot;

/// What the station keeps of its MQTT publishing (settings section "mqtt").
struct StationMqttSettings {
    bool enabled = false;
    QString url;             ///< mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    QString credentialsFile; ///< "user=" and "password=" lines; empty: anonymous
    QString caFile;          ///< for mqtts://; empty: the system's certificates
};
StationMqttSettings loadStationMqttSettings();
/// False when the settings cannot be written.
bool saveStationMqttSettings(const StationMqttSettings& settings);

/// The station's drive states on a broker, exactly as velkaro-bus log
/// publishes them: the window's 100 ms pass hands it each snapshot, and the
/// publisher's own thread does the network.
class StationMqtt {
public:
    StationMqtt();
    ~StationMqtt();
    StationMqtt(const StationMqtt&) = delete;
    StationMqtt& operator=(const StationMqtt&) = delete;

    /// Starts (again) with `settings` under the station's name `station`
    /// (the topics' second level), or stops when they are off. The mistake
    /// in the operator's words, or empty.
    QString apply(const StationMqttSettings& settings, const std::string& station);
    /// One look at the link, from the status pass; nothing when off.
    void follow(const LinkSnapshot& view);
    bool running() const { return m_publisher != nullptr; }
    /// "已连接", "未连接" or "未启用", and the last error of the connection.
    QString statusText() const;

private:
    void stop();

    QString m_startError;
    std::unique_ptr<MqttPublisher> m_publisher;
    std::unique_ptr<DriveStatePublisher> m_states; ///< outlives a stop, for m_statesRoot
    std::string m_statesRoot;
};

} // namespace velkaro
