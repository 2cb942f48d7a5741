#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/requests.h"

namespace velkaro {

/// A control command as the command line names it.
struct ControlStep {
    std::string text; ///< as given ("frequency=35.5")
    velkaro::Command command;
};

/// What `velkaro-bus scan|watch|monitor|find|control|read|write` was asked to do.
struct BusOptions {
    enum class Command { Scan, Watch, Monitor, Find, Control, Read, Write, Help };
    Command command = Command::Help;
    std::string device;
    std::string baud = "9600";
    std::string parity = "N";
    std::string dataBits = "8";
    std::string stopBits = "1";
    int from = 1; ///< first address: --from, or find's --address
    int count = 1;
    double forSeconds = 10.0;
    bool fastReplies = false; ///< --fast-replies: a reply ends at its last byte
    bool stats = false;       ///< watch --stats: the link counters of each drive at the end

    // control, read and write: one drive, its requests.
    int address = 0;                         ///< --address of the drive, 1..247
    std::vector<ControlStep> steps;          ///< control: the commands in the order given
    std::string parameter;                   ///< --parameter CODE ("F0-05", "Pr05")
    std::string group;                       ///< read --group: a label ("F0") or its position
    std::optional<uint16_t> registerAddress; ///< --register R
    std::string value;                       ///< write --value V, the parameter's value
    std::optional<uint16_t> word;            ///< write --word W
    bool countGiven = false;                 ///< --count given (read: with --register only)
};

/// The control command a command-line word names: run, forward, reverse,
/// stop, coast, estop, reset, store, or frequency=HZ (0..655.35); none otherwise.
std::optional<velkaro::Command> parseControlStep(std::string_view text);

/// Parses `scan`/`watch`/`monitor`/`find`/`control`/`read`/`write` command
/// lines (argv[1] is the command). None, with the reason in `error`, for
/// anything it does not accept.
std::optional<BusOptions> parseBusOptions(int argc, char** argv, std::string& error);

/// The --help text.
std::string busUsage();

} // namespace velkaro
