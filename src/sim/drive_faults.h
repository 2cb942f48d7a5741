#pragma once

#include <cstdint>

namespace velkaro::sim {

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
