#include "sim/tcp_server.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/protocol/frame_codec.h"
#include "sim/bus_simulator.h"
#include "sim/line_settings.h"

namespace velkaro::sim {

TcpServer::~TcpServer() {
    dropStation();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
    }
}

bool TcpServer::listen(const std::string& host, uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    const int resolved = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        error = host + ": " + ::gai_strerror(resolved);
        return false;
    }
    for (const addrinfo* a = found; a != nullptr && m_listenFd < 0; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            error = std::strerror(errno);
            continue;
        }
        // A restarted simulator takes its port back at once.
        const int one = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) != 0 || ::listen(fd, 4) != 0) {
            error = std::strerror(errno);
            ::close(fd);
            continue;
        }
        m_listenFd = fd;
    }
    ::freeaddrinfo(found);
    if (m_listenFd < 0) {
        error = "listen on " + host + ":" + std::to_string(port) + ": " + error;
        return false;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&bound), &size);
    m_port =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
    m_host = host;
    return true;
}

std::string TcpServer::deviceText() const {
    const bool ipv6 = m_host.find(':') != std::string::npos;
    return std::string(m_mode == Mode::RawRtu ? "tcp://" : "modbus-tcp://") +
           (ipv6 ? "[" + m_host + "]" : m_host) + ":" + std::to_string(m_port);
}

void TcpServer::dropStation() {
    if (m_stationFd >= 0) {
        ::close(m_stationFd);
        m_stationFd = -1;
    }
    m_out.clear();
    m_stream.clear();
    m_requests.clear();
    m_inFlight = false;
    m_answer.clear();
}

void TcpServer::accept() {
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    dropStation();
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_stationFd = fd;
}

void TcpServer::receive(BusSimulator& bus, uint64_t nowUs) {
    if (m_stationFd < 0) {
        return;
    }
    std::array<uint8_t, 512> buffer{};
    const ssize_t got = ::recv(m_stationFd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        dropStation();
        return;
    }
    if (got < 0) {
        return;
    }
    const auto count = static_cast<std::size_t>(got);
    if (m_mode == Mode::RawRtu) {
        // The bytes have already crossed the wire: they started one frame time ago.
        const uint64_t wireUs = charactersTimeUs(bus.line(), count);
        bus.stationSent(buffer.data(), count, nowUs > wireUs ? nowUs - wireUs : 0);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (m_stream.push(buffer[i]) != MbapStream::Step::Whole) {
            continue;
        }
        Request request;
        request.transaction = readMbapHeader(m_stream.frame()).transaction;
        request.rtu.resize(kMaxRtuBytes);
        request.rtu.resize(
            mbapToRtu(m_stream.frame(), m_stream.length(), request.rtu.data(), request.rtu.size()));
        if (!request.rtu.empty()) {
            m_requests.push_back(std::move(request));
        }
    }
    startNextRequest(bus, nowUs);
}

void TcpServer::startNextRequest(BusSimulator& bus, uint64_t nowUs) {
    if (m_inFlight || m_requests.empty()) {
        return;
    }
    m_current = std::move(m_requests.front());
    m_requests.pop_front();
    m_answer.clear();
    m_inFlight = true;
    bus.stationSent(m_current.rtu.data(), m_current.rtu.size(), nowUs);
}

void TcpServer::answerRequest() {
    std::array<uint8_t, kMaxAduBytes> adu{};
    std::size_t size =
        rtuToMbap(m_answer.data(), m_answer.size(), m_current.transaction, adu.data(), adu.size());
    if (size == 0) {
        // Nothing valid came back from the drive: the gateway says so.
        std::vector<uint8_t> refusal{m_current.rtu[0],
                                     static_cast<uint8_t>(m_current.rtu[1] | kExceptionFlag),
                                     kGatewayTargetFailed};
        const auto crc = crc16(refusal.data(), refusal.size());
        refusal.insert(refusal.end(), crc.begin(), crc.end());
        size = rtuToMbap(refusal.data(), refusal.size(), m_current.transaction, adu.data(),
                         adu.size());
    }
    send(adu.data(), size);
    m_inFlight = false;
}

void TcpServer::transmit(BusSimulator& bus, uint64_t nowUs) {
    std::array<uint8_t, 512> due{};
    const std::size_t count = bus.takeReplyBytes(due.data(), due.size(), nowUs);
    if (m_mode == Mode::RawRtu) {
        // Reply bytes leave as they come due, so the station sees them paced.
        if (m_stationFd >= 0) {
            send(due.data(), count);
        }
    } else {
        m_answer.insert(m_answer.end(), due.begin(), due.begin() + static_cast<long>(count));
        if (m_inFlight && !bus.nextEventUs()) {
            answerRequest();
            startNextRequest(bus, nowUs);
        }
    }
    send(nullptr, 0);
}

void TcpServer::send(const uint8_t* data, std::size_t length) {
    m_out.insert(m_out.end(), data, data + length);
    if (m_stationFd < 0 || m_out.empty()) {
        return;
    }
    const ssize_t sent =
        ::send(m_stationFd, m_out.data(), m_out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
        m_out.erase(m_out.begin(), m_out.begin() + sent);
    } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        dropStation();
    }
}

} // namespace velkaro::sim
