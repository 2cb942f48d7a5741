#include "sim/sim_options.h"

#include <charconv>

#include "sim/sim_console.h"

namespace velkaro::sim {

namespace {
std::optional<int> parseInt(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}
} // namespace

std::optional<DriveSpec> parseDriveSpec(const std::string& text) {
    const auto first = text.find(':');
    const auto second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const auto address = parseInt(std::string_view(text).substr(0, first), 1, 247);
    const auto series = parseSeries(std::string_view(text).substr(first + 1, second - first - 1));
    const auto rating = parseInt(std::string_view(text).substr(second + 1), 0, 65535);
    if (!address || !series || !rating) {
        return std::nullopt;
    }
    return DriveSpec{*address, *series, *rating};
}

std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--version") {
            options.version = true;
            continue;
        }
        if (name == "--no-console") {
            options.console = false;
            continue;
        }
        if (name == "--any-values") {
            options.catalogueRanges = false;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = name.starts_with("--") ? name + " needs a value" : "unknown argument " + name;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (name == "--pty") {
            options.ptyLink = value;
        } else if (name == "--device") {
            options.devicePath = value;
        } else if (name == "--baud") {
            const auto baud = parseInt(value, 1200, 115200);
            ok = baud && (*baud == 1200 || *baud == 2400 || *baud == 4800 || *baud == 9600 ||
                          *baud == 19200 || *baud == 38400 || *baud == 57600 || *baud == 115200);
            options.line.baud = baud.value_or(0);
        } else if (name == "--parity") {
            ok = value == "N" || value == "E" || value == "O";
            options.line.parity = value.empty() ? 'N' : value[0];
        } else if (name == "--data-bits") {
            const auto bits = parseInt(value, 7, 8);
            ok = bits.has_value();
            options.line.dataBits = bits.value_or(8);
        } else if (name == "--stop-bits") {
            const auto bits = parseInt(value, 1, 2);
            ok = bits.has_value();
            options.line.stopBits = bits.value_or(1);
        } else if (name == "--drive") {
            const auto drive = parseDriveSpec(value);
            ok = drive.has_value();
            if (ok) {
                for (const DriveSpec& other : options.drives) {
                    if (other.address == drive->address) {
                        error = "two drives at address " + std::to_string(drive->address);
                        return std::nullopt;
                    }
                }
                options.drives.push_back(*drive);
            }
        } else if (name == "--turnaround-ms") {
            const auto ms = parseInt(value, 0, 10000);
            ok = ms.has_value();
            options.turnaroundMs = ms.value_or(0);
        } else if (name == "--seed") {
            const auto seed = parseInt(value, 0, 2147483647);
            ok = seed.has_value();
            options.seed = static_cast<unsigned>(seed.value_or(0));
        } else {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!ok) {
            error = "bad value for " + name;
            error += ": " + value;
            return std::nullopt;
        }
    }
    if (options.help || options.version) {
        return options;
    }
    if (options.ptyLink.empty() == options.devicePath.empty()) {
        error = "give exactly one of --pty PATH and --device PATH";
        return std::nullopt;
    }
    return options;
}

std::string simUsage() {
    return R"(Usage: velkaro-sim (--pty PATH | --device PATH) [options] --drive ADDR:SERIES:RATING ...

Simulated inverters on one Modbus RTU bus, for tests, demonstrations and training.

Where to serve:
  --pty PATH              create a pseudo-terminal and make PATH a symbolic link to its
                          slave end; the station opens PATH. The link is removed on exit.
  --device PATH           serve a real serial port (for example /dev/ttyUSB0)

Line (must match the station's settings, or the drives hear only garbage):
  On a pty only the baud rate reaches the simulator: parity and character size
  are lost. A station whose side of the pty runs at another baud than --baud
  is heard as garbage and gets no answer; a parity or data-bits mismatch is
  not noticed there, only on a real serial line.
  --baud N                1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200
                          (default 9600)
  --parity N|E|O          (default N)
  --data-bits 7|8         (default 8)
  --stop-bits 1|2         (default 1)

Drives:
  --drive ADDR:SERIES:RATING
                          a drive at bus address ADDR (1..247) of series QD10, QD20, QD30
                          or QD40 with rating register value RATING: QD30/QD40 in 0.01 kW
                          (750 = 7.50 kW), QD20 a rated-power code 0..29, QD10 in 0.1 A
                          (75 = 7.5 A). Repeat for more drives.
  --turnaround-ms N       pause between a request's end and the reply (default 2)
  --any-values            accept any parameter value; by default a write outside the
                          range its catalogue entry states is refused with exception 0x03
  --seed N                seed of the fault dice (default 24301)

Other:
  --no-console            do not read commands from standard input
  -h, --help              this text
  --version               the program's version

Commands on standard input, one per line:
)" + std::string(consoleHelpText()) +
           R"(
The program ends on end of input, "quit", SIGTERM or SIGINT.
)";
}

} // namespace velkaro::sim
