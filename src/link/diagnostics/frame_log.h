#pragma once

// The traffic monitor's memory: the newest frames the link sent and heard, in
// a ring of fixed size that the tick writes under the link's lock.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "link/protocol/frame_codec.h"

namespace velkaro {

enum class FrameDirection : uint8_t { Tx, Rx };

/// What became of a frame.
enum class FrameFate : uint8_t {
    Sent,       ///< a request handed to the port
    SendFailed, ///< the port refused the request
    Accepted,   ///< a received frame whose CRC was right
    BadCrc,     ///< dropped: its CRC did not match
    TooShort,   ///< dropped: fewer bytes than address, function and CRC
    Overflow,   ///< dropped: longer than the receive buffer (the first 128 bytes kept)
    TimedOut,   ///< no answer before the operation's timeout; carries no bytes
};

/// Row of the counters and of a traffic record that no drive owns.
inline constexpr int kNoRow = -1;

/// One frame as the link saw it.
struct FrameRecord {
    uint64_t tick = 0; ///< link tick of the send or of the frame's end
    FrameDirection direction = FrameDirection::Tx;
    FrameFate fate = FrameFate::Sent;
    int16_t row = kNoRow; ///< drive slot, the probe row, or kNoRow
    uint8_t length = 0;   ///< bytes kept in `bytes`
    std::array<uint8_t, kFrameCapacity> bytes{};
};

/// Fixed ring of the newest kCapacity frames. Its memory is taken once, when
/// the link is made; recording is a copy into the next place, never an
/// allocation. Every record gets a sequence number counting from 0, so a
/// reader takes what came since it last looked.
class FrameLog {
public:
    static constexpr std::size_t kCapacity = 16384;

    FrameLog() : m_records(std::make_unique<FrameRecord[]>(kCapacity)) {}

    void push(uint64_t tick, FrameDirection direction, FrameFate fate, int row,
              const uint8_t* bytes, std::size_t length) {
        FrameRecord& r = m_records[m_written % kCapacity];
        r.tick = tick;
        r.direction = direction;
        r.fate = fate;
        r.row = static_cast<int16_t>(row);
        r.length = bytes == nullptr ? 0 : static_cast<uint8_t>(std::min(length, kFrameCapacity));
        if (r.length != 0) {
            std::memcpy(r.bytes.data(), bytes, r.length);
        }
        ++m_written;
    }
    /// Sequence number of the next record: every record ever written is below it.
    uint64_t written() const { return m_written; }
    /// Sequence number of the oldest record still held.
    uint64_t oldest() const { return m_written > kCapacity ? m_written - kCapacity : 0; }
    /// The record numbered `sequence`, which lies in [oldest(), written()).
    const FrameRecord& at(uint64_t sequence) const { return m_records[sequence % kCapacity]; }

private:
    std::unique_ptr<FrameRecord[]> m_records;
    uint64_t m_written = 0;
};

} // namespace velkaro
