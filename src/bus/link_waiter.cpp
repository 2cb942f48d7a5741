#include "bus/link_waiter.h"

#include "link/drive_link.h"

namespace velkaro {

namespace {

int slotOfAddress(const DriveTable& table, int address) {
    const std::string text = std::to_string(address);
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        if (!table.slots[slot].name.empty() && table.slots[slot].address == text) {
            return slot;
        }
    }
    return -1;
}

} // namespace

bool LinkWaiter::until(const std::function<bool(LinkState&)>& done, int budgetMs) {
    for (int ms = 0;; ++ms) {
        {
            auto state = m_link.lock();
            if (done(*state)) {
                return true;
            }
        }
        if (ms >= budgetMs) {
            return false;
        }
        m_letTimePass();
    }
}

int connectDriveAt(LinkWaiter& wait, int address) {
    {
        auto state = wait.link().lock();
        state->searchNextAddress = address;
        state->searchRemaining = 1;
    }
    wait.until(
        [](LinkState& s) { return s.searchRemaining == 0 && s.table.probeRecord.name.empty(); },
        kSearchBudgetMs);
    int slot = -1;
    wait.until(
        [&](LinkState& s) {
            slot = slotOfAddress(s.table, address);
            return slot < 0 || s.table.slots[slot].pendingOp == OpCode::None;
        },
        kOperationBudgetMs);
    return slot;
}

} // namespace velkaro
