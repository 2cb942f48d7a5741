#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

/// Where and how the station publishes: a broker, its credentials and the
/// station's name that roots the topics.
struct MqttSettings {
    std::string host;
    int port = 1883;
    bool tls = false;            ///< mqtts://: TLS, checked against caFile
    std::string caFile;          ///< CA certificates (PEM) for mqtts://
    std::string credentialsFile; ///< "user=" and "password=" lines; empty: anonymous
    std::string station;         ///< 站名, the second level of every topic
    bool haDiscovery = false;    ///< also announce each drive's sensors to Home Assistant
};

inline constexpr int kMqttPort = 1883;
inline constexpr int kMqttsPort = 8883;

/// Fills host, port and tls from "mqtt://HOST[:PORT]" or "mqtts://HOST[:PORT]"
/// (an IPv6 address in brackets). The mistake in the operator's words, or
/// empty. A user or password in the URL is refused: they belong in a file.
std::string parseBrokerUrl(std::string_view url, MqttSettings& settings);

struct MqttCredentials {
    std::string user;
    std::string password;
};
/// Reads "user=NAME" and "password=SECRET" lines ('#' starts a comment line,
/// blanks around the name and the value do not count). None, with the reason
/// in `error`, when the file cannot be read or names no user.
std::optional<MqttCredentials> readCredentials(const std::string& file, std::string& error);

/// `name` as one level of a topic: '/', '+', '#' and control characters
/// become '_', so a station or drive name can neither add levels nor act as
/// a wildcard.
std::string topicLevel(std::string_view name);

} // namespace velkaro
