#include "records/record_events.h"

namespace velkaro {
namespace {

constexpr std::string_view kLost = "通讯断线";
constexpr std::string_view kFaulted = "故障中";

} // namespace

WorkingState splitWorkingState(std::string_view stored) {
    const std::size_t blank = stored.find(' ');
    if (blank == std::string_view::npos) {
        return {stored, {}};
    }
    std::string_view cause = stored.substr(blank + 1);
    while (!cause.empty() && cause.back() == ' ') {
        cause.remove_suffix(1);
    }
    return {stored.substr(0, blank), cause};
}

bool isCommunicationLost(std::string_view stored) {
    return splitWorkingState(stored).state == kLost;
}

bool isFaulted(std::string_view stored) {
    return splitWorkingState(stored).state == kFaulted;
}

void RecordEventTracker::seed(std::string_view workingState) {
    add(0, workingState);
}

std::optional<RecordEvent> RecordEventTracker::add(WallSeconds time,
                                                   std::string_view workingState) {
    const WorkingState parts = splitWorkingState(workingState);
    const bool known = m_known;
    m_known = true;
    std::optional<RecordEvent> event;
    if (parts.state == kLost) {
        if (known && !m_lost) {
            event =
                RecordEvent{RecordEvent::Kind::Loss, time, m_drive, std::string(kLost), m_station};
        }
        m_lost = true;
        return event;
    }
    const bool faulted = parts.state == kFaulted;
    if (faulted && m_answered && !m_faulted) {
        const std::string_view cause = parts.cause.empty() ? kFaulted : parts.cause;
        event = RecordEvent{RecordEvent::Kind::Trip, time, m_drive, std::string(cause), m_station};
    }
    m_lost = false;
    m_answered = true;
    m_faulted = faulted;
    return event;
}

} // namespace velkaro
