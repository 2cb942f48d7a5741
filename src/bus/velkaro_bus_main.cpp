// velkaro-bus: the station's drive link on a console, for technicians on
// headless machines and for scripts.

#include <csignal>
#include <iostream>
#include <string_view>

#include "bus/bus_options.h"
#include "bus/bus_session.h"
#include "bus/report_commands.h"
#include "bus/transfer_commands.h"
#include "velkaro_version.h"

namespace {

std::atomic<bool> g_interrupted{false};

void onInterrupt(int) {
    g_interrupted.store(true);
}

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int runScanOrWatch(const velkaro::BusOptions& options) {
    velkaro::BusSession session(options, std::cerr);
    std::string error;
    if (!session.open(error)) {
        std::cerr << "velkaro-bus: " << error << std::endl;
        return kExitFailure;
    }
    std::vector<std::string> names;
    if (!session.scan(names)) {
        std::cerr << "velkaro-bus: 地址搜寻未能按时结束" << std::endl;
        return kExitFailure;
    }
    if (options.command == velkaro::BusOptions::Command::Scan) {
        for (const std::string& name : names) {
            std::cout << name << '\n';
        }
        std::cout.flush();
        return session.portFailed() ? kExitFailure : 0;
    }
    if (names.empty()) {
        return session.portFailed() ? kExitFailure : 0;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    session.watch(
        options.forSeconds, [](const std::string& line) { std::cout << line << std::endl; },
        g_interrupted);
    return session.portFailed() ? kExitFailure : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2) {
        const std::string_view command = argv[1];
        if (command == "--version") {
            std::cout << "velkaro-bus " << velkaro::kVersion << '\n';
            return 0;
        }
        if (command == "export" || command == "import") {
            return velkaro::runTransferCommand(argc, argv);
        }
        if (command == "report" || command == "compare") {
            return velkaro::runReportCommand(argc, argv);
        }
    }
    std::string error;
    const std::optional<velkaro::BusOptions> options = velkaro::parseBusOptions(argc, argv, error);
    if (!options) {
        std::cerr << "velkaro-bus: " << error << "\n\n" << velkaro::busUsage();
        return kExitUsage;
    }
    if (options->command == velkaro::BusOptions::Command::Help) {
        std::cout << velkaro::busUsage();
        return 0;
    }
    return runScanOrWatch(*options);
}
