#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velkaro {

struct DriveRecord;
struct LinkState;

/// The drive a command request was given for: slot and name at the moment
/// the operator pressed the key.
struct RequestTarget {
    int slot = -1;
    std::string name;
    bool operator==(const RequestTarget&) const = default;
};

/// The selected drive as a request target; slot -1 when none is selected.
RequestTarget selectedTarget(const LinkState& state);

/// The seven command requests of the keys, tool buttons and menu. A request
/// is a flag, not a queue: raising a pending one again changes nothing. Each
/// request belongs to the drive selected when it was raised; it is never
/// served to another one.
class CommandRequests {
public:
    static constexpr int kRun = 1;
    static constexpr int kForward = 2;
    static constexpr int kReverse = 3;
    static constexpr int kStop = 4;
    static constexpr int kCoastStop = 5;
    static constexpr int kEmergencyStop = 6;
    static constexpr int kFaultReset = 7;
    /// Stops before anything else, the emergency stop first.
    static constexpr std::array<int, 7> kServeOrder{kEmergencyStop, kStop,    kCoastStop, kRun,
                                                    kForward,       kReverse, kFaultReset};

    /// Sets the flag of a code 1..7 for `target`; any other code, or no
    /// selected drive (slot -1), raises nothing. Requests still pending for
    /// another drive are dropped first.
    void raise(int code, const RequestTarget& target);
    /// Drops every pending request (the selection moved).
    void clear();
    bool pending(int code) const;
    bool anyPending() const;

    struct Outcome {
        int code = 0;         ///< request taken this pass, 0 if none was pending
        bool written = false; ///< its command word went into controlSet[0]
    };
    /// One pass for the selected drive: requests raised for another drive are
    /// dropped; otherwise takes the first pending request in kServeOrder and
    /// writes its word unless its condition fails (run, forward and reverse
    /// while a jog box is ticked; fault reset without a fault), in which case
    /// the request is dropped. A stop of any kind also drops a pending run,
    /// forward or reverse: given together, the drive stays stopped.
    Outcome dispatch(DriveRecord& drive, const RequestTarget& selected, bool jogTicked);

    /// The command word of a request code; 0 for codes outside 1..7.
    static int32_t commandWord(int code);

private:
    std::array<bool, 8> m_flags{};
    RequestTarget m_target;
};

} // namespace velkaro
