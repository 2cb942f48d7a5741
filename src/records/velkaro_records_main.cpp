// velkaro-records: the run records on a console, for reports and scripts.

#include <atomic>
#include <csignal>
#include <ctime>
#include <iostream>
#include <string_view>

#ifdef VELKARO_WITH_TRANSLATIONS
#include <QCoreApplication>
#endif

#include "i18n/console_language.h"
#include "records/data_source.h"
#include "records/records_command.h"
#include "records/station_name.h"
#include "velkaro_version.h"

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) {
    g_interrupted.store(true);
}

} // namespace

int main(int argc, char** argv) {
#ifdef VELKARO_WITH_TRANSLATIONS
    QCoreApplication application(argc, argv);
    std::vector<char*> arguments;
    if (std::string problem;
        !velkaro::startConsoleLanguage(application, argc, argv, arguments, problem)) {
        std::cerr << "velkaro-records: " << problem << std::endl;
        return velkaro::kRecordsExitUsage;
    }
#else
    std::vector<char*> arguments = velkaro::withoutLanguageOption(argc, argv);
#endif
    // The program's name, --version alone, and the null after it.
    if (arguments.size() == 3 && std::string_view(arguments[1]) == "--version") {
        std::cout << "velkaro-records " << velkaro::kVersion << '\n';
        return 0;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    // Only reads: the account's data source file is neither made nor touched.
    // The station's own name is the one it keeps in its settings file.
    const velkaro::ReadOnlyDataSources readOnly;
    const velkaro::RecordsConsole console{
        std::cout,
        std::cerr,
        std::time(nullptr),
        std::string(velkaro::kRunRecordConnect),
        &g_interrupted,
        velkaro::chooseStationName(std::nullopt,
                                   velkaro::readKeptStationName(velkaro::stationSettingsFile()))};
    return velkaro::runRecordsCommand(
        std::vector<std::string>(arguments.begin() + 1, arguments.end() - 1), console);
}
