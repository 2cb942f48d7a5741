#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velkaro {

inline constexpr int kMaxDrives = 32;

/// The addresses a drive may have on the bus (0 is the broadcast).
inline constexpr int kFirstBusAddress = 1;
inline constexpr int kLastBusAddress = 247;

/// Name the probe record carries while an address is being tested.
inline constexpr std::string_view kProbeMarker = "连接测试";

/// Operation codes carried in `pendingOp` and in the scheduler's `currentOp`.
/// `Finished` occurs only in the scheduler, never in a record.
enum class OpCode : int {
    None = 0,
    Identify = 1,
    StatusRead = 2,
    ControlRead = 3,
    ControlWrite = 4,
    GroupRead = 5,
    ParamWrite = 6,
    Export = 7,
    Import = 8,
    Finished = 9,
};

/// Bits of the status word (`status[0]`), as every series reports them.
namespace status_bit {
inline constexpr int32_t kRunning = 0x0004;
inline constexpr int32_t kFault = 0x0008;
inline constexpr int32_t kAlarm = 0x0080;
inline constexpr int32_t kForward = 0x4000; ///< with kRunning: turning forward
} // namespace status_bit

/// One connected drive (or the probe record of the address search).
struct DriveRecord {
    std::string name;       ///< display name; empty marks a free slot
    std::string address;    ///< bus address as decimal text
    std::string series;     ///< "QD10", "QD20", "QD30" or "QD40"
    std::string ratedPower; ///< rated size as shown, e.g. "7.50"
    int32_t online = 0;     ///< 1 while the drive answers its status poll
    OpCode pendingOp = OpCode::None;
    std::array<int32_t, 6> keyCodes{};    ///< red, green, blue, orange, yellow, purple
    std::array<int32_t, 10> controlSet{}; ///< wanted values of 0x3200..0x3209
    std::array<int32_t, 10> controlAck{}; ///< values last confirmed in the drive
    std::array<int32_t, 17> status{};     ///< 0x3210+i sign-extended; [16] stays 0
};

/// A running value of the status block: its word, its decimals and whether the
/// drive reports it signed. Frequencies, currents and voltages are unsigned
/// 16-bit values (0xFF9C is 654.36 Hz, never -1.00 Hz); torque is signed.
struct StatusQuantity {
    std::size_t word;
    unsigned decimals;
    bool isSigned;
};
inline constexpr StatusQuantity kRunningFrequency{1, 2, false};
inline constexpr StatusQuantity kSetFrequency{4, 2, false};
inline constexpr StatusQuantity kOutputCurrent{5, 1, false};
inline constexpr StatusQuantity kOutputTorque{6, 1, true};
inline constexpr StatusQuantity kOutputVoltage{7, 1, false};
inline constexpr StatusQuantity kBusVoltage{8, 1, false};

/// The quantity as the drive means it: `status` holds words sign-extended, so
/// an unsigned quantity is taken back from its low 16 bits.
constexpr int32_t statusValue(const DriveRecord& drive, StatusQuantity quantity) {
    const int32_t word = drive.status[quantity.word];
    return quantity.isSigned ? word : (word & 0xFFFF);
}

enum class RenameResult {
    Renamed,
    EmptyName,     ///< "变频器名字不能为空！"
    DuplicateName, ///< "该名字已经存在！" (also the drive's own name)
    NotFound,      ///< old name is not a connected drive; nothing changed
};

/// The registry of connected drives: 32 slots, the probe record and the
/// connected names in connection order. Plain data; the drive link's one
/// mutex guards it.
class DriveTable {
public:
    DriveTable() { initialise(); }

    std::array<DriveRecord, kMaxDrives> slots;
    DriveRecord probeRecord;
    std::array<std::string, kMaxDrives> driveNames;
    uint32_t driveCount = 0;
    std::array<int32_t, 6> defaultKeyCodes{4, 2, 6, 7, 3, 5};
    /// Raised whenever a drive joins, leaves or is renamed, or its online flag
    /// changes: a window redraws its tree when it sees a new value.
    uint64_t changes = 0;

    /// Empties every slot and name, zeroes every field, resets the default key codes.
    void initialise();
    /// Index of the first slot (free ones included) whose name equals `name`; -1 if none.
    int findSlotByName(std::string_view name) const;
    /// False when a connected drive already has this address text.
    bool isAddressFree(std::string_view addressText) const;
    /// What commitProbe did with the probe.
    struct ProbeCommit {
        bool added = false;
        std::string foundName; ///< the name the identification made
        std::string givenName; ///< the name it joined under (another when that was taken)
    };
    /// Takes the identified probe online and into the first free slot when its
    /// address is free and fewer than 32 drives are connected; always frees the
    /// probe. A name already held by a connected drive (a renamed one may hold
    /// "2#QD10-7.5") is never given twice: the new drive gets "(2)", "(3)", ...
    /// after it, so every name commands exactly one drive.
    ProbeCommit commitProbe();
    /// Removes a connected drive by name; false (nothing changed) if it is not connected.
    bool removeDrive(std::string_view name);
    /// Renames a connected drive; refuses an empty name or one already connected.
    RenameResult renameDrive(std::string_view oldName, std::string_view newName);
    bool isOnline(int slot) const;
    bool isFaulted(int slot) const;
    /// The slot's drive reports itself running.
    bool isRunning(int slot) const;
};

} // namespace velkaro
