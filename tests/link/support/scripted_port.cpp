#include "link/support/scripted_port.h"

#include <algorithm>

namespace velkaro::testing {

void ScriptedPort::deliver(const Bytes& bytes, unsigned afterTicks) {
    m_due.push_back({m_now + afterTicks, bytes});
}

void ScriptedPort::advanceTick() {
    ++m_now;
    auto due = std::stable_partition(m_due.begin(), m_due.end(),
                                     [this](const Due& d) { return d.tick > m_now; });
    for (auto it = due; it != m_due.end(); ++it) {
        m_inbox.insert(m_inbox.end(), it->bytes.begin(), it->bytes.end());
    }
    m_due.erase(due, m_due.end());
}

std::size_t ScriptedPort::read(uint8_t* buffer, std::size_t capacity) {
    std::size_t n = 0;
    while (n < capacity && !m_inbox.empty()) {
        buffer[n++] = m_inbox.front();
        m_inbox.pop_front();
    }
    return n;
}

bool ScriptedPort::write(const uint8_t* data, std::size_t length) {
    Bytes request(data, data + length);
    m_sent.push_back({m_now, request});
    if (m_responder) {
        if (std::optional<Bytes> reply = m_responder(request)) {
            m_due.push_back({m_now + m_delayTicks, std::move(*reply)});
        }
    }
    return true;
}

Bytes withCrc(Bytes bytes) {
    uint16_t crc = 0xFFFF;
    for (uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) != 0 ? static_cast<uint16_t>((crc >> 1) ^ 0xA001)
                                 : static_cast<uint16_t>(crc >> 1);
        }
    }
    bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
    bytes.push_back(static_cast<uint8_t>(crc >> 8));
    return bytes;
}

Bytes readReply(uint8_t address, const std::vector<uint16_t>& words) {
    Bytes reply{address, 0x03, static_cast<uint8_t>(2 * words.size())};
    for (uint16_t word : words) {
        reply.push_back(static_cast<uint8_t>(word >> 8));
        reply.push_back(static_cast<uint8_t>(word & 0xFF));
    }
    return withCrc(reply);
}

} // namespace velkaro::testing
