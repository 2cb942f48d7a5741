#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/ports/serial_port.h"
#include "sim/line_settings.h"

namespace velkaro::sim {

class BusSimulator;

/// An in-memory serial port wired to a BusSimulator, for deterministic tests.
/// Simulated time moves only by advanceTick() (exactly 1 ms) or advanceUs();
/// bytesWaiting() and read() see only bytes that have arrived by now.
/// A port whose line settings differ from the bus's hears only garbage and
/// sends garbage, as a real one would.
class MemoryTransport : public velkaro::SerialPort {
public:
    explicit MemoryTransport(BusSimulator& bus);

    /// Moves simulated time by exactly 1 ms.
    void advanceTick();
    void advanceUs(uint64_t us);
    uint64_t nowUs() const { return m_nowUs; }

    /// What the station wrote, one entry per accepted write() call.
    std::vector<std::vector<uint8_t>> framesSent() const { return m_framesSent; }
    void clearFramesSent() { m_framesSent.clear(); }
    /// Test hooks: open() fails with `reason`; write() refuses (device gone).
    void setOpenFails(bool fails, std::string reason = "No such file or directory");
    void setWriteFails(bool fails) { m_writeFails = fails; }
    /// What the station last applied; the port number it selected.
    LineSettings appliedLine() const { return m_appliedLine; }
    int selectedPort() const { return m_portNumber; }
    int openCount() const { return m_openCount; }

    bool isOpen() const override { return m_open; }
    void close() override;
    void selectPort(int portNumber) override;
    void setReceiveBufferSize(std::size_t bytes) override;
    void setTransmitBufferSize(std::size_t bytes) override;
    void discardPendingOutput() override;
    bool open() override;
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int baud, char parity, int dataBits, int stopBits) override;
    std::size_t bytesWaiting() override;
    std::size_t read(uint8_t* buffer, std::size_t capacity) override;
    bool write(const uint8_t* data, std::size_t length) override;
    std::string devicePath() const override;
    std::string lastError() const override { return m_lastError; }

private:
    void collectArrived();
    bool lineMatches() const;

    BusSimulator& m_bus;
    uint64_t m_nowUs = 0;
    bool m_open = false;
    bool m_openFails = false;
    bool m_writeFails = false;
    std::string m_openFailReason;
    std::string m_lastError;
    int m_portNumber = 1;
    int m_openCount = 0;
    LineSettings m_appliedLine;
    std::size_t m_receiveBufferSize = 4096;
    std::deque<uint8_t> m_received;
    std::vector<std::vector<uint8_t>> m_framesSent;
    uint32_t m_garble = 0x1234567u;
};

} // namespace velkaro::sim
