#pragma once

#include <atomic>
#include <cstdint>
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
    /// Stops and joins. Never deadlocks: a tick waits for no operator (the
    /// link only notifies).
    void stop();
    bool running() const { return m_thread.joinable(); }

    /// Called on the tick thread after every wake-up with how late it woke
    /// against the 1 ms grid (ns), before the tick runs. Set before start();
    /// for measurements.
    using WakeObserver = void (*)(void* context, int64_t latenessNs);
    void setWakeObserver(WakeObserver observer, void* context) {
        m_observer = observer;
        m_observerContext = context;
    }
    /// Grid periods skipped because a tick came too late (no catch-up bursts).
    uint64_t skippedPeriods() const { return m_skipped.load(); }
    /// True once the running thread was granted the real-time class.
    bool realTime() const { return m_realTime.load(); }

private:
    void run();

    DriveLink& m_link;
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_skipped{0};
    std::atomic<bool> m_realTime{false};
    WakeObserver m_observer = nullptr;
    void* m_observerContext = nullptr;
    std::thread m_thread;
};

} // namespace velkaro
