#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "link/drive_link.h"
#include "records/action_record.h"

namespace velkaro {

/// Outcomes taken from the link and kept until their request is asked for:
/// the link hands out every ended request at once, a console command asks
/// for one at a time.
class OutcomeStore {
public:
    /// The outcome of request `id` if it has ended (taken from `link` now or
    /// kept from before); none while it runs. Each is handed out once.
    std::optional<Outcome> take(DriveLink& link, RequestId id);

private:
    std::vector<Outcome> m_kept;
};

/// Lets link time pass for a console command: the real tick, or a test's tick
/// and simulated wire, one millisecond per step.
class LinkWaiter {
public:
    LinkWaiter(DriveLink& link, std::function<void()> letTimePass)
        : m_link(link), m_letTimePass(std::move(letTimePass)) {}

    /// With polls on, every connected drive gets a status read each 100 ms of
    /// waiting, as the station's window timer gives them: a drive stays
    /// watched, and a refused command is tried again after its next read.
    void setStatusPolls(bool on) { m_statusPolls = on; }
    /// With a flag (Ctrl-C), a wait that sees it raised cancels its request
    /// and waits at most kCancelGraceMs more for the outcome, which then
    /// tells how far the request got.
    void setInterrupt(const std::atomic<bool>* flag) { m_interrupt = flag; }
    bool interrupted() const { return m_interrupt != nullptr && m_interrupt->load(); }

    using ActionSink = std::function<void(ActionRecord)>;
    /// From now on every operator request given through submit() or
    /// request() (commands, writes, import, export, searches) hands its row
    /// to `sink` once it has ended; one given up at the end of its budget is
    /// logged as cancelled. Reads are not logged.
    void setActionLog(ActionSink sink) { m_actionSink = std::move(sink); }
    ActionTracker& actions() { return m_actions; }

    /// Submits `request` for `target` without waiting (noted for the action log).
    RequestId submit(const Target& target, const Request& request);
    /// Submits `request` for `target` and lets time pass until it has ended.
    /// Its outcome; none when `budgetMs` passed first, or the grace after an
    /// interrupt (the request is then cancelled).
    std::optional<Outcome> request(const Target& target, const Request& request, int budgetMs);
    /// The same for a request already submitted.
    std::optional<Outcome> await(RequestId id, int budgetMs);
    /// The outcome of `id` if it has ended, without waiting.
    std::optional<Outcome> ended(RequestId id);
    /// Lets time pass until `done` holds for a snapshot; false when the budget
    /// is spent or an interrupt came first.
    bool until(const std::function<bool(const LinkSnapshot&)>& done, int budgetMs);
    /// About one millisecond of link time (and the status polls when due).
    void pass();

    DriveLink& link() { return m_link; }
    /// Logs a request given through submit() whose outcome nobody will wait
    /// for any more as cancelled.
    void giveUp(RequestId id);

private:
    DriveLink& m_link;
    std::function<void()> m_letTimePass;
    OutcomeStore m_outcomes;
    const std::atomic<bool>* m_interrupt = nullptr;
    bool m_statusPolls = false;
    int m_msSincePolls = 0;
    ActionSink m_actionSink;
    ActionTracker m_actions;
    std::map<RequestId, ActionTracker::Started> m_started;
};

/// Searches the one address and waits for the control block of the drive
/// there to be read (a drive already connected at that address is taken as
/// it is). The drive as a request target; slot -1 when nothing answers.
Target connectDriveAt(LinkWaiter& wait, int address);

/// Link-time budgets in milliseconds. Every wait ends earlier on its own: the
/// link gives up on a silent drive after its retries.
inline constexpr int kSearchBudgetMs = 10'000;   // an empty address costs about 0.8 s
inline constexpr int kOperationBudgetMs = 8'000; // 11 tries of 300 or 500 ticks at most
/// After a cancel the link ends the request between two frames: a frame on
/// the wire ends with its answer or its timeout of at most 500 ticks.
inline constexpr int kCancelGraceMs = 600;

} // namespace velkaro
