#pragma once

#include <array>
#include <cstdint>

#include "link/requests.h"

namespace velkaro {

class StationLink;

/// The seven command requests of the keys, tool buttons and menu, each for
/// the drive selected when it was given. A stop (stop, coast stop, emergency
/// stop) goes to the link at once: the link serves it first, lets the
/// strongest stop win, and never drops it while its drive is there. Run,
/// forward, reverse and fault reset are flags, not a queue: raising a pending
/// one again changes nothing; they wait for the 100 ms pass and are dropped
/// if the selection moves before it.
class CommandRequests {
public:
    static constexpr int kRun = 1;
    static constexpr int kForward = 2;
    static constexpr int kReverse = 3;
    static constexpr int kStop = 4;
    static constexpr int kCoastStop = 5;
    static constexpr int kEmergencyStop = 6;
    static constexpr int kFaultReset = 7;
    /// The flags, one served per pass in this order.
    static constexpr std::array<int, 4> kServeOrder{kRun, kForward, kReverse, kFaultReset};

    explicit CommandRequests(StationLink& station) : m_station(station) {}

    /// A code 1..7 given for `target`; any other code, or no selected drive
    /// (slot -1), raises nothing. A stop is submitted for `target` at once and
    /// drops a pending run, forward or reverse: given together, the drive
    /// stays stopped. Other codes set their flag; flags pending for another
    /// drive are dropped first.
    void raise(int code, const Target& target);
    /// Drops every pending flag (the selection moved).
    void clear();
    bool pending(int code) const;
    bool anyPending() const;

    struct Served {
        int code = 0;         ///< flag taken this pass, 0 if none was pending
        bool written = false; ///< its command word was submitted
    };
    /// One pass for the selected drive: flags raised for another drive are
    /// dropped; otherwise takes the first pending flag in kServeOrder and
    /// submits its word unless its condition fails (run, forward and reverse
    /// while a jog box is ticked; fault reset without the fault bit), in which
    /// case the flag is dropped.
    Served dispatch(bool jogTicked);

    /// The command word of a request code; 0 for codes outside 1..7.
    static int32_t commandWord(int code);
    static bool isStop(int code);

private:
    StationLink& m_station;
    std::array<bool, 8> m_flags{};
    Target m_target;
};

} // namespace velkaro
