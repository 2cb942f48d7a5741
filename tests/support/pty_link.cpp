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

bool PtyLink::waitFor(const std::function<bool(LinkState&)>& done,
                      std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        {
            auto s = link.lock();
            if (done(*s)) {
                return true;
            }
        }
        link.queueStatusPolls(); // the window's 100 ms timer
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void PtyLink::runFor(std::chrono::milliseconds span) {
    waitFor([](LinkState&) { return false; }, span);
}

bool PtyLink::search(int from, unsigned count, std::chrono::milliseconds limit) {
    {
        auto s = link.lock();
        s->searchNextAddress = from;
        s->searchRemaining = count;
    }
    return waitFor(
        [](LinkState& s) { return s.searchRemaining == 0 && s.table.probeRecord.name.empty(); },
        limit);
}

} // namespace velkaro::testing
