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

std::optional<Outcome> LinkWaiter::request(const Target& target, const Request& request,
                                           int budgetMs) {
    return await(m_link.submit(target, request), budgetMs);
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
            return std::nullopt;
        }
        pass();
    }
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
