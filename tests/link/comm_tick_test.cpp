// The real tick thread with window-side readers and writers taking the lock,
// as the station runs it. Also run under ThreadSanitizer (the tsan preset:
// `cmake --preset tsan`, target link_comm_tick_test). Waits here are bounded
// and assert no timing figures; those live in the benchmarks.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "link/comm_tick.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// The in-memory simulated wire, moved on to real elapsed time whenever the
/// link looks at it (only the tick does, under the link's lock).
class RealTimeWire : public SerialPort {
public:
    explicit RealTimeWire(sim::MemoryTransport& wire) : m_wire(wire) {}

    bool isOpen() const override { return m_wire.isOpen(); }
    void close() override { m_wire.close(); }
    void selectPort(int n) override { m_wire.selectPort(n); }
    void setReceiveBufferSize(std::size_t n) override { m_wire.setReceiveBufferSize(n); }
    void setTransmitBufferSize(std::size_t n) override { m_wire.setTransmitBufferSize(n); }
    void discardPendingOutput() override { m_wire.discardPendingOutput(); }
    bool open() override { return m_wire.open(); }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int baud, char parity, int data, int stop) override {
        return m_wire.applyLineSettings(baud, parity, data, stop);
    }
    std::size_t bytesWaiting() override {
        catchUp();
        return m_wire.bytesWaiting();
    }
    std::size_t read(uint8_t* buffer, std::size_t capacity) override {
        return m_wire.read(buffer, capacity);
    }
    bool write(const uint8_t* data, std::size_t length) override {
        catchUp();
        return m_wire.write(data, length);
    }
    std::string devicePath() const override { return "sim"; }
    std::string lastError() const override { return {}; }

private:
    void catchUp() {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_start).count();
        if (static_cast<uint64_t>(elapsed) > m_wire.nowUs()) {
            m_wire.advanceUs(static_cast<uint64_t>(elapsed) - m_wire.nowUs());
        }
    }
    sim::MemoryTransport& m_wire;
    Clock::time_point m_start = Clock::now();
};

/// The notices the tick hands over, as the window's boxes take them: kept and
/// returned from at once. The link holds only OperatorNotices, so no box can
/// ever hold the tick.
class NoticeBoxes : public OperatorNotices {
public:
    void notify(const std::string& text, const std::string&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_abandoned) {
            m_texts.push_back(text);
        }
        m_changed.notify_all();
    }
    bool waitForText(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return !m_texts.empty(); });
    }
    void abandonPending() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abandoned = true;
    }
    std::vector<std::string> texts() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_texts;
    bool m_abandoned = false;
};

template <class Pred> bool waitFor(DriveLink& link, Pred done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        if (done(link.snapshot())) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

TEST(CommTickTest, RunsTheLinkWhileTheWindowSideReadsAndWrites) {
    sim::BusSimulator bus;
    bus.addDrive(1, sim::Series::QD30, 750);
    bus.addDrive(2, sim::Series::QD20, 6);
    sim::MemoryTransport memory(bus);
    RealTimeWire wire(memory);
    RecordingMessages messages;
    DriveLink link(wire, messages);
    ASSERT_TRUE(link.openLink().ok);
    CommTick tick(link);
    ASSERT_TRUE(tick.start());
    EXPECT_TRUE(tick.running());
    link.submit({}, Search{1, 2});
    ASSERT_TRUE(waitFor(
        link, [](const LinkSnapshot& s) { return s.table.driveCount == 2 && !s.searching; }, 20s));

    // The window thread: timer 1 every 100 ms, commands and group reads
    // written, the table read whole; a second reader as the history writer.
    std::atomic<bool> done{false};
    std::atomic<int> statusSeen{0};
    std::thread reader([&] {
        while (!done.load()) {
            const LinkSnapshot s = link.snapshot();
            for (uint32_t i = 0; i < s.table.driveCount; ++i) {
                const int slot = s.table.findSlotByName(s.table.driveNames[i]);
                if (slot >= 0 && s.table.slots[static_cast<std::size_t>(slot)].status[8] > 0) {
                    statusSeen.fetch_add(1);
                }
            }
            link.takeOutcomes();
            std::this_thread::sleep_for(3ms);
        }
    });
    const Target first = link.targetOfSlot(0);
    for (int round = 0; round < 12; ++round) {
        link.queueStatusPolls();
        link.submit(first, Command::word(round % 2 == 0 ? 0x001F : 0x001E));
        link.submit(first, Command::frequency(static_cast<uint16_t>(1000 + 100 * round)));
        if (round % 3 == 0) {
            link.submit(first, ParameterRead{round % 4});
        }
        std::this_thread::sleep_for(100ms);
    }
    done.store(true);
    reader.join();
    ASSERT_TRUE(waitFor(
        link,
        [](const LinkSnapshot& s) {
            const DriveRecord& d = s.table.slots[0];
            return d.controlAck[1] == 2100 && d.controlSet == d.controlAck;
        },
        10s));
    messages.abandonPending();
    tick.stop();
    EXPECT_FALSE(tick.running());
    EXPECT_GT(statusSeen.load(), 0);
    EXPECT_EQ(bus.drive(1)->setFrequency(), 2100);
    EXPECT_TRUE(messages.messages().empty());
}

TEST(CommTickTest, TheTickNeverWaitsForTheOperatorAndStopNeverDeadlocks) {
    ScriptedPort port;
    port.deliver(Bytes(200, 0x55)); // an over-long frame: the overflow message
    port.advanceTick();
    NoticeBoxes messages;
    DriveLink link(port, messages);
    ASSERT_TRUE(link.openLink().ok);
    CommTick tick(link);
    ASSERT_TRUE(tick.start());
    ASSERT_TRUE(messages.waitForText(5s));
    // The box is the operator's business: the tick goes on meanwhile.
    const uint64_t ticks = link.snapshot().tick;
    EXPECT_TRUE(waitFor(
        link, [ticks](const LinkSnapshot& s) { return s.tick > ticks + 20; }, 5s));
    messages.abandonPending();
    tick.stop();
    EXPECT_FALSE(tick.running());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"接受数据溢出！"});
    tick.stop(); // a second stop is harmless
}

TEST(CommTickTest, StallIsSkippedNotMadeUpInABurst) {
    ScriptedPort port;
    RecordingMessages messages;
    DriveLink link(port, messages);
    ASSERT_TRUE(link.openLink().ok);
    struct Wakes {
        std::mutex mutex;
        std::vector<Clock::time_point> at;
        Clock::time_point resumed{};
    } wakes;
    CommTick tick(link);
    // The tick thread is held up once for 60 ms (a slow machine, a debugger).
    tick.setWakeObserver(
        [](void* context, int64_t) {
            auto* w = static_cast<Wakes*>(context);
            std::unique_lock<std::mutex> lock(w->mutex);
            w->at.push_back(Clock::now());
            if (w->at.size() == 10) {
                lock.unlock();
                std::this_thread::sleep_for(60ms);
                lock.lock();
                w->resumed = Clock::now();
            }
        },
        &wakes);
    ASSERT_TRUE(tick.start());
    std::this_thread::sleep_for(150ms);
    tick.stop();
    EXPECT_GE(tick.skippedPeriods(), 40u);
    std::lock_guard<std::mutex> lock(wakes.mutex);
    const auto resumed = wakes.resumed;
    const auto soonAfter = std::count_if(wakes.at.begin(), wakes.at.end(),
                                         [&](auto t) { return t >= resumed && t < resumed + 3ms; });
    EXPECT_LE(soonAfter, 5); // a catch-up burst would crowd some 60 ticks in here
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
