#pragma once

#include <string>
#include <string_view>

namespace velkaro {

inline constexpr std::string_view kInfoCaption = "信息提示";

/// Modal messages for the operator. show() returns when the operator has
/// dismissed the box. Called by the tick (with the link's lock released) and
/// by the window side; implementations for tests record instead of blocking.
class OperatorMessages {
public:
    virtual ~OperatorMessages() = default;
    /// `caption` empty means the program's name.
    virtual void show(const std::string& text, const std::string& caption) = 0;
    /// Shows a message without waiting for the operator: returns at once and
    /// the box opens later on the window thread. For what must not hold up
    /// supervision while the operator reads it (fault alerts, refused
    /// commands). Implementations that do not block may simply show().
    virtual void notify(const std::string& text, const std::string& caption) {
        show(text, caption);
    }
    /// Called before the tick is stopped: wakes a show() that is waiting for
    /// the operator and makes later calls return at once, so stopping the tick
    /// can never deadlock on an open box.
    virtual void abandonPending() {}
};

} // namespace velkaro
