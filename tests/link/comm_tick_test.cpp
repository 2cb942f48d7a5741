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

/// Blocks in show() like a modal box until the operator (the test) dismisses
/// it or the owner abandons it before stopping the tick.
class ModalMessages : public OperatorMessages {
public:
    void show(const std::string& text, const std::string&) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_texts.push_back(text);
        m_open = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_abandoned || !m_open; });
        m_open = false;
    }
    void abandonPending() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_abandoned = true;
        m_changed.notify_all();
    }
    bool waitUntilOpen(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, limit, [this] { return m_open; });
    }
    void dismiss() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = false;
        m_changed.notify_all();
    }
    std::vector<std::string> texts() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_texts;
    bool m_open = false;
    bool m_abandoned = false;
};

template <class Pred> bool waitFor(DriveLink& link, Pred done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        {
            auto s = link.lock();
            if (done(*s)) {
                return true;
            }
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
    {
        auto s = link.lock();
        s->searchNextAddress = 1;
        s->searchRemaining = 2;
    }
    ASSERT_TRUE(waitFor(
        link, [](LinkState& s) { return s.table.driveCount == 2 && s.searchRemaining == 0; }, 20s));

    // The window thread: timer 1 every 100 ms, commands and group reads
    // written, the table read whole; a second reader as the history writer.
    std::atomic<bool> done{false};
    std::atomic<int> statusSeen{0};
    std::thread reader([&] {
        while (!done.load()) {
            {
                auto s = link.lock();
                for (uint32_t i = 0; i < s->table.driveCount; ++i) {
                    const int slot = s->table.findSlotByName(s->table.driveNames[i]);
                    if (slot >= 0 && s->table.slots[static_cast<std::size_t>(slot)].status[8] > 0) {
                        statusSeen.fetch_add(1);
                    }
                }
            }
            std::this_thread::sleep_for(3ms);
        }
    });
    for (int round = 0; round < 12; ++round) {
        link.queueStatusPolls();
        {
            auto s = link.lock();
            DriveRecord& d = s->table.slots[0];
            d.controlSet[0] = round % 2 == 0 ? 0x001F : 0x001E;
            d.controlSet[1] = 1000 + 100 * round;
            s->selectedSlot = 0;
            s->selectedGroup = round % 4;
            if (round % 3 == 0) {
                d.pendingOp = OpCode::GroupRead;
            }
        }
        std::this_thread::sleep_for(100ms);
    }
    done.store(true);
    reader.join();
    ASSERT_TRUE(waitFor(
        link,
        [](LinkState& s) {
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

TEST(CommTickTest, LockIsFreeWhileAMessageWaitsAndStopNeverDeadlocks) {
    ScriptedPort port;
    port.deliver(Bytes(200, 0x55)); // an over-long frame: the overflow message
    port.advanceTick();
    ModalMessages messages;
    DriveLink link(port, messages);
    ASSERT_TRUE(link.openLink().ok);
    CommTick tick(link);
    ASSERT_TRUE(tick.start());
    ASSERT_TRUE(messages.waitUntilOpen(5s));
    {
        // The box is open on the tick thread; the window can still take the lock.
        auto s = link.lock();
        s->selectedSlot = 3;
    }
    messages.abandonPending();
    tick.stop();
    EXPECT_FALSE(tick.running());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"接受数据溢出！"});
    tick.stop(); // a second stop is harmless
}

TEST(CommTickTest, StallIsSkippedNotMadeUpInABurst) {
    ScriptedPort port;
    port.deliver(Bytes(200, 0x55));
    port.advanceTick();
    ModalMessages messages;
    DriveLink link(port, messages);
    ASSERT_TRUE(link.openLink().ok);
    struct Wakes {
        std::mutex mutex;
        std::vector<Clock::time_point> at;
    } wakes;
    CommTick tick(link);
    tick.setWakeObserver(
        [](void* context, int64_t) {
            auto* w = static_cast<Wakes*>(context);
            std::lock_guard<std::mutex> lock(w->mutex);
            w->at.push_back(Clock::now());
        },
        &wakes);
    ASSERT_TRUE(tick.start());
    ASSERT_TRUE(messages.waitUntilOpen(5s));
    std::this_thread::sleep_for(60ms); // the operator takes 60 ms to answer
    const auto dismissed = Clock::now();
    messages.dismiss();
    std::this_thread::sleep_for(30ms);
    messages.abandonPending();
    tick.stop();
    EXPECT_GE(tick.skippedPeriods(), 40u);
    std::lock_guard<std::mutex> lock(wakes.mutex);
    const auto soonAfter = std::count_if(wakes.at.begin(), wakes.at.end(), [&](auto t) {
        return t >= dismissed && t < dismissed + 3ms;
    });
    EXPECT_LE(soonAfter, 5); // a catch-up burst would crowd some 60 ticks in here
}

} // namespace
} // namespace velkaro::testing
