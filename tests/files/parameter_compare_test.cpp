#include "files/parameter_compare.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velkaro {
namespace {

/// An image as export leaves it, word i after the header holding i + 1000.
ParameterImage savImage(uint8_t tag, int registers) {
    ParameterImage image{};
    image[0] = 0x83;
    image[1] = tag;
    const int length = 4 + 2 * registers;
    image[2] = static_cast<uint8_t>(length >> 8);
    image[3] = static_cast<uint8_t>(length);
    for (int i = 0; i < registers; ++i) {
        image[4 + 2 * i] = static_cast<uint8_t>((1000 + i) >> 8);
        image[5 + 2 * i] = static_cast<uint8_t>(1000 + i);
    }
    return image;
}

std::size_t entryOf(std::string_view series, std::string_view code) {
    const SeriesCatalogue& c = *catalogueFor(series);
    for (std::size_t e = 0; e < c.entries.size(); ++e) {
        if (c.entries[e].code == code) {
            return e;
        }
    }
    return c.entries.size();
}

TEST(ParameterCompareTest, SavWordsLandOnTheEntriesExportReadThemFrom) {
    struct Case {
        uint8_t tag;
        int registers;
        const char* series;
        std::size_t held;
        std::vector<std::pair<const char*, std::optional<uint16_t>>> probes;
    };
    const std::vector<Case> cases{
        {0x50, 100, "QD10", 100, {{"Pr00", 1000}, {"Pr99", 1099}}},
        {0x70,
         633,
         "QD30",
         633,
         {{"F0-12", 1012},
          {"F0-13", {}},
          {"F0-15", {}},
          {"F1-00", 1013},
          {"FF-08", 1632},
          {"Fn-00", {}},
          {"FU-59", {}}}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto set = parameterSetOf(savImage(c.tag, c.registers), "x.sav", error);
        ASSERT_TRUE(set) << error;
        EXPECT_EQ(set->series, c.series);
        EXPECT_EQ(
            static_cast<std::size_t>(std::count_if(set->words.begin(), set->words.end(),
                                                   [](const auto& w) { return w.has_value(); })),
            c.held);
        for (const auto& [code, word] : c.probes) {
            EXPECT_EQ(set->words[entryOf(c.series, code)], word) << code;
        }
    }
    std::string error;
    EXPECT_FALSE(parameterSetOf(savImage(0x71, 10), "odd.sav", error));
    EXPECT_NE(error.find("odd.sav"), std::string::npos);
}

TEST(ParameterCompareTest, FilesOfAnotherSeriesAreRefusedAsTheWrongModel) {
    const std::string folder = ::testing::TempDir();
    const std::string sav = folder + "velkaro_compare_qd10.sav";
    const std::string csv = folder + "velkaro_compare_qd30.csv";
    ParameterImage image = savImage(0x50, 100);
    ASSERT_TRUE(writeParameterFile(sav, image, 204).ok);
    const ParameterReport qd30{"4#QD30-7.50", "QD30", "7.50", "2024-05-01 08:00:00",
                               std::vector<uint16_t>(812, 0)};
    ASSERT_TRUE(writeParameterReport(csv, qd30).ok);

    std::string error;
    const auto left = loadParameterSet(sav, error);
    const auto right = loadParameterSet(csv, error);
    ASSERT_TRUE(left && right) << error;
    const ParameterComparison c = compareParameters(*left, *right);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.error, "机型错误！请确认导入参数与变频器机型一致。");

    // The same report against itself: everything equal, nothing listed.
    const ParameterComparison same = compareParameters(*right, *right);
    EXPECT_TRUE(same.ok);
    EXPECT_TRUE(same.differences.empty());
    EXPECT_EQ(same.equal, 812);
    std::filesystem::remove(sav);
    std::filesystem::remove(csv);
}

} // namespace
} // namespace velkaro
