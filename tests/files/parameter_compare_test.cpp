#include "files/parameter_compare.h"

#include <gtest/gtest.h>

#include <fstream>

#include "files/csv_text.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

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

// The kind is decided by the file's shape, then its extension, never by its
// first byte alone: a damaged ".sav" is told as a damaged ".sav", a report
// under another name as a report, and a file that cannot be read says why
// instead of being called empty.
TEST(ParameterCompareTest, FilesAreToldApartByShapeAndExtensionAndUnreadableOnesSayWhy) {
    testing::TempDir dir;
    const std::string report = std::string(kUtf8Bom) +
                               "变频器名称,3#QD30-7.50\r\n机型,QD99\r\n额定功率,7.50\r\n"
                               "读取时间,2026-03-06 08:00:00\r\n";
    struct Case {
        const char* name;
        std::string content; ///< none: the file is not written
        ParameterFileKind kind;
        const char* told;
    };
    const std::vector<Case> cases{
        {"letters.sav", "x12\r204\r", ParameterFileKind::Sav, "参数文件"},
        {"bom.sav", std::string(kUtf8Bom) + "20560\r204\r", ParameterFileKind::Sav, "格式错误"},
        {"empty.sav", "", ParameterFileKind::Sav, "不完整"},
        {"backup", "20560\r204\r1\r", ParameterFileKind::Sav, "不完整"},
        {"report.sav", report, ParameterFileKind::Report, "不是已知的变频器系列"},
        {"report.txt", report, ParameterFileKind::Report, "参数报表"},
        {"list.CSV", "a,b\r\n", ParameterFileKind::Report, "不是参数报表的表头"},
        {"notes.txt", "hello\n", ParameterFileKind::Unknown, "既不是参数存储文件"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        std::ofstream(path, std::ios::binary) << c.content;
        EXPECT_EQ(parameterFileKind(path, c.content), c.kind) << c.name;
        std::string error;
        EXPECT_FALSE(loadParameterSet(path, error)) << c.name;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(c.told), std::string::npos) << c.name << ": " << error;
    }

    for (const std::string& unreadable : {dir.file("absent.sav"), dir.path().string()}) {
        std::string error;
        EXPECT_FALSE(loadParameterSet(unreadable, error));
        EXPECT_EQ(error.rfind("无法打开文件“" + unreadable + "”：", 0), 0u) << error;
        ParameterImage image{};
        EXPECT_EQ(readParameterFile(unreadable, image).message.rfind("无法打开参数文件", 0), 0u);
        ParameterReport read;
        EXPECT_EQ(readParameterReport(unreadable, read).message.rfind("无法打开参数报表", 0), 0u);
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
