#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace velkaro {

/// One parameter of a series catalogue. Texts are UTF-8 and point into
/// constant tables compiled into the program.
struct ParamDescriptor {
    int32_t format = 0; ///< bits 0..2: implied decimals; bit 5 (0x20): signed value
    std::string_view range;
    std::string_view name;
    std::string_view code;
    std::string_view description;
    // The same texts in English, from the same catalogue row; empty where
    // the row has none yet (the Chinese text is shown then).
    std::string_view name_en;
    std::string_view range_en;
    std::string_view description_en;
};

/// Name, range and description in the display language (registry/language.h).
std::string_view displayName(const ParamDescriptor& d);
std::string_view displayRange(const ParamDescriptor& d);
std::string_view displayDescription(const ParamDescriptor& d);

struct ParamGroup {
    std::string_view label;  ///< shown in the group selector ("FB")
    std::string_view prefix; ///< code prefix of its entries ("Fb")
    int count = 0;           ///< entries in the group
    int first = 0;           ///< index of its first entry in the catalogue
};

struct SeriesCatalogue {
    std::string_view series; ///< "QD10" .. "QD40"
    std::span<const ParamDescriptor> entries;
    std::span<const ParamGroup> groups;
};

/// Catalogue of one of the four series names (exact comparison); none otherwise.
const SeriesCatalogue* catalogueFor(std::string_view series);

/// Group selector labels: QD10 {"Pr"}; QD20 13, QD30 19, QD40 35 labels; none for other text.
std::vector<std::string_view> groupLabels(std::string_view series);

enum class SizePurpose { Display, Transfer };
/// Rows of a group. QD10: 88 for display, 100 for transfers. 0 for an
/// unknown series or group.
int groupSize(std::string_view series, int group, SizePurpose purpose = SizePurpose::Display);

/// Descriptor of row `row` of group `group`; none outside the catalogue.
std::optional<ParamDescriptor> descriptor(std::string_view series, int group, int row);

/// Holding register of a parameter: group * 256 + row.
constexpr uint16_t registerOf(int group, int row) {
    return static_cast<uint16_t>(group * 256 + row);
}

/// Implied decimals of a parameter value: format & 7.
constexpr unsigned decimalsOf(const ParamDescriptor& d) {
    return static_cast<unsigned>(d.format & 7);
}

/// A parameter takes negative values when its format word has bit 0x20, in
/// every series (the range texts of three series say the same; QD40 has none).
constexpr bool isSignedParameter(const ParamDescriptor& d) {
    return (d.format & 0x20) != 0;
}

/// A register word as the parameter's value: -32768..32767 for a signed
/// parameter, 0..65535 for the others.
constexpr int32_t parameterValue(const ParamDescriptor& d, uint16_t word) {
    return isSignedParameter(d) ? static_cast<int16_t>(word) : static_cast<int32_t>(word);
}

/// QD30 parameter-file slot of (group, row): F0 rows 0..12 and every row of
/// F1..FF (633 slots); none for anything else.
std::optional<int> fileSlot(int group, int row);

/// QD20 rated-power table: value in 0.01 kW for codes 0..29; none outside.
std::optional<int32_t> ratedPowerValue(int32_t code);

} // namespace velkaro
