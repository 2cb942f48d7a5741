#include "mqtt/drive_state_publisher.h"

#include <algorithm>
#include <cstdio>

#include "link/link_snapshot.h"
#include "mqtt/drive_state_json.h"
#include "mqtt/mqtt_settings.h"

namespace velkaro {

namespace {

struct Sensor {
    const char* key;
    const char* label; ///< the station's word for it
    const char* unit;  ///< empty for a text
    const char* deviceClass;
};

constexpr Sensor kSensors[] = {
    {"state", "工作状态", "", ""},
    {"output_frequency", "输出频率", "Hz", "frequency"},
    {"set_frequency", "设定频率", "Hz", "frequency"},
    {"output_current", "输出电流", "A", "current"},
    {"output_voltage", "输出电压", "V", "voltage"},
    {"bus_voltage", "母线电压", "V", "voltage"},
    {"torque", "输出转矩", "%", ""},
};

/// Home Assistant takes only [A-Za-z0-9_-] in its ids: other bytes as hex.
std::string discoveryId(std::string_view text) {
    std::string id;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_' || c == '-') {
            id += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02x", byte);
            id += hex;
        }
    }
    return id;
}

} // namespace

DriveStatePublisher::DriveStatePublisher(std::string root, std::string station, Send send,
                                         bool haDiscovery)
    : m_root(std::move(root)), m_station(std::move(station)), m_send(std::move(send)),
      m_haDiscovery(haDiscovery) {}

std::string DriveStatePublisher::stateTopic(const std::string& address) const {
    return m_root + "/" + topicLevel(address) + "/state";
}

void DriveStatePublisher::update(const LinkSnapshot& view, Clock::time_point now,
                                 std::time_t wallNow) {
    for (std::size_t slot = 0; slot < m_published.size(); ++slot) {
        const DriveRecord& drive = view.table.slots[slot];
        Published& p = m_published[slot];
        if (p.address != drive.address || drive.name.empty()) {
            // Taken out of the table (or its slot given to another address):
            // its last state would stand on the broker as if current.
            withdraw(p, view);
        }
        if (drive.name.empty()) {
            p = Published{};
            continue;
        }
        // Before its first read a drive's words are the zeros it joined with.
        if (!view.statusRead[slot]) {
            continue;
        }
        if (p.name != drive.name || p.address != drive.address) {
            // Renamed at its address: what the broker keeps is overwritten below.
            const bool sameAddress = p.address == drive.address;
            p = Published{drive.name,
                          drive.address,
                          {},
                          {},
                          false,
                          sameAddress && p.stateHeld,
                          sameAddress && p.discoveryHeld};
        }
        if (m_haDiscovery && !p.announced) {
            announce(drive);
            p.announced = true;
            p.discoveryHeld = true;
        }
        std::string body = driveStateBody(drive);
        if (body == p.body || (!p.body.empty() && now - p.at < kLeastInterval)) {
            continue;
        }
        m_send(stateTopic(drive.address), driveStateJson(body, wallNow), true);
        p.body = std::move(body);
        p.at = now;
        p.stateHeld = true;
    }
}

void DriveStatePublisher::resend() {
    for (Published& p : m_published) {
        p.body.clear();
        p.at = {};
        p.announced = false;
    }
}

void DriveStatePublisher::withdraw(Published& p, const LinkSnapshot& view) {
    if (p.address.empty() || (!p.stateHeld && !p.discoveryHeld)) {
        p = Published{};
        return;
    }
    // Another slot may hold the address by now: its state stands.
    const bool stillThere =
        std::any_of(view.table.slots.begin(), view.table.slots.end(), [&](const DriveRecord& d) {
            return !d.name.empty() && d.address == p.address;
        });
    if (!stillThere) {
        // An empty retained message removes what the broker keeps.
        if (p.stateHeld) {
            m_send(stateTopic(p.address), std::string(), true);
        }
        if (p.discoveryHeld) {
            for (const Sensor& s : kSensors) {
                m_send(discoveryTopic(p.address, s.key), std::string(), true);
            }
        }
    }
    p = Published{};
}

std::string DriveStatePublisher::discoveryTopic(const std::string& address, const char* key) const {
    return "homeassistant/sensor/" + discoveryNode(address) + "/" + key + "/config";
}

std::string DriveStatePublisher::discoveryNode(const std::string& address) const {
    return "velkaro_" + discoveryId(m_station) + "_" + discoveryId(address);
}

void DriveStatePublisher::announce(const DriveRecord& drive) {
    const std::string node = discoveryNode(drive.address);
    const std::string device =
        "{\"identifiers\":[" + jsonString(node) + "],\"name\":" + jsonString(drive.name) +
        ",\"model\":" + jsonString(drive.series + "-" + drive.ratedPower) + "}";
    for (const Sensor& s : kSensors) {
        std::string config = "{\"name\":" + jsonString(s.label);
        config += ",\"unique_id\":" + jsonString(node + "_" + s.key);
        config += ",\"state_topic\":" + jsonString(stateTopic(drive.address));
        config +=
            ",\"value_template\":" + jsonString(std::string("{{ value_json.") + s.key + " }}");
        config += ",\"availability_topic\":" + jsonString(m_root + "/status");
        if (*s.unit != '\0') {
            config += ",\"unit_of_measurement\":" + jsonString(s.unit);
            config += R"(,"state_class":"measurement")";
        }
        if (*s.deviceClass != '\0') {
            config += ",\"device_class\":" + jsonString(s.deviceClass);
        }
        config += ",\"device\":" + device + "}";
        m_send(discoveryTopic(drive.address, s.key), std::move(config), true);
    }
}

} // namespace velkaro
