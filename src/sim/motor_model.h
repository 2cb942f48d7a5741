#pragma once

#include <cstdint>

namespace velkaro::sim {

/// The power stage and motor of one drive: follows the command word, ramps
/// the output frequency toward its target and derives the running values.
/// Units: frequencies 0.01 Hz, rates 0.01 Hz per second, current 0.1 A,
/// torque 0.1 %, voltages 0.1 V.
class MotorModel {
public:
    explicit MotorModel(int ratedCurrent = 100, int maxFrequency = 40000);

    /// Applies a command word of the control block (0x001F run forward,
    /// 0x081F reverse, 0x001E ramp stop, 0x001C coast, 0x001A quick stop,
    /// 0x009E fault reset, 0x011E / 0x021E jog). Run and jog are refused
    /// while a fault is latched.
    void command(uint16_t word);
    /// Latches a fault: the output is cut at once and the run command dropped.
    void trip(int code);
    void resetFault();
    /// Moves the ramps by `elapsedUs` microseconds.
    void advance(uint64_t elapsedUs);

    void setSetFrequency(int hundredthsHz);
    void setAcceleration(int rate) { m_acceleration = rate > 0 ? rate : 1; }
    void setDeceleration(int rate) { m_deceleration = rate > 0 ? rate : 1; }
    void setJogFrequency(int hundredthsHz) { m_jogFrequency = hundredthsHz; }
    void setLoadPercent(int percent) { m_loadPercent = percent; }

    /// Output active: commanded to run or jog, or still ramping down.
    bool running() const { return m_runCommanded || m_jogCommanded || m_output != 0; }
    /// Direction of rotation, or of the command while standing.
    bool forward() const { return m_output != 0 ? m_output > 0 : m_forwardCommanded; }
    bool jogging() const { return m_jogCommanded; }
    int faultCode() const { return m_faultCode; }
    int setFrequency() const { return m_setFrequency; }
    int outputFrequency() const { return m_output < 0 ? -m_output : m_output; }
    int outputCurrent() const;
    int outputTorque() const;
    int outputVoltage() const;
    int busVoltage() const;
    int speedRpm() const { return outputFrequency() * 30 / 100; }

private:
    int target() const;
    bool accelerating() const;
    bool decelerating() const;

    int m_ratedCurrent;
    int m_maxFrequency;
    int m_setFrequency = 5000;
    int m_jogFrequency = 500;
    int m_acceleration = 1000;
    int m_deceleration = 1000;
    int m_loadPercent = 40;
    bool m_runCommanded = false;
    bool m_jogCommanded = false;
    bool m_forwardCommanded = true;
    bool m_quickStop = false;
    int m_faultCode = 0;
    int m_output = 0; ///< signed: negative runs in reverse
    uint64_t m_rampRemainder = 0;
};

} // namespace velkaro::sim
