#pragma once

#include <cstdint>
#include <span>

#include "sim/series.h"

namespace velkaro::sim {

/// The register layout a drive's firmware serves, per series: parameter
/// groups at group * 256 + position, the identification rating register,
/// the control block and the status block.
inline constexpr uint16_t kControlBlockFirst = 0x3200;
inline constexpr uint16_t kControlBlockSize = 10;
inline constexpr uint16_t kEepromStoreRegister = 0x3209;
inline constexpr uint16_t kStatusBlockFirst = 0x3210;
inline constexpr uint16_t kStatusBlockSize = 16;

/// Parameter count of each group of the series, in group order (QD10: one
/// group of 100).
std::span<const int> groupSizes(Series series);
/// The register holding the drive's rating: 0x0062 (QD10), 0x0B06 (QD20,
/// rating code), 0x000D (QD30, QD40).
uint16_t ratingRegister(Series series);
/// Highest output frequency, 0.01 Hz.
int maxFrequency(Series series);
/// Rated output current in 0.1 A from the series' rating value.
int ratedCurrent(Series series, int rating);

bool isParameterRegister(Series series, uint16_t reg);
constexpr bool isControlRegister(uint16_t reg) {
    return reg >= kControlBlockFirst && reg < kControlBlockFirst + kControlBlockSize;
}
constexpr bool isStatusRegister(uint16_t reg) {
    return reg >= kStatusBlockFirst && reg < kStatusBlockFirst + kStatusBlockSize;
}

} // namespace velkaro::sim
