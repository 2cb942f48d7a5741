#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/drive_faults.h"
#include "sim/motor_model.h"
#include "sim/series.h"

namespace velkaro::sim {

/// One drive on the simulated bus: its registers (identification, parameters,
/// control and status blocks), a motor that ramps, and its injectable faults.
/// Values are in the drive's own units: frequencies 0.01 Hz, current 0.1 A,
/// torque 0.1 %, voltages 0.1 V.
class SimulatedDrive {
public:
    /// `rating` is the value the series' rating register reports (QD30/QD40:
    /// 0.01 kW, e.g. 750; QD20: rating code 0..29; QD10: 0.1 kW, e.g. 75).
    SimulatedDrive(int address, Series series, int rating);

    int address() const { return m_address; }
    Series series() const { return m_series; }
    std::string seriesName() const;
    int rating() const { return m_rating; }

    /// Current value of any register the drive has (parameters, identification,
    /// control block, status block); 0 for a register it does not have.
    uint16_t holdingRegister(uint16_t reg) const;
    /// Test set-up: stores `value` without range checks or side effects
    /// (status registers are overwritten until the motor model next updates them).
    void setHoldingRegister(uint16_t reg, uint16_t value);
    /// True for every register a read may include without exception 0x02.
    bool hasRegister(uint16_t reg) const;
    /// Declares what a write of `reg` may hold; a write outside answers
    /// exception 0x03. `low` below 0 makes the register signed.
    void setAllowedRange(uint16_t reg, int32_t low, int32_t high);
    /// Writes accepted for `reg`: declared, else (with catalogue ranges on)
    /// the range text of its catalogue entry, else any word of the entry's
    /// signedness.
    std::pair<int32_t, int32_t> allowedRange(uint16_t reg) const;
    /// Enforce the catalogue's range texts ("0～9", "0.10～200.00Hz") on writes,
    /// as a real drive does; off by default, so a test's synthetic values pass.
    void setCatalogueRanges(bool enforce) { m_enforceCatalogueRanges = enforce; }
    /// Times 0x3209 := 1 stored the parameters.
    int eepromStoreCount() const { return m_eepromStores; }

    /// Trips the drive: fault bit and code set, output cut (coasts to 0).
    void setFault(int code);
    /// Clears the fault as a fault-reset command does.
    void clearFault();
    int faultCode() const { return m_motor.faultCode(); }
    void setAlarm(uint16_t low, uint16_t high);

    bool running() const { return m_motor.running(); }
    bool forward() const { return m_motor.forward(); }
    bool jogging() const { return m_motor.jogging(); }
    /// Output frequency in 0.01 Hz (never negative; direction is a status bit).
    int outputFrequency() const { return m_motor.outputFrequency(); }
    /// Frequency the drive runs at when commanded, 0.01 Hz (the control block's word).
    int setFrequency() const { return m_motor.setFrequency(); }
    void setSetFrequency(int hundredthsHz);
    /// Ramp rates in 0.01 Hz per second (default 10.00 Hz/s both ways).
    void setAcceleration(int hundredthsHzPerSecond) {
        m_motor.setAcceleration(hundredthsHzPerSecond);
    }
    void setDeceleration(int hundredthsHzPerSecond) {
        m_motor.setDeceleration(hundredthsHzPerSecond);
    }
    /// Jog frequency, 0.01 Hz (default 5.00 Hz).
    void setJogFrequency(int hundredthsHz) { m_motor.setJogFrequency(hundredthsHz); }
    /// Mechanical load in percent of rated torque (default 40).
    void setLoadPercent(int percent) { m_motor.setLoadPercent(percent); }
    /// Power off and on: parameters come back from the EEPROM image (what was
    /// last stored, or the factory defaults), the motor stands, faults clear.
    void powerCycle();
    /// Status registers set through setHoldingRegister() keep their value until this.
    void clearStatusOverrides() { m_statusOverrides.clear(); }

    DriveFaults& faults() { return m_faults; }
    const DriveFaults& faults() const { return m_faults; }

    /// Request frames with a good CRC addressed to this drive, oldest first
    /// (the most recent 10000).
    std::vector<std::vector<uint8_t>> requestsSeen() const;
    void clearRequestsSeen() { m_requestsSeen.clear(); }

    // The bus side.

    /// Moves the motor model to `nowUs` (monotonic simulated microseconds).
    void advanceTo(uint64_t nowUs);
    /// Serves one complete request frame addressed to this drive or broadcast
    /// (address 0). Returns the reply frame with its CRC, or none when the drive
    /// stays quiet (bad CRC, other address, broadcast). Faults that shape the
    /// reply on the wire (silence, CRC, timing, address) are applied by the bus.
    std::optional<std::vector<uint8_t>> serve(const uint8_t* frame, std::size_t length);

private:
    friend class BusSimulator;
    void recordRequest(const uint8_t* frame, std::size_t length);
    std::vector<uint8_t> execute(const uint8_t* frame, std::size_t length);
    std::vector<uint8_t> readHolding(const uint8_t* frame, std::size_t length) const;
    std::vector<uint8_t> writeSingle(const uint8_t* frame, std::size_t length);
    std::vector<uint8_t> writeMultiple(const uint8_t* frame, std::size_t length);
    std::vector<uint8_t> diagnostics(const uint8_t* frame, std::size_t length) const;
    /// Exception code for writing `values` from `reg` on, or 0 when allowed.
    uint8_t checkWrite(uint16_t reg, const std::vector<uint16_t>& values) const;
    void storeWords(uint16_t reg, const std::vector<uint16_t>& values);
    uint16_t statusRegister(uint16_t reg) const;
    void loadDefaults();

    int m_address;
    Series m_series;
    int m_rating;
    std::map<uint16_t, uint16_t> m_registers;
    std::map<uint16_t, uint16_t> m_eeprom;
    std::map<uint16_t, uint16_t> m_statusOverrides;
    std::map<uint16_t, std::pair<int32_t, int32_t>> m_declaredRanges;
    std::map<uint16_t, std::pair<int32_t, int32_t>> m_catalogueRanges;
    bool m_enforceCatalogueRanges = false;
    int m_eepromStores = 0;
    MotorModel m_motor;
    uint16_t m_alarmLow = 0;
    uint16_t m_alarmHigh = 0;
    uint64_t m_nowUs = 0;
    DriveFaults m_faults;
    std::deque<std::vector<uint8_t>> m_requestsSeen;
};

} // namespace velkaro::sim
