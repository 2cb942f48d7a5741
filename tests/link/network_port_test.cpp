// The network ports against a scripted peer on loopback: the raw port passes
// frames as they are; the Modbus TCP port wraps requests, counts transactions
// and keeps from the link whatever is not the answer to the request in flight.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "link/device_port.h"
#include "link/modbus_tcp_port.h"
#include "link/support/scripted_port.h"
#include "link/tcp_port.h"

namespace velkaro::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// The far end: listens on a free loopback port, takes one connection.
class Peer {
public:
    Peer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), size);
        ::listen(m_listen, 1);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~Peer() {
        hangUp();
        stopListening();
    }
    uint16_t port() const { return m_port; }
    std::string text(const char* scheme) const {
        return std::string(scheme) + "127.0.0.1:" + std::to_string(m_port);
    }
    void stopListening() {
        if (m_listen >= 0) {
            ::close(m_listen);
            m_listen = -1;
        }
    }
    bool accept() {
        pollfd wait{m_listen, POLLIN, 0};
        if (::poll(&wait, 1, 2000) != 1) {
            return false;
        }
        m_fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        return m_fd >= 0;
    }
    void send(const Bytes& bytes) { ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    /// Exactly `count` bytes, or fewer if they do not come within 2 s.
    Bytes receive(std::size_t count) {
        Bytes got(count);
        std::size_t have = 0;
        pollfd wait{m_fd, POLLIN, 0};
        while (have < count && ::poll(&wait, 1, 2000) == 1) {
            const ssize_t n = ::recv(m_fd, got.data() + have, count - have, 0);
            if (n <= 0) {
                break;
            }
            have += static_cast<std::size_t>(n);
        }
        got.resize(have);
        return got;
    }
    void hangUp() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_listen = -1;
    int m_fd = -1;
    uint16_t m_port = 0;
};

/// Polls the port as the tick does until `done` holds; false after `limit`.
bool pumpUntil(SerialPort& port, const std::function<bool()>& done,
               std::chrono::milliseconds limit = 2s) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
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

const Bytes kStatusRequest = withCrc({0x03, 0x03, 0x32, 0x10, 0x00, 0x10});

Bytes mbap(uint16_t transaction, const Bytes& unitAndPdu) {
    Bytes adu{
        static_cast<uint8_t>(transaction >> 8), static_cast<uint8_t>(transaction & 0xFF), 0, 0, 0,
        static_cast<uint8_t>(unitAndPdu.size())};
    adu.insert(adu.end(), unitAndPdu.begin(), unitAndPdu.end());
    return adu;
}

TEST(TcpPort, FramesPassAsTheyAreAndThoseWrittenWhileConnectingFollow) {
    Peer peer;
    std::string error;
    auto port = openPort(peer.text("tcp://"), error);
    ASSERT_TRUE(port) << error;
    EXPECT_TRUE(port->applyLineSettings(9600, 'E', 8, 1)) << "line settings do not apply";
    ASSERT_TRUE(port->write(kStatusRequest.data(), kStatusRequest.size()));
    ASSERT_TRUE(peer.accept());
    ASSERT_TRUE(pumpUntil(*port, [&] { return !port->connecting(); }));
    EXPECT_EQ(peer.receive(kStatusRequest.size()), kStatusRequest);

    const Bytes reply = readReply(3, {1, 2, 3});
    peer.send(Bytes(reply.begin(), reply.begin() + 4));
    peer.send(Bytes(reply.begin() + 4, reply.end()));
    Bytes got;
    ASSERT_TRUE(pumpUntil(*port, [&] {
        const Bytes more = readAll(*port);
        got.insert(got.end(), more.begin(), more.end());
        return got.size() >= reply.size();
    }));
    EXPECT_EQ(got, reply);
    EXPECT_FALSE(port->connectionLost());
}

TEST(TcpPort, RefusedAndLostConnectionsNameHostPortAndReason) {
    for (const char* scheme : {"tcp://", "modbus-tcp://"}) {
        Peer refusing;
        refusing.stopListening();
        std::string error;
        auto port = openPort(refusing.text(scheme), error);
        ASSERT_TRUE(port) << error;
        ASSERT_TRUE(pumpUntil(*port, [&] { return port->connectionLost(); })) << scheme;
        EXPECT_EQ(port->lastError(),
                  "无法连接 127.0.0.1:" + std::to_string(refusing.port()) + "：Connection refused");
        EXPECT_FALSE(port->write(kStatusRequest.data(), kStatusRequest.size()));

        // The peer goes away in the middle of an answer: nothing of it reaches the link.
        Peer leaving;
        port = openPort(leaving.text(scheme), error);
        ASSERT_TRUE(leaving.accept());
        ASSERT_TRUE(pumpUntil(*port, [&] { return !port->connecting(); }));
        ASSERT_TRUE(port->write(kStatusRequest.data(), kStatusRequest.size()));
        leaving.receive(std::string(scheme) == "tcp://" ? 8 : 12);
        leaving.send({0x00, 0x01, 0x00, 0x00, 0x00, 0x23, 0x03, 0x03});
        leaving.hangUp();
        Bytes delivered;
        ASSERT_TRUE(pumpUntil(*port, [&] {
            const Bytes more = readAll(*port);
            delivered.insert(delivered.end(), more.begin(), more.end());
            return port->connectionLost();
        })) << scheme;
        if (std::string(scheme) != "tcp://") {
            EXPECT_TRUE(delivered.empty()) << "half an answer is no answer";
        }
        EXPECT_EQ(port->lastError(), "与 127.0.0.1:" + std::to_string(leaving.port()) +
                                         " 的连接已断开：对方关闭了连接");
    }
}

TEST(TcpPort, UnansweredConnectGivesUpAtItsLimitWithoutHoldingUpTheCaller) {
    // A server whose accept queue is full drops further connection requests:
    // they neither succeed nor fail until the station gives up.
    const int full = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(full, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::listen(full, 0), 0);
    ::getsockname(full, reinterpret_cast<sockaddr*>(&address), &size);
    std::vector<int> queued;
    for (int i = 0; i < 3; ++i) {
        queued.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ::connect(queued.back(), reinterpret_cast<sockaddr*>(&address), size);
    }
    std::this_thread::sleep_for(100ms);

    const std::string where = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const auto opening = Clock::now();
    std::string error;
    auto port = openPort("tcp://" + where, error);
    ASSERT_TRUE(port) << error;
    EXPECT_LT(Clock::now() - opening, 200ms) << "open() waited for the connection";
    EXPECT_TRUE(port->connecting());
    ASSERT_TRUE(pumpUntil(
        *port, [&] { return port->connectionLost(); }, 5s));
    EXPECT_GE(Clock::now() - opening, TcpPort::kConnectLimit - 100ms);
    EXPECT_EQ(port->lastError().rfind("无法连接 " + where + "：连接超时", 0), 0u)
        << port->lastError();
    for (int fd : queued) {
        ::close(fd);
    }
    ::close(full);
}

struct Answer {
    const char* name;
    std::function<Bytes(uint16_t transaction)> bytes;
    Bytes reachesTheLink;  ///< empty: dropped
    std::size_t split = 0; ///< sent in two segments, the first this long
};

class ModbusTcpAnswers : public ::testing::TestWithParam<Answer> {};

TEST_P(ModbusTcpAnswers, OnlyTheAnswerToTheRequestInFlightReachesTheLink) {
    const Answer& a = GetParam();
    Peer peer;
    std::string error;
    auto port = openPort(peer.text("modbus-tcp://"), error);
    ASSERT_TRUE(port) << error;
    ASSERT_TRUE(peer.accept());
    ASSERT_TRUE(pumpUntil(*port, [&] { return !port->connecting(); }));

    ASSERT_TRUE(port->write(kStatusRequest.data(), kStatusRequest.size()));
    EXPECT_EQ(peer.receive(12), mbap(1, {0x03, 0x03, 0x32, 0x10, 0x00, 0x10}));
    const Bytes answer = a.bytes(1);
    if (a.split > 0) {
        peer.send(Bytes(answer.begin(), answer.begin() + static_cast<long>(a.split)));
        pumpUntil(
            *port, [] { return false; }, 20ms);
        peer.send(Bytes(answer.begin() + static_cast<long>(a.split), answer.end()));
    } else {
        peer.send(answer);
    }
    if (a.reachesTheLink.empty()) {
        // Loopback delivers within microseconds: none may come through meanwhile.
        EXPECT_FALSE(pumpUntil(
            *port, [&] { return port->bytesWaiting() > 0; }, 100ms));
    } else {
        ASSERT_TRUE(pumpUntil(*port, [&] { return port->bytesWaiting() > 0; }));
        EXPECT_EQ(readAll(*port), a.reachesTheLink);
    }

    // Whatever came before, the next request goes out with the next
    // transaction id and its answer comes through.
    ASSERT_TRUE(port->write(kStatusRequest.data(), kStatusRequest.size()));
    EXPECT_EQ(peer.receive(12), mbap(2, {0x03, 0x03, 0x32, 0x10, 0x00, 0x10}));
    peer.send(mbap(2, {0x03, 0x03, 0x02, 0x12, 0x34}));
    ASSERT_TRUE(pumpUntil(*port, [&] { return port->bytesWaiting() > 0; }));
    EXPECT_EQ(readAll(*port), readReply(3, {0x1234}));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ModbusTcpAnswers,
    ::testing::Values(Answer{"Matching",
                             [](uint16_t t) {
                                 return mbap(t, {0x03, 0x03, 0x02, 0x00, 0x07});
                             },
                             readReply(3, {7})},
                      Answer{"SplitInsideTheHeader",
                             [](uint16_t t) {
                                 return mbap(t, {0x03, 0x03, 0x02, 0x00, 0x07});
                             },
                             readReply(3, {7}), 3},
                      Answer{"DriveException",
                             [](uint16_t t) {
                                 return mbap(t, {0x03, 0x83, 0x02});
                             },
                             withCrc({0x03, 0x83, 0x02})},
                      Answer{
                          "StaleTransaction",
                          [](uint16_t t) {
                              return mbap(static_cast<uint16_t>(t - 1), {0x03, 0x03, 0x02, 0, 7});
                          },
                          {}},
                      Answer{"GatewayPathUnavailable",
                             [](uint16_t t) {
                                 return mbap(t, {0x03, 0x83, 0x0A});
                             },
                             {}},
                      Answer{"GatewayTargetFailed",
                             [](uint16_t t) {
                                 return mbap(t, {0x03, 0x83, 0x0B});
                             },
                             {}},
                      Answer{"Garbage",
                             [](uint16_t) {
                                 const std::string text = "HTTP/1.1 400 Bad Request\r\n\r\n";
                                 return Bytes(text.begin(), text.end());
                             },
                             {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace velkaro::testing
