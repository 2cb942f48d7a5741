// velkaro-bus: the station's drive link on a console, for technicians on
// headless machines and for scripts.

#include <csignal>
#include <iostream>
#include <string_view>

#include "bus/bus_options.h"
#include "bus/bus_session.h"
#include "bus/drive_commands.h"
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

/// Prints each setting at which drives answered with their names; 0 when
/// something answered, 1 when nothing did or the port was lost.
int runFind(velkaro::BusSession& session, const velkaro::BusOptions& options) {
    const velkaro::BusSession::FindOutcome outcome =
        session.find(options.from, options.count, std::cerr, g_interrupted);
    if (!outcome.failure.empty()) {
        std::cerr << "velkaro-bus: " << outcome.failure << std::endl;
    }
    for (const velkaro::FoundLine& found : outcome.found) {
        std::cout << velkaro::lineChoiceText(found.line);
        for (const std::string& name : found.names) {
            std::cout << '\t' << name;
        }
        std::cout << '\n';
    }
    std::cout.flush();
    if (outcome.ended && outcome.found.empty()) {
        std::cerr << "velkaro-bus: 在任何线路设置下都没有变频器应答" << std::endl;
    }
    return outcome.ended && !outcome.found.empty() ? 0 : kExitFailure;
}

int runScanOrWatch(const velkaro::BusOptions& options) {
    using Command = velkaro::BusOptions::Command;
    velkaro::BusSession session(options, std::cerr);
    std::string error;
    if (!session.open(error)) {
        std::cerr << "velkaro-bus: " << error << std::endl;
        return kExitFailure;
    }
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    if (options.command == Command::Find) {
        return runFind(session, options);
    }
    const auto print = [](const std::string& line) { std::cout << line << std::endl; };
    if (options.command == Command::Monitor) {
        return session.monitor(options.forSeconds, print, g_interrupted) ? 0 : kExitFailure;
    }
    std::vector<std::string> names;
    if (!session.scan(names)) {
        // A lost port has been told by the link.
        if (!session.portLost()) {
            std::cerr << "velkaro-bus: 地址搜寻未能按时结束" << std::endl;
        }
        return kExitFailure;
    }
    if (options.command == Command::Scan) {
        for (const std::string& name : names) {
            std::cout << name << '\n';
        }
        std::cout.flush();
        return session.portLost() ? kExitFailure : 0;
    }
    if (names.empty()) {
        return session.portLost() ? kExitFailure : 0;
    }
    if (!session.watch(options.forSeconds, print, g_interrupted)) {
        return kExitFailure;
    }
    if (options.stats) {
        for (const std::string& line : session.statsLines()) {
            std::cout << line << '\n';
        }
        std::cout.flush();
    }
    return 0;
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
    using Command = velkaro::BusOptions::Command;
    switch (options->command) {
    case Command::Help:
        std::cout << velkaro::busUsage();
        return 0;
    case Command::Control:
    case Command::Read:
    case Command::Write:
        return velkaro::runDriveCommand(*options);
    default:
        return runScanOrWatch(*options);
    }
}
