#include "files/parameter_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "support/sav_file.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

class ParameterFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return m_folder.file(name); }

    static void writeRaw(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder.path()))
            names.push_back(entry.path().filename().string());
        return names;
    }

    testing::TempDir m_folder;
};

/// An image as the export leaves it: header, then `registers` words.
ParameterImage exportedImage(uint8_t tag, int registers, uint16_t seed) {
    ParameterImage image{};
    image[0] = 0x83;
    image[1] = tag;
    for (int i = 0; i < registers; ++i) {
        const uint16_t word = static_cast<uint16_t>(seed + i * 7);
        image[4 + 2 * i] = static_cast<uint8_t>(word >> 8);
        image[5 + 2 * i] = static_cast<uint8_t>(word);
    }
    return image;
}

using testing::savText;

std::vector<long> qd10Words(long fill = 5) {
    std::vector<long> words{33616, 204};
    words.resize(102, fill);
    return words;
}

TEST_F(ParameterFileTest, WritesEachSeriesAsDecimalWordsEachEndedByOneCr) {
    struct Case {
        uint8_t tag;
        int registers;
        const char* header;
        std::size_t words;
    };
    for (const Case& c :
         {Case{0x50, 100, "33616\r204\r", 102}, Case{0x70, 633, "33648\r1270\r", 635}}) {
        ParameterImage image = exportedImage(c.tag, c.registers, 100);
        image[6] = 0xFF; // register 1 holds -1: written as its 16-bit pattern
        image[7] = 0xFF;
        const int imageLength = 4 + 2 * c.registers;
        const std::string file = path("backup.sav");
        ASSERT_TRUE(writeParameterFile(file, image, imageLength).ok);

        // The length lands in the image too, high byte first.
        EXPECT_EQ((image[2] << 8) | image[3], imageLength);
        const std::string text = testing::fileText(file);
        EXPECT_EQ(text.rfind(c.header, 0), 0u) << "header of tag " << int(c.tag);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), static_cast<long>(c.words));
        EXPECT_EQ(text.find_first_not_of("0123456789\r"), std::string::npos);
        EXPECT_EQ(text.back(), '\r');
        // Register 0 follows the header, unpadded.
        EXPECT_EQ(text.substr(std::string(c.header).size(), 10), "100\r65535\r");
    }
}

TEST_F(ParameterFileTest, SecondExportReplacesTheWholeFileAndLeavesNoTemporaryFile) {
    const std::string file = path("twice.sav");
    ParameterImage qd30 = exportedImage(0x70, 633, 9);
    ASSERT_TRUE(writeParameterFile(file, qd30, 1270).ok);
    ParameterImage qd10 = exportedImage(0x50, 100, 1);
    ASSERT_TRUE(writeParameterFile(file, qd10, 204).ok);

    ParameterImage expectedImage = qd10;
    std::string expected;
    for (int byte = 0; byte < 204; byte += 2)
        expected += std::to_string((expectedImage[byte] << 8) | expectedImage[byte + 1]) + "\r";
    EXPECT_EQ(testing::fileText(file), expected);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"twice.sav"});
}

TEST_F(ParameterFileTest, FailedWriteNamesThePathAndKeepsTheOldFile) {
    ParameterImage image = exportedImage(0x50, 100, 1);

    // A folder that does not exist: nothing can be created there.
    const std::string missing = path("no-such-folder/backup.sav");
    const ParameterFileResult result = writeParameterFile(missing, image, 204);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, missing + "不存在，请输入正确的文件名称");

    // The target cannot be replaced (it is a folder): the new text is
    // dropped and no half-written temporary file stays behind.
    fs::create_directories(path("occupied.sav"));
    EXPECT_FALSE(writeParameterFile(path("occupied.sav"), image, 204).ok);
    EXPECT_TRUE(fs::is_directory(path("occupied.sav")));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"occupied.sav"});

    // A length the image cannot hold writes nothing rather than reading past it.
    writeRaw(path("old.sav"), "old");
    EXPECT_FALSE(writeParameterFile(path("old.sav"), image, 5000).ok);
    EXPECT_EQ(testing::fileText(path("old.sav")), "old");
}

TEST_F(ParameterFileTest, WrittenFilesAndTheirLineEndVariantsReadBackExactly) {
    ParameterImage written = exportedImage(0x70, 633, 65000); // wraps through 65535 and 0
    ASSERT_TRUE(writeParameterFile(path("qd30.sav"), written, 1270).ok);
    const std::string stationText = testing::fileText(path("qd30.sav"));

    struct Variant {
        const char* name;
        std::string text;
    };
    std::string crlf;
    for (char c : stationText)
        crlf += c == '\r' ? std::string("\r\n") : std::string(1, c);
    const std::string noFinalCr = stationText.substr(0, stationText.size() - 1);
    for (const Variant& v :
         {Variant{"station", stationText}, Variant{"crlf", crlf}, Variant{"no final CR", noFinalCr},
          Variant{"trailing text ignored", stationText + "junk\r"}}) {
        writeRaw(path("in.sav"), v.text);
        ParameterImage read{};
        const ParameterFileResult result = readParameterFile(path("in.sav"), read);
        ASSERT_TRUE(result.ok) << v.name << ": " << result.message;
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + 1270, written.begin())) << v.name;
    }
}

TEST_F(ParameterFileTest, UnknownTagReadsTheDeclaredLengthSoTheLinkCanRefuseTheModel) {
    // Tag 0x60 is no series the station writes; reading honours its length
    // (an odd length takes one more word) and leaves the rest of the image.
    writeRaw(path("other.sav"), savText({0x8360, 7, 11, 22, 99}));
    ParameterImage image{};
    image[8] = 0xAB;
    ASSERT_TRUE(readParameterFile(path("other.sav"), image).ok);
    EXPECT_EQ(image[1], 0x60);
    EXPECT_EQ(image[5], 11);
    EXPECT_EQ(image[7], 22);
    EXPECT_EQ(image[8], 0xAB);
}

TEST_F(ParameterFileTest, DefectiveFilesAreRefusedNamingFileAndProblemImageUntouched) {
    std::vector<long> shortQd10 = qd10Words();
    shortQd10.resize(50);
    std::vector<long> shortQd30{33648, 1270};
    shortQd30.resize(600, 1);
    auto withToken = [](std::size_t index, const std::string& token) {
        std::vector<long> words = qd10Words();
        std::string text;
        for (std::size_t i = 0; i < words.size(); ++i)
            text += (i == index ? token : std::to_string(words[i])) + "\r";
        return text;
    };
    struct Case {
        const char* name;
        std::string text;
        const char* problem;
    };
    const std::vector<Case> cases{
        {"letters", withToken(10, "12a"), "第11个数值“12a”不是十进制整数"},
        {"empty token", withToken(3, ""), "第4个数值“”不是十进制整数"},
        {"decimal point", withToken(5, "1.5"), "不是十进制整数"},
        {"negative", withToken(7, "-1"), "“-1”不是十进制整数"},
        {"above 16 bits", withToken(20, "65536"), "“65536”超出0～65535的范围"},
        {"huge", withToken(20, "99999999999"), "超出0～65535的范围"},
        {"QD10 tag, QD30 length", savText({33616, 1270}),
         "长度1270与文件的机型标志不符（应为204）"},
        {"QD30 tag, QD10 length", savText(qd10Words()).replace(0, 5, "33648"), "应为1270"},
        {"short QD10", savText(shortQd10), "不完整：应有102个数值，只有50个"},
        {"short QD30", savText(shortQd30), "应有635个数值，只有600个"},
        {"line feeds only", savText(qd10Words(), "\n"), "不是十进制整数"},
        {"empty file", "", "不完整"},
    };
    for (const Case& c : cases) {
        writeRaw(path("bad.sav"), c.text);
        ParameterImage image = exportedImage(0x70, 633, 4);
        const ParameterImage before = image;
        const ParameterFileResult result = readParameterFile(path("bad.sav"), image);
        EXPECT_FALSE(result.ok) << c.name;
        EXPECT_NE(result.message.find(path("bad.sav")), std::string::npos) << c.name;
        EXPECT_NE(result.message.find(c.problem), std::string::npos)
            << c.name << ": " << result.message;
        EXPECT_EQ(image, before) << c.name;
    }

    ParameterImage image{};
    const ParameterFileResult missing = readParameterFile(path("absent.sav"), image);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message.find(path("absent.sav")), std::string::npos);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
