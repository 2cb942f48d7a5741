#pragma once

#include <string>
#include <string_view>

#include "registry/language.h"

namespace velkaro {

inline constexpr std::string_view kInfoCaption =
    VELKARO_TRANSLATE_NOOP("OperatorMessages", "信息提示");

/// What the link tells the operator of its own doing (a receive overflow, a
/// lost port, a follow-up the drive refused). Nothing here waits for the
/// operator: the tick hands the text over and goes on.
class OperatorNotices {
public:
    virtual ~OperatorNotices() = default;
    /// Tells `text` without waiting: returns at once, from any thread; the box
    /// opens later on the window thread. `caption` empty means the program's name.
    virtual void notify(const std::string& text, const std::string& caption) = 0;
    /// Called before the tick is stopped: later notices are dropped and boxes
    /// still open are closed.
    virtual void abandonPending() {}
};

} // namespace velkaro
