#pragma once

#include "link/serial_port.h"

namespace velkaro::test {

/// A port that never opens: the records tests only need a DriveLink to hold
/// the drive table; they fill it directly under the lock.
class StubSerialPort : public SerialPort {
public:
    bool isOpen() const override { return false; }
    void close() override {}
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override {}
    bool open() override { return false; }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return false; }
    std::size_t bytesWaiting() override { return 0; }
    std::size_t read(uint8_t*, std::size_t) override { return 0; }
    bool write(const uint8_t*, std::size_t) override { return false; }
    std::string devicePath() const override { return "stub"; }
    std::string lastError() const override { return "stub port"; }
};

} // namespace velkaro::test
