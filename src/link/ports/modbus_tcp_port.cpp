#include "link/ports/modbus_tcp_port.h"

#include <algorithm>
#include <cstring>

namespace velkaro {

ModbusTcpPort::ModbusTcpPort(DeviceAddress address, std::string deviceText)
    : TcpPort(std::move(address), std::move(deviceText)) {}

void ModbusTcpPort::close() {
    TcpPort::close();
    m_stream.clear();
    m_inboxCount = 0;
}

bool ModbusTcpPort::open() {
    m_stream.clear();
    m_inboxCount = 0;
    return TcpPort::open();
}

bool ModbusTcpPort::write(const uint8_t* data, std::size_t length) {
    std::array<uint8_t, kMaxAduBytes> adu{};
    const auto next = static_cast<uint16_t>(m_transaction + 1);
    const std::size_t size = rtuToMbap(data, length, next, adu.data(), adu.size());
    if (size == 0) {
        return true; // not a frame a gateway could forward: lost, as on a noisy line
    }
    m_transaction = next;
    return TcpPort::write(adu.data(), size);
}

void ModbusTcpPort::deliver(const uint8_t* adu, std::size_t length) {
    if (readMbapHeader(adu).transaction != m_transaction || isGatewayException(adu, length)) {
        return;
    }
    std::array<uint8_t, kMaxRtuBytes> rtu{};
    const std::size_t size = mbapToRtu(adu, length, rtu.data(), rtu.size());
    if (size == 0 || m_inboxCount + size > m_inbox.size()) {
        return;
    }
    std::copy_n(rtu.begin(), size, m_inbox.begin() + static_cast<std::ptrdiff_t>(m_inboxCount));
    m_inboxCount += size;
}

void ModbusTcpPort::takeAnswers() {
    std::array<uint8_t, 512> chunk{};
    bool corrupt = false;
    while (TcpPort::bytesWaiting() > 0) {
        const std::size_t got = TcpPort::read(chunk.data(), chunk.size());
        for (std::size_t i = 0; i < got && !corrupt; ++i) {
            const MbapStream::Step step = m_stream.push(chunk[i]);
            if (step == MbapStream::Step::Whole) {
                deliver(m_stream.frame(), m_stream.length());
            }
            // No way to find the next header in a corrupt stream: everything
            // waiting with it is dropped, and the next answer starts clean.
            corrupt = step == MbapStream::Step::Garbage;
        }
        if (got == 0) {
            break;
        }
    }
    if (connectionLost()) {
        m_stream.clear(); // an answer cut off by the loss is dropped
    }
}

std::size_t ModbusTcpPort::bytesWaiting() {
    takeAnswers();
    return m_inboxCount;
}

std::size_t ModbusTcpPort::read(uint8_t* buffer, std::size_t capacity) {
    takeAnswers();
    const std::size_t count = std::min(capacity, m_inboxCount);
    std::copy_n(m_inbox.begin(), count, buffer);
    std::memmove(m_inbox.data(), m_inbox.data() + count, m_inboxCount - count);
    m_inboxCount -= count;
    return count;
}

} // namespace velkaro
