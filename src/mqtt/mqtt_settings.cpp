#include "mqtt/mqtt_settings.h"
#include "registry/language.h"

#include <charconv>
#include <fstream>

namespace velkaro {

namespace {

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

} // namespace

std::string parseBrokerUrl(std::string_view url, MqttSettings& settings) {
    const std::string given(url);
    if (url.starts_with("mqtt://")) {
        settings.tls = false;
        settings.port = kMqttPort;
        url.remove_prefix(7);
    } else if (url.starts_with("mqtts://")) {
        settings.tls = true;
        settings.port = kMqttsPort;
        url.remove_prefix(8);
    } else {
        return translated("MqttTexts",
                          "MQTT 代理地址应为 mqtt://主机[:端口] 或 mqtts://主机[:端口]：") +
               given;
    }
    if (url.ends_with("/")) {
        url.remove_suffix(1);
    }
    if (url.find('@') != std::string_view::npos) {
        return translated("MqttTexts", "MQTT 用户名和密码只能写在凭据文件里，不能写在地址中");
    }
    std::string_view port;
    if (url.starts_with("[")) {
        const std::size_t close = url.find(']');
        if (close == std::string_view::npos) {
            return translated("MqttTexts", "MQTT 代理地址有误：") + given;
        }
        settings.host = std::string(url.substr(1, close - 1));
        const std::string_view rest = url.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(":")) {
            return translated("MqttTexts", "MQTT 代理地址有误：") + given;
        }
        port = rest.empty() ? rest : rest.substr(1);
        if (!rest.empty() && port.empty()) {
            return translated("MqttTexts", "MQTT 代理地址缺少端口：") + given;
        }
    } else if (const std::size_t colon = url.rfind(':'); colon != std::string_view::npos) {
        settings.host = std::string(url.substr(0, colon));
        port = url.substr(colon + 1);
        if (port.empty()) {
            return translated("MqttTexts", "MQTT 代理地址缺少端口：") + given;
        }
    } else {
        settings.host = std::string(url);
    }
    if (settings.host.empty() || settings.host.find('/') != std::string::npos) {
        return translated("MqttTexts", "MQTT 代理地址缺少主机：") + given;
    }
    if (!port.empty()) {
        int value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc{} || end != port.data() + port.size() || value < 1 ||
            value > 65535) {
            return translated("MqttTexts", "MQTT 代理端口应在 1..65535 之间：") + given;
        }
        settings.port = value;
    }
    return "";
}

std::optional<MqttCredentials> readCredentials(const std::string& file, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = translated("MqttTexts", "不能读取 MQTT 凭据文件 ") + file;
        return std::nullopt;
    }
    MqttCredentials c;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = trimmed(line);
        if (text.empty() || text.starts_with("#")) {
            continue;
        }
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(text.substr(0, equals));
        const std::string value(trimmed(text.substr(equals + 1)));
        if (key == "user") {
            c.user = value;
        } else if (key == "password") {
            c.password = value;
        }
    }
    if (c.user.empty()) {
        error = translated("MqttTexts", "MQTT 凭据文件 ") + file +
                translated("MqttTexts", " 中没有 user=用户名");
        return std::nullopt;
    }
    return c;
}

std::string topicLevel(std::string_view name) {
    std::string level;
    level.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        level += c == '/' || c == '+' || c == '#' || byte < 0x20 || byte == 0x7F ? '_' : c;
    }
    return level.empty() ? "_" : level;
}

} // namespace velkaro
