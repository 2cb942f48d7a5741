#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/ports/posix_serial_port.h"
#include "support/processes.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace velkaro::testing {

/// The link as it runs on a machine: the real 1 ms tick thread and the POSIX
/// port on a pty served by velkaro-sim, in real time. The tick stops and the
/// simulator ends with the object.
class PtyLink {
public:
    PtyLink();
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    /// Whether velkaro-sim is built (a test skips without it).
    static bool simulatorBuilt();
    /// Starts velkaro-sim on the pty with `drives` ("3:QD30:750"); true once it serves.
    bool startSimulator(const std::vector<std::string>& drives);
    /// Opens the link and starts the tick thread; false when either fails.
    bool start();
    /// Lets real time pass with the window's 100 ms status polls until
    /// `done` holds for a snapshot or `limit` has passed.
    bool waitFor(const std::function<bool(const LinkSnapshot&)>& done,
                 std::chrono::milliseconds limit);
    /// Real time with the status polls and nothing to wait for.
    void runFor(std::chrono::milliseconds span);
    /// Searches `count` addresses from `from`; true once the search has ended within `limit`.
    bool search(int from, unsigned count, std::chrono::milliseconds limit);

    TempDir folder;
    std::string ptyLink;
    SimProcess sim;
    RecordingMessages messages;
    PosixSerialPort port;
    DriveLink link;
    CommTick tick;
};

} // namespace velkaro::testing
