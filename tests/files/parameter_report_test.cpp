#include "files/parameter_report.h"

#include "files/csv_text.h"
#include "files/parameter_text.h"
#include "registry/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

TEST(CsvTextTest, AwkwardFieldsSurviveTheRoundTrip) {
    const std::vector<std::string> fields{
        "plain",          "",   "a,b", "say \"hi\"", "\"", "line1\nline2", "cr\r\nlf",
        "中文，全角逗号", " x "};
    EXPECT_EQ(csvField("a,b"), "\"a,b\"");
    EXPECT_EQ(csvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(csvField("中文，全角逗号"), "中文，全角逗号");

    const std::string text = std::string(kUtf8Bom) + csvRecord(fields) + csvRecord({"next"});
    const CsvParse parse = parseCsv(text);
    ASSERT_TRUE(parse.ok) << parse.error;
    ASSERT_EQ(parse.records.size(), 2u);
    EXPECT_EQ(parse.records[0].fields, fields);
    // The quoted line ends count: the next record starts on line 4.
    EXPECT_EQ(parse.records[1].line, 4);
}

TEST(CsvTextTest, MalformedTextIsRefusedAtItsLine) {
    struct Case {
        std::string text;
        int line;
    };
    const std::vector<Case> cases{
        {"a,b\nc\"d,e\n", 2},        // a quote inside an unquoted field
        {"a\n\"b\nc\" d\n", 3},      // text after the closing quote
        {"a\nb\n\"open\nmore\n", 3}, // a quote never closed, found where it opens
        {"a\rb\n", 1},               // a bare carriage return
    };
    for (const Case& c : cases) {
        const CsvParse parse = parseCsv(c.text);
        EXPECT_FALSE(parse.ok) << c.text;
        EXPECT_EQ(parse.errorLine, c.line) << c.text;
        EXPECT_FALSE(parse.error.empty());
    }
}

TEST(ParameterTextTest, UnitIsTheTextAfterANumberOfTheRange) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"0.10～200.00Hz", "Hz"},
        {"0.1～600.0s", "s"},
        {"－300.0～300.0%(只读)", "%"},
        {"0.00Hz～F0-06", "Hz"},
        {"F3-18～100.00kHz", "kHz"},
        {"0～5", ""},
        {"F0-08～F0-06", ""},
        {"禁止/允许", ""},
        {"只读", ""},
        {"", ""},
        {"0.001～30.000Ω", "Ω"},
        {"40～100℃", "℃"},
    };
    for (const auto& [range, unit] : cases) {
        EXPECT_EQ(unitOf(range), unit) << range;
    }
}

TEST(ParameterTextTest, ValuesReadBackOnlyWhenTheyFitTheParameter) {
    const auto entry = [](int32_t format, std::string_view code) {
        ParamDescriptor d;
        d.format = format;
        d.code = code;
        return d;
    };
    const ParamDescriptor twoDecimals = entry(18, "Pr00");
    const ParamDescriptor signedThree = entry(51, "F0-05");
    const ParamDescriptor plain = entry(8, "Pr01");
    struct Case {
        const ParamDescriptor* d;
        std::string text;
        std::optional<uint16_t> word;
    };
    const std::vector<Case> cases{
        {&twoDecimals, "50.00", 5000},
        {&twoDecimals, "50.1", 5010},
        {&twoDecimals, "655.35", 65535},
        {&twoDecimals, "655.36", {}},
        {&twoDecimals, "50.001", {}},
        {&twoDecimals, "-1.00", {}},
        {&twoDecimals, "50.", {}},
        {&twoDecimals, " 50.00", {}},
        {&signedThree, "-32.768", 0x8000},
        {&signedThree, "32.768", {}},
        {&plain, "3.0", {}},
        {&plain, "-", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseParameterValue(*c.d, c.text), c.word) << c.d->code << " " << c.text;
    }
    EXPECT_EQ(parameterValueText(signedThree, static_cast<uint16_t>(-250)), "-0.250");
    EXPECT_EQ(parameterValueText(twoDecimals, 65535), "655.35");
}

/// A QD10 report as written, split into its lines for the cases to spoil.
class ReportReaderTest : public ::testing::Test {
protected:
    ReportReaderTest() {
        report = {"3#QD10-7.5", "QD10", "7.5", "2024-05-01 08:00:00", {}};
        for (int i = 0; i < 100; ++i) {
            report.words.push_back(static_cast<uint16_t>(i * 13));
        }
        std::istringstream in(reportText(report).substr(kUtf8Bom.size()));
        for (std::string line; std::getline(in, line);) {
            line.pop_back(); // the CR of CR LF
            lines.push_back(line);
        }
    }
    std::string joined(const std::vector<std::string>& l) const {
        std::string text(kUtf8Bom);
        for (const std::string& line : l) {
            text += line + "\r\n";
        }
        return text;
    }

    ParameterReport report;
    std::vector<std::string> lines; // [0] drive name .. [4] titles, [5] Pr00 ..
};

TEST_F(ReportReaderTest, SpoiledReportsAreRefusedNamingFileAndLine) {
    struct Case {
        const char* what;
        std::size_t line; // 1-based line to replace
        std::string text;
        std::string expected; // part of the message after the file name
    };
    const std::string pr01 = lines[6];
    const std::vector<Case> cases{
        {"wrong first line", 1, "变频器,3#QD10-7.5", "第1行：应为“变频器名称"},
        {"unknown series", 2, "机型,QD99", "第2行：机型“QD99”不是已知的变频器系列"},
        {"column titles", 5, "功能组,功能号,参数名称,当前值", "第5行：列标题"},
        {"duplicate code", 7, "Pr,Pr00,x,1.00,Hz,,,", "第7行：功能号“Pr00”重复（第6行已有）"},
        {"value not a number", 7, "Pr,Pr01,x,abc,,,,", "第7行：功能号“Pr01”的当前值“abc”"},
        {"too many decimals", 6, "Pr,Pr00,x,1.001,Hz,,,", "第6行：功能号“Pr00”的当前值"},
        {"negative unsigned", 7, "Pr,Pr01,x,-1,,,,", "第7行：功能号“Pr01”的当前值“-1”"},
        {"unknown code", 7, "Pr,Pr100,x,1,,,,", "第7行：功能号“Pr100”不在QD10系列"},
        {"code of another series", 7, "F0,F0-01,x,1,,,,", "第7行：功能号“F0-01”不在QD10系列"},
        {"wrong group", 7, "F0," + pr01.substr(3), "第7行：功能号“Pr01”属于功能组Pr"},
        {"too few columns", 7, "Pr,Pr01,x,1", "第7行：应有8列，实有4列"},
        {"broken quoting", 7, "Pr,\"Pr01\"x,a,1,,,,", "第7行：引号后面有多余的字符"},
        {"missing row", 7, "", "缺少功能号“Pr01”的行"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> spoiled = lines;
        if (c.text.empty()) {
            spoiled.erase(spoiled.begin() + static_cast<std::ptrdiff_t>(c.line - 1));
        } else {
            spoiled[c.line - 1] = c.text;
        }
        ParameterReport read = report;
        read.driveName = "untouched";
        const ReportFileResult result = parseParameterReport(joined(spoiled), "a.csv", read);
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_NE(result.message.find("参数报表“a.csv”" + c.expected), std::string::npos)
            << c.what << ": " << result.message;
        EXPECT_EQ(read.driveName, "untouched") << c.what;
    }
}

TEST_F(ReportReaderTest, SpreadsheetHandlingIsAccepted) {
    // Rows sorted another way, trailing zeros dropped, LF line ends, no BOM,
    // blank lines at the end: what a spreadsheet saves back.
    std::vector<std::string> edited = lines;
    std::reverse(edited.begin() + 5, edited.end());
    edited.back() = "Pr,Pr00,数字给定频率,0.0,Hz,0.10～200.00Hz,运行中可修改,x";
    std::string text;
    for (const std::string& line : edited) {
        text += line + "\n";
    }
    text += "\n\n";
    ParameterReport read;
    const ReportFileResult result = parseParameterReport(text, "b.csv", read);
    ASSERT_TRUE(result.ok) << result.message;
    EXPECT_EQ(read.words, report.words);
    EXPECT_EQ(read.readTime, report.readTime);
}

TEST_F(ReportReaderTest, WrittenFileCarriesBomTitlesAndQuotedTexts) {
    const std::string path = ::testing::TempDir() + "velkaro_report_quoting.csv";
    report.driveName = "3#QD10, \"east\" line";
    ASSERT_TRUE(writeParameterReport(path, report).ok);
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(
        text.starts_with(std::string(kUtf8Bom) + "变频器名称,\"3#QD10, \"\"east\"\" line\"\r\n"));
    // Pr88, a factory entry, is reported like any other and read-only.
    EXPECT_NE(text.find("\r\nPr,Pr00,数字给定频率,0.00,Hz,0.10～200.00Hz,运行中可修改,"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nPr,Pr01,频率给定通道选择,13,,0～5,停机时可修改,"), std::string::npos);
    EXPECT_NE(text.find("\r\nPr,Pr88,厂家参数,1144,,0,只读,\r\n"), std::string::npos);
    ParameterReport read;
    ASSERT_TRUE(readParameterReport(path, read).ok);
    EXPECT_EQ(read.driveName, report.driveName);
    EXPECT_FALSE(writeParameterReport(::testing::TempDir() + "no/such/folder/r.csv", report).ok);
    std::filesystem::remove(path);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
