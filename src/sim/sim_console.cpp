#include "sim/sim_console.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "sim/bus_simulator.h"

namespace velkaro::sim {

namespace {
constexpr std::string_view kHelp =
    "  fault ADDR CODE         trip drive ADDR with fault CODE (0 clears the fault)\n"
    "  alarm ADDR LOW HIGH     set the alarm registers (0 0 clears)\n"
    "  silent ADDR on|off      the drive stops or resumes answering\n"
    "  crc ADDR PERCENT        corrupt the CRC of PERCENT of the drive's replies\n"
    "  late ADDR MS            answer MS milliseconds late (0 = on time)\n"
    "  busy ADDR on|off        refuse parameter writes with exception 0x04\n"
    "  refuse ADDR WHAT[:CODE] refuse writes with exception CODE (default 01); WHAT is\n"
    "                          store, control, parameters or a register (0x0103);\n"
    "                          refuse ADDR off accepts every write again\n"
    "  set ADDR REG VALUE      write VALUE into holding register REG of drive ADDR\n"
    "  noise PERCENT           garble PERCENT of all replies with line noise\n"
    "  show                    list the drives and their state\n"
    "  help                    this list\n"
    "  quit                    end the program\n";

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> result;
    std::istringstream in{std::string(line)};
    for (std::string word; in >> word;) {
        result.push_back(word);
    }
    return result;
}

bool toInt(const std::string& text, long low, long high, long& value) {
    // Accepts decimal or 0x-prefixed hexadecimal.
    int base = 10;
    std::string_view digits = text;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    return ec == std::errc{} && end == digits.data() + digits.size() && !digits.empty() &&
           value >= low && value <= high;
}

std::string fixed(int value, int decimals) {
    char text[32];
    const int scale = decimals == 2 ? 100 : 10;
    std::snprintf(text, sizeof text, "%s%d.%0*d", value < 0 ? "-" : "", std::abs(value) / scale,
                  decimals, std::abs(value) % scale);
    return text;
}
} // namespace

std::string_view consoleHelpText() {
    return kHelp;
}

std::string SimConsole::execute(std::string_view line, bool& quit) {
    const auto args = words(line);
    if (args.empty()) {
        return {};
    }
    const std::string& command = args[0];
    if (command == "help") {
        return std::string(kHelp);
    }
    if (command == "show") {
        return show();
    }
    if (command == "quit" || command == "exit") {
        quit = true;
        return {};
    }
    if (command == "noise") {
        long percent = 0;
        if (args.size() != 2 || !toInt(args[1], 0, 100, percent)) {
            return "usage: noise PERCENT (0..100)\n";
        }
        m_bus.faults().noiseShare = static_cast<double>(percent) / 100.0;
        return "noise " + std::to_string(percent) + "%\n";
    }
    const bool known = command == "fault" || command == "alarm" || command == "silent" ||
                       command == "crc" || command == "late" || command == "busy" ||
                       command == "refuse" || command == "set";
    if (!known) {
        return "unknown command \"" + command + "\"; type help\n";
    }
    long address = 0;
    if (args.size() < 2 || !toInt(args[1], 0, 247, address)) {
        return "usage: " + command + " ADDR ...; type help\n";
    }
    SimulatedDrive* drive = m_bus.drive(static_cast<int>(address));
    if (drive == nullptr) {
        return "no drive at address " + args[1] + "\n";
    }
    long a = 0;
    long b = 0;
    if (command == "fault" && args.size() == 3 && toInt(args[2], 0, 65535, a)) {
        drive->setFault(static_cast<int>(a));
    } else if (command == "alarm" && args.size() == 4 && toInt(args[2], 0, 65535, a) &&
               toInt(args[3], 0, 65535, b)) {
        drive->setAlarm(static_cast<uint16_t>(a), static_cast<uint16_t>(b));
    } else if ((command == "silent" || command == "busy") && args.size() == 3 &&
               (args[2] == "on" || args[2] == "off")) {
        (command == "silent" ? drive->faults().silent : drive->faults().rejectImportWithBusy) =
            args[2] == "on";
    } else if (command == "crc" && args.size() == 3 && toInt(args[2], 0, 100, a)) {
        drive->faults().corruptCrcShare = static_cast<double>(a) / 100.0;
    } else if (command == "late" && args.size() == 3 && toInt(args[2], 0, 60000, a)) {
        drive->faults().lateReplyMs = static_cast<int>(a);
    } else if (command == "set" && args.size() == 4 && toInt(args[2], 0, 65535, a) &&
               toInt(args[3], 0, 65535, b)) {
        drive->setHoldingRegister(static_cast<uint16_t>(a), static_cast<uint16_t>(b));
    } else if (command == "refuse" && args.size() == 3 && args[2] == "off") {
        drive->faults().refusal = Refusal{};
    } else if (command == "refuse" && args.size() == 3 && parseRefusal(args[2])) {
        // Each call adds what is refused; the code is the last one given.
        const Refusal more = *parseRefusal(args[2]);
        Refusal& r = drive->faults().refusal;
        r.what |= more.what;
        r.code = more.code;
        if ((more.what & Refusal::Register) != 0) {
            r.registerAddress = more.registerAddress;
        }
    } else {
        return "bad arguments for " + command + "; type help\n";
    }
    return "ok\n";
}

std::string SimConsole::show() const {
    std::string out;
    for (const SimulatedDrive* drive : m_bus.drives()) {
        const auto reg = [drive](uint16_t r) { return drive->holdingRegister(r); };
        char line[256];
        std::snprintf(line, sizeof line,
                      "%3d %s rating %d: %s %s out %s Hz set %s Hz %s A fault %d alarm "
                      "%04X/%04X eeprom stores %d%s%s%s\n",
                      drive->address(), drive->seriesName().c_str(), drive->rating(),
                      drive->running() ? "running" : "stopped", drive->forward() ? "fwd" : "rev",
                      fixed(drive->outputFrequency(), 2).c_str(),
                      fixed(drive->setFrequency(), 2).c_str(), fixed(reg(0x3215), 1).c_str(),
                      drive->faultCode(), reg(0x321A), reg(0x321B), drive->eepromStoreCount(),
                      drive->faults().silent ? " [silent]" : "",
                      drive->faults().rejectImportWithBusy ? " [busy]" : "",
                      drive->faults().refusal.any()
                          ? (" [refuses " + drive->faults().refusal.text() + "]").c_str()
                          : "");
        out += line;
    }
    if (m_bus.faults().noiseShare > 0) {
        out += "bus noise " + std::to_string(std::lround(m_bus.faults().noiseShare * 100)) + "%\n";
    }
    return out.empty() ? "no drives\n" : out;
}

} // namespace velkaro::sim
