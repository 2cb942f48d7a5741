#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/requests.h"

namespace velkaro {

/// A control command as the command line names it.
struct ControlStep {
    std::string text; ///< as given ("frequency=35.5")
    velkaro::Command command;
};

/// What a `velkaro-bus` command line asks for.
struct BusOptions {
    enum class Command {
        Scan,
        Watch,
        Monitor,
        Find,
        Export,
        Import,
        Report,
        Compare,
        Control,
        Read,
        Write,
        Log,
        Help,
        Version,
    };
    Command command = Command::Help;
    std::string device;
    std::string baud = "9600";
    std::string parity = "N";
    std::string dataBits = "8";
    std::string stopBits = "1";
    bool lineGiven = false;   ///< a line option or --fast-replies given
    bool fastReplies = false; ///< --fast-replies: a reply ends at its last byte
    int from = 1;             ///< first address: --from, or find's --address
    int count = 1; ///< addresses from `from` (scan, watch, monitor, find), or registers (read)
    bool countGiven = false;
    double forSeconds = 10.0;
    bool forGiven = false;
    bool stats = false; ///< watch --stats: the link counters of each drive at the end

    // One drive and what is asked of it.
    int address = 0;                         ///< --address of the drive, 1..247; 0 not given
    std::vector<ControlStep> steps;          ///< control: the commands in the order given
    std::string parameter;                   ///< --parameter CODE ("F0-05", "Pr05")
    std::string group;                       ///< read --group: a label ("F0") or its position
    std::optional<uint16_t> registerAddress; ///< --register R
    std::string value;                       ///< write --value V, the parameter's value
    std::optional<uint16_t> word;            ///< write --word W
    std::vector<std::string> files;          ///< export, import, report, compare

    // log: where the records and the drive states go.
    std::optional<std::string> station; ///< --station 站名
    std::string dsn;                    ///< --dsn: a data source other than the station's
    std::string mqttUrl;                ///< --mqtt mqtt://HOST[:PORT] or mqtts://
    std::string mqttCredentials;        ///< --mqtt-credentials FILE
    std::string mqttCa;                 ///< --mqtt-ca FILE
    bool haDiscovery = false;           ///< --ha-discovery
};

/// Commands as a set of bits, one per BusOptions::Command.
using BusCommandSet = uint32_t;
constexpr BusCommandSet commandBit(BusOptions::Command c) {
    return BusCommandSet{1} << static_cast<unsigned>(c);
}

/// One subcommand of velkaro-bus: the parser and --help are both made from
/// these rows. A new subcommand is one more Command value, one row here, the
/// options it takes marked in the option table, a case in the program's
/// dispatch, and its entry in the manual page (a test compares the two).
struct BusCommandEntry {
    BusOptions::Command command;
    std::string_view name;
    /// What follows "velkaro-bus NAME" in the usage ("\n" continues it on
    /// the next line), and a second form of the command line, if any.
    std::string_view synopsis;
    std::string_view otherForm;
    std::string_view description; ///< the help's paragraph, one text per line
    /// Words that are not options: none, files, or control commands.
    enum class Operands { None, Files, ControlSteps };
    Operands operands;
    /// Fills in what depends on more than one option; the mistake, or empty.
    std::string (*complete)(BusOptions&);
};

/// One option: its name, the placeholder of its value (empty for a switch),
/// the commands that take it and its help lines.
struct BusOptionEntry {
    std::string_view name;
    std::string_view value;
    BusCommandSet commands;
    std::string_view help;
    /// Checks and stores the value; the mistake, or empty.
    std::string (*apply)(BusOptions&, const std::string& value);
};

std::span<const BusCommandEntry> busCommandTable();
std::span<const BusOptionEntry> busOptionTable();

/// The control command a command-line word names: run, forward, reverse,
/// stop, coast, estop, reset, store, or frequency=HZ (0..655.35); none otherwise.
std::optional<velkaro::Command> parseControlStep(std::string_view text);

/// Parses a whole command line (argv[1] is the command). None, with one line
/// saying what is wrong in `error`, for anything it does not accept.
std::optional<BusOptions> parseBusOptions(int argc, char** argv, std::string& error);

/// The --help text, made from the tables.
std::string busUsage();

} // namespace velkaro
