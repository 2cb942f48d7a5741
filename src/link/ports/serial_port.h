#pragma once

// link/ports: how bytes reach the bus. The serial port interface the tick
// polls, the POSIX serial device, the network transports (a device server in
// raw mode, a Modbus TCP gateway and its MBAP framing), the device texts that
// name them, and the line settings a port is opened with. Nothing here knows
// what a frame means.

#include <cstddef>
#include <cstdint>
#include <string>

namespace velkaro {

/// The serial port as the link uses it: polled, binary, never blocking.
/// Operations that fail leave a reason in lastError() for the operator.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;
    /// Which device the next open() uses (COMn is port number n).
    virtual void selectPort(int portNumber) = 0;
    virtual void setReceiveBufferSize(std::size_t bytes) = 0;
    virtual void setTransmitBufferSize(std::size_t bytes) = 0;
    /// Drops anything not yet sent.
    virtual void discardPendingOutput() = 0;
    /// Opens raw 8-bit, no echo, no translation, no flow control. False on failure.
    virtual bool open() = 0;
    /// A read returns every waiting byte.
    virtual void setReadEverything() = 0;
    virtual void setBinaryMode() = 0;
    /// The port raises nothing; the tick polls it.
    virtual void disableReceiveEvents() = 0;
    /// Baud, parity letter ('N', 'E', 'O'), data bits, stop bits. False on failure.
    virtual bool applyLineSettings(int baud, char parity, int dataBits, int stopBits) = 0;
    /// Received bytes not yet read, without blocking.
    virtual std::size_t bytesWaiting() = 0;
    /// Reads up to `capacity` waiting bytes into `buffer` without blocking; returns the count.
    virtual std::size_t read(uint8_t* buffer, std::size_t capacity) = 0;
    /// Queues bytes for sending without waiting for them to go out. False if
    /// the port refused them (device gone).
    virtual bool write(const uint8_t* data, std::size_t length) = 0;
    /// The device path in use and the system's reason for the last failure.
    virtual std::string devicePath() const = 0;
    virtual std::string lastError() const = 0;

    /// Ports reached over a network connect in the background after open():
    /// true while the connection is still being made (checked without
    /// blocking). A serial device is ready once open.
    virtual bool connecting() { return false; }
    /// True once a network connection was refused, timed out or lost; then
    /// lastError() names host, port and reason. A serial device that is gone
    /// refuses write() instead.
    virtual bool connectionLost() const { return false; }
};

} // namespace velkaro
