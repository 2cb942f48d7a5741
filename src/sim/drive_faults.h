#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro::sim {

/// Writes a drive refuses with an exception reply, as one in local (keypad)
/// control or with a worn EEPROM does.
struct Refusal {
    enum What : unsigned {
        Store = 1,      ///< the EEPROM store request (0x3209)
        Control = 2,    ///< command word and frequency (0x3200..0x3208)
        Parameters = 4, ///< every catalogue parameter
        Register = 8,   ///< one register, `registerAddress`
    };
    unsigned what = 0;
    uint16_t registerAddress = 0;
    uint8_t code = 0x01; ///< the exception code the drive answers

    bool any() const { return what != 0; }
    /// Whether a write of `values` from register `first` is refused;
    /// `parameters` says the write goes to catalogue parameters. A write
    /// that puts 0 into the store register (the station's control block
    /// does) asks for no store and is not refused as one.
    bool refuses(uint16_t first, const std::vector<uint16_t>& values, bool parameters) const;
    /// "store", "control", "parameters" or the register, with " code 02".
    std::string text() const;
};

/// "store", "control", "parameters" or a register ("0x0103" or "259"), each
/// optionally followed by ":CODE" (1..255, decimal or 0x hex); none otherwise.
std::optional<Refusal> parseRefusal(std::string_view text);

/// Misbehaviour of one drive, all in one place. With `shots` negative the
/// faults persist; with `shots` = N they apply to the next N requests addressed
/// to the drive and then reset themselves to a healthy drive.
struct DriveFaults {
    bool silent = false;               ///< receives everything, answers nothing
    double corruptCrcShare = 0.0;      ///< share (0..1) of replies sent with a broken CRC
    int lateReplyMs = 0;               ///< added to the turnaround before a reply starts
    int splitPauseMs = 0;              ///< pause in the middle of a reply (0 = none)
    int splitAtByte = 0;               ///< bytes before the pause; 0 = half the reply
    int wrongAddress = 0;              ///< non-zero: replies carry this address byte instead
    bool rejectImportWithBusy = false; ///< writes of parameter registers answer exception 0x04
    Refusal refusal;                   ///< writes refused with an exception
    int shots = -1;

    /// True when no fault is set (shots aside).
    bool healthy() const;
};

/// Misbehaviour of the bus as a whole; drives' own faults come on top.
struct BusFaults {
    double noiseShare = 0.0;      ///< share (0..1) of replies hit by noise (one byte garbled)
    double corruptCrcShare = 0.0; ///< share (0..1) of every drive's replies with a broken CRC
    bool silent = false;          ///< no drive answers
    int lateReplyMs = 0;          ///< added to every drive's turnaround
    uint32_t seed = 0x5eed;       ///< seed of the fault dice; re-seeded by reseed()
};

} // namespace velkaro::sim
