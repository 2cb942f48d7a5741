#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "sim/series.h"

namespace velkaro::sim {

/// Lowest and highest word a write may carry; a negative low bound means the
/// register holds a signed value.
using WordRange = std::pair<int32_t, int32_t>;

inline constexpr WordRange kAnyWord{0, 0xFFFF};
inline constexpr WordRange kAnySignedWord{-32768, 32767};

/// Range of a catalogue range text in register units: "0.10～200.00Hz" with
/// two decimals is 10..20000, "－1.000～1.000" with three is -1000..1000.
/// None for texts that are not two numbers ("0.00Hz～F0-06", "只读", "禁止/允许",
/// a single value, empty) or that need more decimals than the entry has.
std::optional<WordRange> parseRangeText(std::string_view text, unsigned decimals);

/// What a drive of `series` accepts for parameter register `reg`, from its
/// catalogue entry: the parsed range, else any word (signed when the entry's
/// range reaches below zero); any word for a register outside the catalogue.
WordRange catalogueRange(Series series, uint16_t reg);

} // namespace velkaro::sim
