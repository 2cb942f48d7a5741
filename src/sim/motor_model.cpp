#include "sim/motor_model.h"

#include <algorithm>
#include <cstdlib>

namespace velkaro::sim {

namespace {
// Command word bits as the drives read them.
constexpr uint16_t kRunBit = 0x0001;
constexpr uint16_t kNoCoastBit = 0x0002;     // clear: coast (output cut at once)
constexpr uint16_t kNoQuickStopBit = 0x0004; // clear: quick stop
constexpr uint16_t kFaultResetBit = 0x0080;
constexpr uint16_t kJogForwardBit = 0x0100;
constexpr uint16_t kJogReverseBit = 0x0200;
constexpr uint16_t kReverseBit = 0x0800;

constexpr int kQuickStopFactor = 10; // quick stop ramps ten times faster
constexpr int kBaseFrequency = 5000; // 50.00 Hz: full output voltage from here
constexpr int kRatedOutputVoltage = 3800;
constexpr int kIdleBusVoltage = 5370;    // rectified 380 V mains
constexpr int kRegenerationRise = 400;   // the bus rises while braking
constexpr int kAccelerationTorque = 300; // extra torque while speeding up, 0.1 %
constexpr int kBrakingTorque = -200;
constexpr uint64_t kMicrosPerSecond = 1000000;
} // namespace

MotorModel::MotorModel(int ratedCurrent, int maxFrequency)
    : m_ratedCurrent(ratedCurrent), m_maxFrequency(maxFrequency) {}

void MotorModel::command(uint16_t word) {
    if ((word & kFaultResetBit) != 0) {
        resetFault();
    }
    if ((word & kNoCoastBit) == 0) {
        m_runCommanded = false;
        m_jogCommanded = false;
        m_quickStop = false;
        m_output = 0;
        m_rampRemainder = 0;
        return;
    }
    // A quick stop latches: once begun it runs to standstill whatever word
    // follows, and a run given meanwhile is not taken.
    if ((word & kNoQuickStopBit) == 0) {
        m_quickStop = true;
    }
    if (m_quickStop) {
        m_runCommanded = false;
        m_jogCommanded = false;
        return;
    }
    const bool faulted = m_faultCode != 0;
    m_runCommanded = !faulted && (word & kRunBit) != 0;
    m_jogCommanded = !faulted && !m_runCommanded && (word & (kJogForwardBit | kJogReverseBit)) != 0;
    if (m_runCommanded) {
        m_forwardCommanded = (word & kReverseBit) == 0;
    } else if (m_jogCommanded) {
        m_forwardCommanded = (word & kJogForwardBit) != 0;
    }
}

void MotorModel::trip(int code) {
    m_faultCode = code;
    m_runCommanded = false;
    m_jogCommanded = false;
    m_output = 0;
    m_rampRemainder = 0;
}

void MotorModel::resetFault() {
    m_faultCode = 0;
}

void MotorModel::setSetFrequency(int hundredthsHz) {
    m_setFrequency = std::clamp(hundredthsHz, 0, m_maxFrequency);
}

int MotorModel::target() const {
    int magnitude = 0;
    if (m_runCommanded) {
        magnitude = m_setFrequency;
    } else if (m_jogCommanded) {
        magnitude = std::min(m_jogFrequency, m_maxFrequency);
    }
    return m_forwardCommanded ? magnitude : -magnitude;
}

bool MotorModel::accelerating() const {
    const int goal = target();
    return goal != m_output && std::abs(goal) > std::abs(m_output) &&
           (m_output == 0 || (goal > 0) == (m_output > 0));
}

bool MotorModel::decelerating() const {
    return target() != m_output && !accelerating();
}

void MotorModel::advance(uint64_t elapsedUs) {
    const int goal = target();
    if (goal == m_output) {
        m_rampRemainder = 0;
        m_quickStop = m_quickStop && m_output != 0;
        return;
    }
    // Speeding up uses the acceleration; slowing down, or passing through
    // zero to the other direction, the deceleration.
    uint64_t rate = accelerating() ? m_acceleration : m_deceleration;
    if (m_quickStop) {
        rate *= kQuickStopFactor;
    }
    // Whole 0.01 Hz steps; the fraction is kept so the ramp never drifts.
    const uint64_t total = rate * elapsedUs + m_rampRemainder;
    const uint64_t steps = total / kMicrosPerSecond;
    m_rampRemainder = total % kMicrosPerSecond;
    const int distance = std::abs(goal - m_output);
    if (steps >= static_cast<uint64_t>(distance)) {
        m_output = goal;
        m_rampRemainder = 0;
    } else {
        m_output += goal > m_output ? static_cast<int>(steps) : -static_cast<int>(steps);
    }
}

int MotorModel::outputTorque() const {
    if (m_output == 0) {
        return 0;
    }
    int torque = m_loadPercent * 10;
    if (accelerating()) {
        torque += kAccelerationTorque;
    } else if (decelerating()) {
        torque += kBrakingTorque;
    }
    return torque;
}

int MotorModel::outputCurrent() const {
    if (m_output == 0) {
        return 0;
    }
    // Magnetising share plus a share that follows the torque.
    const int torque = std::abs(outputTorque());
    return m_ratedCurrent * (300 + 7 * torque / 10) / 1000;
}

int MotorModel::outputVoltage() const {
    const int frequency = std::min(outputFrequency(), kBaseFrequency);
    return kRatedOutputVoltage * frequency / kBaseFrequency;
}

int MotorModel::busVoltage() const {
    return decelerating() && m_output != 0 ? kIdleBusVoltage + kRegenerationRise : kIdleBusVoltage;
}

} // namespace velkaro::sim
