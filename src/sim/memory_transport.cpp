#include "sim/memory_transport.h"

#include "sim/bus_simulator.h"

namespace velkaro::sim {

namespace {
constexpr uint64_t kTickUs = 1000;

bool supportedBaud(int baud) {
    switch (baud) {
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200:
        return true;
    default:
        return false;
    }
}
} // namespace

MemoryTransport::MemoryTransport(BusSimulator& bus) : m_bus(bus), m_appliedLine(bus.line()) {}

void MemoryTransport::advanceTick() {
    advanceUs(kTickUs);
}

void MemoryTransport::advanceUs(uint64_t us) {
    m_nowUs += us;
    m_bus.advanceTo(m_nowUs);
    collectArrived();
}

void MemoryTransport::collectArrived() {
    uint8_t chunk[256];
    for (;;) {
        const std::size_t got = m_bus.takeReplyBytes(chunk, sizeof chunk, m_nowUs);
        if (got == 0) {
            return;
        }
        if (!m_open) {
            continue; // nobody listens on a closed port
        }
        for (std::size_t i = 0; i < got; ++i) {
            if (m_received.size() >= m_receiveBufferSize) {
                break; // overrun: the driver's buffer is full
            }
            m_received.push_back(lineMatches() ? chunk[i]
                                               : static_cast<uint8_t>(m_garble++ * 0x9D));
        }
    }
}

bool MemoryTransport::lineMatches() const {
    return m_appliedLine == m_bus.line();
}

void MemoryTransport::setOpenFails(bool fails, std::string reason) {
    m_openFails = fails;
    m_openFailReason = std::move(reason);
}

void MemoryTransport::close() {
    if (m_open) {
        m_bus.discardUnsent(m_nowUs);
    }
    m_open = false;
    m_received.clear();
}

void MemoryTransport::selectPort(int portNumber) {
    m_portNumber = portNumber;
}

void MemoryTransport::setReceiveBufferSize(std::size_t bytes) {
    m_receiveBufferSize = bytes > 0 ? bytes : 1;
}

void MemoryTransport::setTransmitBufferSize(std::size_t) {}

void MemoryTransport::discardPendingOutput() {
    m_bus.discardUnsent(m_nowUs);
}

bool MemoryTransport::open() {
    close();
    if (m_openFails) {
        m_lastError = m_openFailReason;
        return false;
    }
    m_open = true;
    ++m_openCount;
    m_lastError.clear();
    return true;
}

bool MemoryTransport::applyLineSettings(int baud, char parity, int dataBits, int stopBits) {
    if (!m_open) {
        m_lastError = "串口未打开";
        return false;
    }
    if (!supportedBaud(baud)) {
        m_lastError = "不支持的波特率 " + std::to_string(baud);
        return false;
    }
    if ((parity != 'N' && parity != 'E' && parity != 'O') || dataBits < 5 || dataBits > 8 ||
        stopBits < 1 || stopBits > 2) {
        m_lastError = "不支持的串口设置";
        return false;
    }
    m_appliedLine = LineSettings{baud, parity, dataBits, stopBits};
    return true;
}

std::size_t MemoryTransport::bytesWaiting() {
    return m_open ? m_received.size() : 0;
}

std::size_t MemoryTransport::read(uint8_t* buffer, std::size_t capacity) {
    if (!m_open) {
        return 0;
    }
    std::size_t count = 0;
    while (count < capacity && !m_received.empty()) {
        buffer[count++] = m_received.front();
        m_received.pop_front();
    }
    return count;
}

bool MemoryTransport::write(const uint8_t* data, std::size_t length) {
    if (!m_open) {
        m_lastError = "串口未打开";
        return false;
    }
    if (m_writeFails) {
        m_lastError = "Input/output error";
        return false;
    }
    m_framesSent.emplace_back(data, data + length);
    if (lineMatches()) {
        m_bus.stationSent(data, length, m_nowUs);
    } else {
        // A receiver at another character format sees only garbage.
        std::vector<uint8_t> garbled(length);
        for (std::size_t i = 0; i < length; ++i) {
            garbled[i] = static_cast<uint8_t>(data[i] ^ (0xA5 + m_garble++ * 0x3B));
        }
        m_bus.stationSent(garbled.data(), garbled.size(), m_nowUs);
    }
    return true;
}

std::string MemoryTransport::devicePath() const {
    return "memory:COM" + std::to_string(m_portNumber);
}

} // namespace velkaro::sim
