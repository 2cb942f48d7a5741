#pragma once

#include <optional>
#include <string>

namespace velkaro {

/// What `velkaro-bus scan|watch|monitor|find` was asked to do.
struct BusOptions {
    enum class Command { Scan, Watch, Monitor, Find, Help };
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
};

/// Parses `scan`/`watch`/`monitor`/`find` command lines (argv[1] is the command). None, with
/// the reason in `error`, for anything it does not accept.
std::optional<BusOptions> parseBusOptions(int argc, char** argv, std::string& error);

/// The --help text.
std::string busUsage();

} // namespace velkaro
