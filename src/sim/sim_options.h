#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/drive_faults.h"
#include "sim/line_settings.h"
#include "sim/series.h"
#include "sim/tcp_server.h"

namespace velkaro::sim {

/// One `--drive ADDR:SERIES:RATING`.
struct DriveSpec {
    int address = 0;
    Series series = Series::QD10;
    int rating = 0;
};

/// Command line of velkaro-sim.
struct SimOptions {
    std::string ptyLink;    ///< --pty PATH: symlink to a new pty's slave end
    std::string devicePath; ///< --device PATH: a real serial port
    /// --tcp / --modbus-tcp [HOST:]PORT, or --device tcp://HOST:PORT or
    /// modbus-tcp://HOST:PORT: serve stations over TCP (listenPort 0: any free port).
    bool listen = false;
    TcpServer::Mode listenMode = TcpServer::Mode::RawRtu;
    std::string listenHost = "127.0.0.1";
    uint16_t listenPort = 0;
    LineSettings line;
    std::vector<DriveSpec> drives;
    int turnaroundMs = 2;
    unsigned seed = 0x5eed;
    bool console = true;         ///< read commands from stdin (off: --no-console)
    bool catalogueRanges = true; ///< refuse writes outside the catalogue ranges
    /// --refuse ADDR:WHAT[:CODE]: writes a drive refuses, by address.
    std::vector<std::pair<int, Refusal>> refusals;
    bool help = false;
    bool version = false;
};

/// Parses the arguments after the program name. On a mistake returns none
/// and leaves the reason in `error`.
std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args, std::string& error);
/// "3:QD30:750" -> drive; none for anything else (address 1..247, rating 0..65535).
std::optional<DriveSpec> parseDriveSpec(const std::string& text);
/// The --help text.
std::string simUsage();

} // namespace velkaro::sim
