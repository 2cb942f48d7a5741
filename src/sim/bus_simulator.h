#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "sim/drive_faults.h"
#include "sim/line_settings.h"
#include "sim/series.h"
#include "sim/simulated_drive.h"

namespace velkaro::sim {

/// The slave side of one RS-485 bus: any number of simulated drives behind
/// one wire with real character timing. Time is simulated in microseconds
/// and only ever moves forward; every call takes the caller's `nowUs`.
///
/// The station's bytes occupy the wire one character time each; the drives
/// see a request end after the frame silence, answer after the turnaround
/// delay, and the reply bytes reach the station one character time apart.
class BusSimulator {
public:
    explicit BusSimulator(LineSettings line = {});

    /// Adds a drive at `address` (1..247). Throws std::invalid_argument for an
    /// address outside 1..247 or one already taken.
    SimulatedDrive& addDrive(int address, Series series, int rating);
    void removeDrive(int address);
    /// The drive at `address`, or nullptr.
    SimulatedDrive* drive(int address);
    /// Every drive, by address.
    std::vector<SimulatedDrive*> drives();

    void setLine(LineSettings line) { m_line = line; }
    const LineSettings& line() const { return m_line; }
    /// Delay between a request's end (silence detected) and the first reply
    /// bit, in microseconds (default 2000).
    void setTurnaroundUs(uint64_t us) { m_turnaroundUs = us; }
    uint64_t turnaroundUs() const { return m_turnaroundUs; }

    BusFaults& faults() { return m_faults; }
    /// Restarts the fault dice from faults().seed.
    void reseed() { m_dice.seed(m_faults.seed); }

    /// The station started sending `data` at `nowUs` (or as soon as its own
    /// earlier bytes have left): each character occupies one character time.
    void stationSent(const uint8_t* data, std::size_t n, uint64_t nowUs);
    /// Drops the station's characters that have not started by `nowUs`.
    void discardUnsent(uint64_t nowUs);
    /// Puts noise bytes on the wire starting at `atUs`, one character time
    /// apart; both the station and the drives receive them.
    void injectNoise(const std::vector<uint8_t>& bytes, uint64_t atUs);

    /// Moves the drives' motors, ends requests by silence and schedules the
    /// replies, up to `nowUs`.
    void advanceTo(uint64_t nowUs);
    /// Reply bytes that have fully reached the station by `nowUs`.
    std::size_t replyBytesWaiting(uint64_t nowUs);
    /// Takes up to `capacity` of the bytes that have reached the station by `nowUs`.
    std::size_t takeReplyBytes(uint8_t* out, std::size_t capacity, uint64_t nowUs);
    /// Time of the next byte or frame end the bus will produce, or none when idle
    /// (for a real-time server choosing how long to sleep).
    std::optional<uint64_t> nextEventUs() const;
    /// Reply frames put on the wire, as they left the drives with their faults
    /// applied, oldest first (the most recent 10000).
    std::vector<std::vector<uint8_t>> repliesSent() const;
    void clearRepliesSent() { m_repliesSent.clear(); }

    /// One frame on the wire, for traces: the station's request when it
    /// started, or a drive's reply when its first character started.
    struct WireFrame {
        uint64_t startUs = 0;
        bool fromStation = false;
        std::vector<uint8_t> bytes;
    };
    /// Records every frame from now on into `trace` (none: stops recording).
    /// The trace must outlive the recording.
    void traceWire(std::vector<WireFrame>* trace) { m_trace = trace; }

private:
    struct TimedByte {
        uint64_t endUs; ///< the character's last bit has passed
        uint8_t value;
        bool fromStation;
    };
    static void insertByTime(std::deque<TimedByte>& line, TimedByte byte);
    void endRequest(uint64_t endUs);
    void scheduleReply(std::vector<uint8_t> reply, uint64_t frameEndUs, const DriveFaults& faults);
    bool roll(double share);
    void advanceDrives(uint64_t nowUs);

    LineSettings m_line;
    uint64_t m_turnaroundUs = 2000;
    BusFaults m_faults;
    std::mt19937 m_dice;
    std::map<int, std::unique_ptr<SimulatedDrive>> m_drives;

    std::deque<TimedByte> m_toDrives; ///< on the wire towards the drives, by time
    uint64_t m_stationLineFreeUs = 0;
    std::vector<uint8_t> m_request; ///< the request being received
    bool m_requestOverflow = false;
    uint64_t m_lastRequestByteUs = 0;
    std::deque<TimedByte> m_toStation; ///< replies and noise, by time
    uint64_t m_replyLineFreeUs = 0;
    uint64_t m_nowUs = 0;
    std::deque<std::vector<uint8_t>> m_repliesSent;
    std::vector<WireFrame>* m_trace = nullptr;
};

} // namespace velkaro::sim
