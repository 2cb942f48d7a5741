#pragma once

#include <string>
#include <termios.h>

#include "link/ports/serial_port.h"

namespace velkaro {

/// Device of port number n: $VELKARO_COM<n> if set, else /dev/ttyUSB(n-1)
/// if it exists, else /dev/ttyS(n-1).
std::string devicePathForPort(int portNumber);

/// Why a serial device did not open, for the operator: the system's reason
/// for `errorNumber`, and when permission was refused (EACCES, EPERM) how this
/// account gets access on Debian.
std::string openFailureReason(int errorNumber);

/// Puts baud, parity ('N', 'E', 'O'), data bits (7, 8) and stop bits (1, 2)
/// into a termios struct. False, with a reason, for a baud it cannot set.
bool setLineSettings(termios& tio, int baud, char parity, int dataBits, int stopBits,
                     std::string& error);

/// SerialPort over a termios device (tty or pty): raw, non-blocking,
/// FIONREAD for bytes waiting. RS-485 and serial-info ioctls are optional.
/// The device is held exclusively while open (an flock on the descriptor and
/// TIOCEXCL): a second opener is refused at once, and lastError() names the
/// process holding the device where it can be found.
class PosixSerialPort : public SerialPort {
public:
    PosixSerialPort() = default;
    /// Opens exactly `devicePath`, ignoring selectPort() (console tools, tests).
    explicit PosixSerialPort(std::string devicePath);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

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
    std::string devicePath() const override;
    std::string lastError() const override;

    int fileDescriptor() const { return m_fd; }

private:
    std::string m_fixedPath;
    std::string m_path;
    std::string m_lastError;
    int m_fd = -1;
};

} // namespace velkaro
