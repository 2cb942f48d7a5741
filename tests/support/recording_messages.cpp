#include "support/recording_messages.h"

namespace velkaro::testing {

void RecordingMessages::show(const std::string& text, const std::string& caption) {
    record({text, caption, true});
}

void RecordingMessages::notify(const std::string& text, const std::string& caption) {
    record({text, caption, false});
}

void RecordingMessages::record(const Message& message) {
    std::function<void(const Message&)> hook;
    {
        const std::lock_guard lock(m_mutex);
        if (m_abandoned) {
            return;
        }
        m_messages.push_back(message);
        hook = m_onShow;
    }
    // Outside the lock: the hook may well show another message.
    if (hook) {
        hook(message);
    }
}

void RecordingMessages::abandonPending() {
    const std::lock_guard lock(m_mutex);
    m_abandoned = true;
}

std::vector<RecordingMessages::Message> RecordingMessages::messages() const {
    const std::lock_guard lock(m_mutex);
    return m_messages;
}

std::vector<std::string> RecordingMessages::texts() const {
    const std::lock_guard lock(m_mutex);
    std::vector<std::string> result;
    result.reserve(m_messages.size());
    for (const Message& message : m_messages) {
        result.push_back(message.text);
    }
    return result;
}

std::size_t RecordingMessages::count() const {
    const std::lock_guard lock(m_mutex);
    return m_messages.size();
}

RecordingMessages::Message RecordingMessages::last() const {
    const std::lock_guard lock(m_mutex);
    return m_messages.empty() ? Message{} : m_messages.back();
}

void RecordingMessages::clear() {
    const std::lock_guard lock(m_mutex);
    m_messages.clear();
}

bool RecordingMessages::abandoned() const {
    const std::lock_guard lock(m_mutex);
    return m_abandoned;
}

void RecordingMessages::setOnShow(std::function<void(const Message&)> hook) {
    const std::lock_guard lock(m_mutex);
    m_onShow = std::move(hook);
}

} // namespace velkaro::testing
