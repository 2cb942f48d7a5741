#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace velkaro {

class MainWindow;
class OperatorMessages;

/// Documentation pictures: walks the running station through a search, every
/// panel and every dialog and saves each as a PNG into a folder, then ends
/// the station. Only the demo scripts start it; the operator never meets it.
class ScreenshotTour : public QObject {
    Q_OBJECT
public:
    ScreenshotTour(MainWindow& window, OperatorMessages& messages, QString folder);

    /// Begins the tour once the window's event loop runs.
    void start();

private:
    void afterMs(int ms, std::function<void()> step);
    void waitForDrives(int attemptsLeft);
    void save(QWidget* widget, const QString& name);
    void showPanels();
    void showDialogs();

    MainWindow& m_window;
    OperatorMessages& m_messages;
    QString m_folder;
};

} // namespace velkaro
