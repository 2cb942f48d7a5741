// The station: one window over one link, a serial line or a network port.

#include "link/device_port.h"
#include "link/drive_link.h"

#include "app/main_window.h"
#include "app/screenshot_tour.h"
#include "records/data_source.h"
#include "records/station_name.h"
#include "ui/qt_operator_messages.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "velkaro_version.h"

namespace {

/// The name after --station (or --station=NAME) among the arguments Qt left;
/// false with the reason printed when it is missing or not a station name.
bool stationOption(const QStringList& arguments, std::optional<std::string>& station) {
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        std::optional<QString> value;
        if (word == QLatin1String("--station")) {
            value = i + 1 < arguments.size() ? arguments[++i] : QString();
        } else if (word.startsWith(QLatin1String("--station="))) {
            value = word.mid(10);
        }
        if (!value) {
            continue;
        }
        const std::string name = value->toStdString();
        const std::string problem = velkaro::stationNameProblem(name);
        if (!problem.empty()) {
            std::fprintf(stderr, "velkaro: --station: %s\n", problem.c_str());
            return false;
        }
        station = name;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Answered before the window system is touched, so it works on a console.
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("velkaro %s\n", velkaro::kVersion);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(velkaro::kSettingsOrganisation.data(),
                                                        velkaro::kSettingsOrganisation.size()));
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    QApplication::setApplicationVersion(QString::fromLatin1(velkaro::kVersion));
    QApplication::setDesktopFileName(QString::fromLatin1(velkaro::kDesktopId));

    std::optional<std::string> stationArgument;
    if (!stationOption(QApplication::arguments(), stationArgument)) {
        return 2;
    }
    const std::string station = velkaro::chooseStationName(stationArgument);

    velkaro::DevicePort port;
    velkaro::QtOperatorMessages messages;
    velkaro::DriveLink link(port, messages);
    int status = 0;
    {
        velkaro::MainWindowOptions options;
        // Rows of an older table are given this station's name on upgrade.
        options.registerDataSource = [station] { return velkaro::registerDataSourceFor(station); };
        velkaro::MainWindow window(link, messages, std::move(options));
        window.displayOptions().stationName = station;
        window.displayOptions().stationFromCommandLine = stationArgument.has_value();
        messages.setParentWindow(&window);
        window.initMainWindow();
        QApplication::setWindowIcon(window.windowIcon());
        if (!window.ended()) {
            window.show();
            // Documentation pictures for scripts/screenshots only.
            if (const char* folder = std::getenv("VELKARO_SCREENSHOTS"); folder && *folder) {
                auto* tour = new velkaro::ScreenshotTour(window, link, messages,
                                                         QString::fromLocal8Bit(folder));
                tour->start();
            }
            status = QApplication::exec();
        }
        messages.setParentWindow(nullptr);
    }
    return status;
}
