#include "sim/pty_link_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkaro::sim {

namespace {

/// The process id a holder wrote into its lock file; empty if unreadable.
std::string holderOf(int fd) {
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    std::string pid = got > 0 ? std::string(text, static_cast<std::size_t>(got)) : "";
    return pid.substr(0, pid.find_first_not_of("0123456789"));
}

bool sameFile(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

PtyLinkLock::PtyLinkLock(std::string link)
    : m_link(std::move(link)), m_lockPath(m_link + ".lock") {}

PtyLinkLock::~PtyLinkLock() {
    release();
}

bool PtyLinkLock::acquire(std::string& error) {
    // A holder that releases removes its file between our open and our lock:
    // then the lock is on a file nobody names any more, and we try afresh.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            error = m_lockPath + ": " + std::strerror(errno);
            return false;
        }
        struct stat info {};
        const bool existed = ::fstat(fd, &info) == 0 && info.st_size > 0;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const std::string pid = holderOf(fd);
            ::close(fd);
            error = m_link + " is served by another velkaro-sim" +
                    (pid.empty() ? std::string() : " (process " + pid + ")");
            return false;
        }
        if (!sameFile(fd, m_lockPath)) {
            ::close(fd);
            continue;
        }
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
            error = m_lockPath + ": " + std::strerror(errno);
            ::unlink(m_lockPath.c_str());
            ::close(fd);
            return false;
        }
        m_fd = fd;
        m_leftByEarlierRun = existed;
        return true;
    }
    error = m_lockPath + " keeps changing; is another velkaro-sim starting?";
    return false;
}

void PtyLinkLock::release() {
    if (m_fd >= 0) {
        ::unlink(m_lockPath.c_str());
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace velkaro::sim
