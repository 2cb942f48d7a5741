// The station: one window over one link, a serial line or a network port.

#include "link/drive_link.h"
#include "link/ports/device_port.h"

#include "app/main_window.h"
#include "app/screenshot_tour.h"
#include "i18n/language_choice.h"
#include "i18n/translators.h"
#include "records/data_source.h"
#include "records/station_name.h"
#include "ui/access_gate.h"
#include "ui/qt_operator_messages.h"
#include "ui/records/station_settings.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "velkaro_version.h"

namespace {

constexpr int kExitUsage = 2;

constexpr const char* kHelp = QT_TRANSLATE_NOOP("velkaro::Main", R"(用法：velkaro [选项]

变频器工作站：一个窗口管理 RS-485 总线（或网络端口）上的变频器。

选项：
  --language zh|en
                  显示语言：zh 中文，en 英文（默认为在“选项”中选定的语言，
                  未选定时按 LANGUAGE、LC_ALL、LC_MESSAGES、LANG 的区域设置）
  --station 站名  本站站名：运行记录的站名一列，历史和趋势只显示本站的记录
                  （默认为在“选项”中设定的站名，未设定时为主机名）
  -h, --help      显示本说明后退出
  --version       显示版本后退出
Qt 程序的通用选项（如 -platform offscreen、-style fusion）同样可用。

环境变量：
  VELKARO_COMn    端口 COMn（1..8）所用的设备：设备路径、tcp://主机:端口 或
                  modbus-tcp://主机:端口；未设置时为 /dev/ttyUSB(n-1)（若存在），
                  否则 /dev/ttyS(n-1)。
  ODBCINI         用户的 ODBC 数据源文件（默认 ~/.odbc.ini）
  XDG_DATA_HOME   SQLite 运行记录数据库所在的文件夹（默认 ~/.local/share）

详见 man velkaro。
)");

/// Qt's own options (QGuiApplication, QApplication, xcb), with a dash or two,
/// and whether each takes a value; Qt reads them itself.
int qtOptionValues(std::string_view option) {
    if (option.starts_with("--")) {
        option.remove_prefix(1);
    }
    for (std::string_view name :
         {"-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
          "-qwindowicon", "-qwindowtitle", "-session", "-display", "-geometry", "-name", "-title",
          "-style", "-stylesheet"}) {
        if (option == name) {
            return 1;
        }
    }
    for (std::string_view name : {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"}) {
        if (option == name) {
            return 0;
        }
    }
    if (option.starts_with("-style=") || option.starts_with("-stylesheet=") ||
        option.starts_with("-qmljsdebugger=")) {
        return 0;
    }
    return -1;
}

/// The station takes no arguments of its own but --help and --version, which
/// are answered here, before the window system is touched, so they work on a
/// console. -1 when the window is to open; else the exit status.
int answerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(velkaro::translated("velkaro::Main", kHelp).c_str(), stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("velkaro %s\n", velkaro::kVersion);
            return 0;
        }
        if (argument.starts_with("--station=") || argument.starts_with("--language=")) {
            continue; // read once the application is made
        }
        const int values =
            argument == "--station" || argument == "--language" ? 1 : qtOptionValues(argument);
        if (values < 0 || i + values >= argc) {
            const char* what = values >= 0 ? QT_TRANSLATE_NOOP("velkaro::Main", "选项缺少取值")
                               : argument.starts_with("-")
                                   ? QT_TRANSLATE_NOOP("velkaro::Main", "未知选项")
                                   : QT_TRANSLATE_NOOP("velkaro::Main", "多余的参数");
            std::fprintf(
                stderr, "velkaro: %s%s%s\n%s\n", velkaro::translated("velkaro::Main", what).c_str(),
                velkaro::translated("velkaro::Main", "：").c_str(), argv[i],
                velkaro::translated("velkaro::Main", "请用 velkaro --help 查看用法。").c_str());
            return kExitUsage;
        }
        i += values;
    }
    return -1;
}

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
    // What is said before the window (help, a wrong option) follows the same
    // choice; a wrong --language is told once the options are read.
    {
        std::string ignored;
        velkaro::installEarlyTranslator(
            velkaro::chooseLanguage(velkaro::languageArgument(argc, argv, ignored),
                                    velkaro::savedLanguage(), velkaro::languageFromEnvironment()));
    }
    if (const int status = answerCommandLine(argc, argv); status >= 0) {
        return status;
    }
    std::string languageProblem;
    const std::optional<velkaro::Language> languageArgument =
        velkaro::languageArgument(argc, argv, languageProblem);
    if (!languageProblem.empty()) {
        std::fprintf(stderr, "velkaro: %s\n", languageProblem.c_str());
        return kExitUsage;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromUtf8(velkaro::kSettingsOrganisation.data(),
                                                        velkaro::kSettingsOrganisation.size()));
    QApplication::setApplicationName(QStringLiteral("Velkaro"));
    QApplication::setApplicationVersion(QString::fromLatin1(velkaro::kVersion));
    QApplication::setDesktopFileName(QString::fromLatin1(velkaro::kDesktopId));

    velkaro::installTranslators(app,
                                velkaro::chooseLanguage(languageArgument, velkaro::savedLanguage(),
                                                        velkaro::languageFromEnvironment()));

    std::optional<std::string> stationArgument;
    if (!stationOption(QApplication::arguments(), stationArgument)) {
        return kExitUsage;
    }
    const std::string station =
        velkaro::chooseStationName(stationArgument, velkaro::savedStationName());

    velkaro::DevicePort port;
    velkaro::QtOperatorMessages messages;
    velkaro::DriveLink link(port, messages);
    int status = 0;
    {
        velkaro::MainWindowOptions options;
        // Rows of an older table are given this station's name on upgrade.
        options.registerDataSource = [station] { return velkaro::registerDataSourceFor(station); };
        options.actionSpool = velkaro::defaultActionSpool();
        options.accessFile = velkaro::AccessGate::defaultFile();
        velkaro::MainWindow window(link, messages, std::move(options));
        window.displayOptions().stationName = station;
        window.displayOptions().stationFromCommandLine = stationArgument.has_value();
        messages.setParentWindow(&window);
        window.setNoticeCentre([&messages] { messages.openNoticeCentre(); });
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
