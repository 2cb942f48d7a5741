#pragma once

#include <atomic>
#include <thread>

namespace velkaro {

class DriveLink;

/// The 1 ms communication tick: a thread on an absolute 1 ms grid
/// (clock_nanosleep, TIMER_ABSTIME; minimal timer slack; SCHED_FIFO when
/// permitted) that calls DriveLink::tick().
class CommTick {
public:
    explicit CommTick(DriveLink& link);
    ~CommTick(); ///< stops the thread
    CommTick(const CommTick&) = delete;
    CommTick& operator=(const CommTick&) = delete;

    /// Starts the thread; false (and no tick) if the clock cannot be set up.
    bool start();
    /// Stops and joins. Never deadlocks; the message interface must not keep
    /// a tick blocked once stop has been asked (see OperatorMessages users).
    void stop();
    bool running() const { return m_thread.joinable(); }

private:
    void run();

    DriveLink& m_link;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace velkaro
