#pragma once

// How one catalogue parameter is shown in reports and comparisons: its value
// as the parameter panel shows it, the unit its range text names, whether it
// may be changed, and its group.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "registry/catalogue.h"

namespace velkaro {

/// The register word as the panel shows it: signed or unsigned by the format
/// word, with the parameter's implied decimals ("50.00", "-0.5").
std::string parameterValueText(const ParamDescriptor& d, uint16_t word);

/// A value text read back strictly: an optional minus, digits, and a point
/// with at most the parameter's decimals (fewer are filled with zeros, as a
/// spreadsheet drops trailing zeros); the value must fit the parameter's
/// signed or unsigned register. None for anything else.
std::optional<uint16_t> parseParameterValue(const ParamDescriptor& d, std::string_view text);

/// The unit after a number in the range text ("0.10～200.00Hz" -> "Hz",
/// "－300.0～300.0%(只读)" -> "%", "0.00Hz～F0-06" -> "Hz"); empty when the
/// range names none ("0～5", "F0-08～F0-06", "禁止/允许", empty).
std::string unitOf(std::string_view range);

/// When a parameter may be changed, from its format word: bit 0x10 while the
/// drive runs, bit 0x08 only while it stands; neither marks the read-only
/// entries (running values, fault records, reserved and factory entries,
/// rating and software version).
enum class ChangeAttribute { WhileRunning, WhenStopped, ReadOnly };
ChangeAttribute changeAttributeOf(const ParamDescriptor& d);
/// "运行中可修改", "停机时可修改" or "只读".
std::string_view changeAttributeText(ChangeAttribute attribute);

/// Group (position in the catalogue's group list) of entry `entry`; -1 outside.
int groupOfEntry(const SeriesCatalogue& catalogue, std::size_t entry);

} // namespace velkaro
