#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

/// What a device text names: a serial device by its path, a serial device
/// server in raw mode (RTU frames as they are over TCP), or a Modbus TCP gateway.
struct DeviceAddress {
    enum class Kind { Serial, RawTcp, ModbusTcp };
    Kind kind = Kind::Serial;
    std::string path;  ///< Serial: the device path
    std::string host;  ///< RawTcp, ModbusTcp: name or address (IPv6 without brackets)
    uint16_t port = 0; ///< RawTcp, ModbusTcp: 1..65535

    bool network() const { return kind != Kind::Serial; }
    /// "HOST:PORT", an IPv6 address in brackets: how messages name the peer.
    std::string endpoint() const;
};

inline constexpr std::string_view kRawTcpScheme = "tcp://";
inline constexpr std::string_view kModbusTcpScheme = "modbus-tcp://";

/// Reads a device text: `tcp://HOST:PORT`, `modbus-tcp://HOST:PORT` (an IPv6
/// address in brackets), or else a device path. None, with a message for the
/// operator in `error`, for an empty text, an unknown scheme, a missing host
/// or port, or a port outside 1..65535.
std::optional<DeviceAddress> parseDeviceAddress(std::string_view text, std::string& error);

/// True when the text has the scheme of a port reached over a network (even
/// if the rest is malformed): line settings do not apply to it.
bool isNetworkDevice(std::string_view text);

} // namespace velkaro
