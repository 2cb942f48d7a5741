#include "link/comm_tick.h"

#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <system_error>

#include "link/drive_link.h"

namespace velkaro {

namespace {

constexpr long kNanosPerSecond = 1'000'000'000;
constexpr long kTickPeriodNs = 1'000'000;
constexpr int kTickPriority = 50; // SCHED_FIFO, when the account may ask for it

int64_t toNanos(const timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * kNanosPerSecond + t.tv_nsec;
}

timespec fromNanos(int64_t ns) {
    return {static_cast<time_t>(ns / kNanosPerSecond), static_cast<long>(ns % kNanosPerSecond)};
}

int64_t monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return toNanos(now);
}

/// Wake-ups as close to the grid as the kernel allows: no timer slack, and a
/// real-time class where permitted (a plain account is refused; it then runs
/// in the normal class, which is fine for the link).
bool tuneTickThread() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    sched_param param{};
    param.sched_priority = kTickPriority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

} // namespace

CommTick::CommTick(DriveLink& link) : m_link(link) {}

CommTick::~CommTick() {
    stop();
}

bool CommTick::start() {
    if (m_thread.joinable()) {
        return true;
    }
    timespec probe{};
    if (clock_gettime(CLOCK_MONOTONIC, &probe) != 0) {
        return false;
    }
    m_stop.store(false);
    try {
        m_thread = std::thread(&CommTick::run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CommTick::stop() {
    m_stop.store(true);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
}

void CommTick::run() {
    m_realTime.store(tuneTickThread());
    int64_t next = monotonicNow();
    while (!m_stop.load(std::memory_order_relaxed)) {
        next += kTickPeriodNs;
        const timespec wake = fromNanos(next);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
        }
        if (m_stop.load(std::memory_order_relaxed)) {
            break;
        }
        if (m_observer != nullptr) {
            m_observer(m_observerContext, monotonicNow() - next);
        }
        m_link.tick();
        // Periods missed while the thread was held up (a long message box, a
        // stall) are skipped, not made up in a burst: the link counts time in
        // ticks and a burst would shorten its gaps and timeouts.
        const int64_t late = monotonicNow() - next;
        if (late >= kTickPeriodNs) {
            const int64_t missed = late / kTickPeriodNs;
            next += missed * kTickPeriodNs;
            m_skipped.fetch_add(static_cast<uint64_t>(missed), std::memory_order_relaxed);
        }
    }
}

} // namespace velkaro
