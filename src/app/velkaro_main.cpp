// The station: one window over one serial link.

// Core headers before any Qt header: Qt's `slots` keyword macro would
// otherwise swallow DriveTable::slots.
#include "link/drive_link.h"
#include "link/posix_serial_port.h"

#include "app/main_window.h"
#include "ui/qt_operator_messages.h"

#include <QApplication>

#undef slots

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/velkaro.svg")));

    velkaro::PosixSerialPort port;
    velkaro::QtOperatorMessages messages;
    velkaro::DriveLink link(port, messages);
    int status = 0;
    {
        velkaro::MainWindow window(link, messages);
        messages.setParentWindow(&window);
        window.initMainWindow();
        if (!window.ended()) {
            window.show();
            status = QApplication::exec();
        }
        messages.setParentWindow(nullptr);
    }
    return status;
}
