#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/operator_messages.h"

namespace velkaro::testing {

/// Operator messages for tests: records every box instead of showing it, so a
/// test can assert the exact texts and captions without blocking. Safe from
/// any thread. After abandonPending() (the window's shutdown) nothing more is
/// recorded, as no further box would open. A notice about a subject is
/// recorded as a notice.
class RecordingMessages : public OperatorMessages {
public:
    struct Message {
        std::string text;
        std::string caption;
        bool modal = true; ///< false: shown by notify(), without holding up the caller
        bool operator==(const Message&) const = default;
    };

    void show(const std::string& text, const std::string& caption) override;
    void notify(const std::string& text, const std::string& caption) override;
    void notifyAbout(const std::string& subject, const std::string& text,
                     const std::string& caption) override;
    void abandonPending() override;
    /// Every message is also handed on to `boxes` (null: none), the real boxes
    /// of a window test; show() then waits there for the operator.
    void forwardTo(OperatorMessages* boxes);

    std::vector<Message> messages() const;
    std::vector<std::string> texts() const;
    std::size_t count() const;
    /// The last message; an empty one when none was shown.
    Message last() const;
    void clear();
    bool abandoned() const;
    /// `hook` runs after each recorded message where the operator would be
    /// reading the box (to act on a dialog, or to let a timer fire behind it).
    void setOnShow(std::function<void(const Message&)> hook);

private:
    void record(const Message& message);
    OperatorMessages* forwarding() const;

    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
    std::function<void(const Message&)> m_onShow;
    OperatorMessages* m_boxes = nullptr;
    bool m_abandoned = false;
};

} // namespace velkaro::testing
