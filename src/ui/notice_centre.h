#pragma once

#include <QDialog>

class QLabel;
class QTreeWidget;

namespace velkaro {

class NoticeLog;

/// "消息记录": what the station has told the operator, newest first, each
/// text once with how often and when it was told last. Not modal: the main
/// window's keys stay live while it is open.
class NoticeCentre : public QDialog {
    Q_OBJECT
public:
    NoticeCentre(const NoticeLog& log, QWidget* parent);

    /// Redraws the list from the log.
    void refresh();

    QTreeWidget* list() const { return m_list; }

private:
    const NoticeLog& m_log;
    QTreeWidget* m_list = nullptr;
    QLabel* m_dropped = nullptr;
};

} // namespace velkaro
