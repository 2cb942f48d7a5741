#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "bus/bus_options.h"
#include "bus/link_waiter.h"
#include "bus/export_import_commands.h"
#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/ports/device_port.h"

namespace velkaro {

/// Waits, before the tick starts, until the link's network port has connected
/// or given up; false with the port's message when it gave up, or when Ctrl-C
/// came first. At once for a serial device.
bool waitForConnection(DriveLink& link, std::string& error);

/// The station's link on a console: the real tick thread over a serial
/// device or a network port, searched and watched from the calling thread.
class BusSession {
public:
    BusSession(const BusOptions& options, std::ostream& errors);
    ~BusSession();
    BusSession(const BusSession&) = delete;
    BusSession& operator=(const BusSession&) = delete;

    /// Opens the device with the line options (a network port: waits until it
    /// is connected) and starts the tick. False, with the reason in `error`,
    /// if either fails.
    bool open(std::string& error);
    using Emit = std::function<void(const std::string&)>;

    /// Searches the address range; the names found, in the order added. False
    /// when the search did not end in time (the link stopped answering) or
    /// the port was lost. Once `interrupted` is raised the search is cancelled
    /// and the names found so far are given. `whileWaiting` runs between looks
    /// at the link.
    bool scan(std::vector<std::string>& names, const std::atomic<bool>& interrupted,
              const std::function<void()>& whileWaiting = {});
    /// Polls every connected drive each 100 ms for `seconds` and hands each
    /// answered status read (and each drive dropping) to `emit` as a line; a
    /// drive that stops answering, and one that answers again, is told once
    /// on the error stream. False when the port was lost (the link has said
    /// so). `eachPass` runs between looks at the link.
    bool watch(double seconds, const Emit& emit, const std::atomic<bool>& interrupted,
               const std::function<void()>& eachPass = {});
    /// Searches, then polls as watch does for `seconds`; every frame the link
    /// records, from its first tick on, goes to `emit` as a monitor line.
    /// False when the search did not end or the port was lost; `names` the
    /// drives found.
    bool monitor(double seconds, const Emit& emit, const std::atomic<bool>& interrupted,
                 std::vector<std::string>& names);
    /// One stats line per connected drive, in connection order.
    std::vector<std::string> statsLines();
    /// True once the port refused a frame (the link has told why).
    bool portLost();

    struct FindOutcome {
        bool ended = false;  ///< the finder ran to its end (or was cancelled)
        std::string failure; ///< why it stopped, when the link has not said it
        std::vector<FoundLine> found;
    };
    /// Runs the line finder over `count` addresses from `first`; one progress
    /// line per setting goes to `progress`. Ctrl-C cancels.
    FindOutcome find(int first, int count, std::ostream& progress,
                     const std::atomic<bool>& interrupted);
    /// Stops the tick; safe to call twice.
    void close();
    /// The open link, for commands that give their own requests.
    DriveLink& link() { return m_link; }

private:
    /// Hands the frames recorded since the last call to `emit`.
    void drainTraffic(const Emit& emit);
    /// Tells a drive whose online flag changed from `before`.
    void tellOnline(const DriveRecord& drive, int32_t before);

    BusOptions m_options;
    std::ostream& m_errors;
    uint64_t m_printedFrames = 0;
    OutcomeStore m_outcomes;
    ConsoleMessages m_messages;
    DevicePort m_port;
    DriveLink m_link;
    CommTick m_tick;
};

} // namespace velkaro
