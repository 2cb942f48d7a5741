#include "ui/qt_operator_messages.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QWidget>

namespace velkaro {

namespace {
const QString kProgramName = QStringLiteral("Velkaro");
}

QtOperatorMessages::QtOperatorMessages(QObject* parent) : QObject(parent) {}

QtOperatorMessages::~QtOperatorMessages() {
    abandonPending();
}

void QtOperatorMessages::setParentWindow(QWidget* window) {
    m_window = window;
}

void QtOperatorMessages::show(const std::string& text, const std::string& caption) {
    if (m_abandoned.load()) {
        return;
    }
    const QString qText = QString::fromStdString(text);
    const QString qCaption = caption.empty() ? kProgramName : QString::fromStdString(caption);
    if (QThread::currentThread() == thread()) {
        showOnWindowThread(qText, qCaption);
        return;
    }

    // From the tick: the box must live on the window thread; the caller waits for
    // it because the tick is paused while the operator reads the message.
    auto pending = std::make_shared<Pending>();
    QMetaObject::invokeMethod(
        this,
        [this, pending, qText, qCaption] {
            if (!m_abandoned.load()) {
                showOnWindowThread(qText, qCaption);
            }
            {
                const std::lock_guard lock(m_mutex);
                pending->done = true;
            }
            m_woken.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(m_mutex);
    m_woken.wait(lock, [&] { return pending->done || m_abandoned.load(); });
}

void QtOperatorMessages::notify(const std::string& text, const std::string& caption) {
    if (m_abandoned.load()) {
        return;
    }
    const QString qText = QString::fromStdString(text);
    const QString qCaption = caption.empty() ? kProgramName : QString::fromStdString(caption);
    QMetaObject::invokeMethod(
        this,
        [this, qText, qCaption] {
            if (!m_abandoned.load()) {
                showOnWindowThread(qText, qCaption);
            }
        },
        Qt::QueuedConnection);
}

void QtOperatorMessages::abandonPending() {
    {
        const std::lock_guard lock(m_mutex);
        m_abandoned.store(true);
    }
    m_woken.notify_all();
    if (QThread::currentThread() == thread()) {
        for (const QPointer<QMessageBox>& box : m_openBoxes) {
            if (box) {
                box->reject();
            }
        }
    }
}

void QtOperatorMessages::showOnWindowThread(const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::Ok, m_window.data());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    // Application-modal: the box must also show while the window is not up yet (start-up).
    box.setWindowModality(Qt::ApplicationModal);
    m_openBoxes.append(&box);
    box.exec();
    m_openBoxes.removeAll(&box);
}

} // namespace velkaro
