#pragma once

#include "link/operator_messages.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace velkaro::test {

/// Operator messages for tests: records every box instead of showing it, so a
/// test can assert the exact texts and captions without blocking.
class RecordingMessages : public OperatorMessages {
public:
    struct Message {
        std::string text;
        std::string caption;
        bool operator==(const Message&) const = default;
    };

    void show(const std::string& text, const std::string& caption) override {
        std::function<void(const Message&)> hook;
        {
            const std::lock_guard lock(m_mutex);
            if (m_abandoned) {
                return;
            }
            m_messages.push_back({text, caption});
            hook = m_onShow;
        }
        // Runs where the operator would be reading the box, e.g. to act on a dialog.
        if (hook) {
            hook(Message{text, caption});
        }
    }

    void abandonPending() override {
        const std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }

    std::vector<Message> messages() const {
        const std::lock_guard lock(m_mutex);
        return m_messages;
    }
    std::vector<std::string> texts() const {
        const std::lock_guard lock(m_mutex);
        std::vector<std::string> result;
        for (const auto& message : m_messages) {
            result.push_back(message.text);
        }
        return result;
    }
    std::size_t count() const {
        const std::lock_guard lock(m_mutex);
        return m_messages.size();
    }
    /// The last message; an empty one when none was shown.
    Message last() const {
        const std::lock_guard lock(m_mutex);
        return m_messages.empty() ? Message{} : m_messages.back();
    }
    void clear() {
        const std::lock_guard lock(m_mutex);
        m_messages.clear();
    }
    bool abandoned() const {
        const std::lock_guard lock(m_mutex);
        return m_abandoned;
    }
    void setOnShow(std::function<void(const Message&)> hook) {
        const std::lock_guard lock(m_mutex);
        m_onShow = std::move(hook);
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::function<void(const Message&)> m_onShow;
    bool m_abandoned = false;
};

} // namespace velkaro::test
