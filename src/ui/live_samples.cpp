#include "ui/live_samples.h"

#include <algorithm>

#include "link/link_snapshot.h"

namespace velkaro {

namespace {

struct QuantityLook {
    StatusQuantity status;
    const char* unit;
    const char* name;
};
constexpr std::array<QuantityLook, kLiveQuantities> kLooks{{
    {kRunningFrequency, "Hz", "输出频率"},
    {kOutputCurrent, "A", "输出电流"},
    {kOutputVoltage, "V", "输出电压"},
    {kBusVoltage, "V", "母线电压"},
    {kOutputTorque, "%", "输出转矩"},
}};

const QuantityLook& lookOf(LiveQuantity quantity) {
    return kLooks[static_cast<std::size_t>(quantity)];
}

} // namespace

StatusQuantity statusQuantityOf(LiveQuantity quantity) {
    return lookOf(quantity).status;
}

const char* unitOf(LiveQuantity quantity) {
    return lookOf(quantity).unit;
}

const char* nameOf(LiveQuantity quantity) {
    return lookOf(quantity).name;
}

void LiveRing::push(const LiveSample& sample) {
    m_samples[m_next] = sample;
    m_next = (m_next + 1) % kCapacity;
    m_count = std::min(m_count + 1, kCapacity);
}

std::size_t LiveRing::firstAtOrAfter(uint64_t tick) const {
    // Ticks rise along the ring: a binary search over the kept samples.
    std::size_t low = 0;
    std::size_t high = m_count;
    while (low < high) {
        const std::size_t mid = (low + high) / 2;
        if (at(mid).tick < tick) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

void LiveSamples::take(const LinkSnapshot& view) {
    for (int slot = 0; slot < kMaxDrives; ++slot) {
        Drive& d = m_drives[static_cast<std::size_t>(slot)];
        const DriveRecord* drive = view.drive(slot);
        if (drive == nullptr) {
            if (!d.name.empty()) {
                d = Drive{};
            }
            continue;
        }
        const uint32_t reads = view.statusReadCount[static_cast<std::size_t>(slot)];
        if (drive->name != d.name || drive->address != d.address) {
            // Another drive in the slot, or the same one renamed: its own curve.
            d.name = drive->name;
            d.address = drive->address;
            d.reads = reads;
            d.online = drive->online != 0;
            d.ring.clear();
            continue;
        }
        const bool online = drive->online != 0;
        if (d.online && !online) {
            LiveSample lost;
            lost.tick = view.tick;
            lost.lost = true;
            d.ring.push(lost);
        }
        d.online = online;
        if (reads == d.reads) {
            continue;
        }
        d.reads = reads;
        LiveSample sample;
        sample.tick = view.statusReadTick[static_cast<std::size_t>(slot)];
        for (int q = 0; q < kLiveQuantities; ++q) {
            sample.values[static_cast<std::size_t>(q)] =
                statusValue(*drive, statusQuantityOf(static_cast<LiveQuantity>(q)));
        }
        d.ring.push(sample);
        m_newestTick = std::max(m_newestTick, sample.tick);
    }
    m_newestTick = std::max(m_newestTick, view.tick);
}

const LiveRing* LiveSamples::ring(int slot) const {
    if (slot < 0 || slot >= kMaxDrives) {
        return nullptr;
    }
    return &m_drives[static_cast<std::size_t>(slot)].ring;
}

std::vector<LivePoint> decimate(const LiveRing& ring, LiveQuantity quantity, uint64_t from,
                                uint64_t to, int columns, uint64_t gapTicks) {
    std::vector<LivePoint> points;
    if (columns <= 0 || to <= from) {
        return points;
    }
    const auto q = static_cast<std::size_t>(quantity);
    const double width = static_cast<double>(to - from) / columns;
    int column = -1;
    double sum = 0;
    int count = 0;
    uint64_t firstTick = 0;
    uint64_t lastTick = 0;
    uint64_t drawnTick = 0; // the last sample of the point drawn before
    bool broken = true;     // nothing drawn yet: the first point starts a line
    const auto flush = [&] {
        if (count > 0) {
            const bool gap = broken || firstTick > drawnTick + gapTicks;
            points.push_back(
                {from + static_cast<uint64_t>((column + 0.5) * width), sum / count, gap});
            broken = false;
            drawnTick = lastTick;
        }
        sum = 0;
        count = 0;
    };
    for (std::size_t i = ring.firstAtOrAfter(from); i < ring.size(); ++i) {
        const LiveSample& s = ring.at(i);
        if (s.tick >= to) {
            break;
        }
        const int c =
            std::min(columns - 1, static_cast<int>(static_cast<double>(s.tick - from) / width));
        if (c != column) {
            flush();
            column = c;
        }
        if (s.lost) {
            flush();
            broken = true;
            continue;
        }
        if (count == 0) {
            firstTick = s.tick;
        }
        // A silence inside one column breaks the line too.
        if (count > 0 && s.tick > lastTick + gapTicks) {
            flush();
            broken = true;
            firstTick = s.tick;
        }
        sum += s.values[q];
        ++count;
        lastTick = s.tick;
    }
    flush();
    return points;
}

} // namespace velkaro
