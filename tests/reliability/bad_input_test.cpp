// What the core does with what an operator can type: drive names, export file
// names and search ranges. Each gets the accepted value or a refusal with a
// message; none crashes, and none puts a wrong value on the bus.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "files/parameter_file.h"
#include "support/case_names.h"
#include "support/link_harness.h"
#include "support/temp_dir.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;
using testing::LabelName;
using testing::SimLink;
using testing::StatusPasses;

struct NameCase {
    const char* label;
    std::string name;
    RenameResult expected;
};

std::vector<NameCase> nameCases() {
    return {
        {"quotes", "Pump \"A\" 'main'", RenameResult::Renamed},
        {"only spaces", "   ", RenameResult::Renamed},
        {"sql", "x'; drop table 运行记录; --", RenameResult::Renamed},
        {"ten thousand characters", std::string(10'000, 'N'), RenameResult::Renamed},
        {"control characters", std::string("a\tb\nc\x01\x7f", 7), RenameResult::Renamed},
        {"invalid utf-8", "\xff\xfe\xc3", RenameResult::Renamed},
        {"probe marker", std::string(kProbeMarker), RenameResult::Renamed},
        {"another drive's address", "1", RenameResult::Renamed},
        {"chinese", "一号泵", RenameResult::Renamed},
        {"empty", "", RenameResult::EmptyName},
        {"another drive's name", "__first__", RenameResult::DuplicateName},
        {"its own name", "__own__", RenameResult::DuplicateName},
    };
}

class DriveNameTest : public ::testing::TestWithParam<NameCase> {};

// A renamed drive is polled and commanded at its own address, under any name.
TEST_P(DriveNameTest, StoredAsTypedOrRefusedAndTheBusStillReachesTheRightDrive) {
    const NameCase& c = GetParam();
    SimLink st{StatusPasses::Polls};
    ASSERT_EQ(st.connectDrives(1, 3), 3);
    const int slot = st.slotOfAddress(2);
    const LinkSnapshot before = st.link.snapshot();
    const std::string oldName = before.table.slots[static_cast<std::size_t>(slot)].name;
    std::string newName = c.name;
    if (newName == "__first__") {
        newName = before.table.driveNames[0];
    } else if (newName == "__own__") {
        newName = oldName;
    }
    EXPECT_EQ(st.link.renameDrive(oldName, newName), c.expected);
    const Target drive = st.link.targetOfSlot(slot);
    EXPECT_EQ(drive.name, c.expected == RenameResult::Renamed ? newName : oldName);
    EXPECT_EQ(drive.address, 2);
    st.transport.clearFramesSent();
    const RequestId run = st.submit(drive, Command::word(command_word::kRun));
    st.run(10'000);

    const std::optional<Outcome> ran = st.outcome(run);
    ASSERT_TRUE(ran);
    EXPECT_EQ(ran->result, Result::Confirmed) << ran->why;
    EXPECT_EQ(ran->target.name, drive.name);
    EXPECT_TRUE(st.bus.drive(2)->running()) << "the run command did not reach drive 2";
    const LinkSnapshot s = st.link.snapshot();
    EXPECT_GT(s.statusReadCount[static_cast<std::size_t>(slot)],
              before.statusReadCount[static_cast<std::size_t>(slot)] + 2);

    EXPECT_FALSE(st.bus.drive(1)->running());
    EXPECT_FALSE(st.bus.drive(3)->running());
    for (const auto& frame : st.transport.framesSent()) {
        ASSERT_GE(frame[0], 1);
        ASSERT_LE(frame[0], 3) << "a frame went to an address nobody asked for";
    }
    EXPECT_EQ(s.table.driveCount, 3u);
    EXPECT_FALSE(s.searching);
}

INSTANTIATE_TEST_SUITE_P(Names, DriveNameTest, ::testing::ValuesIn(nameCases()), LabelName());

struct FileNameCase {
    const char* label;
    std::string name; ///< under the test folder; "//" marks an absolute path
    bool written;
};

std::vector<FileNameCase> fileNameCases() {
    return {
        {"plain", "pump.sav", true},
        {"spaces and quotes", " pump \"3\" 'a' .sav", true},
        {"chinese", "一号泵参数.sav", true},
        {"control characters", std::string("a\tb\nc\x01.sav"), true},
        {"two hundred characters", std::string(200, 'p') + ".sav", true},
        {"ten thousand characters", std::string(10'000, 'p') + ".sav", false},
        {"missing folder", "no such folder/pump.sav", false},
        {"a folder", "folder", false},
        {"empty", "//", false},
        {"trailing slash", "pump.sav/", false},
    };
}

class ExportFileNameTest : public ::testing::TestWithParam<FileNameCase> {
protected:
    void SetUp() override { fs::create_directory(folder.path() / "folder"); }
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
            names.insert(entry.path().lexically_relative(folder.path()).string());
        }
        return names;
    }
    testing::TempDir folder;
};

TEST_P(ExportFileNameTest, WrittenWholeOrRefusedWithTheNameAndNothingLeftBehind) {
    const FileNameCase& c = GetParam();
    const std::string path = c.name == "//" ? std::string() : (folder.path() / c.name).string();
    ParameterImage image{};
    image[0] = 0x83;
    image[1] = 0x50;
    for (int i = 4; i < 204; ++i) {
        image[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    }
    const std::set<std::string> before = entries();
    const ParameterFileResult result = writeParameterFile(path, image, 204);
    EXPECT_EQ(result.ok, c.written) << result.message;
    if (result.ok) {
        ParameterImage back{};
        ASSERT_TRUE(readParameterFile(path, back).ok);
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 204, back.begin()));
        EXPECT_EQ(entries().size(), before.size() + 1);
    } else {
        EXPECT_EQ(result.message, path + "不存在，请输入正确的文件名称");
        EXPECT_EQ(entries(), before) << "a partial or temporary file was left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(FileNames, ExportFileNameTest, ::testing::ValuesIn(fileNameCases()),
                         LabelName());

struct RangeCase {
    int start;
    unsigned length;
    std::vector<int> probed; ///< addresses that get an echo test, in order
};

class SearchRangeTest : public ::testing::TestWithParam<RangeCase> {};

// Whatever range reaches the link, only unicast addresses are ever probed.
TEST_P(SearchRangeTest, OnlyUnicastAddressesAreProbed) {
    const RangeCase& c = GetParam();
    SimLink st{StatusPasses::Polls};
    const RequestId search = st.submit({}, Search{c.start, c.length});
    st.run(c.probed.size() * 900 + 2000);
    std::vector<int> probed;
    for (const auto& frame : st.transport.framesSent()) {
        if (frame[1] == 0x08 && (probed.empty() || probed.back() != frame[0])) {
            probed.push_back(frame[0]);
        }
    }
    EXPECT_EQ(probed, c.probed);
    EXPECT_EQ(st.link.snapshot().activity, ActivityState::None);
    if (c.start == 0) {
        return; // start address 0 starts nothing, and gets no outcome
    }
    // Every other range ends, once, with the drives found: none here.
    EXPECT_EQ(st.outcomeCount(search), 1);
    ASSERT_TRUE(st.outcome(search));
    EXPECT_EQ(st.outcome(search)->result, Result::Confirmed);
    EXPECT_TRUE(st.outcome(search)->names.empty());
    EXPECT_FALSE(st.link.snapshot().searching);
}

INSTANTIATE_TEST_SUITE_P(Ranges, SearchRangeTest,
                         ::testing::Values(RangeCase{0, 5, {}}, RangeCase{-3, 5, {}},
                                           RangeCase{245, 10, {245, 246, 247}},
                                           RangeCase{248, 3, {}}, RangeCase{256, 2, {}},
                                           RangeCase{1'000'000, 1, {}},
                                           RangeCase{247, 4'000'000'000u, {247}},
                                           RangeCase{10, 0, {}}));

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
