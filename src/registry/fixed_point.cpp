#include "registry/fixed_point.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace velkaro {

std::string formatFixed(int32_t value, unsigned decimals) {
    std::string text = std::to_string(value);
    if (decimals == 0) {
        return text;
    }
    if (value >= 0) {
        while (text.size() <= decimals) {
            text.insert(0, 1, '0');
        }
    } else {
        while (text.size() <= decimals + 1) {
            text.insert(1, 1, '0');
        }
    }
    text.insert(text.size() - decimals, 1, '.');
    return text;
}

namespace {

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits of the number without the point, and the power of ten they carry.
struct DecimalText {
    bool negative = false;
    std::string digits;
    long exponent = 0;
};

// Reads "[blanks][sign]digits[.digits][e[sign]digits]" as far as it forms a
// number; no digits at all gives an empty digit string (the value 0).
DecimalText scanDecimal(std::string_view text) {
    DecimalText number;
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        number.negative = text[i] == '-';
        ++i;
    }
    bool anyDigit = false;
    while (i < text.size() && isDigit(text[i])) {
        number.digits += text[i++];
        anyDigit = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            number.digits += text[i++];
            --number.exponent;
            anyDigit = true;
        }
    }
    if (!anyDigit) {
        return {};
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            expNegative = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            long exp = 0;
            while (j < text.size() && isDigit(text[j])) {
                exp = std::min(exp * 10 + (text[j] - '0'), 100000L);
                ++j;
            }
            number.exponent += expNegative ? -exp : exp;
        }
    }
    return number;
}

} // namespace

FixedParse parseFixedChecked(std::string_view text, unsigned decimals) {
    DecimalText number = scanDecimal(text);
    long exponent = number.exponent + static_cast<long>(decimals);
    std::string& digits = number.digits;
    // Truncate toward zero: a negative power drops that many trailing digits.
    if (exponent < 0) {
        const auto drop = static_cast<std::size_t>(-exponent);
        digits.erase(digits.size() > drop ? digits.size() - drop : 0);
        exponent = 0;
    }
    const std::size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        return {0, true};
    }
    digits.erase(0, firstNonZero);

    constexpr uint64_t limit = static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) + 1;
    uint64_t magnitude = 0;
    bool tooBig = digits.size() + static_cast<std::size_t>(exponent) > 19;
    for (std::size_t i = 0; !tooBig && i < digits.size(); ++i) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(digits[i] - '0');
        tooBig = magnitude > limit;
    }
    for (long i = 0; !tooBig && i < exponent; ++i) {
        magnitude *= 10;
        tooBig = magnitude > limit;
    }
    const uint64_t maxMagnitude = number.negative ? limit : limit - 1;
    if (tooBig || magnitude > maxMagnitude) {
        return {number.negative ? std::numeric_limits<int32_t>::min()
                                : std::numeric_limits<int32_t>::max(),
                false};
    }
    const auto signedMagnitude = static_cast<int64_t>(magnitude);
    return {static_cast<int32_t>(number.negative ? -signedMagnitude : signedMagnitude), true};
}

namespace {

/// The ASCII form of the character of an input method at `text[i]`, with its
/// length in bytes; none when it is not one the operator may type in a number.
struct Folded {
    char ascii = 0;
    std::size_t length = 0;
};
Folded foldAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    if (byte(0) < 0x80) {
        return {text[i], 1};
    }
    // U+FF0B..U+FF19: full-width plus, comma, minus, point, solidus and digits.
    if (byte(0) == 0xEF && byte(1) == 0xBC && byte(2) >= 0x8B && byte(2) <= 0x99) {
        const char c = static_cast<char>('+' + (byte(2) - 0x8B));
        return c == ',' || c == '/' ? Folded{} : Folded{c, 3};
    }
    if (byte(0) == 0xE2 && byte(1) == 0x88 && byte(2) == 0x92) {
        return {'-', 3}; // U+2212 minus sign
    }
    if (byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) {
        return {' ', 3}; // U+3000 ideographic space
    }
    if (byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x82) {
        return {'.', 3}; // U+3002: the point key gives it in Chinese punctuation
    }
    return {};
}

} // namespace

std::optional<FixedParse> parseEnteredNumber(std::string_view text, unsigned decimals) {
    std::string ascii;
    for (std::size_t i = 0; i < text.size();) {
        const Folded f = foldAt(text, i);
        if (f.length == 0) {
            return std::nullopt;
        }
        ascii += f.ascii;
        i += f.length;
    }
    const std::size_t first = ascii.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const std::size_t last = ascii.find_last_not_of(" \t");
    const std::string_view number = std::string_view(ascii).substr(first, last - first + 1);
    std::size_t i = number[0] == '+' || number[0] == '-' ? 1 : 0;
    std::size_t digits = 0;
    bool point = false;
    for (; i < number.size(); ++i) {
        if (isDigit(number[i])) {
            ++digits;
        } else if (number[i] == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return parseFixedChecked(number, decimals);
}

int32_t parseFixed(std::string_view text, unsigned decimals) {
    return parseFixedChecked(text, decimals).value;
}

std::optional<double> parsePositiveNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && std::isfinite(value) && value > 0) {
            return value;
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

std::optional<std::string> registerValueRefusal(std::string_view text, unsigned decimals,
                                                bool isSigned) {
    if (text.empty()) {
        return std::nullopt;
    }
    const std::optional<FixedParse> parsed = parseEnteredNumber(text, decimals);
    if (!parsed) {
        return std::string("新的参数值不是有效的数值，请重新输入。");
    }
    const int32_t low = isSigned ? -32768 : 0;
    const int32_t high = isSigned ? 32767 : 65535;
    if (parsed->inRange && parsed->value >= low && parsed->value <= high) {
        return std::nullopt;
    }
    // Beyond 16 bits the drive would get the low bits only: quite another setting.
    return "新的参数值超出该参数的寄存器范围（" + formatFixed(low, decimals) + "～" +
           formatFixed(high, decimals) + "），请重新输入。";
}

} // namespace velkaro
