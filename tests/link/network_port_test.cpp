// The Modbus TCP port against a scripted peer on loopback: only the answer to
// the request in flight reaches the link; and a connect nobody answers gives
// up at its limit without holding up the caller.

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "link/ports/device_port.h"
#include "link/ports/tcp_port.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// A listening loopback socket on a free port, and the one connection it takes.
struct Peer {
    Peer(int backlog = 1) : listening(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(listening, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(listening, backlog);
        ::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &size);
    }
    ~Peer() {
        ::close(connection);
        ::close(listening);
    }
    std::string where() const { return "127.0.0.1:" + std::to_string(ntohs(address.sin_port)); }
    bool accept() {
        pollfd wait{listening, POLLIN, 0};
        connection = ::poll(&wait, 1, 2000) == 1 ? ::accept(listening, nullptr, nullptr) : -1;
        const timeval limit{2, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        return connection >= 0;
    }
    void send(const Bytes& b) { ::send(connection, b.data(), b.size(), MSG_NOSIGNAL); }
    /// `count` bytes, or zeros where they did not come within 2 s.
    Bytes receive(std::size_t count) {
        Bytes got(count);
        ::recv(connection, got.data(), count, MSG_WAITALL);
        return got;
    }

    int listening;
    int connection = -1;
    sockaddr_in address{};
};

/// Polls the port as the tick does until `done` holds; false after `limit`.
bool pumpUntil(SerialPort& port, const std::function<bool()>& done,
               std::chrono::milliseconds limit = 2s) {
    for (const auto deadline = Clock::now() + limit; Clock::now() < deadline;) {
        port.bytesWaiting();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

Bytes readAll(SerialPort& port) {
    Bytes got(port.bytesWaiting());
    got.resize(port.read(got.data(), got.size()));
    return got;
}

/// An ADU: transaction, protocol 0, length, then unit id and PDU.
Bytes mbap(uint16_t transaction, const Bytes& unitAndPdu) {
    Bytes adu(6 + unitAndPdu.size());
    adu[0] = static_cast<uint8_t>(transaction >> 8);
    adu[1] = static_cast<uint8_t>(transaction);
    adu[5] = static_cast<uint8_t>(unitAndPdu.size());
    std::copy(unitAndPdu.begin(), unitAndPdu.end(), adu.begin() + 6);
    return adu;
}

TEST(ModbusTcpPort, OnlyTheAnswerToTheRequestInFlightReachesTheLink) {
    const Bytes request = withCrc({0x03, 0x03, 0x32, 0x10, 0x00, 0x10});
    const std::string garbage = "HTTP/1.1 400 Bad Request\r\n\r\n";
    const struct {
        const char* name;
        Bytes answer;         ///< to transaction 1
        std::size_t split;    ///< sent in two segments, the first this long (0: whole)
        Bytes reachesTheLink; ///< empty: dropped
    } cases[] = {
        {"matching", mbap(1, {3, 0x03, 0x02, 0x00, 0x07}), 0, readReply(3, {7})},
        {"split inside the header", mbap(1, {3, 0x03, 0x02, 0x00, 0x07}), 3, readReply(3, {7})},
        {"drive exception", mbap(1, {3, 0x83, 0x02}), 0, withCrc({3, 0x83, 0x02})},
        {"stale transaction", mbap(0, {3, 0x03, 0x02, 0x00, 0x07}), 0, {}},
        {"gateway path unavailable", mbap(1, {3, 0x83, 0x0A}), 0, {}},
        {"gateway target failed", mbap(1, {3, 0x83, 0x0B}), 0, {}},
        {"garbage", Bytes(garbage.begin(), garbage.end()), 0, {}},
    };
    for (const auto& c : cases) {
        Peer peer;
        std::string error;
        auto port = openPort("modbus-tcp://" + peer.where(), error);
        ASSERT_TRUE(port && peer.accept()) << error;
        ASSERT_TRUE(pumpUntil(*port, [&] { return !port->connecting(); }));
        ASSERT_TRUE(port->write(request.data(), request.size()));
        EXPECT_EQ(peer.receive(12), mbap(1, {3, 0x03, 0x32, 0x10, 0x00, 0x10})) << c.name;
        const auto cut = c.answer.begin() + static_cast<long>(c.split);
        peer.send(Bytes(c.answer.begin(), cut));
        pumpUntil(
            *port, [] { return false; }, 20ms);
        peer.send(Bytes(cut, c.answer.end()));
        // Loopback delivers within microseconds; a dropped answer never shows.
        const bool came = pumpUntil(
            *port, [&] { return port->bytesWaiting() > 0; }, 100ms);
        EXPECT_EQ(came ? readAll(*port) : Bytes{}, c.reachesTheLink) << c.name;

        // Whatever came before, the next request goes out with the next
        // transaction id and its answer comes through.
        ASSERT_TRUE(port->write(request.data(), request.size()));
        EXPECT_EQ(peer.receive(12), mbap(2, {3, 0x03, 0x32, 0x10, 0x00, 0x10})) << c.name;
        peer.send(mbap(2, {3, 0x03, 0x02, 0x12, 0x34}));
        ASSERT_TRUE(pumpUntil(*port, [&] { return port->bytesWaiting() > 0; })) << c.name;
        EXPECT_EQ(readAll(*port), readReply(3, {0x1234})) << c.name;

        if (c.split > 0) {
            // The peer goes away in the middle of an answer: none of it arrives.
            peer.send(Bytes(c.answer.begin(), cut));
            ::close(peer.connection);
            peer.connection = -1;
            EXPECT_TRUE(pumpUntil(*port, [&] { return port->connectionLost(); }));
            EXPECT_EQ(port->bytesWaiting(), 0u);
        }
    }
}

TEST(TcpPort, UnansweredConnectGivesUpAtItsLimitWithoutHoldingUpTheCaller) {
    // A server whose accept queue is full drops further connection requests:
    // they neither succeed nor fail until the station gives up.
    Peer full(0);
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(queued.back(), reinterpret_cast<sockaddr*>(&full.address), sizeof full.address);
    }
    std::this_thread::sleep_for(100ms);
    const auto opening = Clock::now();
    std::string error;
    auto port = openPort("tcp://" + full.where(), error);
    ASSERT_TRUE(port) << error;
    EXPECT_LT(Clock::now() - opening, 200ms) << "open() waited for the connection";
    EXPECT_TRUE(port->connecting());
    ASSERT_TRUE(pumpUntil(
        *port, [&] { return port->connectionLost(); }, 5s));
    EXPECT_GE(Clock::now() - opening, TcpPort::kConnectLimit - 100ms);
    EXPECT_EQ(port->lastError().rfind("无法连接 " + full.where() + "：连接超时", 0), 0u)
        << port->lastError();
    for (int fd : queued) {
        ::close(fd);
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
