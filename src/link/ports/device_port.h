#pragma once

#include <memory>
#include <string>

#include "link/ports/serial_port.h"

namespace velkaro {

/// Makes and opens the port a device text names: a device path (tty or pty),
/// `tcp://HOST:PORT` (a serial device server in raw mode) or
/// `modbus-tcp://HOST:PORT` (a Modbus TCP gateway). A network port opens at
/// once and connects in the background. Null, with a message for the operator
/// in `error`, when the text is malformed or the device does not open.
std::unique_ptr<SerialPort> openPort(const std::string& device, std::string& error);

/// The link's port whatever the device: each open() makes the kind of port
/// the device text names (through openPort), so the same link reaches drives
/// on a serial line or behind a network server.
class DevicePort : public SerialPort {
public:
    /// The device follows selectPort(): COMn is devicePathForPort(n).
    DevicePort() = default;
    /// Always `device`, whatever port is selected (console tools, tests).
    explicit DevicePort(std::string device);

    bool isOpen() const override;
    void close() override;
    void selectPort(int portNumber) override;
    void setReceiveBufferSize(std::size_t bytes) override;
    void setTransmitBufferSize(std::size_t bytes) override;
    void discardPendingOutput() override;
    bool open() override;
    void setReadEverything() override;
    void setBinaryMode() override;
    void disableReceiveEvents() override;
    bool applyLineSettings(int baud, char parity, int dataBits, int stopBits) override;
    std::size_t bytesWaiting() override;
    std::size_t read(uint8_t* buffer, std::size_t capacity) override;
    bool write(const uint8_t* data, std::size_t length) override;
    std::string devicePath() const override { return m_device; }
    std::string lastError() const override;
    bool connecting() override;
    bool connectionLost() const override;

private:
    std::string m_fixed;
    std::string m_device;
    std::string m_lastError;
    std::unique_ptr<SerialPort> m_port;
};

} // namespace velkaro
