// velkaro-bus: the station's drive link on a console, for technicians on
// headless machines and for scripts.

#include <unistd.h>

#include <iostream>
#include <string_view>

#include "bus/bus_logger.h"
#include "bus/bus_options.h"
#include "bus/bus_session.h"
#include "bus/console_interrupt.h"
#include "bus/drive_commands.h"
#include "bus/export_import_commands.h"
#include "bus/report_commands.h"
#ifdef VELKARO_WITH_TRANSLATIONS
#include <QCoreApplication>
#endif

#include "i18n/console_language.h"
#include "link/ports/device_address.h"
#include "registry/language.h"
#include "velkaro_version.h"

namespace {

using Command = velkaro::BusOptions::Command;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kProgressFrom = 9; // a search of up to 8 addresses is over in seconds

/// Prints each setting at which drives answered with their names; 0 when
/// something answered, 1 when nothing did or the port was lost.
int runFind(velkaro::BusSession& session, const velkaro::BusOptions& options) {
    const velkaro::BusSession::FindOutcome outcome =
        session.find(options.from, options.count, std::cerr, velkaro::interruptFlag());
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
    if (velkaro::interruptFlag().load()) {
        return velkaro::interruptedExitStatus();
    }
    if (outcome.ended && outcome.found.empty()) {
        std::cerr << "velkaro-bus: " << velkaro::translated("BusConsole", "在任何线路设置下，地址 ")
                  << options.from << ".." << options.from + options.count - 1
                  << velkaro::translated("BusConsole", " 上都没有变频器应答") << '\n'
                  << velkaro::translated(
                         "BusConsole",
                         "请检查接线和变频器的通讯地址，或用 --address、--count 试验其他地址")
                  << std::endl;
    }
    return outcome.ended && !outcome.found.empty() ? 0 : kExitFailure;
}

/// What the operator is told when a search found nothing, and the next step.
void tellNothingAnswered(const velkaro::BusOptions& o) {
    std::cerr << "velkaro-bus: " << velkaro::translated("BusConsole", "在 ") << o.baud << ' '
              << o.parity << ' ' << o.dataBits << ' ' << o.stopBits
              << velkaro::translated("BusConsole", " 下，地址 ") << o.from << ".."
              << o.from + o.count - 1 << velkaro::translated("BusConsole", " 上没有变频器应答")
              << '\n';
    if (velkaro::isNetworkDevice(o.device)) {
        std::cerr << velkaro::translated("BusConsole",
                                         "线路设置由串口服务器或网关决定，请在那里检查")
                  << std::endl;
    } else {
        std::cerr << velkaro::translated("BusConsole",
                                         "不清楚线路设置时，可用 velkaro-bus find --device ")
                  << o.device << velkaro::translated("BusConsole", " 检测") << std::endl;
    }
}

/// The search's progress on a terminal, one line rewritten in place: the
/// address under test, how many of the range, how many drives found.
class ScanProgress {
public:
    ScanProgress(velkaro::BusSession& session, const velkaro::BusOptions& o)
        : m_session(session), m_options(o),
          m_shown(o.count >= kProgressFrom && isatty(STDOUT_FILENO) != 0 &&
                  isatty(STDERR_FILENO) != 0) {}
    ~ScanProgress() { clear(); }
    ScanProgress(const ScanProgress&) = delete;
    ScanProgress& operator=(const ScanProgress&) = delete;

    void update() {
        if (!m_shown) {
            return;
        }
        const velkaro::LinkSnapshot s = m_session.link().snapshot();
        if (!s.searching) {
            return;
        }
        // The search's progress stands at the address after the one under test.
        const int address = s.progress.position - 1;
        const int found = static_cast<int>(s.table.driveCount);
        if (address == m_address && found == m_found) {
            return;
        }
        m_address = address;
        m_found = found;
        std::cerr << "\r\033[K" << velkaro::translated("BusConsole", "搜寻地址 ") << address
                  << velkaro::translated("BusConsole", "（") << address - m_options.from + 1 << "/"
                  << m_options.count << velkaro::translated("BusConsole", "），已找到 ") << found
                  << velkaro::translated("BusConsole", " 台") << std::flush;
    }
    void clear() {
        if (m_shown && m_address > 0) {
            std::cerr << "\r\033[K" << std::flush;
            m_address = 0;
        }
    }

private:
    velkaro::BusSession& m_session;
    const velkaro::BusOptions& m_options;
    bool m_shown;
    int m_address = 0;
    int m_found = -1;
};

/// 128 + the signal when interrupted, else `status`.
int unlessInterrupted(int status) {
    return velkaro::interruptFlag().load() ? velkaro::interruptedExitStatus() : status;
}

int runWatch(velkaro::BusSession& session, const velkaro::BusOptions& options,
             const std::vector<std::string>& names) {
    if (names.empty()) {
        if (!session.portLost() && !velkaro::interruptFlag().load()) {
            tellNothingAnswered(options);
        }
        return unlessInterrupted(kExitFailure);
    }
    const auto print = [](const std::string& line) { std::cout << line << std::endl; };
    if (!session.watch(options.forSeconds, print, velkaro::interruptFlag())) {
        return kExitFailure;
    }
    if (options.stats) {
        for (const std::string& line : session.statsLines()) {
            std::cout << line << '\n';
        }
        std::cout.flush();
    }
    return unlessInterrupted(0);
}

int runSearching(const velkaro::BusOptions& options) {
    velkaro::BusSession session(options, std::cerr);
    if (std::string error; !session.open(error)) {
        std::cerr << "velkaro-bus: " << error << std::endl;
        return unlessInterrupted(kExitFailure);
    }
    if (options.command == Command::Find) {
        return runFind(session, options);
    }
    std::vector<std::string> names;
    if (options.command == Command::Monitor) {
        const auto print = [](const std::string& line) { std::cout << line << std::endl; };
        if (!session.monitor(options.forSeconds, print, velkaro::interruptFlag(), names)) {
            return kExitFailure;
        }
        if (names.empty() && !velkaro::interruptFlag().load()) {
            tellNothingAnswered(options);
        }
        return unlessInterrupted(names.empty() ? kExitFailure : 0);
    }
    ScanProgress progress(session, options);
    const bool ended = session.scan(names, velkaro::interruptFlag(), [&] { progress.update(); });
    progress.clear();
    if (!ended) {
        // A lost port has been told by the link.
        if (!session.portLost()) {
            std::cerr << "velkaro-bus: "
                      << velkaro::translated("BusConsole", "地址搜寻未能按时结束") << std::endl;
        }
        return kExitFailure;
    }
    if (options.command == Command::Watch) {
        return runWatch(session, options, names);
    }
    for (const std::string& name : names) {
        std::cout << name << '\n';
    }
    std::cout.flush();
    if (session.portLost()) {
        return kExitFailure;
    }
    if (names.empty() && !velkaro::interruptFlag().load()) {
        tellNothingAnswered(options);
    }
    return unlessInterrupted(names.empty() ? kExitFailure : 0);
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
#ifdef VELKARO_WITH_TRANSLATIONS
    QCoreApplication application(argc, argv);
    std::vector<char*> arguments;
    if (!velkaro::startConsoleLanguage(application, argc, argv, arguments, error)) {
        std::cerr << "velkaro-bus: " << error << std::endl;
        return kExitUsage;
    }
#else
    std::vector<char*> arguments = velkaro::withoutLanguageOption(argc, argv);
#endif
    velkaro::catchInterrupts();
    const std::optional<velkaro::BusOptions> options =
        velkaro::parseBusOptions(static_cast<int>(arguments.size()) - 1, arguments.data(), error);
    if (!options) {
        std::cerr << "velkaro-bus: " << error << '\n'
                  << velkaro::translated("BusConsole", "请用 velkaro-bus --help 查看用法。")
                  << std::endl;
        return kExitUsage;
    }
    switch (options->command) {
    case Command::Help:
        std::cout << velkaro::busUsage();
        return 0;
    case Command::Version:
        std::cout << "velkaro-bus " << velkaro::kVersion << '\n';
        return 0;
    case Command::Scan:
    case Command::Watch:
    case Command::Monitor:
    case Command::Find:
        return runSearching(*options);
    case Command::Export:
    case Command::Import:
        return velkaro::runTransferCommand(*options);
    case Command::Report:
    case Command::Compare:
        return velkaro::runReportCommand(*options);
    case Command::Control:
    case Command::Read:
    case Command::Write:
        return velkaro::runDriveCommand(*options);
    case Command::Log:
        return velkaro::runLogCommand(*options);
    }
    return kExitUsage;
}
