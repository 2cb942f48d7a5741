#include "sim/parameter_ranges.h"

#include <gtest/gtest.h>

#include "registry/catalogue.h"
#include "sim/drive_register_map.h"
#include "sim/simulated_drive.h"

namespace velkaro::sim {
namespace {
namespace VELKARO_UNITY_ID {

TEST(ParameterRanges, RangeTextsBecomeRegisterUnits) {
    const struct {
        const char* text;
        unsigned decimals;
        std::optional<WordRange> range;
    } cases[] = {
        {"0.10～200.00Hz", 2, WordRange{10, 20000}},
        {"0～5", 0, WordRange{0, 5}},
        {"0.1～600.0s", 1, WordRange{1, 6000}},
        {"0.1～600s", 1, WordRange{1, 6000}},          // fewer fraction digits than the entry
        {"－1.000～1.000", 3, WordRange{-1000, 1000}}, // full-width minus
        {"-100.0～100.0%", 1, WordRange{-1000, 1000}},
        {"－100.0%～100.0%(只读)", 1, WordRange{-1000, 1000}},
        {"0～65535", 0, WordRange{0, 65535}},
        {"0.00Hz～F0-06", 2, std::nullopt}, // names another parameter
        {"F0-08～F0-06", 2, std::nullopt},
        {"0.005～1.000", 2, std::nullopt}, // finer than the register
        {"0～70000", 0, std::nullopt},     // beyond a word
        {"-1～40000", 0, std::nullopt},    // neither signed nor unsigned
        {"5～1", 0, std::nullopt},
        {"只读", 0, std::nullopt},
        {"禁止/允许", 0, std::nullopt},
        {"0", 0, std::nullopt},
        {"", 0, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseRangeText(c.text, c.decimals), c.range) << c.text;
    }
}

// The drives' register map and the station's catalogues are separate tables:
// a group of another size would make the station read past a group or miss
// its last rows.
TEST(ParameterRanges, RegisterMapAgreesWithTheCatalogues) {
    for (Series series : {Series::QD10, Series::QD20, Series::QD30, Series::QD40}) {
        const SeriesCatalogue* catalogue = catalogueFor(seriesName(series));
        ASSERT_NE(catalogue, nullptr);
        const auto sizes = groupSizes(series);
        ASSERT_EQ(sizes.size(), catalogue->groups.size()) << seriesName(series);
        for (std::size_t g = 0; g < sizes.size(); ++g) {
            EXPECT_EQ(sizes[g],
                      groupSize(seriesName(series), static_cast<int>(g), SizePurpose::Transfer))
                << seriesName(series) << " group " << g;
        }
    }
}

// Every factory value must be writable again: an export loaded back into a
// new drive must not be refused.
TEST(ParameterRanges, FactoryValuesLieInsideTheirRanges) {
    for (Series series : {Series::QD10, Series::QD20, Series::QD30, Series::QD40}) {
        SimulatedDrive drive(1, series, 750);
        drive.setCatalogueRanges(true);
        const auto sizes = groupSizes(series);
        for (std::size_t g = 0; g < sizes.size(); ++g) {
            for (int row = 0; row < sizes[g]; ++row) {
                const auto reg = static_cast<uint16_t>(g * 256 + static_cast<std::size_t>(row));
                const auto [low, high] = drive.allowedRange(reg);
                const uint16_t word = drive.holdingRegister(reg);
                const int32_t value = low < 0 ? int32_t{static_cast<int16_t>(word)} : word;
                EXPECT_TRUE(value >= low && value <= high)
                    << seriesName(series) << " register " << std::hex << reg;
            }
        }
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::sim
