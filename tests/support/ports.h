#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/ports/serial_port.h"
#include "support/frames.h"

namespace velkaro::testing {

/// A port that does nothing and never opens: for a DriveLink that only holds
/// the drive table, filled directly under the lock.
class NullPort : public SerialPort {
public:
    bool isOpen() const override { return false; }
    void close() override {}
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override {}
    bool open() override { return false; }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return false; }
    std::size_t bytesWaiting() override { return 0; }
    std::size_t read(uint8_t*, std::size_t) override { return 0; }
    bool write(const uint8_t*, std::size_t) override { return false; }
    std::string devicePath() const override { return "null"; }
    std::string lastError() const override { return "null port"; }
};

/// A serial port whose far end is a script: every frame the link writes is
/// recorded with its tick, and the responder's answer becomes readable, all at
/// once, `delayTicks` ticks later. Time moves only by advanceTick().
class ScriptedPort : public SerialPort {
public:
    using Responder = std::function<std::optional<Bytes>(const Bytes& request)>;

    struct Sent {
        uint64_t tick = 0;
        Bytes bytes;
    };

    void setResponder(Responder responder, unsigned delayTicks = 5) {
        m_responder = std::move(responder);
        m_delayTicks = delayTicks;
    }
    /// Bytes readable from the next tick on, outside any request.
    void deliver(const Bytes& bytes, unsigned afterTicks = 0);
    /// Bytes readable at once, for tests that drive the receive step by hand.
    void receive(const Bytes& bytes);
    void advanceTick();
    uint64_t now() const { return m_now; }
    const std::vector<Sent>& sent() const { return m_sent; }
    void clearSent() { m_sent.clear(); }

    bool isOpen() const override { return m_open; }
    void close() override { m_open = false; }
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override {}
    bool open() override {
        m_open = true;
        return true;
    }
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return true; }
    std::size_t bytesWaiting() override { return m_inbox.size(); }
    std::size_t read(uint8_t* buffer, std::size_t capacity) override;
    bool write(const uint8_t* data, std::size_t length) override;
    std::string devicePath() const override { return "scripted"; }
    std::string lastError() const override { return {}; }

private:
    struct Due {
        uint64_t tick = 0;
        Bytes bytes;
    };
    Responder m_responder;
    unsigned m_delayTicks = 5;
    uint64_t m_now = 0;
    bool m_open = false;
    std::deque<uint8_t> m_inbox;
    std::vector<Due> m_due;
    std::vector<Sent> m_sent;
};

} // namespace velkaro::testing
