#pragma once

#include <string>

namespace velkaro::sim {

/// One simulator's claim on a --pty path: an flock on "PATH.lock" beside the
/// link, held while it serves, so that a second simulator can neither take
/// the link of a running one over nor delete it on exit. The lock file holds
/// the process id, for the message; it is removed on release.
class PtyLinkLock {
public:
    explicit PtyLinkLock(std::string link);
    ~PtyLinkLock(); ///< releases the claim
    PtyLinkLock(const PtyLinkLock&) = delete;
    PtyLinkLock& operator=(const PtyLinkLock&) = delete;

    /// Takes the claim. False, with a one-line reason naming the path (and
    /// the process of the simulator that holds it), when it cannot be taken.
    bool acquire(std::string& error);
    /// After acquire(): the lock file was there already, so the link at the
    /// path is one a simulator left when it ended without cleaning up.
    bool leftByEarlierRun() const { return m_leftByEarlierRun; }
    /// Removes the lock file and gives the claim up.
    void release();

private:
    std::string m_link;
    std::string m_lockPath;
    int m_fd = -1;
    bool m_leftByEarlierRun = false;
};

} // namespace velkaro::sim
