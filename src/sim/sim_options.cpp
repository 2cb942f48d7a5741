#include "sim/sim_options.h"

#include <algorithm>
#include <charconv>

#include "link/ports/device_address.h"
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
/// [HOST:]PORT of --tcp and --modbus-tcp; the host defaults to loopback, so
/// only this machine reaches the drives unless an address is given.
bool parseListen(const std::string& value, TcpServer::Mode mode, SimOptions& options) {
    std::string host = "127.0.0.1";
    std::string_view port = value;
    if (const auto colon = value.rfind(':'); colon != std::string::npos) {
        host = value.substr(0, colon);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
            host = host.substr(1, host.size() - 2);
        }
        port = std::string_view(value).substr(colon + 1);
    }
    const auto number = parseInt(port, 0, 65535);
    if (!number || host.empty()) {
        return false;
    }
    options.listen = true;
    options.listenMode = mode;
    options.listenHost = host;
    options.listenPort = static_cast<uint16_t>(*number);
    return true;
}

/// --device takes the station's own device texts: a path, or the tcp:// and
/// modbus-tcp:// address to serve at.
bool parseDevice(const std::string& value, SimOptions& options, std::string& error) {
    const auto address = parseDeviceAddress(value, error);
    if (!address) {
        return false;
    }
    if (!address->network()) {
        options.devicePath = address->path;
        return true;
    }
    options.listen = true;
    options.listenMode = address->kind == DeviceAddress::Kind::ModbusTcp
                             ? TcpServer::Mode::ModbusTcp
                             : TcpServer::Mode::RawRtu;
    options.listenHost = address->host;
    options.listenPort = address->port;
    return true;
}

/// The options that take no value; false when `name` is none of them.
bool takeFlag(const std::string& name, SimOptions& options) {
    if (name == "--help" || name == "-h") {
        options.help = true;
    } else if (name == "--version") {
        options.version = true;
    } else if (name == "--no-console") {
        options.console = false;
    } else if (name == "--any-values") {
        options.catalogueRanges = false;
    } else {
        return false;
    }
    return true;
}

/// The simulated line's options: whether `value` is good, or none when
/// `name` is not a line option.
std::optional<bool> takeLineOption(const std::string& name, const std::string& value,
                                   LineSettings& line) {
    if (name == "--baud") {
        const auto baud = parseInt(value, 1200, 115200);
        line.baud = baud.value_or(0);
        return baud && (*baud == 1200 || *baud == 2400 || *baud == 4800 || *baud == 9600 ||
                        *baud == 19200 || *baud == 38400 || *baud == 57600 || *baud == 115200);
    }
    if (name == "--parity") {
        line.parity = value.empty() ? 'N' : value[0];
        return value == "N" || value == "E" || value == "O";
    }
    if (name == "--data-bits") {
        const auto bits = parseInt(value, 7, 8);
        line.dataBits = bits.value_or(8);
        return bits.has_value();
    }
    if (name == "--stop-bits") {
        const auto bits = parseInt(value, 1, 2);
        line.stopBits = bits.value_or(1);
        return bits.has_value();
    }
    return std::nullopt;
}

bool hasDriveAt(const SimOptions& options, int address) {
    return std::any_of(options.drives.begin(), options.drives.end(),
                       [address](const DriveSpec& drive) { return drive.address == address; });
}

/// `--refuse ADDR:WHAT[:CODE]`.
std::optional<std::pair<int, Refusal>> parseRefusalOption(const std::string& value) {
    const std::size_t colon = value.find(':');
    const auto address = parseInt(std::string_view(value).substr(0, colon), 1, 247);
    const auto refusal = colon == std::string::npos
                             ? std::nullopt
                             : parseRefusal(std::string_view(value).substr(colon + 1));
    if (!address || !refusal) {
        return std::nullopt;
    }
    return std::pair{*address, *refusal};
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
        if (takeFlag(name, options)) {
            continue;
        }
        if (i + 1 >= args.size()) {
            // Only an option that takes a value can be missing one.
            LineSettings probe;
            const bool takesValue = name == "--pty" || name == "--device" || name == "--tcp" ||
                                    name == "--modbus-tcp" || name == "--drive" ||
                                    name == "--refuse" || name == "--turnaround-ms" ||
                                    name == "--seed" || takeLineOption(name, "", probe).has_value();
            error = takesValue
                        ? name + " needs a value"
                        : (name.starts_with("-") ? "unknown option " : "unknown argument ") + name;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (name == "--pty") {
            options.ptyLink = value;
        } else if (name == "--device") {
            std::string reason;
            if (!parseDevice(value, options, reason)) {
                error = "bad value for --device: " + reason;
                return std::nullopt;
            }
        } else if (name == "--tcp" || name == "--modbus-tcp") {
            ok = parseListen(value,
                             name == "--tcp" ? TcpServer::Mode::RawRtu : TcpServer::Mode::ModbusTcp,
                             options);
        } else if (const auto line = takeLineOption(name, value, options.line)) {
            ok = *line;
        } else if (name == "--drive") {
            const auto drive = parseDriveSpec(value);
            ok = drive.has_value();
            if (ok && hasDriveAt(options, drive->address)) {
                error = "two drives at address " + std::to_string(drive->address);
                return std::nullopt;
            }
            if (ok) {
                options.drives.push_back(*drive);
            }
        } else if (name == "--refuse") {
            const auto refusal = parseRefusalOption(value);
            ok = refusal.has_value();
            if (ok) {
                options.refusals.push_back(*refusal);
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
    const int endpoints = (options.ptyLink.empty() ? 0 : 1) + (options.devicePath.empty() ? 0 : 1) +
                          (options.listen ? 1 : 0);
    if (endpoints != 1) {
        error = "give exactly one of --pty PATH, --device PATH, --tcp PORT and --modbus-tcp PORT";
        return std::nullopt;
    }
    return options;
}

std::string simUsage() {
    return R"(Usage: velkaro-sim (--pty PATH | --device PATH | --tcp [HOST:]PORT | --modbus-tcp [HOST:]PORT)
                   [options] --drive ADDR:SERIES:RATING ...

Simulated inverters on one Modbus RTU bus, for tests, demonstrations and training.

Where to serve:
  --pty PATH              create a pseudo-terminal and make PATH a symbolic link to its
                          slave end; the station opens PATH. The link is removed on exit.
                          PATH.lock marks the path while served: a PATH another running
                          velkaro-sim serves, or a link it did not make, is refused.
  --device PATH           serve a real serial port (for example /dev/ttyUSB0); also
                          tcp://HOST:PORT or modbus-tcp://HOST:PORT, served as below
  --tcp [HOST:]PORT       serve one station at a time over TCP as a serial device server
                          in raw mode (RTU frames as they are); the station's device is
                          tcp://HOST:PORT. HOST defaults to 127.0.0.1 (this machine
                          only); PORT 0 takes a free port. The text to use is printed.
  --modbus-tcp [HOST:]PORT
                          the same as a Modbus TCP gateway in front of the bus: unit id =
                          drive address; exception 0x0B when a drive gives no valid
                          answer. The station's device is modbus-tcp://HOST:PORT.

Line (must match the station's settings, or the drives hear only garbage; over TCP the
station's line settings do not apply, and these set the simulated line behind the server):
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
  --refuse ADDR:WHAT[:CODE]
                          the drive at ADDR refuses writes with exception CODE (default
                          01), as a drive in local control or with a worn EEPROM does:
                          WHAT is store (the EEPROM store), control (command word and
                          frequency), parameters, or one register (0x0103). Repeat for more.

Other:
  --no-console            do not read commands from standard input
  --language zh|en        taken as by the station's other programs, so that one command
                          line suits them all; the simulator's own texts are English
  -h, --help              this text
  --version               the program's version

Commands on standard input, one per line:
)" + std::string(consoleHelpText()) +
           R"(
The program ends on end of input, "quit", SIGTERM or SIGINT.
)";
}

} // namespace velkaro::sim
