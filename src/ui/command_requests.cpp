#include "ui/command_requests.h"

#include "link/drive_link.h"

namespace velkaro {

namespace {

bool isStop(int code) {
    return code == CommandRequests::kStop || code == CommandRequests::kCoastStop ||
           code == CommandRequests::kEmergencyStop;
}
bool isRun(int code) {
    return code == CommandRequests::kRun || code == CommandRequests::kForward ||
           code == CommandRequests::kReverse;
}
} // namespace

RequestTarget selectedTarget(const LinkState& state) {
    const int slot = state.selectedSlot;
    if (slot < 0 || slot >= kMaxDrives || state.table.slots[slot].name.empty()) {
        return {};
    }
    return {slot, state.table.slots[slot].name};
}

void CommandRequests::raise(int code, const RequestTarget& target) {
    if (code < kRun || code > kFaultReset || target.slot < 0) {
        return;
    }
    if (target != m_target) {
        clear();
        m_target = target;
    }
    m_flags[static_cast<std::size_t>(code)] = true;
}

void CommandRequests::clear() {
    m_flags.fill(false);
}

bool CommandRequests::pending(int code) const {
    return code >= kRun && code <= kFaultReset && m_flags[static_cast<std::size_t>(code)];
}

bool CommandRequests::anyPending() const {
    for (int code = kRun; code <= kFaultReset; ++code) {
        if (pending(code)) {
            return true;
        }
    }
    return false;
}

int32_t CommandRequests::commandWord(int code) {
    switch (code) {
    case kRun:
    case kForward:
        return 0x001F;
    case kReverse:
        return 0x081F;
    case kStop:
        return 0x001E;
    case kCoastStop:
        return 0x001C;
    case kEmergencyStop:
        return 0x001A;
    case kFaultReset:
        return 0x009E;
    default:
        return 0;
    }
}

CommandRequests::Outcome CommandRequests::dispatch(DriveRecord& drive,
                                                   const RequestTarget& selected, bool jogTicked) {
    if (selected != m_target) {
        // Given for a drive that is no longer the selected one.
        clear();
        return {};
    }
    for (const int code : kServeOrder) {
        if (!m_flags[static_cast<std::size_t>(code)]) {
            continue;
        }
        m_flags[static_cast<std::size_t>(code)] = false;
        if (isStop(code)) {
            for (int run = kRun; run <= kReverse; ++run) {
                m_flags[static_cast<std::size_t>(run)] = false;
            }
        }
        bool allowed = true;
        if (isRun(code)) {
            allowed = !jogTicked;
        } else if (code == kFaultReset) {
            allowed = (drive.status[0] & status_bit::kFault) != 0;
        }
        if (allowed) {
            drive.controlSet[0] = commandWord(code);
        }
        return {code, allowed};
    }
    return {};
}

} // namespace velkaro
