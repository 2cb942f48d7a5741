#include "registry/catalogue.h"

#include "registry/language.h"

#include <algorithm>
#include <array>

namespace velkaro {

namespace catalogue_tables {
// QD10, QD20, QD30, QD40 in that order; generated at build time from
// data/catalogues/*.tsv.
extern const SeriesCatalogue seriesCatalogues[4];
} // namespace catalogue_tables

namespace {

constexpr std::string_view kSmallDriveSeries = "QD10";
// Pr88..Pr99 are factory settings: transferred with the rest, never listed.
constexpr int kSmallDriveListedRows = 88;

constexpr std::string_view kFileSeries = "QD30";
// A QD30 parameter file holds F0-00..F0-12 (not the rated power, software
// version and password entries after them) and every row of F1..FF.
constexpr int kFileRowsOfFirstGroup = 13;
constexpr int kLastFileGroup = 15;

// Rated power in 0.01 kW by the rating code a QD20 reports.
constexpr std::array<int32_t, 30> kRatedPower = {
    75,    150,   220,   400,   550,   750,   1100,  1500,  1850,  2200,
    3000,  3700,  4500,  5500,  7500,  9000,  11000, 13200, 16000, 20000,
    22000, 25000, 28000, 31500, 37500, 40000, 45000, 47500, 50000, 56000,
};

const ParamGroup* groupOf(const SeriesCatalogue& catalogue, int group) {
    if (group < 0 || static_cast<size_t>(group) >= catalogue.groups.size())
        return nullptr;
    return &catalogue.groups[static_cast<size_t>(group)];
}

} // namespace

const SeriesCatalogue* catalogueFor(std::string_view series) {
    for (const SeriesCatalogue& catalogue : catalogue_tables::seriesCatalogues) {
        if (catalogue.series == series)
            return &catalogue;
    }
    return nullptr;
}

std::vector<std::string_view> groupLabels(std::string_view series) {
    std::vector<std::string_view> labels;
    if (const SeriesCatalogue* catalogue = catalogueFor(series)) {
        for (const ParamGroup& group : catalogue->groups)
            labels.push_back(group.label);
    }
    return labels;
}

int groupSize(std::string_view series, int group, SizePurpose purpose) {
    const SeriesCatalogue* catalogue = catalogueFor(series);
    if (!catalogue)
        return 0;
    const ParamGroup* g = groupOf(*catalogue, group);
    if (!g)
        return 0;
    if (series == kSmallDriveSeries && purpose == SizePurpose::Display)
        return std::min(g->count, kSmallDriveListedRows);
    return g->count;
}

std::optional<ParamDescriptor> descriptor(std::string_view series, int group, int row) {
    const SeriesCatalogue* catalogue = catalogueFor(series);
    if (!catalogue)
        return std::nullopt;
    const ParamGroup* g = groupOf(*catalogue, group);
    // A row past its group would silently name a parameter of the next group.
    if (!g || row < 0 || row >= g->count)
        return std::nullopt;
    return catalogue->entries[static_cast<size_t>(g->first) + static_cast<size_t>(row)];
}

std::optional<int> fileSlot(int group, int row) {
    const SeriesCatalogue* catalogue = catalogueFor(kFileSeries);
    if (!catalogue || group < 0 || group > kLastFileGroup || row < 0)
        return std::nullopt;
    int slot = 0;
    for (int g = 0; g <= group; ++g) {
        const ParamGroup* current = groupOf(*catalogue, g);
        if (!current)
            return std::nullopt;
        const int rows = g == 0 ? std::min(current->count, kFileRowsOfFirstGroup) : current->count;
        if (g == group)
            return row < rows ? std::optional<int>(slot + row) : std::nullopt;
        slot += rows;
    }
    return std::nullopt;
}

std::optional<int32_t> ratedPowerValue(int32_t code) {
    if (code < 0 || static_cast<size_t>(code) >= kRatedPower.size())
        return std::nullopt;
    return kRatedPower[static_cast<size_t>(code)];
}

namespace {
std::string_view inDisplayLanguage(std::string_view chinese, std::string_view english) {
    return displayLanguage() == Language::English && !english.empty() ? english : chinese;
}
} // namespace

std::string_view displayName(const ParamDescriptor& d) {
    return inDisplayLanguage(d.name, d.name_en);
}

std::string_view displayRange(const ParamDescriptor& d) {
    return inDisplayLanguage(d.range, d.range_en);
}

std::string_view displayDescription(const ParamDescriptor& d) {
    return inDisplayLanguage(d.description, d.description_en);
}

} // namespace velkaro
