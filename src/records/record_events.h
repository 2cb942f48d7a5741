#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "records/record_time.h"

namespace velkaro {

/// The stored working state split at its first blank: "故障中 过压保护" is
/// state "故障中" with cause "过压保护"; "正向运转 " has no cause.
struct WorkingState {
    std::string_view state;
    std::string_view cause;
};
WorkingState splitWorkingState(std::string_view stored);
/// The drive did not answer: the row holds its last known values.
bool isCommunicationLost(std::string_view stored);
/// The drive answered in fault.
bool isFaulted(std::string_view stored);

/// A fault trip or a loss of communication found in the log.
struct RecordEvent {
    enum class Kind { Trip, Loss };
    Kind kind = Kind::Trip;
    WallSeconds time = 0;
    std::string drive;
    std::string cause; ///< the fault's cause ("故障中" when none was stored) or "通讯断线"
    std::string station{}; ///< the station that logged the drive; empty when unknown
    bool operator==(const RecordEvent&) const = default;
};

/// Finds the events in one drive's rows, taken oldest first. A trip is a row
/// in fault whose previous answering row was not (a drive that comes back
/// from a loss still in fault has not tripped again); a loss is a row stored
/// as "通讯断线" after a row that was not. A drive's first row has nothing to
/// turn from, so it is no event: seed() the tracker with the row just before
/// the window to judge the window's first row.
class RecordEventTracker {
public:
    explicit RecordEventTracker(std::string drive, std::string station = {})
        : m_drive(std::move(drive)), m_station(std::move(station)) {}

    /// The row before the window: sets the state without giving an event.
    void seed(std::string_view workingState);
    /// The next row; the event it starts, if any.
    std::optional<RecordEvent> add(WallSeconds time, std::string_view workingState);

private:
    std::string m_drive;
    std::string m_station;
    bool m_known = false;    ///< a row has been seen
    bool m_lost = false;     ///< the last row was a loss
    bool m_answered = false; ///< an answering row has been seen
    bool m_faulted = false;  ///< the last answering row was in fault
};

} // namespace velkaro
