#include "ui/records/display_options_dialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "records/station_name.h"
#include "support/recording_messages.h"
#include "ui/records/station_settings.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

const std::vector<std::string> kNames = {"1#QD10-7.5", "2#QD20-11"};

struct Entry {
    const char* label;
    const char* window;
    const char* interval;
    const char* storage;
    const char* message; ///< empty: accepted
};

class DisplayOptionsEntry : public ::testing::TestWithParam<Entry> {};

// Fields are checked window, interval, storage; the first bad one is named
// with its range and keeps the focus, and nothing at all changes.
TEST_P(DisplayOptionsEntry, ChecksRangesInOrderWithoutPartialChange) {
    const Entry& e = GetParam();
    DisplayOptions options;
    options.displayDriveName = "1#QD10-7.5";
    const DisplayOptions before = options;
    testing::RecordingMessages messages;
    DisplayOptionsDialog dialog(nullptr, options, kNames, messages);
    dialog.windowField()->setText(e.window);
    dialog.intervalField()->setText(e.interval);
    dialog.storageField()->setText(e.storage);
    dialog.driveList()->setCurrentIndex(2);
    dialog.confirmButton()->click();

    if (std::string(e.message).empty()) {
        EXPECT_EQ(messages.count(), 0u);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(options.displayWindowHours, std::stoul(e.window));
        EXPECT_EQ(options.recordIntervalMs, std::stoul(e.interval) * 1000);
        EXPECT_EQ(options.maxStorageHours, std::stoul(e.storage));
        EXPECT_EQ(options.displayDriveName, "2#QD20-11");
        return;
    }
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_EQ(messages.last().text, e.message);
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << "stays open";
    EXPECT_EQ(options.displayWindowHours, before.displayWindowHours);
    EXPECT_EQ(options.recordIntervalMs, before.recordIntervalMs);
    EXPECT_EQ(options.maxStorageHours, before.maxStorageHours);
    EXPECT_EQ(options.displayDriveName, before.displayDriveName);
    const std::string range = e.message;
    QLineEdit* expectedFocus = range.find("1 到 72") != std::string::npos ? dialog.windowField()
                               : range.find("1 到 120") != std::string::npos
                                   ? dialog.intervalField()
                                   : dialog.storageField();
    EXPECT_EQ(dialog.focusWidget(), expectedFocus);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, DisplayOptionsEntry,
    ::testing::Values(Entry{"accepted", "30", "30", "12", ""},
                      Entry{"limits", "72", "120", "72", ""}, Entry{"lows", "1", "1", "12", ""},
                      Entry{"interval0", "2", "0", "24", "请输入 1 到 120 之间的整数。"},
                      Entry{"interval121", "2", "121", "24", "请输入 1 到 120 之间的整数。"},
                      Entry{"storage6", "2", "5", "6", "请输入 12 到 72 之间的整数。"},
                      Entry{"storage73", "2", "5", "73", "请输入 12 到 72 之间的整数。"},
                      Entry{"window0", "0", "5", "24", "请输入 1 到 72 之间的整数。"},
                      Entry{"windowFirst", "73", "0", "6", "请输入 1 到 72 之间的整数。"},
                      Entry{"emptyWindow", "", "5", "24", "请输入 1 到 72 之间的整数。"},
                      Entry{"hugeInterval", "2", "99999999999", "24",
                            "请输入 1 到 120 之间的整数。"}),
    [](const auto& info) { return std::string(info.param.label); });

// The station's name is checked after the numbers; a good new one is applied
// and kept for later runs, a bad one is named and changes nothing. One given
// on the command line is shown and stays.
TEST(DisplayOptionsDialog, StationNameIsCheckedAppliedAndKept) {
    struct Case {
        const char* typed;
        bool fromCommandLine;
        const char* message; ///< empty: accepted
    };
    const Case cases[] = {
        {"二号泵站", false, ""},         {"", false, "站名不能为空。"},
        {"  ", false, "站名不能为空。"}, {" 二号泵站", false, "站名前后不能有空格。"},
        {"命令行站", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        DisplayOptions options;
        options.stationName = c.fromCommandLine ? "命令行站" : "一号泵站";
        options.stationFromCommandLine = c.fromCommandLine;
        ASSERT_TRUE(saveStationName("一号泵站"));
        testing::RecordingMessages messages;
        DisplayOptionsDialog dialog(nullptr, options, kNames, messages);
        EXPECT_EQ(dialog.stationField()->text().toStdString(), options.stationName);
        EXPECT_EQ(dialog.stationField()->isReadOnly(), c.fromCommandLine);
        // A read-only field takes no typing; the test sets it as a paste would.
        dialog.stationField()->setText(QString::fromUtf8(c.typed));
        dialog.confirmButton()->click();
        if (std::string(c.message).empty()) {
            EXPECT_EQ(messages.count(), 0u);
            EXPECT_EQ(options.stationName, c.typed);
            EXPECT_EQ(savedStationName(), c.fromCommandLine ? "一号泵站" : c.typed)
                << "a name from the command line is not kept";
            continue;
        }
        EXPECT_EQ(messages.last().text, c.message);
        EXPECT_EQ(options.stationName, "一号泵站");
        EXPECT_EQ(savedStationName(), "一号泵站");
        EXPECT_EQ(dialog.focusWidget(), dialog.stationField());
    }
    EXPECT_EQ(chooseStationName(std::nullopt, savedStationName()), "一号泵站");
    EXPECT_EQ(chooseStationName("三号站", savedStationName()), "三号站");
    EXPECT_EQ(chooseStationName(std::nullopt, std::nullopt), hostStationName());

    // The field takes no more than a name may hold; the command line is
    // checked by characters, not bytes.
    std::string longest;
    for (int i = 0; i < kStationNameMaxLength; ++i) {
        longest += "站";
    }
    EXPECT_EQ(stationNameProblem(longest), "");
    EXPECT_EQ(stationNameProblem(longest + "站"), "站名最多 64 个字");
    EXPECT_EQ(stationNameProblem("二号\n泵站"), "站名不能含控制字符");
    EXPECT_EQ(stationNameProblem("\xe3\x80\x80二号泵站"), "站名前后不能有空格") << "U+3000";
    EXPECT_EQ(stationNameProblem("二号\xe6\xb3"), "站名不是有效的文字（UTF-8）");
}

// velkaro-records reads the kept name without Qt: whatever the settings
// write (quotes, separators, a leading "@", characters beyond Chinese), it
// reads the same name back; a name that is not one reads as none.
TEST(DisplayOptionsDialog, TheKeptNameReadsTheSameWithoutTheWindowLayer) {
    const char* names[] = {"一号泵站", "泵站,一号", "\"东\"站",    "@站",
                           "a\\b",     "站 =;x#y",  "Ünïcödé 😀站", "1"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(saveStationName(name));
        EXPECT_EQ(savedStationName(), name);
        EXPECT_EQ(readKeptStationName(stationSettingsFile()), name);
    }
    ASSERT_TRUE(saveStationName(" 前后有空格 "));
    EXPECT_EQ(savedStationName(), std::nullopt);
    EXPECT_EQ(readKeptStationName(stationSettingsFile()), std::nullopt);
    EXPECT_EQ(readKeptStationName(stationSettingsFile().string() + ".none"), std::nullopt);
}

TEST(DisplayOptionsDialog, OpensOnTheCurrentNumbersAndAlwaysOnAll) {
    DisplayOptions options;
    options.recordIntervalMs = 30000;
    options.displayDriveName = "2#QD20-11";
    testing::RecordingMessages messages;
    DisplayOptionsDialog dialog(nullptr, options, kNames, messages);
    EXPECT_EQ(dialog.windowField()->text(), "2");
    EXPECT_EQ(dialog.intervalField()->text(), "30");
    EXPECT_EQ(dialog.storageField()->text(), "24");
    ASSERT_EQ(dialog.driveList()->count(), 3);
    EXPECT_EQ(dialog.driveList()->itemText(0), "ALL");
    EXPECT_EQ(dialog.driveList()->currentIndex(), 0);

    // Confirming without touching the list clears the drive filter.
    dialog.confirmButton()->click();
    EXPECT_EQ(options.displayDriveName, "*");
}

TEST(DisplayOptionsDialog, WithoutDrivesTheListHoldsOnlyAll) {
    DisplayOptions options;
    testing::RecordingMessages messages;
    DisplayOptionsDialog dialog(nullptr, options, {}, messages);
    ASSERT_EQ(dialog.driveList()->count(), 1);
    EXPECT_EQ(dialog.driveList()->itemText(0), "ALL");
}

TEST(DisplayOptionsDialog, EscapeChangesNothing) {
    DisplayOptions options;
    options.displayDriveName = "1#QD10-7.5";
    testing::RecordingMessages messages;
    DisplayOptionsDialog dialog(nullptr, options, kNames, messages);
    dialog.show();
    dialog.windowField()->setText("5");
    dialog.intervalField()->setText("60");
    dialog.driveList()->setCurrentIndex(0);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(options.displayWindowHours, 2u);
    EXPECT_EQ(options.recordIntervalMs, 5000u);
    EXPECT_EQ(options.displayDriveName, "1#QD10-7.5");
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
