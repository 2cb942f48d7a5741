#include "sim/bus_simulator.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "sim/rtu_frame.h"

namespace velkaro::sim {

namespace {
constexpr std::size_t kReplyHistory = 10000;
// Longer than any request a drive takes; the rest of a runaway frame is
// dropped and the frame fails its CRC.
constexpr std::size_t kRequestCapacity = 256;
} // namespace

BusSimulator::BusSimulator(LineSettings line) : m_line(line), m_dice(m_faults.seed) {}

SimulatedDrive& BusSimulator::addDrive(int address, Series series, int rating) {
    if (address < 1 || address > 247) {
        throw std::invalid_argument("drive address outside 1..247: " + std::to_string(address));
    }
    if (m_drives.contains(address)) {
        throw std::invalid_argument("drive address already taken: " + std::to_string(address));
    }
    auto& slot = m_drives[address];
    slot = std::make_unique<SimulatedDrive>(address, series, rating);
    slot->advanceTo(m_nowUs);
    return *slot;
}

void BusSimulator::removeDrive(int address) {
    m_drives.erase(address);
}

SimulatedDrive* BusSimulator::drive(int address) {
    const auto found = m_drives.find(address);
    return found == m_drives.end() ? nullptr : found->second.get();
}

std::vector<SimulatedDrive*> BusSimulator::drives() {
    std::vector<SimulatedDrive*> all;
    for (auto& [address, drive] : m_drives) {
        all.push_back(drive.get());
    }
    return all;
}

std::vector<std::vector<uint8_t>> BusSimulator::repliesSent() const {
    return {m_repliesSent.begin(), m_repliesSent.end()};
}

void BusSimulator::insertByTime(std::deque<TimedByte>& line, TimedByte byte) {
    const auto at = std::upper_bound(
        line.begin(), line.end(), byte.endUs,
        [](uint64_t endUs, const TimedByte& other) { return endUs < other.endUs; });
    line.insert(at, byte);
}

void BusSimulator::stationSent(const uint8_t* data, std::size_t n, uint64_t nowUs) {
    const uint64_t startUs = std::max(nowUs, m_stationLineFreeUs);
    for (std::size_t i = 0; i < n; ++i) {
        insertByTime(m_toDrives, {startUs + charactersTimeUs(m_line, i + 1), data[i], true});
    }
    if (n > 0) {
        m_stationLineFreeUs = startUs + charactersTimeUs(m_line, n);
        if (m_trace != nullptr) {
            m_trace->push_back({startUs, true, {data, data + n}});
        }
    }
}

void BusSimulator::discardUnsent(uint64_t nowUs) {
    const uint64_t characterUs = charactersTimeUs(m_line, 1);
    std::erase_if(m_toDrives, [&](const TimedByte& byte) {
        return byte.fromStation && byte.endUs > nowUs + characterUs;
    });
    m_stationLineFreeUs = nowUs;
    for (const TimedByte& byte : m_toDrives) {
        if (byte.fromStation) {
            m_stationLineFreeUs = std::max(m_stationLineFreeUs, byte.endUs);
        }
    }
}

void BusSimulator::injectNoise(const std::vector<uint8_t>& bytes, uint64_t atUs) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const TimedByte byte{atUs + charactersTimeUs(m_line, i + 1), bytes[i], false};
        insertByTime(m_toDrives, byte);
        insertByTime(m_toStation, byte);
    }
}

void BusSimulator::advanceTo(uint64_t nowUs) {
    nowUs = std::max(nowUs, m_nowUs);
    const uint64_t characterUs = charactersTimeUs(m_line, 1);
    const uint64_t silenceUs = frameSilenceUs(m_line);
    for (;;) {
        if (!m_request.empty()) {
            // The request ends once the line has been quiet for the frame
            // silence; a character that starts before then still belongs to it.
            const uint64_t frameEndUs = m_lastRequestByteUs + silenceUs;
            const bool nextBelongs =
                !m_toDrives.empty() && m_toDrives.front().endUs < frameEndUs + characterUs;
            if (!nextBelongs && frameEndUs <= nowUs) {
                advanceDrives(frameEndUs);
                endRequest(frameEndUs);
                continue;
            }
        }
        if (!m_toDrives.empty() && m_toDrives.front().endUs <= nowUs) {
            const TimedByte byte = m_toDrives.front();
            m_toDrives.pop_front();
            if (m_request.size() < kRequestCapacity) {
                m_request.push_back(byte.value);
            } else {
                m_requestOverflow = true;
            }
            m_lastRequestByteUs = byte.endUs;
            continue;
        }
        break;
    }
    advanceDrives(nowUs);
    m_nowUs = nowUs;
}

void BusSimulator::advanceDrives(uint64_t nowUs) {
    for (auto& [address, drive] : m_drives) {
        drive->advanceTo(nowUs);
    }
}

void BusSimulator::endRequest(uint64_t endUs) {
    const std::vector<uint8_t> frame = std::move(m_request);
    m_request.clear();
    const bool overflow = m_requestOverflow;
    m_requestOverflow = false;
    if (overflow || !rtuCrcOk(frame.data(), frame.size())) {
        return;
    }
    if (frame[0] == 0) {
        for (auto& [address, drive] : m_drives) {
            if (!drive->faults().silent && !m_faults.silent) {
                drive->serve(frame.data(), frame.size());
            }
        }
        return;
    }
    SimulatedDrive* target = drive(frame[0]);
    if (target == nullptr) {
        return;
    }
    // The faults in force when the request arrived shape this reply; a
    // one-shot set is used up afterwards.
    const DriveFaults faults = target->faults();
    std::optional<std::vector<uint8_t>> reply;
    if (faults.silent || m_faults.silent) {
        target->recordRequest(frame.data(), frame.size());
    } else {
        reply = target->serve(frame.data(), frame.size());
    }
    DriveFaults& live = target->faults();
    if (!faults.healthy() && live.shots > 0 && --live.shots == 0) {
        live = DriveFaults{};
    }
    if (reply) {
        scheduleReply(std::move(*reply), endUs, faults);
    }
}

bool BusSimulator::roll(double share) {
    if (share <= 0.0) {
        return false;
    }
    if (share >= 1.0) {
        return true;
    }
    return static_cast<double>(m_dice()) / 4294967296.0 < share;
}

void BusSimulator::scheduleReply(std::vector<uint8_t> reply, uint64_t frameEndUs,
                                 const DriveFaults& faults) {
    if (faults.wrongAddress != 0) {
        reply[0] = static_cast<uint8_t>(faults.wrongAddress);
        reply.resize(reply.size() - 2);
        appendCrc(reply);
    }
    if (roll(faults.corruptCrcShare) || roll(m_faults.corruptCrcShare)) {
        reply.back() ^= 0xFF;
    }
    if (roll(m_faults.noiseShare)) {
        // One flipped bit: the station's CRC check must catch it.
        const std::size_t at = m_dice() % reply.size();
        reply[at] ^= static_cast<uint8_t>(1u << (m_dice() % 8));
    }
    const uint64_t lateUs =
        static_cast<uint64_t>(std::max(0, faults.lateReplyMs) + std::max(0, m_faults.lateReplyMs)) *
        1000;
    const uint64_t startUs = std::max(frameEndUs + m_turnaroundUs + lateUs, m_replyLineFreeUs);
    std::size_t splitAt = reply.size();
    if (faults.splitPauseMs > 0) {
        splitAt = faults.splitAtByte > 0
                      ? std::min(static_cast<std::size_t>(faults.splitAtByte), reply.size())
                      : reply.size() / 2;
    }
    const uint64_t pauseUs = static_cast<uint64_t>(std::max(0, faults.splitPauseMs)) * 1000;
    uint64_t endUs = startUs;
    for (std::size_t i = 0; i < reply.size(); ++i) {
        endUs = startUs + (i >= splitAt ? pauseUs : 0) + charactersTimeUs(m_line, i + 1);
        insertByTime(m_toStation, {endUs, reply[i], false});
    }
    m_replyLineFreeUs = endUs;
    if (m_trace != nullptr) {
        m_trace->push_back({startUs, false, reply});
    }
    m_repliesSent.push_back(std::move(reply));
    if (m_repliesSent.size() > kReplyHistory) {
        m_repliesSent.pop_front();
    }
}

std::size_t BusSimulator::replyBytesWaiting(uint64_t nowUs) {
    advanceTo(nowUs);
    std::size_t count = 0;
    while (count < m_toStation.size() && m_toStation[count].endUs <= nowUs) {
        ++count;
    }
    return count;
}

std::size_t BusSimulator::takeReplyBytes(uint8_t* out, std::size_t capacity, uint64_t nowUs) {
    advanceTo(nowUs);
    std::size_t taken = 0;
    while (taken < capacity && !m_toStation.empty() && m_toStation.front().endUs <= nowUs) {
        out[taken++] = m_toStation.front().value;
        m_toStation.pop_front();
    }
    return taken;
}

std::optional<uint64_t> BusSimulator::nextEventUs() const {
    std::optional<uint64_t> next;
    const auto consider = [&next](uint64_t atUs) { next = next ? std::min(*next, atUs) : atUs; };
    if (!m_toDrives.empty()) {
        consider(m_toDrives.front().endUs);
    }
    if (!m_request.empty()) {
        consider(m_lastRequestByteUs + frameSilenceUs(m_line));
    }
    if (!m_toStation.empty()) {
        consider(m_toStation.front().endUs);
    }
    return next;
}

} // namespace velkaro::sim
