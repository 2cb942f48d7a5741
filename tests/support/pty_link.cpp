#include "support/pty_link.h"

#include <csignal>
#include <thread>
#include <unistd.h>

namespace velkaro::testing {

PtyLink::PtyLink() : ptyLink(folder.file("com1")), port(ptyLink), link(port, messages), tick(link) {
    // A write to a pty whose far end has gone must fail, not end the test.
    std::signal(SIGPIPE, SIG_IGN);
}

PtyLink::~PtyLink() {
    tick.stop();
    sim.kill(SIGTERM);
}

bool PtyLink::simulatorBuilt() {
    return ::access(SimProcess::binary().c_str(), X_OK) == 0;
}

bool PtyLink::startSimulator(const std::vector<std::string>& drives) {
    return sim.start(ptyLink, drives);
}

bool PtyLink::start() {
    return link.openLink().ok && tick.start();
}

bool PtyLink::waitFor(const std::function<bool(const LinkSnapshot&)>& done,
                      std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (done(link.snapshot())) {
            return true;
        }
        link.queueStatusPolls(); // the window's 100 ms timer
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void PtyLink::runFor(std::chrono::milliseconds span) {
    waitFor([](const LinkSnapshot&) { return false; }, span);
}

bool PtyLink::search(int from, unsigned count, std::chrono::milliseconds limit) {
    link.submit({}, Search{from, count});
    return waitFor([](const LinkSnapshot& s) { return !s.searching; }, limit);
}

} // namespace velkaro::testing
