#include "support/recording_messages.h"

namespace velkaro::testing {

void RecordingMessages::show(const std::string& text, const std::string& caption) {
    record({text, caption, true});
    if (OperatorMessages* boxes = forwarding()) {
        boxes->show(text, caption);
    }
}

void RecordingMessages::notify(const std::string& text, const std::string& caption) {
    record({text, caption, false});
    if (OperatorMessages* boxes = forwarding()) {
        boxes->notify(text, caption);
    }
}

void RecordingMessages::notifyAbout(const std::string& subject, const std::string& text,
                                    const std::string& caption) {
    record({text, caption, false});
    if (OperatorMessages* boxes = forwarding()) {
        boxes->notifyAbout(subject, text, caption);
    }
}

void RecordingMessages::forwardTo(OperatorMessages* boxes) {
    const std::lock_guard lock(m_mutex);
    m_boxes = boxes;
}

OperatorMessages* RecordingMessages::forwarding() const {
    const std::lock_guard lock(m_mutex);
    return m_abandoned ? nullptr : m_boxes;
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
    OperatorMessages* boxes = nullptr;
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
        boxes = m_boxes;
    }
    if (boxes != nullptr) {
        boxes->abandonPending();
    }
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
