#include "link/ports/device_port.h"

#include "link/ports/device_address.h"
#include "link/ports/modbus_tcp_port.h"
#include "link/ports/posix_serial_port.h"
#include "link/ports/tcp_port.h"
#include "registry/language.h"

namespace velkaro {

std::unique_ptr<SerialPort> openPort(const std::string& device, std::string& error) {
    const std::optional<DeviceAddress> address = parseDeviceAddress(device, error);
    if (!address) {
        return nullptr;
    }
    std::unique_ptr<SerialPort> port;
    switch (address->kind) {
    case DeviceAddress::Kind::Serial:
        port = std::make_unique<PosixSerialPort>(address->path);
        break;
    case DeviceAddress::Kind::RawTcp:
        port = std::make_unique<TcpPort>(*address, device);
        break;
    case DeviceAddress::Kind::ModbusTcp:
        port = std::make_unique<ModbusTcpPort>(*address, device);
        break;
    }
    port->selectPort(1);
    if (!port->open()) {
        error = port->lastError();
        return nullptr;
    }
    error.clear();
    return port;
}

DevicePort::DevicePort(std::string device) : m_fixed(device), m_device(std::move(device)) {}

bool DevicePort::isOpen() const {
    return m_port && m_port->isOpen();
}

void DevicePort::close() {
    m_port.reset();
}

void DevicePort::selectPort(int portNumber) {
    m_device = m_fixed.empty() ? devicePathForPort(portNumber) : m_fixed;
}

void DevicePort::setReceiveBufferSize(std::size_t bytes) {
    if (m_port) {
        m_port->setReceiveBufferSize(bytes);
    }
}

void DevicePort::setTransmitBufferSize(std::size_t bytes) {
    if (m_port) {
        m_port->setTransmitBufferSize(bytes);
    }
}

void DevicePort::discardPendingOutput() {
    if (m_port) {
        m_port->discardPendingOutput();
    }
}

bool DevicePort::open() {
    m_port = openPort(m_device, m_lastError);
    return m_port != nullptr;
}

void DevicePort::setReadEverything() {
    if (m_port) {
        m_port->setReadEverything();
    }
}

void DevicePort::setBinaryMode() {
    if (m_port) {
        m_port->setBinaryMode();
    }
}

void DevicePort::disableReceiveEvents() {
    if (m_port) {
        m_port->disableReceiveEvents();
    }
}

bool DevicePort::applyLineSettings(int baud, char parity, int dataBits, int stopBits) {
    if (!m_port) {
        m_lastError = translated("PortTexts", "串口未打开");
        return false;
    }
    return m_port->applyLineSettings(baud, parity, dataBits, stopBits);
}

std::size_t DevicePort::bytesWaiting() {
    return m_port ? m_port->bytesWaiting() : 0;
}

std::size_t DevicePort::read(uint8_t* buffer, std::size_t capacity) {
    return m_port ? m_port->read(buffer, capacity) : 0;
}

bool DevicePort::write(const uint8_t* data, std::size_t length) {
    if (!m_port) {
        m_lastError = translated("PortTexts", "串口未打开");
        return false;
    }
    return m_port->write(data, length);
}

std::string DevicePort::lastError() const {
    return m_port ? m_port->lastError() : m_lastError;
}

bool DevicePort::connecting() {
    return m_port && m_port->connecting();
}

bool DevicePort::connectionLost() const {
    return m_port && m_port->connectionLost();
}

} // namespace velkaro
