#include "files/parameter_text.h"

#include <algorithm>
#include <array>

#include "registry/fixed_point.h"

namespace velkaro {

namespace {

constexpr int32_t kFormatChangeWhileRunning = 0x10;
constexpr int32_t kFormatChangeWhenStopped = 0x08;
// Longer than any value a 16-bit register can show with three decimals.
constexpr std::size_t kLongestValueText = 12;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

/// The bound without its sign: ASCII, full-width or typographic minus, plus.
std::string_view withoutSign(std::string_view bound) {
    for (std::string_view sign : {"-", "+", "－", "−", "＋"}) {
        if (bound.starts_with(sign)) {
            return bound.substr(sign.size());
        }
    }
    return bound;
}

/// The unit of one bound of a range ("200.00Hz" -> "Hz"); empty when the
/// bound is not a number (a parameter code, a word).
std::string_view unitOfBound(std::string_view bound) {
    bound = withoutSign(trimmed(bound));
    if (bound.empty() || !isDigit(bound.front())) {
        return {};
    }
    std::size_t i = 0;
    while (i < bound.size() && (isDigit(bound[i]) || bound[i] == '.')) {
        ++i;
    }
    std::string_view unit = bound.substr(i);
    // "%(只读)": the note in brackets is not part of the unit.
    for (std::string_view bracket : {"(", "（"}) {
        unit = unit.substr(0, unit.find(bracket));
    }
    return trimmed(unit);
}

} // namespace

std::string parameterValueText(const ParamDescriptor& d, uint16_t word) {
    return formatFixed(parameterValue(d, word), decimalsOf(d));
}

std::optional<uint16_t> parseParameterValue(const ParamDescriptor& d, std::string_view text) {
    if (text.empty() || text.size() > kLongestValueText) {
        return std::nullopt;
    }
    const bool negative = text.front() == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const unsigned decimals = decimalsOf(d);
    const auto allDigits = [](std::string_view digits) {
        return std::ranges::all_of(digits, [](char c) { return isDigit(c); });
    };
    if (whole.empty() || !allDigits(whole) || !allDigits(fraction) ||
        (point != std::string_view::npos && (fraction.empty() || fraction.size() > decimals))) {
        return std::nullopt;
    }
    int64_t value = 0;
    for (char c : whole) {
        value = value * 10 + (c - '0');
    }
    for (unsigned i = 0; i < decimals; ++i) {
        value = value * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    if (negative) {
        value = -value;
    }
    const int64_t lowest = isSignedParameter(d) ? -32768 : 0;
    const int64_t highest = isSignedParameter(d) ? 32767 : 65535;
    if (value < lowest || value > highest) {
        return std::nullopt;
    }
    return static_cast<uint16_t>(value & 0xFFFF);
}

std::string unitOf(std::string_view range) {
    static constexpr std::array<std::string_view, 2> kRangeSigns{"～", "~"};
    while (!range.empty()) {
        std::size_t end = std::string_view::npos;
        std::size_t signLength = 0;
        for (std::string_view sign : kRangeSigns) {
            const std::size_t at = range.find(sign);
            if (at < end) {
                end = at;
                signLength = sign.size();
            }
        }
        if (const std::string_view unit = unitOfBound(range.substr(0, end)); !unit.empty()) {
            return std::string(unit);
        }
        if (end == std::string_view::npos) {
            break;
        }
        range.remove_prefix(end + signLength);
    }
    return {};
}

ChangeAttribute changeAttributeOf(const ParamDescriptor& d) {
    if ((d.format & kFormatChangeWhileRunning) != 0) {
        return ChangeAttribute::WhileRunning;
    }
    if ((d.format & kFormatChangeWhenStopped) != 0) {
        return ChangeAttribute::WhenStopped;
    }
    return ChangeAttribute::ReadOnly;
}

std::string_view changeAttributeText(ChangeAttribute attribute) {
    switch (attribute) {
    case ChangeAttribute::WhileRunning:
        return "运行中可修改";
    case ChangeAttribute::WhenStopped:
        return "停机时可修改";
    case ChangeAttribute::ReadOnly:
        return "只读";
    }
    return {};
}

int groupOfEntry(const SeriesCatalogue& catalogue, std::size_t entry) {
    for (std::size_t g = 0; g < catalogue.groups.size(); ++g) {
        const ParamGroup& group = catalogue.groups[g];
        if (entry >= static_cast<std::size_t>(group.first) &&
            entry < static_cast<std::size_t>(group.first) + static_cast<std::size_t>(group.count)) {
            return static_cast<int>(g);
        }
    }
    return -1;
}

} // namespace velkaro
