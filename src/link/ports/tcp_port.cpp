#include "link/ports/tcp_port.h"
#include "registry/language.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace velkaro {

/// One resolve-and-connect running on its own thread. The port may give up on
/// it (close, time limit) without waiting: the thread then closes what it got.
struct TcpPort::Attempt {
    std::mutex mutex;
    bool done = false;
    bool abandoned = false;
    int fd = -1;
    std::string error; ///< the reason, when done without a connection
};

namespace {

using Clock = std::chrono::steady_clock;

/// Connects one resolved address without blocking past `deadline`; the socket
/// or -1 with the reason.
int connectOne(const addrinfo& address, Clock::time_point deadline, std::string& error) {
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    if (::connect(fd, address.ai_addr, address.ai_addrlen) != 0 && errno != EINPROGRESS) {
        error = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            error = translated("PortTexts", "连接超时");
            ::close(fd);
            return -1;
        }
        pollfd wait{fd, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready > 0) {
            break;
        }
    }
    int status = 0;
    socklen_t size = sizeof status;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &status, &size) != 0 || status != 0) {
        error = std::strerror(status != 0 ? status : errno);
        ::close(fd);
        return -1;
    }
    // Frames are small and each waits for its answer: send them at once.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

} // namespace

void TcpPort::resolveAndConnect(const std::string& host, uint16_t port, Clock::time_point deadline,
                                const std::shared_ptr<Attempt>& attempt) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string error;
    int fd = -1;
    const int resolved = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (resolved != 0) {
        error = translated("PortTexts", "无法解析主机名（") +
                std::string(::gai_strerror(resolved)) + translated("PortTexts", "）");
    } else {
        for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
            fd = connectOne(*a, deadline, error);
        }
        ::freeaddrinfo(found);
    }
    std::lock_guard<std::mutex> guard(attempt->mutex);
    if (attempt->abandoned) {
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    attempt->fd = fd;
    attempt->error = error;
    attempt->done = true;
}

TcpPort::TcpPort(DeviceAddress address, std::string deviceText)
    : m_address(std::move(address)), m_deviceText(std::move(deviceText)) {}

TcpPort::~TcpPort() {
    close();
}

bool TcpPort::isOpen() const {
    return m_state != State::Closed;
}

void TcpPort::close() {
    if (m_attempt) {
        std::lock_guard<std::mutex> guard(m_attempt->mutex);
        m_attempt->abandoned = true;
        if (m_attempt->fd >= 0) {
            ::close(m_attempt->fd);
            m_attempt->fd = -1;
        }
    }
    m_attempt.reset();
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_state = State::Closed;
}

void TcpPort::discardPendingOutput() {}

bool TcpPort::open() {
    close();
    m_lastError.clear();
    m_state = State::Connecting;
    m_openedAt = Clock::now();
    m_attempt = std::make_shared<Attempt>();
    try {
        std::thread(resolveAndConnect, m_address.host, m_address.port, m_openedAt + kConnectLimit,
                    m_attempt)
            .detach();
    } catch (const std::system_error& e) {
        m_attempt.reset();
        m_state = State::Closed;
        m_lastError = translated("PortTexts", "无法连接 ") + endpoint() +
                      translated("PortTexts", "：") + e.what();
        return false;
    }
    return true;
}

void TcpPort::fail(const std::string& message) {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_lastError = message;
    m_state = State::Failed;
}

void TcpPort::lose(const std::string& reason) {
    fail(translated("PortTexts", "与 ") + endpoint() + translated("PortTexts", " 的连接已断开：") +
         reason);
}

void TcpPort::settleConnect() {
    if (m_state != State::Connecting) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_attempt->mutex);
        if (m_attempt->done) {
            m_fd = m_attempt->fd;
            m_attempt->fd = -1;
            m_lastError = m_attempt->error;
        } else if (Clock::now() - m_openedAt < kConnectLimit) {
            return;
        } else {
            // Resolving may hang past any limit: leave it to finish on its own.
            m_attempt->abandoned = true;
            m_lastError = translated("PortTexts", "连接超时（") +
                          std::to_string(kConnectLimit.count()) + translated("PortTexts", " 秒）");
        }
    }
    m_attempt.reset();
    if (m_fd < 0) {
        fail(translated("PortTexts", "无法连接 ") + endpoint() + translated("PortTexts", "：") +
             m_lastError);
        return;
    }
    m_lastError.clear();
    m_state = State::Connected;
}

bool TcpPort::connecting() {
    settleConnect();
    return m_state == State::Connecting;
}

std::size_t TcpPort::bytesWaiting() {
    settleConnect();
    if (m_state != State::Connected) {
        return 0;
    }
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) == 0 && count > 0) {
        return static_cast<std::size_t>(count);
    }
    // Nothing waiting: find out whether the peer has gone.
    uint8_t probe = 0;
    const ssize_t got = ::recv(m_fd, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (got == 0) {
        lose(translated("PortTexts", "对方关闭了连接"));
    } else if (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        lose(std::strerror(errno));
    } else if (got > 0) {
        return 1;
    }
    return 0;
}

std::size_t TcpPort::read(uint8_t* buffer, std::size_t capacity) {
    settleConnect();
    if (m_state != State::Connected || capacity == 0) {
        return 0;
    }
    const ssize_t got = ::recv(m_fd, buffer, capacity, MSG_DONTWAIT);
    if (got > 0) {
        return static_cast<std::size_t>(got);
    }
    if (got == 0) {
        lose(translated("PortTexts", "对方关闭了连接"));
    } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        lose(std::strerror(errno));
    }
    return 0;
}

bool TcpPort::write(const uint8_t* data, std::size_t length) {
    settleConnect();
    if (m_state == State::Connecting) {
        // Lost as on a line nobody listens to yet: its operation times out
        // and asks again. Held frames sent at once on connecting would reach
        // the drives back to back, and their answers the wrong requests.
        return true;
    }
    if (m_state != State::Connected) {
        if (m_lastError.empty()) {
            m_lastError = translated("PortTexts", "未连接 ") + endpoint();
        }
        return false;
    }
    return send(data, length);
}

bool TcpPort::send(const uint8_t* data, std::size_t length) {
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::send(m_fd, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // The peer does not read: the rest of the frame is lost and its
            // operation times out, as on a full serial queue.
            return true;
        }
        lose(std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace velkaro
