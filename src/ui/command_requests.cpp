#include "ui/command_requests.h"

#include "registry/drive_table.h"

namespace velkaro {

namespace {
constexpr int32_t kFaultBit = 0x0008;
}

void CommandRequests::raise(int code) {
    if (code >= kRun && code <= kFaultReset) {
        m_flags[static_cast<std::size_t>(code)] = true;
    }
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

CommandRequests::Outcome CommandRequests::dispatch(DriveRecord& drive, bool jogTicked) {
    for (int code = kRun; code <= kFaultReset; ++code) {
        if (!m_flags[static_cast<std::size_t>(code)]) {
            continue;
        }
        m_flags[static_cast<std::size_t>(code)] = false;
        bool allowed = true;
        if (code == kRun || code == kForward || code == kReverse) {
            allowed = !jogTicked;
        } else if (code == kFaultReset) {
            allowed = (drive.status[0] & kFaultBit) != 0;
        }
        if (allowed) {
            drive.controlSet[0] = commandWord(code);
        }
        return {code, allowed};
    }
    return {};
}

} // namespace velkaro
