#include "link/ports/device_address.h"
#include "registry/language.h"

#include <charconv>

namespace velkaro {

namespace {

constexpr std::string_view kSchemeMark = "://";
constexpr std::string_view kForms = VELKARO_TRANSLATE_NOOP(
    "PortTexts", "设备应为设备路径、tcp://主机:端口 或 modbus-tcp://主机:端口");

/// HOST:PORT after the scheme; the host of an IPv6 address comes in brackets.
bool splitHostPort(std::string_view rest, DeviceAddress& out, std::string& error) {
    std::string_view host;
    std::string_view port;
    if (rest.starts_with('[')) {
        const auto close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            error = translated("PortTexts", "IPv6 地址应写成 [地址]:端口");
            return false;
        }
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            error = translated("PortTexts", "缺少端口号（应为 主机:端口）");
            return false;
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            error = translated("PortTexts", "IPv6 地址应写成 [地址]:端口");
            return false;
        }
    }
    if (host.empty() || host.find_first_of("/?#@ \t") != std::string_view::npos) {
        error = translated("PortTexts", "缺少主机名或主机名有误");
        return false;
    }
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || ec != std::errc{} || end != port.data() + port.size()) {
        error = translated("PortTexts", "端口号应为 1..65535 之间的整数");
        return false;
    }
    if (value < 1 || value > 65535) {
        error = translated("PortTexts", "端口号 ") + std::string(port) +
                translated("PortTexts", " 超出范围（应在 1..65535 之间）");
        return false;
    }
    out.host = std::string(host);
    out.port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

std::string DeviceAddress::endpoint() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<DeviceAddress> parseDeviceAddress(std::string_view text, std::string& error) {
    DeviceAddress address;
    if (text.empty()) {
        error = translated("PortTexts", "没有选择串口");
        return std::nullopt;
    }
    const auto mark = text.find(kSchemeMark);
    if (mark == std::string_view::npos) {
        address.path = std::string(text);
        return address;
    }
    if (text.starts_with(kRawTcpScheme)) {
        address.kind = DeviceAddress::Kind::RawTcp;
    } else if (text.starts_with(kModbusTcpScheme)) {
        address.kind = DeviceAddress::Kind::ModbusTcp;
    } else {
        error =
            translated("PortTexts", "不认识的地址形式，") + translated("PortTexts", kForms.data());
        return std::nullopt;
    }
    if (!splitHostPort(text.substr(mark + kSchemeMark.size()), address, error)) {
        return std::nullopt;
    }
    return address;
}

bool isNetworkDevice(std::string_view text) {
    return text.starts_with(kRawTcpScheme) || text.starts_with(kModbusTcpScheme);
}

} // namespace velkaro
