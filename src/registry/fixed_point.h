#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

/// Integer with `decimals` implied decimals to text: 1234,2 -> "12.34",
/// -5,2 -> "-0.05", 0,1 -> "0.0"; no point with 0 decimals.
std::string formatFixed(int32_t value, unsigned decimals);

struct FixedParse {
    int32_t value = 0;   ///< saturated to the 32-bit range
    bool inRange = true; ///< false when the scaled value did not fit in 32 bits
};

/// Text to integer scaled by 10^decimals, truncated toward zero, exact in
/// decimal ("0.29",2 -> 29). Leading blanks, optional sign, digits, optional
/// fraction; text that does not start with a number gives 0.
FixedParse parseFixedChecked(std::string_view text, unsigned decimals);
/// As parseFixedChecked, value only.
int32_t parseFixed(std::string_view text, unsigned decimals);

/// A number the operator typed, read strictly: blanks around it, an optional
/// sign, digits with at most one decimal point, nothing else. Full-width
/// digits, point ("．" or "。"), plus, minus ("－", "−") and blanks from a Chinese
/// input method count as their ASCII forms. Letters, a comma, a second point or
/// an exponent make it no number at all: none is returned. Decimals beyond
/// `decimals` are dropped as parseFixed drops them.
std::optional<FixedParse> parseEnteredNumber(std::string_view text, unsigned decimals);

/// A positive, finite decimal number as a command line gives it (hours,
/// seconds): the whole text or none.
std::optional<double> parsePositiveNumber(const std::string& text);

/// Why `text` cannot be written as a parameter's new value: not a number (as
/// parseEnteredNumber reads it), or a scaled value beyond the 16-bit register
/// the parameter is kept in (-32768..32767 when `isSigned`, else 0..65535).
/// None when it fits; empty text fits too (it writes nothing).
std::optional<std::string> registerValueRefusal(std::string_view text, unsigned decimals,
                                                bool isSigned);

/// True when a value fits a 16-bit holding register as either a signed or an
/// unsigned word (-32768..65535).
constexpr bool fitsRegister(int64_t value) {
    return value >= -32768 && value <= 65535;
}

} // namespace velkaro
