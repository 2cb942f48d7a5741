#pragma once

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "bus/bus_options.h"
#include "bus/transfer_commands.h"
#include "link/comm_tick.h"
#include "link/device_port.h"
#include "link/drive_link.h"

namespace velkaro {

/// Waits, before the tick starts, until the link's network port has connected
/// or given up; false with the port's message when it gave up. At once for a
/// serial device.
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
    /// Searches the address range; the names found, in the order added. False
    /// when the search did not end in time (the link stopped answering).
    bool scan(std::vector<std::string>& names);
    /// Polls every connected drive each 100 ms for `seconds` and hands each
    /// answered status read (and each drive dropping) to `emit` as a line.
    void watch(double seconds, const std::function<void(const std::string&)>& emit,
               const std::atomic<bool>& interrupted);
    /// The port failed during the run (device gone, connection lost); the
    /// operator has been told on stderr.
    bool portFailed();
    /// Stops the tick; safe to call twice.
    void close();

private:
    BusOptions m_options;
    ConsoleMessages m_messages;
    DevicePort m_port;
    DriveLink m_link;
    CommTick m_tick;
};

} // namespace velkaro
