#include "files/parameter_compare.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

/// An image as export leaves it, word i after the header holding i + 1000.
ParameterImage savImage(uint8_t tag, int registers) {
    ParameterImage image{};
    image[1] = tag;
    for (int i = 0; i < registers; ++i) {
        image[4 + 2 * i] = static_cast<uint8_t>((1000 + i) >> 8);
        image[5 + 2 * i] = static_cast<uint8_t>(1000 + i);
    }
    return image;
}

std::optional<uint16_t> wordOf(const ParameterSet& set, std::string_view code) {
    const SeriesCatalogue& c = *catalogueFor(set.series);
    for (std::size_t e = 0; e < c.entries.size(); ++e) {
        if (c.entries[e].code == code) {
            return set.words[e];
        }
    }
    return std::nullopt;
}

TEST(ParameterCompareTest, SavWordsLandOnTheEntriesExportReadThemFrom) {
    struct Case {
        uint8_t tag;
        int registers;
        std::size_t held;
        std::vector<std::pair<const char*, std::optional<uint16_t>>> probes;
    };
    const std::vector<Case> cases{
        {0x50, 100, 100, {{"Pr00", 1000}, {"Pr99", 1099}}},
        {0x70,
         633,
         633,
         {{"F0-12", 1012}, {"F0-13", {}}, {"F1-00", 1013}, {"FF-08", 1632}, {"Fn-00", {}}}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto set = parameterSetOf(savImage(c.tag, c.registers), "x.sav", error);
        ASSERT_TRUE(set) << error;
        EXPECT_EQ(static_cast<std::size_t>(std::count_if(set->words.begin(), set->words.end(),
                                                         [](auto w) { return w.has_value(); })),
                  c.held);
        for (const auto& [code, word] : c.probes) {
            EXPECT_EQ(wordOf(*set, code), word) << code;
        }
    }
    std::string error;
    EXPECT_FALSE(parameterSetOf(savImage(0x71, 10), "odd.sav", error));
    EXPECT_NE(error.find("odd.sav"), std::string::npos);
}

TEST(ParameterCompareTest, SetsOfAnotherSeriesAreRefusedAsTheWrongModel) {
    std::string error;
    const ParameterSet qd10 = *parameterSetOf(savImage(0x50, 100), "a.sav", error);
    const ParameterSet qd30 = parameterSetOf(
        ParameterReport{"4#QD30-7.50", "QD30", "7.50", "", std::vector<uint16_t>(812, 0)});
    const ParameterComparison c = compareParameters(qd10, qd30);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.error, "机型错误！请确认导入参数与变频器机型一致。");
}

} // namespace
} // namespace velkaro
