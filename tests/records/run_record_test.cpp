#include "records/run_record.h"

#include <gtest/gtest.h>

#include "link/link_snapshot.h"
#include "registry/drive_table.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

constexpr int32_t kRunning = 0x0004;
constexpr int32_t kForward = 0x4000;
constexpr int32_t kFault = 0x0008;

/// Puts a connected drive into `slot` and appends its name to the list; its
/// status has been read once unless `read` is false.
DriveRecord& connect(LinkSnapshot& view, int slot, const std::string& name, bool read = true) {
    DriveTable& table = view.table;
    view.statusRead[static_cast<std::size_t>(slot)] = read;
    DriveRecord& drive = table.slots[static_cast<std::size_t>(slot)];
    drive.name = name;
    drive.series = "QD10";
    drive.online = 1;
    view.table.driveNames[view.table.driveCount++] = name;
    return drive;
}

struct StateCase {
    const char* label;
    int32_t online;
    int32_t status0;
    int32_t faultCode;
    const char* workingState;
};

class WorkingState : public ::testing::TestWithParam<StateCase> {};

// The cause "无" must vanish, leaving exactly one blank after the state.
TEST_P(WorkingState, IsStateBlankCause) {
    const StateCase& c = GetParam();
    LinkSnapshot view;
    DriveRecord& drive = connect(view, 0, "1#QD10-7.5");
    drive.online = c.online;
    drive.status[0] = c.status0;
    drive.status[9] = c.faultCode;
    const auto rows = runRecordsOf(view);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].workingState, c.workingState);
}

INSTANTIATE_TEST_SUITE_P(
    Drives, WorkingState,
    ::testing::Values(StateCase{"forward", 1, kRunning | kForward, 0, "正向运转 "},
                      StateCase{"reverse", 1, kRunning, 0, "反向运转 "},
                      StateCase{"stopped", 1, 0, 0, "停止中 "},
                      StateCase{"offline", 0, kRunning | kForward, 0, "通讯断线 "},
                      StateCase{"fault", 1, kFault, 2, "故障中 过压保护"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RunRecords, ValuesAreFixedPointTextsOfTheirStatusWords) {
    LinkSnapshot view;
    DriveRecord& drive = connect(view, 0, "A");
    drive.status[1] = -25536; // running frequency, 0.01 Hz: 400.00 Hz sign-extended
    drive.status[5] = 123;    // current, 0.1 A
    drive.status[7] = -5;     // voltage, 0.1 V: an unsigned word, never negative
    drive.status[4] = 4999;   // set frequency, 0.01 Hz
    drive.status[8] = 5400;   // bus voltage, 0.1 V
    const auto rows = runRecordsOf(view);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].runningFrequency, "400.00");
    EXPECT_EQ(rows[0].outputCurrent, "12.3");
    EXPECT_EQ(rows[0].outputVoltage, "6553.1");
    EXPECT_EQ(rows[0].setFrequency, "49.99");
    EXPECT_EQ(rows[0].busVoltage, "540.0");
}

TEST(RunRecords, OfflineDriveKeepsItsLastValues) {
    LinkSnapshot view;
    DriveRecord& drive = connect(view, 3, "B");
    drive.status[1] = 2550;
    drive.online = 0;
    const auto rows = runRecordsOf(view);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].runningFrequency, "25.50");
    EXPECT_EQ(rows[0].workingState, "通讯断线 ");
}

// A drive found by a search holds the zeros it joined with until its first
// status read: no row may carry them, whether it answers yet or not. The
// drives after it are recorded all the same.
TEST(RunRecords, NoRowBeforeTheFirstStatusRead) {
    for (const int32_t online : {1, 0}) {
        LinkSnapshot view;
        connect(view, 0, "read").status[1] = 5000;
        connect(view, 1, "found", false).online = online;
        connect(view, 2, "also read").status[8] = 5370;
        const auto rows = runRecordsOf(view);
        ASSERT_EQ(rows.size(), 2u) << "online " << online;
        EXPECT_EQ(rows[0].name, "read");
        EXPECT_EQ(rows[0].runningFrequency, "50.00");
        EXPECT_EQ(rows[1].name, "also read");
        EXPECT_EQ(rows[1].busVoltage, "537.0");
    }
}

TEST(RunRecords, FollowListOrderNotSlotOrder) {
    LinkSnapshot view;
    connect(view, 5, "first");
    connect(view, 0, "second");
    connect(view, 2, "third");
    const auto rows = runRecordsOf(view);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "first");
    EXPECT_EQ(rows[1].name, "second");
    EXPECT_EQ(rows[2].name, "third");
}

TEST(RunRecords, PassEndsAtNameWithoutSlot) {
    struct Case {
        const char* missing; // the name listed second but without a slot
    };
    for (const Case c : {Case{"ghost"}, Case{""}}) {
        LinkSnapshot view;
        connect(view, 0, "A");
        view.table.driveNames[view.table.driveCount++] = c.missing;
        connect(view, 1, "C");
        const auto rows = runRecordsOf(view);
        ASSERT_EQ(rows.size(), 1u) << "missing name '" << c.missing << "'";
        EXPECT_EQ(rows[0].name, "A");
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
