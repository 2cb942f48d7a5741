#pragma once

#include <string>

#include "link/operator_notices.h"

namespace velkaro {

/// The window's messages: the notices the link raises, and besides them the
/// boxes the window's own dialogs wait on. The link holds only the notices,
/// so nothing on the tick can ever wait for an operator.
class OperatorMessages : public OperatorNotices {
public:
    /// A box the caller waits on until the operator has dismissed it, on the
    /// window thread: only inside a modal dialog's own flow (its input
    /// checks) or where the program cannot go on unread. Everything the main
    /// window says goes through notify(), so its stop keys stay free.
    /// `caption` empty means the program's name.
    virtual void show(const std::string& text, const std::string& caption) = 0;
    /// A notice about `subject` (a drive and what befell it): a later notice
    /// about the same subject takes the place of an earlier one still shown.
    /// By default a notice of its own.
    virtual void notifyAbout(const std::string& subject, const std::string& text,
                             const std::string& caption) {
        (void)subject;
        notify(text, caption);
    }
};

} // namespace velkaro
