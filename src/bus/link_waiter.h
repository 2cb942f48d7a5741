#pragma once

#include <functional>

namespace velkaro {

class DriveLink;
struct LinkState;

/// Lets link time pass for a console command: the real tick, or a test's tick
/// and simulated wire, one millisecond per step.
class LinkWaiter {
public:
    LinkWaiter(DriveLink& link, const std::function<void()>& letTimePass)
        : m_link(link), m_letTimePass(letTimePass) {}

    /// Lets time pass until `done` holds (checked under the lock) or the budget is spent.
    bool until(const std::function<bool(LinkState&)>& done, int budgetMs);

    DriveLink& link() { return m_link; }

private:
    DriveLink& m_link;
    const std::function<void()>& m_letTimePass;
};

/// Searches the one address, connects the drive found there and waits for its
/// control block to be read. Its slot, or -1 when nothing answers.
int connectDriveAt(LinkWaiter& wait, int address);

/// Link-time budgets in milliseconds. Every wait ends earlier on its own: the
/// link gives up on a silent drive after its retries.
inline constexpr int kSearchBudgetMs = 10'000;   // an empty address costs about 0.8 s
inline constexpr int kOperationBudgetMs = 8'000; // 11 tries of 300 or 500 ticks at most

} // namespace velkaro
