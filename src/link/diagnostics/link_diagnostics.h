#pragma once

// link/diagnostics: what the link can tell about the line. Per-drive link
// counters and the traffic ring, kept by the tick beside its receive and
// transmit steps under the link's one lock; frames put in words for the
// traffic monitor; and the line finder, which tries the line settings in turn
// on the link's own tick when nobody knows them.

#include <array>
#include <cstdint>
#include <string>

#include "link/diagnostics/frame_log.h"
#include "registry/drive_table.h"

namespace velkaro {

struct LinkState;
struct ReceiveResult;

/// Counter row of the address search's probe (and of the line finder, which
/// probes the same way); rows 0..31 are the drive slots.
inline constexpr int kProbeRow = kMaxDrives;
inline constexpr int kCounterRows = kMaxDrives + 1;

/// Request sent to a frame from its drive accepted, in ticks (ms on the station).
struct ReplyTimes {
    uint32_t lastTicks = 0;
    uint32_t minTicks = 0;
    uint32_t maxTicks = 0;
    uint64_t totalTicks = 0;
    uint32_t count = 0;

    void add(uint32_t ticks);
    /// 0 before the first answer.
    double meanTicks() const { return count == 0 ? 0.0 : static_cast<double>(totalTicks) / count; }
    bool operator==(const ReplyTimes&) const = default;
};

/// Exception codes counted one by one: 0x01..0x0B; any other code counts in [0].
inline constexpr std::size_t kCountedExceptionCodes = 12;

/// What the link did and heard for one drive. The answer counters do not
/// overlap: every request ends as an accepted answer, an exception, a short
/// reply or a timeout (or is still waiting).
struct LinkCounters {
    uint32_t requestsSent = 0;
    uint32_t answersAccepted = 0; ///< whole normal replies from the drive
    uint32_t timeouts = 0;
    uint32_t retries = 0;       ///< requests that were sent again
    uint32_t badCrc = 0;        ///< frames dropped for their CRC while its answer was due
    uint32_t noiseFrames = 0;   ///< scraps too short for a frame, and overlong ones, likewise
    uint32_t foreignFrames = 0; ///< good frames from another address while its answer was due
    uint32_t lateReplies = 0;   ///< frames from the drive when no answer was due (after a timeout)
    uint32_t shortReplies = 0;  ///< replies shorter than their request asks for
    uint32_t strayFrames = 0;   ///< good frames from the drive that do not answer its request
    std::array<uint32_t, kCountedExceptionCodes> exceptions{}; ///< by code, see above
    ReplyTimes replyTimes;
    bool answered = false;       ///< lastAnswerTick is valid
    uint64_t lastAnswerTick = 0; ///< link tick of the last frame from the drive

    uint32_t exceptionTotal() const;
    bool operator==(const LinkCounters&) const = default;
};

/// Index of exception `code` in LinkCounters::exceptions.
constexpr std::size_t exceptionIndex(uint8_t code) {
    return code < kCountedExceptionCodes ? code : 0;
}

/// Exception replies by code, "02:3,04:1" (other codes as "其他:n"); "0" when none.
std::string exceptionCountsText(const LinkCounters& counters);

/// The request on the wire whose answer the link is waiting for.
struct PendingRequest {
    bool open = false;           ///< a request went out and is neither answered nor timed out
    int row = kNoRow;            ///< whose counters it counts in
    uint8_t address = 0;         ///< the address byte it went to
    unsigned expectedLength = 0; ///< bytes of a whole normal reply; 0 when not known
    uint64_t sentTick = 0;
};

/// Counters, ring and the link's tick count. `recording` off leaves counters
/// and ring as they are (the tick count still runs).
struct LinkDiagnostics {
    bool recording = true;
    uint64_t tick = 0; ///< ticks since the link was made
    std::array<LinkCounters, kCounterRows> counters{};
    FrameLog log;
    PendingRequest pending;
    unsigned lastRetryCount = 0; ///< the scheduler's retry count at the last send

    /// Zeroes every row (the operator's reset).
    void resetCounters() { counters.fill(LinkCounters{}); }
    /// Zeroes one row; rows outside 0..kProbeRow are ignored.
    void resetRow(int row);
};

/// Beside the receive step: a frame that ended this tick, with what became of
/// it, goes into the ring and into the counters of the drive whose answer was
/// due. Ticks without a frame end cost one test.
void recordReceived(LinkState& state, const ReceiveResult& received);
/// Beside the transmit step: `length` bytes handed to the port this tick
/// (0: nothing sent), `sent` as the port took them. Without a send it notes
/// the timeout of the request waiting, on the tick the operation gives up.
void recordTransmitted(LinkState& state, unsigned length, bool sent);
/// Bytes of a whole normal reply to `request` (0x03: 5 + 2 per register;
/// 0x06, 0x10: 8; 0x08: the echo, as long as the request); 0 for a request of
/// another kind.
unsigned replyLengthForRequest(const uint8_t* request, unsigned length);

} // namespace velkaro
