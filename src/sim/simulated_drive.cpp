#include "sim/simulated_drive.h"

#include <algorithm>

#include "sim/drive_register_map.h"
#include "sim/parameter_ranges.h"
#include "sim/rtu_frame.h"

namespace velkaro::sim {

namespace {
constexpr std::size_t kRequestHistory = 10000;
constexpr uint16_t kMaxReadCount = 125;
constexpr uint16_t kMaxWriteCount = 123;
constexpr std::size_t kMaxFrameBytes = 256; // the longest RTU frame a drive buffers

constexpr uint8_t kIllegalFunction = 0x01;
constexpr uint8_t kIllegalAddress = 0x02;
constexpr uint8_t kIllegalValue = 0x03;
constexpr uint8_t kDeviceBusy = 0x04;

constexpr uint16_t kStatusRunning = 0x0004;
constexpr uint16_t kStatusFault = 0x0008;
constexpr uint16_t kStatusAlarm = 0x0080;
constexpr uint16_t kStatusForward = 0x4000;

constexpr uint16_t kStoppedCommand = 0x001E;
constexpr uint16_t kDefaultSetFrequency = 5000;
constexpr uint16_t kSoftwareVersion = 100; // 1.00
} // namespace

SimulatedDrive::SimulatedDrive(int address, Series series, int rating)
    : m_address(address), m_series(series), m_rating(rating),
      m_motor(ratedCurrent(series, rating), maxFrequency(series)) {
    const auto sizes = groupSizes(m_series);
    for (std::size_t group = 0; group < sizes.size(); ++group) {
        for (int row = 0; row < sizes[group]; ++row) {
            const auto reg = static_cast<uint16_t>(group * 256 + static_cast<std::size_t>(row));
            if (const WordRange range = catalogueRange(m_series, reg); range != kAnyWord) {
                m_catalogueRanges[reg] = range;
            }
        }
    }
    loadDefaults();
    for (const auto& [reg, value] : m_registers) {
        if (isParameterRegister(m_series, reg)) {
            m_eeprom[reg] = value;
        }
    }
}

std::string SimulatedDrive::seriesName() const {
    return sim::seriesName(m_series);
}

void SimulatedDrive::loadDefaults() {
    const auto sizes = groupSizes(m_series);
    for (std::size_t group = 0; group < sizes.size(); ++group) {
        for (int row = 0; row < sizes[group]; ++row) {
            m_registers[static_cast<uint16_t>(group * 256 + static_cast<std::size_t>(row))] = 0;
        }
    }
    // A handful of values an operator expects to find on a new drive.
    switch (m_series) {
    case Series::QD10:
        m_registers[0x0000] = kDefaultSetFrequency; // Pr00 digital set frequency
        m_registers[0x0003] = 100;                  // Pr03 first acceleration time, 10.0 s
        break;
    case Series::QD20:
        m_registers[0x0000] = kDefaultSetFrequency; // F000
        break;
    case Series::QD30:
        m_registers[0x0000] = kDefaultSetFrequency; // F0-00
        m_registers[0x000E] = kSoftwareVersion;     // F0-14
        break;
    case Series::QD40:
        m_registers[0x000C] = kSoftwareVersion; // A0-12
        break;
    }
    // Factory values lie inside the ranges, so a saved set always loads back.
    for (const auto& [reg, range] : m_catalogueRanges) {
        uint16_t& value = m_registers[reg];
        const int32_t current = range.first < 0 ? int32_t{static_cast<int16_t>(value)} : value;
        value = static_cast<uint16_t>(std::clamp(current, range.first, range.second));
    }
    // The rating register is served whether or not it is a catalogue parameter.
    m_registers[ratingRegister(m_series)] = static_cast<uint16_t>(m_rating);
    for (uint16_t i = 0; i < kControlBlockSize; ++i) {
        m_registers[static_cast<uint16_t>(kControlBlockFirst + i)] = 0;
    }
    m_registers[kControlBlockFirst] = kStoppedCommand;
    m_registers[kControlBlockFirst + 1] = kDefaultSetFrequency;
    m_motor.setSetFrequency(kDefaultSetFrequency);
}

void SimulatedDrive::powerCycle() {
    m_motor = MotorModel(ratedCurrent(m_series, m_rating), maxFrequency(m_series));
    m_registers.clear();
    loadDefaults();
    for (const auto& [reg, value] : m_eeprom) {
        m_registers[reg] = value;
    }
    m_alarmLow = 0;
    m_alarmHigh = 0;
}

uint16_t SimulatedDrive::holdingRegister(uint16_t reg) const {
    if (isStatusRegister(reg)) {
        return statusRegister(reg);
    }
    const auto found = m_registers.find(reg);
    return found == m_registers.end() ? 0 : found->second;
}

void SimulatedDrive::setHoldingRegister(uint16_t reg, uint16_t value) {
    if (isStatusRegister(reg)) {
        m_statusOverrides[reg] = value;
    } else {
        m_registers[reg] = value;
    }
}

bool SimulatedDrive::hasRegister(uint16_t reg) const {
    return isStatusRegister(reg) || m_registers.contains(reg);
}

void SimulatedDrive::setAllowedRange(uint16_t reg, int32_t low, int32_t high) {
    m_declaredRanges[reg] = {low, high};
}

std::pair<int32_t, int32_t> SimulatedDrive::allowedRange(uint16_t reg) const {
    if (const auto found = m_declaredRanges.find(reg); found != m_declaredRanges.end()) {
        return found->second;
    }
    if (const auto found = m_catalogueRanges.find(reg); found != m_catalogueRanges.end()) {
        if (m_enforceCatalogueRanges) {
            return found->second;
        }
        return found->second.first < 0 ? kAnySignedWord : kAnyWord;
    }
    return kAnyWord;
}

void SimulatedDrive::setFault(int code) {
    if (code == 0) {
        clearFault();
        return;
    }
    m_motor.trip(code);
}

void SimulatedDrive::clearFault() {
    m_motor.resetFault();
}

void SimulatedDrive::setAlarm(uint16_t low, uint16_t high) {
    m_alarmLow = low;
    m_alarmHigh = high;
}

void SimulatedDrive::setSetFrequency(int hundredthsHz) {
    m_motor.setSetFrequency(hundredthsHz);
    m_registers[kControlBlockFirst + 1] = static_cast<uint16_t>(m_motor.setFrequency());
}

std::vector<std::vector<uint8_t>> SimulatedDrive::requestsSeen() const {
    return {m_requestsSeen.begin(), m_requestsSeen.end()};
}

uint16_t SimulatedDrive::statusRegister(uint16_t reg) const {
    if (const auto found = m_statusOverrides.find(reg); found != m_statusOverrides.end()) {
        return found->second;
    }
    switch (reg - kStatusBlockFirst) {
    case 0: {
        uint16_t word = 0;
        word |= m_motor.running() ? kStatusRunning : 0;
        word |= m_motor.faultCode() != 0 ? kStatusFault : 0;
        word |= (m_alarmLow | m_alarmHigh) != 0 ? kStatusAlarm : 0;
        word |= m_motor.forward() ? kStatusForward : 0;
        return word;
    }
    case 1:
        return static_cast<uint16_t>(m_motor.outputFrequency());
    case 2:
        return static_cast<uint16_t>(m_motor.speedRpm());
    case 4:
        return static_cast<uint16_t>(m_motor.setFrequency());
    case 5:
        return static_cast<uint16_t>(m_motor.outputCurrent());
    case 6:
        return static_cast<uint16_t>(m_motor.outputTorque());
    case 7:
        return static_cast<uint16_t>(m_motor.outputVoltage());
    case 8:
        return static_cast<uint16_t>(m_motor.busVoltage());
    case 9:
        return static_cast<uint16_t>(m_motor.faultCode());
    case 10:
        return m_alarmLow;
    case 11:
        return m_alarmHigh;
    default:
        return 0;
    }
}

void SimulatedDrive::advanceTo(uint64_t nowUs) {
    if (nowUs > m_nowUs) {
        m_motor.advance(nowUs - m_nowUs);
        m_nowUs = nowUs;
    }
}

void SimulatedDrive::recordRequest(const uint8_t* frame, std::size_t length) {
    m_requestsSeen.emplace_back(frame, frame + length);
    if (m_requestsSeen.size() > kRequestHistory) {
        m_requestsSeen.pop_front();
    }
}

std::optional<std::vector<uint8_t>> SimulatedDrive::serve(const uint8_t* frame,
                                                          std::size_t length) {
    // A longer frame overruns the drive's buffer and is never a request; the
    // echo test would otherwise return it whole, longer than any RTU frame.
    if (length > kMaxFrameBytes || !rtuCrcOk(frame, length)) {
        return std::nullopt;
    }
    if (frame[0] == 0) {
        // Broadcast writes are carried out; nobody answers a broadcast.
        if (frame[1] == 0x06 || frame[1] == 0x10) {
            execute(frame, length);
        }
        return std::nullopt;
    }
    if (frame[0] != m_address) {
        return std::nullopt;
    }
    recordRequest(frame, length);
    return execute(frame, length);
}

std::vector<uint8_t> SimulatedDrive::execute(const uint8_t* frame, std::size_t length) {
    switch (frame[1]) {
    case 0x03:
        return readHolding(frame, length);
    case 0x06:
        return writeSingle(frame, length);
    case 0x10:
        return writeMultiple(frame, length);
    case 0x08:
        return diagnostics(frame, length);
    default:
        return exceptionFrame(frame[0], frame[1], kIllegalFunction);
    }
}

std::vector<uint8_t> SimulatedDrive::readHolding(const uint8_t* frame, std::size_t length) const {
    // address, function, start (2), count (2), CRC (2)
    if (length != 8) {
        return exceptionFrame(frame[0], frame[1], kIllegalValue);
    }
    const uint16_t first = wordAt(frame, 2);
    const uint16_t count = wordAt(frame, 4);
    if (count == 0 || count > kMaxReadCount) {
        return exceptionFrame(frame[0], frame[1], kIllegalValue);
    }
    for (uint32_t reg = first; reg < uint32_t{first} + count; ++reg) {
        if (reg > 0xFFFF || !hasRegister(static_cast<uint16_t>(reg))) {
            return exceptionFrame(frame[0], frame[1], kIllegalAddress);
        }
    }
    std::vector<uint8_t> reply{frame[0], frame[1], static_cast<uint8_t>(count * 2)};
    for (uint16_t i = 0; i < count; ++i) {
        appendWord(reply, holdingRegister(static_cast<uint16_t>(first + i)));
    }
    appendCrc(reply);
    return reply;
}

std::vector<uint8_t> SimulatedDrive::writeSingle(const uint8_t* frame, std::size_t length) {
    // address, function, register (2), value (2), CRC (2); the reply echoes it.
    if (length != 8) {
        return exceptionFrame(frame[0], frame[1], kIllegalValue);
    }
    const uint16_t reg = wordAt(frame, 2);
    const std::vector<uint16_t> values{wordAt(frame, 4)};
    if (m_faults.refusal.refuses(reg, values, isParameterRegister(m_series, reg))) {
        return exceptionFrame(frame[0], frame[1], m_faults.refusal.code);
    }
    if (const uint8_t code = checkWrite(reg, values); code != 0) {
        return exceptionFrame(frame[0], frame[1], code);
    }
    storeWords(reg, values);
    return {frame, frame + length};
}

std::vector<uint8_t> SimulatedDrive::writeMultiple(const uint8_t* frame, std::size_t length) {
    // address, function, start (2), quantity (2), byte count, 2n data, CRC (2)
    if (length < 9) {
        return exceptionFrame(frame[0], frame[1], kIllegalValue);
    }
    const uint16_t first = wordAt(frame, 2);
    const uint16_t quantity = wordAt(frame, 4);
    const uint8_t byteCount = frame[6];
    std::size_t words = quantity;
    // The station's control-block frame announces 4 registers and 8 bytes at
    // 0x3200 but carries all ten words of the block: 7 + 20 + 2 = 29 bytes.
    // The drives take all ten.
    const bool wholeControlBlock = first == kControlBlockFirst && quantity == 4 && byteCount == 8 &&
                                   length == 7 + 2 * kControlBlockSize + 2;
    if (wholeControlBlock) {
        words = kControlBlockSize;
    } else if (quantity == 0 || quantity > kMaxWriteCount || byteCount != 2 * quantity ||
               length != 9 + std::size_t{byteCount}) {
        return exceptionFrame(frame[0], frame[1], kIllegalValue);
    }
    std::vector<uint16_t> values;
    for (std::size_t i = 0; i < words; ++i) {
        values.push_back(wordAt(frame, 7 + 2 * i));
    }
    if (m_faults.rejectImportWithBusy && isParameterRegister(m_series, first)) {
        return exceptionFrame(frame[0], frame[1], kDeviceBusy);
    }
    if (m_faults.refusal.refuses(first, values, isParameterRegister(m_series, first))) {
        return exceptionFrame(frame[0], frame[1], m_faults.refusal.code);
    }
    if (const uint8_t code = checkWrite(first, values); code != 0) {
        return exceptionFrame(frame[0], frame[1], code);
    }
    storeWords(first, values);
    std::vector<uint8_t> reply(frame, frame + 6);
    appendCrc(reply);
    return reply;
}

std::vector<uint8_t> SimulatedDrive::diagnostics(const uint8_t* frame, std::size_t length) const {
    if (length < 6 || wordAt(frame, 2) != 0x0000) {
        return exceptionFrame(frame[0], frame[1], kIllegalFunction);
    }
    // Return query data: the request comes back as it was.
    return {frame, frame + length};
}

uint8_t SimulatedDrive::checkWrite(uint16_t reg, const std::vector<uint16_t>& values) const {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const uint32_t at = uint32_t{reg} + static_cast<uint32_t>(i);
        if (at > 0xFFFF) {
            return kIllegalAddress;
        }
        const auto target = static_cast<uint16_t>(at);
        const bool readOnlyRating =
            target == ratingRegister(m_series) && !isParameterRegister(m_series, target);
        if (!hasRegister(target) || isStatusRegister(target) || readOnlyRating) {
            return kIllegalAddress;
        }
    }
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto [low, high] = allowedRange(static_cast<uint16_t>(reg + i));
        const int32_t value =
            low < 0 ? int32_t{static_cast<int16_t>(values[i])} : int32_t{values[i]};
        if (value < low || value > high) {
            return kIllegalValue;
        }
    }
    return 0;
}

void SimulatedDrive::storeWords(uint16_t reg, const std::vector<uint16_t>& values) {
    bool commandWritten = false;
    bool frequencyWritten = false;
    bool storeRequested = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto target = static_cast<uint16_t>(reg + i);
        m_registers[target] = values[i];
        commandWritten = commandWritten || target == kControlBlockFirst;
        frequencyWritten = frequencyWritten || target == kControlBlockFirst + 1;
        storeRequested = storeRequested || (target == kEepromStoreRegister && values[i] == 1);
    }
    // The frequency first, so a run command in the same block runs at it.
    if (frequencyWritten) {
        m_motor.setSetFrequency(m_registers[kControlBlockFirst + 1]);
    }
    if (commandWritten) {
        m_motor.command(m_registers[kControlBlockFirst]);
    }
    if (storeRequested) {
        for (auto& [param, value] : m_eeprom) {
            value = m_registers[param];
        }
        ++m_eepromStores;
        m_registers[kEepromStoreRegister] = 0;
    }
}

} // namespace velkaro::sim
