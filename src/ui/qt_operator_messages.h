#pragma once

#include "link/operator_messages.h"
#include "ui/notice_log.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <vector>

class QMessageBox;
class QWidget;

namespace velkaro {

class NoticeCentre;

/// Operator messages as message boxes with an OK button on the window thread.
/// Notices open boxes that leave the main window free: its stop keys,
/// emergency stop and menus work while any of them is open. A notice about
/// something a box still shows counts in that box (how often, when last)
/// instead of opening another; every message is kept in the notice log the
/// notice centre shows.
class QtOperatorMessages : public QObject, public OperatorMessages {
    Q_OBJECT
public:
    /// Notice boxes open at one time at most; further notices go to the
    /// notice centre, which then opens.
    static constexpr int kMaxOpenBoxes = 8;

    /// Must be constructed on the window thread.
    explicit QtOperatorMessages(QObject* parent = nullptr);
    ~QtOperatorMessages() override;

    /// The window the boxes stand over; may be set after construction.
    void setParentWindow(QWidget* window);

    /// A modal box the caller waits on, on the window thread. Off the window
    /// thread nothing may wait for an operator: the message becomes a notice.
    void show(const std::string& text, const std::string& caption) override;
    /// From any thread; returns at once. The same text and caption as a box
    /// still open counts in that box.
    void notify(const std::string& text, const std::string& caption) override;
    /// One box per subject: a later notice about it takes the box over.
    void notifyAbout(const std::string& subject, const std::string& text,
                     const std::string& caption) override;
    /// Closes every box, the waited-on ones included; later messages are dropped.
    void abandonPending() override;

    bool abandoned() const { return m_abandoned.load(); }
    /// The notice boxes open now, oldest first.
    QList<QMessageBox*> openBoxes() const;
    const NoticeLog& log() const { return m_log; }
    /// Opens the notice centre ("消息记录") or brings it to the front.
    void openNoticeCentre();
    /// The notice centre once it has been opened.
    NoticeCentre* noticeCentre() const;

private:
    struct NoticeBox {
        QString subject;
        QPointer<QMessageBox> box;
        int count = 0;
    };

    /// On the window thread: keeps the message and opens or updates its box.
    void tell(const QString& subject, const QString& text, const QString& caption);
    /// Hands a notice to the window thread, or tells it now when already there.
    void post(QString subject, const std::string& text, const std::string& caption);
    void logMessage(const QString& text, const QString& caption);
    QMessageBox* openBox(const QString& text, const QString& caption);

    QPointer<QWidget> m_window;
    std::vector<NoticeBox> m_boxes;
    /// Boxes a caller is waiting on, innermost last.
    QList<QPointer<QMessageBox>> m_modalBoxes;
    NoticeLog m_log;
    QPointer<NoticeCentre> m_centre;
    std::atomic<bool> m_abandoned{false};
};

} // namespace velkaro
