#pragma once

#include "link/operator_messages.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class QMessageBox;
class QWidget;

namespace velkaro {

/// Operator messages as modal message boxes with an OK button on the window
/// thread. A call from another thread (the tick) is posted to the window thread
/// and waits there until the operator has dismissed the box or
/// abandonPending() was called.
class QtOperatorMessages : public QObject, public OperatorMessages {
    Q_OBJECT
public:
    /// Must be constructed on the window thread.
    explicit QtOperatorMessages(QObject* parent = nullptr);
    ~QtOperatorMessages() override;

    /// The window the boxes are modal to; may be set after construction.
    void setParentWindow(QWidget* window);

    void show(const std::string& text, const std::string& caption) override;
    /// Queues the box on the window thread from any thread and returns; the
    /// box runs its own event loop once the caller's handler has returned.
    void notify(const std::string& text, const std::string& caption) override;
    void abandonPending() override;

    bool abandoned() const { return m_abandoned.load(); }

private:
    struct Pending {
        bool done = false;
    };

    void showOnWindowThread(const QString& text, const QString& caption);

    QPointer<QWidget> m_window;
    /// Boxes open now, innermost last: a notice may open over another box.
    QList<QPointer<QMessageBox>> m_openBoxes;
    std::atomic<bool> m_abandoned{false};
    std::mutex m_mutex;
    std::condition_variable m_woken;
};

} // namespace velkaro
