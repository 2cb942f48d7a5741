#include "sim/parameter_ranges.h"

#include <algorithm>

#include "registry/catalogue.h"

namespace velkaro::sim {

namespace {
constexpr std::string_view kWideTilde = "\xEF\xBD\x9E"; // ～
constexpr std::string_view kWideMinus = "\xEF\xBC\x8D"; // －
constexpr int32_t kFormatSigned = 0x20;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A number at the start of `text` (sign, digits, optional fraction), scaled to
// `decimals`; the unit after it is ignored.
std::optional<int64_t> parseBound(std::string_view text, unsigned decimals) {
    bool negative = false;
    if (text.starts_with(kWideMinus)) {
        negative = true;
        text.remove_prefix(kWideMinus.size());
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !isDigit(text[0])) {
        return std::nullopt;
    }
    int64_t value = 0;
    std::size_t at = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > 1000000000) {
            return std::nullopt;
        }
    }
    unsigned fractionDigits = 0;
    if (at < text.size() && text[at] == '.') {
        for (++at; at < text.size() && isDigit(text[at]); ++at) {
            if (fractionDigits == decimals) {
                if (text[at] != '0') {
                    return std::nullopt; // finer than the register can hold
                }
                continue;
            }
            value = value * 10 + (text[at] - '0');
            ++fractionDigits;
        }
    }
    // What follows must be a unit, not the name of another parameter.
    if (at < text.size() && (isDigit(text[at]) || text[at] == '-' || text[at] == '.')) {
        return std::nullopt;
    }
    for (; fractionDigits < decimals; ++fractionDigits) {
        value *= 10;
    }
    return negative ? -value : value;
}
} // namespace

std::optional<WordRange> parseRangeText(std::string_view text, unsigned decimals) {
    const auto tilde = text.find(kWideTilde);
    if (tilde == std::string_view::npos) {
        return std::nullopt;
    }
    const auto low = parseBound(text.substr(0, tilde), decimals);
    const auto high = parseBound(text.substr(tilde + kWideTilde.size()), decimals);
    if (!low || !high || *low > *high || *low < -32768 || *high > 0xFFFF ||
        (*low < 0 && *high > 32767)) {
        return std::nullopt;
    }
    return WordRange{static_cast<int32_t>(*low), static_cast<int32_t>(*high)};
}

WordRange catalogueRange(Series series, uint16_t reg) {
    const auto entry = descriptor(seriesName(series), reg >> 8, reg & 0xFF);
    if (!entry) {
        return kAnyWord;
    }
    if (const auto parsed = parseRangeText(entry->range, decimalsOf(*entry))) {
        return *parsed;
    }
    return (entry->format & kFormatSigned) != 0 ? kAnySignedWord : kAnyWord;
}

} // namespace velkaro::sim
