#pragma once

#include <array>
#include <cstdint>

namespace velkaro {

struct DriveRecord;

/// The seven command requests of the keys, tool buttons and menu. A request
/// is a flag, not a queue: raising a pending one again changes nothing, and it
/// waits until a drive is selected.
class CommandRequests {
public:
    static constexpr int kRun = 1;
    static constexpr int kForward = 2;
    static constexpr int kReverse = 3;
    static constexpr int kStop = 4;
    static constexpr int kCoastStop = 5;
    static constexpr int kEmergencyStop = 6;
    static constexpr int kFaultReset = 7;

    /// Sets the flag of a code 1..7; any other code raises nothing.
    void raise(int code);
    bool pending(int code) const;
    bool anyPending() const;

    struct Outcome {
        int code = 0;         ///< request taken this pass, 0 if none was pending
        bool written = false; ///< its command word went into controlSet[0]
    };
    /// One pass for the selected drive: takes the first pending request in
    /// code order and writes its word unless its condition fails (run, forward
    /// and reverse while a jog box is ticked; fault reset without a fault), in
    /// which case the request is dropped.
    Outcome dispatch(DriveRecord& drive, bool jogTicked);

    /// The command word of a request code; 0 for codes outside 1..7.
    static int32_t commandWord(int code);

private:
    std::array<bool, 8> m_flags{};
};

} // namespace velkaro
