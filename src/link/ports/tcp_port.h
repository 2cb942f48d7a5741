#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "link/ports/device_address.h"
#include "link/ports/serial_port.h"

namespace velkaro {

/// A serial device server in raw mode: the RTU frames travel as they are over
/// one TCP connection. open() returns at once; the host is resolved and the
/// connection made in the background, and the tick sees the outcome through
/// connecting() and connectionLost(). Frames written meanwhile are lost, as
/// on a line nobody listens to yet: their operations time out and ask again,
/// so no answer can belong to a request held back. Line settings belong to
/// the server and are not applied here.
class TcpPort : public SerialPort {
public:
    /// How long resolving and connecting may take together.
    static constexpr std::chrono::seconds kConnectLimit{3};

    /// `deviceText` is how devicePath() names the port (the tcp:// text).
    TcpPort(DeviceAddress address, std::string deviceText);
    ~TcpPort() override;
    TcpPort(const TcpPort&) = delete;
    TcpPort& operator=(const TcpPort&) = delete;

    bool isOpen() const override;
    void close() override;
    void selectPort(int) override {}
    void setReceiveBufferSize(std::size_t) override {}
    void setTransmitBufferSize(std::size_t) override {}
    void discardPendingOutput() override;
    /// Starts resolving and connecting; true unless a socket cannot be had at all.
    bool open() override;
    void setReadEverything() override {}
    void setBinaryMode() override {}
    void disableReceiveEvents() override {}
    bool applyLineSettings(int, char, int, int) override { return true; }
    std::size_t bytesWaiting() override;
    std::size_t read(uint8_t* buffer, std::size_t capacity) override;
    bool write(const uint8_t* data, std::size_t length) override;
    std::string devicePath() const override { return m_deviceText; }
    std::string lastError() const override { return m_lastError; }
    bool connecting() override;
    bool connectionLost() const override { return m_state == State::Failed; }

    /// "HOST:PORT" as messages name the peer.
    std::string endpoint() const { return m_address.endpoint(); }

private:
    enum class State { Closed, Connecting, Connected, Failed };
    struct Attempt;
    /// The background thread's work: resolve, then connect before `deadline`.
    static void resolveAndConnect(const std::string& host, uint16_t port,
                                  std::chrono::steady_clock::time_point deadline,
                                  const std::shared_ptr<Attempt>& attempt);

    /// Takes the background attempt's outcome, or fails it past the limit.
    void settleConnect();
    /// Hands bytes to the connected socket (not through write(): a subclass
    /// may have wrapped them already). False when the connection broke.
    bool send(const uint8_t* data, std::size_t length);
    void fail(const std::string& message);
    void lose(const std::string& reason);

    DeviceAddress m_address;
    std::string m_deviceText;
    std::string m_lastError;
    State m_state = State::Closed;
    int m_fd = -1;
    std::shared_ptr<Attempt> m_attempt;
    std::chrono::steady_clock::time_point m_openedAt;
};

} // namespace velkaro
