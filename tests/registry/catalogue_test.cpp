#include "registry/catalogue.h"
#include "registry/language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iconv.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/processes.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

// --- The data files, read here independently of the generated tables. ---

struct Row {
    int format = 0;
    std::string code, name, range, description;
    std::string nameEn, rangeEn, descriptionEn; ///< empty in a five-column file
};

struct Group {
    std::string label, prefix;
    int count = 0;
    int first = 0;
    bool operator==(const Group&) const = default;
};

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    if (!line.empty() && line.back() == '\t')
        fields.emplace_back();
    return fields;
}

std::vector<Row> readFile(const std::string& series) {
    std::string file = series;
    for (char& c : file)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::ifstream in(std::filesystem::path(testing::sourceDir()) / "data" / "catalogues" /
                     (file + ".tsv"));
    std::vector<Row> rows;
    std::string line;
    const std::string chinese = "format\tcode\tname\trange\tdescription";
    if (!std::getline(in, line) ||
        (line != chinese && line != chinese + "\tname_en\trange_en\tdescription_en")) {
        ADD_FAILURE() << series << ": missing or wrong header line";
        return rows;
    }
    const size_t fields = line == chinese ? 5 : 8;
    while (std::getline(in, line)) {
        std::vector<std::string> f = splitTabs(line);
        if (f.size() != fields) {
            ADD_FAILURE() << series << ": line " << rows.size() + 2 << " has " << f.size()
                          << " fields";
            continue;
        }
        f.resize(8);
        rows.push_back({std::stoi(f[0]), f[1], f[2], f[3], f[4], f[5], f[6], f[7]});
    }
    return rows;
}

const std::vector<Row>& readCatalogueFile(const std::string& series) {
    static std::map<std::string, std::vector<Row>> files;
    auto known = files.find(series);
    if (known == files.end())
        known = files.emplace(series, readFile(series)).first;
    return known->second;
}

std::string separatorOf(const std::string& series) {
    return series == "QD30" || series == "QD40" ? "-" : "";
}

// Maximal runs of one code prefix.
std::vector<Group> runsOf(const std::vector<Row>& rows, const std::string& separator) {
    std::vector<Group> runs;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string& code = rows[i].code;
        std::string prefix = code.substr(0, code.size() - 2 - separator.size());
        if (runs.empty() || runs.back().prefix != prefix)
            runs.push_back({"", prefix, 0, static_cast<int>(i)});
        ++runs.back().count;
    }
    return runs;
}

/// Length in code page 936, or -1 when a character has no place in it.
long gbkBytes(const std::string& text) {
    iconv_t cd = iconv_open("GBK", "UTF-8");
    std::string in = text;
    std::string out(in.size() * 2 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return done == static_cast<size_t>(-1) ? -1 : static_cast<long>(out.size() - outLeft);
}

/// True when the lower end of a range text is a negative number ("-10.00～10.00V",
/// "－1.000～1.000"); a code such as "F0-08" in the lower end is not.
bool rangeReachesBelowZero(const std::string& range) {
    std::string lower = range.substr(0, range.find("～"));
    size_t at = lower.find_first_not_of(' ');
    if (at == std::string::npos)
        return false;
    if (lower.compare(at, 1, "-") == 0)
        at += 1;
    else if (lower.compare(at, 3, "－") == 0)
        at += 3;
    else
        return false;
    at = lower.find_first_not_of(' ', at);
    return at != std::string::npos && std::isdigit(static_cast<unsigned char>(lower[at]));
}

// --- Shape of each series. ---

struct Shape {
    std::string series;
    size_t entries;
    int ranges;
    int descriptions;
    std::vector<Group> groups; ///< label, prefix, count, first
};

std::vector<Group> sameLabels(std::vector<std::pair<std::string, int>> runs) {
    std::vector<Group> groups;
    int first = 0;
    for (auto& [prefix, count] : runs) {
        groups.push_back({prefix, prefix, count, first});
        first += count;
    }
    return groups;
}

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> all = [] {
        std::vector<Group> qd20 = sameLabels({{"F0", 14},
                                              {"F1", 30},
                                              {"F2", 13},
                                              {"F3", 12},
                                              {"F4", 20},
                                              {"F5", 29},
                                              {"F6", 39},
                                              {"F7", 33},
                                              {"F8", 34},
                                              {"F9", 4},
                                              {"FA", 16},
                                              {"Fb", 2},
                                              {"Fc", 12}});
        qd20[11].label = "FB";
        qd20[12].label = "FC";
        std::vector<Group> qd30 = sameLabels({{"F0", 16},
                                              {"F1", 40},
                                              {"F2", 25},
                                              {"F3", 27},
                                              {"F4", 66},
                                              {"F5", 18},
                                              {"F6", 31},
                                              {"F7", 29},
                                              {"F8", 99},
                                              {"F9", 35},
                                              {"FA", 16},
                                              {"Fb", 42},
                                              {"FC", 47},
                                              {"Fd", 61},
                                              {"FE", 75},
                                              {"FF", 9},
                                              {"Fn", 95},
                                              {"FP", 21},
                                              {"FU", 60}});
        qd30[11].label = "FB";
        qd30[13].label = "FD";
        std::vector<Group> qd40 = sameLabels(
            {{"A0", 14}, {"F0", 24}, {"F1", 16}, {"F2", 24}, {"F3", 30}, {"F4", 25}, {"F5", 6},
             {"F6", 22}, {"F7", 38}, {"F8", 35}, {"F9", 10}, {"FA", 18}, {"A1", 19}, {"A2", 62},
             {"A3", 62}, {"En", 9},  {"E1", 21}, {"E2", 23}, {"E3", 42}, {"CL", 49}, {"Pd", 15},
             {"P1", 27}, {"P2", 10}, {"P3", 9},  {"P4", 24}, {"PC", 15}, {"CP", 19}, {"FP", 11},
             {"FC", 41}, {"EL", 83}, {"FE", 10}, {"UP", 9},  {"CF", 21}, {"FU", 78}, {"PU", 61}});
        return std::vector<Shape>{{"QD10", 100, 97, 4, sameLabels({{"Pr", 100}})},
                                  {"QD20", 258, 243, 4, qd20},
                                  {"QD30", 812, 682, 73, qd30},
                                  {"QD40", 982, 0, 0, qd40}};
    }();
    return all;
}

void PrintTo(const Shape& shape, std::ostream* os) {
    *os << shape.series;
}

class SeriesShape : public ::testing::TestWithParam<Shape> {
protected:
    void SetUp() override { rows = readCatalogueFile(GetParam().series); }
    std::vector<Row> rows;
};

TEST_P(SeriesShape, FileHasTheEntriesAndGroupRunsOfTheSeries) {
    const Shape& shape = GetParam();
    ASSERT_EQ(rows.size(), shape.entries);
    std::vector<Group> runs = runsOf(rows, separatorOf(shape.series));
    ASSERT_EQ(runs.size(), shape.groups.size());
    for (size_t g = 0; g < runs.size(); ++g) {
        runs[g].label = shape.groups[g].label; // labels are not in the file
        EXPECT_EQ(runs[g], shape.groups[g]) << "group " << g << " " << shape.groups[g].prefix;
        for (int row = 0; row < runs[g].count; ++row) {
            std::string position = (row < 10 ? "0" : "") + std::to_string(row);
            EXPECT_EQ(rows[static_cast<size_t>(runs[g].first + row)].code,
                      runs[g].prefix + separatorOf(shape.series) + position);
        }
    }
}

TEST_P(SeriesShape, RangesAndDescriptionsFilledWhereTheSeriesHasThem) {
    int ranges = 0;
    int descriptions = 0;
    for (const Row& row : rows) {
        ranges += !row.range.empty();
        descriptions += !row.description.empty();
    }
    EXPECT_EQ(ranges, GetParam().ranges);
    EXPECT_EQ(descriptions, GetParam().descriptions);
}

TEST_P(SeriesShape, FormatWordsAreCatalogueWordsWithConsistentBits) {
    const std::set<int> words = {0,  1,  2,  8,  9,  10, 11, 16, 17, 18,
                                 19, 32, 33, 34, 40, 48, 49, 50, 51};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_TRUE(words.count(row.format)) << row.format;
        EXPECT_LE(row.format & 7, 3);
        EXPECT_FALSE((row.format & 0x08) && (row.format & 0x10));
        // QD40 carries no ranges; its data author states the rule for bit 5.
        if (GetParam().series != "QD40") {
            EXPECT_EQ((row.format & 0x20) != 0, rangeReachesBelowZero(row.range)) << row.range;
        }
    }
}

TEST_P(SeriesShape, FieldsFitTheirCodePage936Widths) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        long code = gbkBytes(row.code), name = gbkBytes(row.name);
        long range = gbkBytes(row.range), description = gbkBytes(row.description);
        EXPECT_TRUE(code >= 0 && code <= 9) << code;
        EXPECT_TRUE(name >= 1 && name <= 49) << row.name << " " << name;
        EXPECT_TRUE(range >= 0 && range <= 49) << row.range << " " << range;
        EXPECT_TRUE(description >= 0 && description <= 199) << description;
    }
}

TEST_P(SeriesShape, CompiledTablesAreTheFileVerbatim) {
    const Shape& shape = GetParam();
    const SeriesCatalogue* catalogue = catalogueFor(shape.series);
    ASSERT_NE(catalogue, nullptr);
    EXPECT_EQ(catalogue->series, shape.series);
    ASSERT_EQ(catalogue->entries.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ParamDescriptor& d = catalogue->entries[i];
        EXPECT_EQ(d.format, rows[i].format) << rows[i].code;
        EXPECT_EQ(d.code, rows[i].code);
        EXPECT_EQ(d.name, rows[i].name) << rows[i].code;
        EXPECT_EQ(d.range, rows[i].range) << rows[i].code;
        EXPECT_EQ(d.description, rows[i].description) << rows[i].code;
        EXPECT_EQ(d.name_en, rows[i].nameEn) << rows[i].code;
        EXPECT_EQ(d.range_en, rows[i].rangeEn) << rows[i].code;
        EXPECT_EQ(d.description_en, rows[i].descriptionEn) << rows[i].code;
    }
    ASSERT_EQ(catalogue->groups.size(), shape.groups.size());
    std::vector<std::string_view> labels = groupLabels(shape.series);
    ASSERT_EQ(labels.size(), shape.groups.size());
    for (size_t g = 0; g < shape.groups.size(); ++g) {
        const ParamGroup& group = catalogue->groups[g];
        EXPECT_EQ(
            Group({std::string(group.label), std::string(group.prefix), group.count, group.first}),
            shape.groups[g]);
        EXPECT_EQ(labels[g], shape.groups[g].label);
    }
}

/// True when a text holds a CJK ideograph: a name, range or description an
/// English reader cannot read ("0～5" and "－1.000～1.000" can be read).
bool hasChinese(const std::string& text) {
    for (size_t at = 0; at + 2 < text.size(); ++at) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const auto next = static_cast<unsigned char>(text[at + 1]);
        // U+3400..U+9FFF: lead byte E3 (from 0x90 on) to E9.
        if ((lead == 0xE3 && next >= 0x90) || (lead >= 0xE4 && lead <= 0xE9))
            return true;
    }
    return false;
}

TEST_P(SeriesShape, EveryEntryHasItsEnglishTexts) {
    std::vector<std::string> missing;
    for (const Row& row : rows) {
        if (row.nameEn.empty())
            missing.push_back(row.code + " name");
        if (row.rangeEn.empty() && hasChinese(row.range))
            missing.push_back(row.code + " range");
        if (row.descriptionEn.empty() && hasChinese(row.description))
            missing.push_back(row.code + " description");
    }
    std::string list;
    for (const std::string& m : missing)
        list += (list.empty() ? "" : ", ") + m;
    EXPECT_TRUE(missing.empty()) << missing.size() << " English texts missing: " << list;
}

INSTANTIATE_TEST_SUITE_P(Catalogues, SeriesShape, ::testing::ValuesIn(shapes()),
                         [](const auto& info) { return info.param.series; });

// --- Entries that must read exactly so, in the file and through the lookups. ---

struct Telling {
    std::string series;
    int format;
    std::string code, name, range, description;
};

TEST(TellingEntries, ReadVerbatimInFileAndCatalogue) {
    const std::vector<Telling> entries = {
        {"QD10", 18, "Pr00", "数字给定频率", "0.10～200.00Hz",
         "变频器选择了数字给定作为输入信号时，调节该值调节频率"},
        {"QD10", 8, "Pr01", "频率给定通道选择", "0～5",
         "0:Pr00数字设定频率；1:VRF模拟电压(0～10V)；2:VRF模拟电压(-10～10V)；3:IRF模拟电流 "
         "(0～20mA)；4:面板电位器；5:通讯(RS485)"},
        {"QD10", 9, "Pr03", "第一加速时间", "0.1～600.0s", "第一个加速时间设置，可以通过端子选择"},
        {"QD10", 8, "Pr87", "参数设定", "0～5", ""},
        {"QD10", 0, "Pr88", "厂家参数", "0", ""},
        {"QD20", 18, "F000", "数字给定频率", "0.10～400.00Hz",
         "变频器选择了数字给定作为输入信号时，调节该值调节频率"},
        {"QD20", 8, "F002", "主给定信号", "0～3", "主给定通道信号源的选择"},
        {"QD20", 16, "Fb00", "用户密码", "0～9999", ""},
        {"QD20", 2, "Fc11", "母线电压", "", ""},
        {"QD30", 18, "F0-00", "数字给定频率", "0.00Hz～F0-06", ""},
        {"QD30", 51, "F0-05", "辅助通道增益", "－1.000～1.000", ""},
        {"QD30", 2, "F0-13", "变频器额定功率", "机型确定", ""},
        {"QD30", 2, "F0-14", "软件版本号", "0.00～99.99", ""},
        {"QD30", 1, "FU-59", "结温", "只读", ""},
        {"QD40", 16, "A0-00", "用户密码设定", "", ""},
        {"QD40", 2, "A0-12", "软件版本号", "", ""},
        {"QD40", 16, "F0-00", "频率给定通道选择", "", ""},
        {"QD40", 16, "EL-00", "电梯功能密码", "", ""},
    };
    for (const Telling& t : entries) {
        SCOPED_TRACE(t.series + " " + t.code);
        const std::vector<Row>& rows = readCatalogueFile(t.series);
        auto row =
            std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.code == t.code; });
        ASSERT_NE(row, rows.end());
        EXPECT_EQ(row->format, t.format);
        EXPECT_EQ(row->name, t.name);
        EXPECT_EQ(row->range, t.range);
        EXPECT_EQ(row->description, t.description);

        // The same entry reached as the operator reaches it: group, then row.
        std::vector<Group> runs = runsOf(rows, separatorOf(t.series));
        int index = static_cast<int>(row - rows.begin());
        for (size_t g = 0; g < runs.size(); ++g) {
            if (index < runs[g].first || index >= runs[g].first + runs[g].count)
                continue;
            auto d = descriptor(t.series, static_cast<int>(g), index - runs[g].first);
            ASSERT_TRUE(d.has_value());
            EXPECT_EQ(d->code, t.code);
            EXPECT_EQ(d->format, t.format);
            EXPECT_EQ(d->name, t.name);
        }
    }
}

TEST(SmallDriveCatalogue, ListsUserEntriesAndTransfersFactoryEntriesToo) {
    EXPECT_EQ(groupSize("QD10", 0, SizePurpose::Display), 88);
    EXPECT_EQ(groupSize("QD10", 0, SizePurpose::Transfer), 100);
    EXPECT_EQ(groupLabels("QD10"), std::vector<std::string_view>{"Pr"});
    ASSERT_TRUE(descriptor("QD10", 0, 99).has_value());
    EXPECT_EQ(descriptor("QD10", 0, 99)->code, "Pr99");
    EXPECT_EQ(registerOf(0, 99), 0x0063);
    // The rows kept out of the list are exactly the factory entries.
    for (int row = 88; row < 100; ++row) {
        auto d = descriptor("QD10", 0, row);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->name, "厂家参数");
        EXPECT_EQ(d->range, "0");
        EXPECT_EQ(d->format, 0);
    }
    EXPECT_NE(descriptor("QD10", 0, 87)->name, "厂家参数");
}

TEST(CatalogueLookup, UnknownSeriesGroupsAndRowsGiveNothing) {
    for (std::string_view series : {"", "qd10", "QD1", "QD10 ", " QD20", "QD50", "QD30\n"}) {
        SCOPED_TRACE(std::string(series));
        EXPECT_EQ(catalogueFor(series), nullptr);
        EXPECT_TRUE(groupLabels(series).empty());
        EXPECT_EQ(groupSize(series, 0), 0);
        EXPECT_FALSE(descriptor(series, 0, 0).has_value());
    }
    EXPECT_EQ(groupSize("QD20", 13), 0);
    EXPECT_EQ(groupSize("QD20", -1), 0);
    EXPECT_EQ(groupSize("QD10", 1, SizePurpose::Transfer), 0);
    EXPECT_EQ(groupSize("QD20", 11), 2);
    // A row past its group must not reach into the next group.
    EXPECT_FALSE(descriptor("QD20", 11, 2).has_value());
    EXPECT_FALSE(descriptor("QD20", 12, 12).has_value());
    EXPECT_FALSE(descriptor("QD30", 0, -1).has_value());
    EXPECT_FALSE(descriptor("QD10", 0, 100).has_value());
    EXPECT_FALSE(descriptor("QD40", 35, 0).has_value());
}

TEST(CatalogueLookup, RegisterOfLastEntryOfLargestSeries) {
    std::vector<std::string_view> labels = groupLabels("QD40");
    ASSERT_EQ(labels.size(), 35u);
    ASSERT_EQ(labels.back(), "PU");
    const int group = static_cast<int>(labels.size()) - 1;
    const int row = groupSize("QD40", group) - 1;
    ASSERT_TRUE(descriptor("QD40", group, row).has_value());
    EXPECT_EQ(descriptor("QD40", group, row)->code, "PU-60");
    EXPECT_EQ(registerOf(group, row), 0x223C);
    EXPECT_EQ(decimalsOf(*descriptor("QD30", 0, 5)), 3u); // F0-05, format 51
}

TEST(ParameterFileSlots, FirstSlotOfEachStoredGroup) {
    const int firstSlots[] = {0,   13,  53,  78,  105, 171, 189, 220,
                              249, 348, 383, 399, 441, 488, 549, 624};
    for (int group = 0; group < 16; ++group)
        EXPECT_EQ(fileSlot(group, 0), firstSlots[group]) << group;

    // Every slot 0..632 is taken exactly once, in catalogue order.
    int expected = 0;
    for (int group = 0; group < 16; ++group) {
        for (int row = 0; row < groupSize("QD30", group); ++row) {
            auto slot = fileSlot(group, row);
            if (group == 0 && row >= 13) {
                EXPECT_FALSE(slot.has_value()) << "F0-" << row << " is not stored";
                continue;
            }
            ASSERT_TRUE(slot.has_value()) << group << "/" << row;
            EXPECT_EQ(*slot, expected++);
        }
    }
    EXPECT_EQ(expected, 633);
    EXPECT_FALSE(fileSlot(15, 9).has_value()); // FF has 9 rows
    EXPECT_FALSE(fileSlot(16, 0).has_value()); // Fn, FP, FU are never in a file
    EXPECT_FALSE(fileSlot(-1, 0).has_value());
    EXPECT_FALSE(fileSlot(1, -1).has_value());
}

TEST(RatedPower, TableValuesAndCodesOutsideIt) {
    // Values in 0.01 kW: shown as 0.75, 75.00 and 475.00.
    EXPECT_EQ(ratedPowerValue(0), 75);
    EXPECT_EQ(ratedPowerValue(14), 7500);
    EXPECT_EQ(ratedPowerValue(27), 47500);
    EXPECT_EQ(ratedPowerValue(29), 56000);
    for (int32_t code : {-1, 30, 31, 65535, INT32_MIN, INT32_MAX})
        EXPECT_FALSE(ratedPowerValue(code).has_value()) << code;
}

// --- Texts in the display language. ---

class DisplayLanguageScope {
public:
    explicit DisplayLanguageScope(Language language) { setDisplayLanguage(language); }
    ~DisplayLanguageScope() { setDisplayLanguage(Language::Chinese); }
    DisplayLanguageScope(const DisplayLanguageScope&) = delete;
    DisplayLanguageScope& operator=(const DisplayLanguageScope&) = delete;
};

TEST(DisplayTexts, EnglishWhereTheRowHasItChineseOtherwise) {
    struct Case {
        std::string series, code;
        Language language;
        std::string name, range, description;
    };
    const std::vector<Case> cases = {
        {"QD10", "Pr00", Language::Chinese, "数字给定频率", "0.10～200.00Hz",
         "变频器选择了数字给定作为输入信号时，调节该值调节频率"},
        {"QD10", "Pr00", Language::English, "Digital frequency setpoint", "0.10～200.00Hz",
         "Sets the frequency when the drive takes a digital setpoint as its input"},
        {"QD10", "Pr24", Language::English, "Reverse run control", "Allowed/prohibited", ""},
        {"QD20", "Fb00", Language::English, "User password", "0～9999", ""},
        {"QD30", "F0-13", Language::Chinese, "变频器额定功率", "机型确定", ""},
        {"QD30", "F0-13", Language::English, "Drive rated power", "Set by model", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.series + " " + c.code +
                     (c.language == Language::English ? " English" : " Chinese"));
        const SeriesCatalogue* catalogue = catalogueFor(c.series);
        ASSERT_NE(catalogue, nullptr);
        auto entry = std::find_if(catalogue->entries.begin(), catalogue->entries.end(),
                                  [&](const ParamDescriptor& d) { return d.code == c.code; });
        ASSERT_NE(entry, catalogue->entries.end());
        const DisplayLanguageScope scope(c.language);
        EXPECT_EQ(displayName(*entry), c.name);
        EXPECT_EQ(displayRange(*entry), c.range);
        EXPECT_EQ(displayDescription(*entry), c.description);
        EXPECT_EQ(entry->code, c.code); // codes read the same in both languages
    }

    // A row not yet translated shows its Chinese texts in English too.
    ParamDescriptor untranslated{8, "0:面板 1:端子", "运行命令通道选择", "X0-00", "说明", {}, {},
                                 {}};
    const DisplayLanguageScope english(Language::English);
    EXPECT_EQ(displayName(untranslated), "运行命令通道选择");
    EXPECT_EQ(displayRange(untranslated), "0:面板 1:端子");
    EXPECT_EQ(displayDescription(untranslated), "说明");
    untranslated.range_en = "0: keypad 1: terminals";
    EXPECT_EQ(displayRange(untranslated), "0: keypad 1: terminals");
    EXPECT_EQ(displayName(untranslated), "运行命令通道选择");
}

// --- The build step refuses a malformed data file, naming file and line. ---

struct Malformed {
    const char* what;
    std::string content;
    std::string message; ///< expected after "file:"
};

void PrintTo(const Malformed& m, std::ostream* os) {
    *os << m.what;
}

// The build tree: tests/<this test> beside src/registry/<generator>.
class CatalogueGenerator : public ::testing::TestWithParam<Malformed> {};

TEST_P(CatalogueGenerator, RefusesWithFileAndLine) {
    const std::filesystem::path generator =
        std::filesystem::path(testing::binaryDir()) / "src" / "registry" / "velkaro_catalogue_gen";
    ASSERT_TRUE(std::filesystem::exists(generator)) << generator;

    const testing::TempDir dir;
    const std::string file = dir.file("qd20.tsv");
    std::ofstream(file, std::ios::binary) << GetParam().content;
    const testing::CommandResult run =
        testing::runCommand(generator.string() + " --check QD20=" + file + " 2>&1");

    if (GetParam().message.empty()) {
        EXPECT_EQ(run.exitCode, 0) << run.output;
    } else {
        EXPECT_NE(run.exitCode, 0);
        EXPECT_EQ(run.output.rfind(file + ":" + GetParam().message, 0), 0u) << run.output;
    }
}

const std::string kHead = "format\tcode\tname\trange\tdescription\n";
const std::string kHeadEn =
    "format\tcode\tname\trange\tdescription\tname_en\trange_en\tdescription_en\n";

INSTANTIATE_TEST_SUITE_P(
    DataFiles, CatalogueGenerator,
    ::testing::Values(
        Malformed{"WellFormed",
                  kHead + "18\tF000\t数字给定频率\t0.10～400.00Hz\t\n16\tF001\tx\t\t\n", ""},
        Malformed{"NoFinalNewline", kHead + "16\tF000\ta\t\t", ""},
        Malformed{"WrongHeader", "format\tcode\tname\trange\n16\tF000\ta\t\t\n", "1: first line"},
        Malformed{"ByteOrderMark", "\xEF\xBB\xBF" + kHead, "1: first line"},
        Malformed{"NoEntries", kHead, "1: no entries"},
        Malformed{"FourFields", kHead + "16\tF000\ta\t\t\n16\tF001\ta\t\n", "3: expected 5"},
        Malformed{"BlankLine", kHead + "16\tF000\ta\t\t\n\n16\tF001\ta\t\t\n", "3: expected 5"},
        Malformed{"CarriageReturn", kHead + "16\tF000\ta\t\t\r\n", "2: carriage return"},
        Malformed{"BothChangeBits", kHead + "24\tF000\ta\t\t\n", "2: format word \"24\""},
        Malformed{"FormatNotANumber", kHead + "1x\tF000\ta\t\t\n", "2: format word \"1x\""},
        Malformed{"PositionGap", kHead + "16\tF000\ta\t\t\n16\tF002\ta\t\t\n",
                  "3: code \"F002\" out of sequence"},
        Malformed{"GroupNotAtZero", kHead + "16\tF000\ta\t\t\n16\tF101\ta\t\t\n",
                  "3: group F1 must start at position 00"},
        Malformed{"GroupAgain", kHead + "16\tF000\ta\t\t\n16\tF100\ta\t\t\n16\tF001\ta\t\t\n",
                  "4: group F0 starts again"},
        Malformed{"SeparatorInCode", kHead + "16\tF0-00\ta\t\t\n", "2: code \"F0-00\""},
        Malformed{"NameTooLong",
                  kHead + "16\tF000\t一二三四五六七八九十一二三四五六七八九十一二三四五\t\t\n",
                  "2: name is 50 bytes"},
        Malformed{"OutsideCodePage", kHead + "16\tF000\t\xF0\x9F\x98\x80\t\t\n", "2: name is not"},
        Malformed{"ControlCharacter", kHead + "16\tF000\ta\x01\t\t\n", "2: name holds"},
        // The English columns.
        Malformed{"WellFormedEnglish",
                  kHeadEn + "8\tF000\t反转\t0:允许 1:禁止\t说明\tReverse run\t0: allowed 1: "
                            "prohibited\tNote \"quoted\" \\ é\n16\tF001\tx\t\t\t\t\t\n",
                  ""},
        Malformed{"ChineseHeaderEnglishRow", kHead + "16\tF000\ta\t\t\tA\t\t\n", "2: expected 5"},
        Malformed{"EnglishHeaderFiveFields", kHeadEn + "16\tF000\ta\t\t\n", "2: expected 8"},
        Malformed{"EnglishHeaderNineFields", kHeadEn + "16\tF000\ta\t\t\tA\t\t\t\n",
                  "2: expected 8"},
        Malformed{"ChineseInEnglishName", kHeadEn + "16\tF000\t数字\t\t\t数字\t\t\n",
                  "2: name_en holds a CJK character (U+6570)"},
        Malformed{"FullWidthTildeInEnglishRange",
                  kHeadEn + "16\tF000\ta\t0～5 低\t\tA\t0～5 low\t\n",
                  "2: range_en holds a CJK character (U+FF5E)"},
        Malformed{"FullWidthColonInEnglishDescription",
                  kHeadEn + "16\tF000\ta\t\t说明\tA\t\t0：off\n",
                  "2: description_en holds a CJK character (U+FF1A)"},
        Malformed{"EnglishNotUtf8", kHeadEn + "16\tF000\ta\t\t\t\xB2\xE2\t\t\n",
                  "2: name_en is not valid UTF-8"},
        Malformed{"EnglishOverlongSlash", kHeadEn + "16\tF000\ta\t\t\tA\xC0\xAF\t\t\n",
                  "2: name_en is not valid UTF-8"},
        Malformed{"EnglishCutSequence", kHeadEn + "16\tF000\ta\t\t\tA\xE2\x82\t\t\n",
                  "2: name_en is not valid UTF-8"},
        Malformed{"EnglishSurrogate", kHeadEn + "16\tF000\ta\t\t\tA\xED\xA0\x80\t\t\n",
                  "2: name_en is not valid UTF-8"},
        Malformed{"EnglishControlCharacter", kHeadEn + "16\tF000\ta\t\t\tA\x7F\t\t\n",
                  "2: name_en holds a control character"},
        Malformed{"EnglishForEmptyRange", kHeadEn + "16\tF000\ta\t\t\tA\t0~5\t\n",
                  "2: range_en translates an empty Chinese cell"}),
    [](const auto& info) { return std::string(info.param.what); });

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
