#pragma once

// The drives' running values as every status read brought them: a fixed ring
// per drive for the live curve, filled from the station's snapshots.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "registry/drive_table.h"

namespace velkaro {

struct LinkSnapshot;

/// What a live curve can show, in the order of the window's boxes.
enum class LiveQuantity : int {
    OutputFrequency = 0, ///< 0.01 Hz
    OutputCurrent = 1,   ///< 0.1 A
    OutputVoltage = 2,   ///< 0.1 V
    BusVoltage = 3,      ///< 0.1 V
    Torque = 4,          ///< 0.1 %, signed
};
inline constexpr int kLiveQuantities = 5;

/// The status word, decimals and unit of a quantity.
StatusQuantity statusQuantityOf(LiveQuantity quantity);
const char* unitOf(LiveQuantity quantity);
/// "输出频率" and the like, as the status list names them.
const char* nameOf(LiveQuantity quantity);

/// One status read of one drive. A lost drive leaves a sample with `lost`
/// set: the curve breaks there instead of bridging the silence.
struct LiveSample {
    uint64_t tick = 0; ///< link tick of the read (ms)
    bool lost = false;
    std::array<int32_t, kLiveQuantities> values{};
};

/// A fixed ring of the newest samples; its memory is taken once.
class LiveRing {
public:
    /// Ten minutes of reads ten a second.
    static constexpr std::size_t kCapacity = 6000;

    LiveRing() : m_samples(std::make_unique<LiveSample[]>(kCapacity)) {}
    void push(const LiveSample& sample);
    void clear() { m_count = 0; }
    std::size_t size() const { return m_count; }
    /// Sample `i` from the oldest kept (0) to the newest (size() - 1).
    const LiveSample& at(std::size_t i) const {
        return m_samples[(m_next + kCapacity - m_count + i) % kCapacity];
    }
    /// Index of the first sample at or after `tick` (size() if none).
    std::size_t firstAtOrAfter(uint64_t tick) const;

private:
    std::unique_ptr<LiveSample[]> m_samples;
    std::size_t m_next = 0;
    std::size_t m_count = 0;
};

/// Every connected drive's ring. take() runs once a status pass: a drive
/// whose read count moved gets one sample; one that went offline a break. A
/// slot that holds another drive (another name or address) starts afresh.
class LiveSamples {
public:
    void take(const LinkSnapshot& view);
    /// The ring of `slot`, or null for a slot outside 0..31.
    const LiveRing* ring(int slot) const;
    /// The newest link tick taken in (0 before the first).
    uint64_t newestTick() const { return m_newestTick; }

private:
    struct Drive {
        std::string name;
        std::string address;
        uint32_t reads = 0;
        bool online = false;
        LiveRing ring;
    };
    std::array<Drive, kMaxDrives> m_drives;
    uint64_t m_newestTick = 0;
};

/// Columns of a curve for a width of `columns` pixels over [from, to): the
/// mean of each column's samples, the line broken where the drive was lost or
/// no read came for longer than `gapTicks`. One point a column (two where a
/// break falls inside one), whatever the ring holds.
struct LivePoint {
    uint64_t tick = 0;
    double value = 0;
    bool gap = false; ///< no line into this point
};
std::vector<LivePoint> decimate(const LiveRing& ring, LiveQuantity quantity, uint64_t from,
                                uint64_t to, int columns, uint64_t gapTicks);

} // namespace velkaro
