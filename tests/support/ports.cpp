#include "support/ports.h"

#include <algorithm>

namespace velkaro::testing {

void ScriptedPort::deliver(const Bytes& bytes, unsigned afterTicks) {
    m_due.push_back({m_now + afterTicks, bytes});
}

void ScriptedPort::receive(const Bytes& bytes) {
    m_inbox.insert(m_inbox.end(), bytes.begin(), bytes.end());
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

} // namespace velkaro::testing
