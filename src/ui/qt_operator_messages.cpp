#include "ui/qt_operator_messages.h"

#include "ui/notice_centre.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QWidget>

#include <algorithm>

namespace velkaro {

namespace {

const QString kProgramName = QStringLiteral("Velkaro");

// Texts and captions raised by the core come in its designed Chinese; those
// it marks with VELKARO_TRANSLATE_NOOP("OperatorMessages", ...) are shown in
// the display language, any other text as it is.
QString shownText(const std::string& text) {
    return QCoreApplication::translate("OperatorMessages", text.c_str());
}

[[maybe_unused]] constexpr const char* kShownCaptions[] = {
    QT_TRANSLATE_NOOP("OperatorMessages", "信息提示")};

QString captionText(const std::string& caption) {
    return caption.empty() ? kProgramName : shownText(caption);
}

} // namespace

QtOperatorMessages::QtOperatorMessages(QObject* parent) : QObject(parent) {}

QtOperatorMessages::~QtOperatorMessages() {
    const std::vector<NoticeBox> boxes = m_boxes;
    abandonPending();
    // Boxes without a window to take them along go with the messages.
    for (const NoticeBox& open : boxes) {
        delete open.box.data();
    }
    delete m_centre.data();
}

void QtOperatorMessages::setParentWindow(QWidget* window) {
    m_window = window;
}

void QtOperatorMessages::show(const std::string& text, const std::string& caption) {
    if (m_abandoned.load()) {
        return;
    }
    if (QThread::currentThread() != thread()) {
        notify(text, caption);
        return;
    }
    const QString qText = shownText(text);
    const QString qCaption = captionText(caption);
    logMessage(qText, qCaption);
    QMessageBox* box = openBox(qText, qCaption);
    // Application-modal: the box must also show while the window is not up yet (start-up).
    box->setWindowModality(Qt::ApplicationModal);
    const QPointer<QMessageBox> guard(box);
    m_modalBoxes.append(guard);
    box->exec();
    m_modalBoxes.removeAll(guard);
    delete guard.data();
}

void QtOperatorMessages::notify(const std::string& text, const std::string& caption) {
    // The box is known by what it says.
    post(captionText(caption) + QLatin1Char('\n') + QString::fromStdString(text), text, caption);
}

void QtOperatorMessages::notifyAbout(const std::string& subject, const std::string& text,
                                     const std::string& caption) {
    post(QStringLiteral("about\n") + QString::fromStdString(subject), text, caption);
}

void QtOperatorMessages::post(QString subject, const std::string& text,
                              const std::string& caption) {
    if (m_abandoned.load()) {
        return;
    }
    QString qText = shownText(text);
    QString qCaption = captionText(caption);
    if (QThread::currentThread() == thread()) {
        tell(subject, qText, qCaption);
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, subject = std::move(subject), qText = std::move(qText),
         qCaption = std::move(qCaption)] { tell(subject, qText, qCaption); },
        Qt::QueuedConnection);
}

void QtOperatorMessages::tell(const QString& subject, const QString& text, const QString& caption) {
    if (m_abandoned.load()) {
        return;
    }
    logMessage(text, caption);
    // Boxes the operator has closed meanwhile.
    std::erase_if(m_boxes,
                  [](const NoticeBox& b) { return b.box.isNull() || !b.box->isVisible(); });
    const auto same = std::find_if(m_boxes.begin(), m_boxes.end(),
                                   [&](const NoticeBox& b) { return b.subject == subject; });
    if (same != m_boxes.end()) {
        ++same->count;
        same->box->setWindowTitle(caption);
        same->box->setText(text);
        same->box->setInformativeText(
            tr("已出现 %1 次，最近一次在 %2。")
                .arg(same->count)
                .arg(m_log.entries().back().last.toString(QStringLiteral("HH:mm:ss"))));
        same->box->raise();
        return;
    }
    if (static_cast<int>(m_boxes.size()) >= kMaxOpenBoxes) {
        // A flood of different notices: kept in the centre, not stacked up as boxes.
        if (!m_centre || !m_centre->isVisible()) {
            openNoticeCentre();
        }
        return;
    }
    QMessageBox* box = openBox(text, caption);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_boxes.push_back({subject, box, 1});
    box->show();
}

void QtOperatorMessages::logMessage(const QString& text, const QString& caption) {
    m_log.add(caption, text, QDateTime::currentDateTime());
    if (m_centre && m_centre->isVisible()) {
        m_centre->refresh();
    }
}

QMessageBox* QtOperatorMessages::openBox(const QString& text, const QString& caption) {
    auto* box =
        new QMessageBox(QMessageBox::Information, caption, text, QMessageBox::Ok, m_window.data());
    box->button(QMessageBox::Ok)->setText(tr("确定"));
    return box;
}

void QtOperatorMessages::abandonPending() {
    m_abandoned.store(true);
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this] { abandonPending(); }, Qt::QueuedConnection);
        return;
    }
    for (const QPointer<QMessageBox>& box : m_modalBoxes) {
        if (box) {
            box->reject();
        }
    }
    for (const NoticeBox& open : m_boxes) {
        if (open.box) {
            open.box->close();
        }
    }
    m_boxes.clear();
}

QList<QMessageBox*> QtOperatorMessages::openBoxes() const {
    QList<QMessageBox*> open;
    for (const NoticeBox& b : m_boxes) {
        if (b.box && b.box->isVisible()) {
            open.append(b.box.data());
        }
    }
    return open;
}

NoticeCentre* QtOperatorMessages::noticeCentre() const {
    return m_centre.data();
}

void QtOperatorMessages::openNoticeCentre() {
    if (!m_centre) {
        m_centre = new NoticeCentre(m_log, m_window.data());
    }
    m_centre->refresh();
    m_centre->show();
    m_centre->raise();
}

} // namespace velkaro
