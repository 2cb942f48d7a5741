#include "ui/command_requests.h"

#include "ui/station_link.h"

namespace velkaro {

namespace {

bool isRun(int code) {
    return code == CommandRequests::kRun || code == CommandRequests::kForward ||
           code == CommandRequests::kReverse;
}

} // namespace

bool CommandRequests::isStop(int code) {
    return code == kStop || code == kCoastStop || code == kEmergencyStop;
}

void CommandRequests::raise(int code, const Target& target) {
    if (code < kRun || code > kFaultReset || target.slot < 0) {
        return;
    }
    if (isStop(code)) {
        for (int run = kRun; run <= kReverse; ++run) {
            m_flags[static_cast<std::size_t>(run)] = false;
        }
        m_station.submit(target, Command::word(static_cast<uint16_t>(commandWord(code))));
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
        return command_word::kRun;
    case kReverse:
        return command_word::kReverse;
    case kStop:
        return command_word::kStop;
    case kCoastStop:
        return command_word::kCoastStop;
    case kEmergencyStop:
        return command_word::kEmergencyStop;
    case kFaultReset:
        return command_word::kFaultReset;
    default:
        return 0;
    }
}

CommandRequests::Served CommandRequests::dispatch(bool jogTicked) {
    const Target selected = m_station.selectedTarget();
    if (selected.slot < 0) {
        return {};
    }
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
        bool allowed = true;
        if (isRun(code)) {
            allowed = !jogTicked;
        } else if (code == kFaultReset) {
            const DriveRecord* drive = m_station.selectedDrive();
            allowed = drive != nullptr && (drive->status[0] & status_bit::kFault) != 0;
        }
        if (allowed) {
            m_station.submit(selected, Command::word(static_cast<uint16_t>(commandWord(code))));
        }
        return {code, allowed};
    }
    return {};
}

} // namespace velkaro
