// The station: one window over one link, a serial line or a network port.

#include "link/device_port.h"
#include "link/drive_link.h"

#include "app/main_window.h"
#include "app/screenshot_tour.h"
#include "ui/qt_operator_messages.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "velkaro_version.h"

int main(int argc, char** argv) {
    // Answered before the window system is touched, so it works on a console.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("velkaro %s\n", velkaro::kVersion);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    QApplication::setApplicationVersion(QString::fromLatin1(velkaro::kVersion));
    QApplication::setDesktopFileName(QString::fromLatin1(velkaro::kDesktopId));

    velkaro::DevicePort port;
    velkaro::QtOperatorMessages messages;
    velkaro::DriveLink link(port, messages);
    int status = 0;
    {
        velkaro::MainWindow window(link, messages);
        messages.setParentWindow(&window);
        window.initMainWindow();
        QApplication::setWindowIcon(window.windowIcon());
        if (!window.ended()) {
            window.show();
            // Documentation pictures for scripts/screenshots only.
            if (const char* folder = std::getenv("VELKARO_SCREENSHOTS"); folder && *folder) {
                auto* tour =
                    new velkaro::ScreenshotTour(window, messages, QString::fromLocal8Bit(folder));
                tour->start();
            }
            status = QApplication::exec();
        }
        messages.setParentWindow(nullptr);
    }
    return status;
}
