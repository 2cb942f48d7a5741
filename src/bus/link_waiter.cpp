#include "bus/link_waiter.h"

#include <algorithm>

namespace velkaro {

namespace {

constexpr int kStatusPollPeriodMs = 100; // the station's window timer 1

} // namespace

std::optional<Outcome> OutcomeStore::take(DriveLink& link, RequestId id) {
    for (Outcome& o : link.takeOutcomes()) {
        m_kept.push_back(std::move(o));
    }
    const auto found =
        std::find_if(m_kept.begin(), m_kept.end(), [id](const Outcome& o) { return o.id == id; });
    if (found == m_kept.end()) {
        return std::nullopt;
    }
    Outcome outcome = std::move(*found);
    m_kept.erase(found);
    return outcome;
}

void LinkWaiter::pass() {
    m_letTimePass();
    if (m_statusPolls && ++m_msSincePolls >= kStatusPollPeriodMs) {
        m_msSincePolls = 0;
        m_link.queueStatusPolls();
    }
}

RequestId LinkWaiter::submit(const Target& target, const Request& request) {
    std::optional<ActionTracker::Started> started;
    // A console run finds its drive anew each time: its search connects
    // nothing the operator sees, and is not logged.
    if (m_actionSink && !std::holds_alternative<Search>(request)) {
        started = m_actions.start(target, request, m_link.snapshot());
    }
    const RequestId id = m_link.submit(target, request);
    if (started) {
        m_started.emplace(id, std::move(*started));
    }
    return id;
}

std::optional<Outcome> LinkWaiter::ended(RequestId id) {
    std::optional<Outcome> outcome = m_outcomes.take(m_link, id);
    if (const auto started = m_started.find(id); outcome && started != m_started.end()) {
        if (std::optional<ActionRecord> row = m_actions.finish(started->second, *outcome)) {
            m_actionSink(std::move(*row));
        }
        m_started.erase(started);
    }
    return outcome;
}

std::optional<Outcome> LinkWaiter::request(const Target& target, const Request& request,
                                           int budgetMs) {
    return await(submit(target, request), budgetMs);
}

std::optional<Outcome> LinkWaiter::await(RequestId id, int budgetMs) {
    bool cancelled = false;
    for (int ms = 0;; ++ms) {
        if (std::optional<Outcome> outcome = ended(id)) {
            return outcome;
        }
        if (interrupted() && !cancelled) {
            m_link.cancel(id);
            cancelled = true;
            budgetMs = std::min(budgetMs, ms + kCancelGraceMs);
        }
        if (ms >= budgetMs) {
            if (!cancelled) {
                m_link.cancel(id);
            }
            giveUp(id);
            return std::nullopt;
        }
        pass();
    }
}

void LinkWaiter::giveUp(RequestId id) {
    const auto started = m_started.find(id);
    if (started == m_started.end()) {
        return;
    }
    // Nobody waits for its outcome any more: the row says what the console
    // did with it.
    Outcome given;
    given.id = id;
    given.result = Result::Cancelled;
    given.cancelReason = CancelReason::ByCaller;
    if (std::optional<ActionRecord> row = m_actions.finish(started->second, given)) {
        m_actionSink(std::move(*row));
    }
    m_started.erase(started);
}

bool LinkWaiter::until(const std::function<bool(const LinkSnapshot&)>& done, int budgetMs) {
    for (int ms = 0;; ++ms) {
        if (done(m_link.snapshot())) {
            return true;
        }
        if (ms >= budgetMs || interrupted()) {
            return false;
        }
        pass();
    }
}

Target connectDriveAt(LinkWaiter& wait, int address) {
    // A search that does not end in time still leaves what it found.
    wait.request({}, Search{address, 1}, kSearchBudgetMs);
    Target drive = wait.link().targetOfAddress(address);
    if (drive.slot < 0) {
        return drive;
    }
    // A command written before the drive's control block has been read would
    // be overwritten by what the drive holds.
    wait.until(
        [&drive](const LinkSnapshot& s) {
            const DriveRecord* d = s.drive(drive.slot);
            return d == nullptr || d->pendingOp == OpCode::None;
        },
        kOperationBudgetMs);
    return wait.link().targetOfSlot(drive.slot) == drive ? drive : Target{};
}

} // namespace velkaro
