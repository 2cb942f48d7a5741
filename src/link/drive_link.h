#pragma once

#include <mutex>

#include "link/link_settings.h"
#include "link/link_state.h"

namespace velkaro {

class SerialPort;
class OperatorMessages;
struct TickOutcome;

/// The Modbus RTU master: owns the shared state, the port and the one mutex.
/// tick() is the whole pipeline under the lock; every window-side access goes
/// through lock().
class DriveLink {
public:
    DriveLink(SerialPort& port, OperatorMessages& messages);
    ~DriveLink();
    DriveLink(const DriveLink&) = delete;
    DriveLink& operator=(const DriveLink&) = delete;

    /// Scoped access to the shared state; holds the mutex for its lifetime.
    class Locked {
    public:
        explicit Locked(DriveLink& link) : m_lock(link.m_mutex), m_state(&link.m_state) {}
        LinkState* operator->() const { return m_state; }
        LinkState& operator*() const { return *m_state; }

    private:
        std::unique_lock<std::mutex> m_lock;
        LinkState* m_state;
    };
    Locked lock() { return Locked(*this); }

    /// One 1 ms tick: counters, receive, schedule, operate, search feeding and
    /// change detection, transmit. Operator messages are shown with the lock released.
    void tick();

    /// Every connected drive with nothing pending gets a status read (window timer 1).
    void queueStatusPolls();

    /// (Re)opens the port with the current settings under the lock.
    OpenLinkResult openLink();

    SerialPort& port() { return m_port; }

private:
    /// Shows the tick's messages and writes an exported file, lock released.
    void deliver(TickOutcome& out);

    std::mutex m_mutex;
    LinkState m_state;
    SerialPort& m_port;
    OperatorMessages& m_messages;
};

} // namespace velkaro
