#pragma once

#include <QPointer>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QMessageBox;
class QWidget;

namespace velkaro {

class OperatorMessages;
class StationLink;
struct LinkSettings;
struct LinkSnapshot;

/// Changing the line now would cut off a transfer, readout or report read.
inline constexpr std::string_view kLineChangeRefused =
    "参数导入导出或参数读取正在进行，请等待其完成后再改变通讯参数！";

/// The port or character format differs: the drives on the old line are cut off.
bool lineDiffers(const LinkSettings& a, const LinkSettings& b);
/// The connected drives `view` shows running (status word bit 2), in table order.
std::vector<std::string> runningDrives(const LinkSnapshot& view);

/// The operator's say before the line changes (the connection dialog's 应用,
/// the line finder's 应用所选参数): refused while a transfer, readout or
/// report read runs; asked first while drives run, since they go unwatched
/// and uncommanded on the new line. The question stands over `parent` alone,
/// so the main window and its 100 ms pass go on while it is open.
class LineChangeGuard {
public:
    LineChangeGuard(QWidget* parent, StationLink& station, OperatorMessages& messages);

    /// Runs `change` now and returns true when nothing stands against it.
    /// Refused with a message (false) while a transfer, readout or report
    /// read runs. With drives running (and `lineChanges`), opens the question
    /// naming them, 取消 by default, and returns false: `change` runs once
    /// the operator confirms. A question already open is brought forward.
    bool request(const std::function<void()>& change, bool lineChanges = true);
    /// The open question, or null.
    QMessageBox* question() const;

private:
    QWidget* m_parent;
    StationLink& m_station;
    OperatorMessages& m_messages;
    QPointer<QMessageBox> m_question;
};

} // namespace velkaro
