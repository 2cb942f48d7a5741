#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "link/operator_messages.h"

namespace velkaro::reliability {

/// Keeps every operator message instead of showing it; safe from any thread.
class RecordingMessages : public OperatorMessages {
public:
    void show(const std::string& text, const std::string& /*caption*/) override {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_texts.push_back(text);
    }
    std::vector<std::string> texts() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_texts;
    }
    std::size_t count() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_texts.size();
    }
    void clear() {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_texts.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

} // namespace velkaro::reliability
