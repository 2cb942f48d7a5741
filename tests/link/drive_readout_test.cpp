// The whole-drive read against simulated drives: what it reads, how it shares
// the bus, how it fails, and the report and comparison made from it.

#include <gtest/gtest.h>

#include <cstdio>

#include "files/parameter_compare.h"
#include "registry/catalogue.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"

namespace velkaro::testing {
namespace {

using sim::Series;

class ReadoutTest : public ::testing::Test {
protected:
    int connectAndSelect(int address, Series series, int rating) {
        const int slot = h.connect(address, series, rating);
        EXPECT_GE(slot, 0);
        auto s = h.link.lock();
        s->selectedSlot = slot;
        s->selectedGroup = 0;
        return slot;
    }
    /// Starts a readout of the selected drive and runs until it has ended.
    ReadoutPhase readAll() {
        {
            auto s = h.link.lock();
            EXPECT_EQ(startReadout(*s), "");
        }
        EXPECT_GE(h.runUntil([](LinkState& s) { return !s.readout.running(); }, 400000), 0);
        return h.link.lock()->readout.phase;
    }
    ParameterReport report() {
        return readoutReport(h.link.lock()->readout, "2024-05-01 08:00:00");
    }

    /// Fills every catalogue register of the drive with a pattern that reaches
    /// both ends of a 16-bit word, so signed and unsigned texts both get tested.
    static void fillRegisters(sim::SimulatedDrive& drive, const SeriesCatalogue& catalogue) {
        for (std::size_t g = 0; g < catalogue.groups.size(); ++g) {
            for (int row = 0; row < catalogue.groups[g].count; ++row) {
                const auto word = static_cast<uint16_t>(0xFFFF - 977 * (g * 100 + row));
                drive.setHoldingRegister(registerOf(static_cast<int>(g), row), word);
            }
        }
    }

    SimLink h;
};

struct SeriesCase {
    Series series;
    const char* name;
    int rating;
};
void PrintTo(const SeriesCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadoutRoundTrip : public ReadoutTest, public ::testing::WithParamInterface<SeriesCase> {};

TEST_P(ReadoutRoundTrip, ReportOfEveryParameterReadsBackWithNothingDiffering) {
    const SeriesCase c = GetParam();
    const SeriesCatalogue& catalogue = *catalogueFor(c.name);
    connectAndSelect(7, c.series, c.rating);
    fillRegisters(*h.bus.drive(7), catalogue);

    ASSERT_EQ(readAll(), ReadoutPhase::Complete);
    const ParameterReport read = report();
    ASSERT_EQ(read.words.size(), catalogue.entries.size());
    for (std::size_t g = 0; g < catalogue.groups.size(); ++g) {
        for (int row = 0; row < catalogue.groups[g].count; ++row) {
            ASSERT_EQ(read.words[static_cast<std::size_t>(catalogue.groups[g].first + row)],
                      h.bus.drive(7)->holdingRegister(registerOf(static_cast<int>(g), row)))
                << catalogue.groups[g].label << " row " << row;
        }
    }

    const std::string path = ::testing::TempDir() + "velkaro_readout_" + c.name + ".csv";
    ASSERT_TRUE(writeParameterReport(path, read).ok);
    ParameterReport back;
    const ReportFileResult loaded = readParameterReport(path, back);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(back.driveName, read.driveName);
    const ParameterComparison same = compareParameters(parameterSetOf(read), parameterSetOf(back));
    ASSERT_TRUE(same.ok) << same.error;
    EXPECT_TRUE(same.differences.empty());
    EXPECT_EQ(same.equal, static_cast<int>(catalogue.entries.size()));
    std::remove(path.c_str());

    auto s = h.link.lock();
    EXPECT_FALSE(s->transferBusy);
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_EQ(s->progress.position, static_cast<int>(catalogue.groups.size()));
    EXPECT_EQ(s->selectedGroup, 0); // the panel's group, given back
    EXPECT_TRUE(h.messages.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(EverySeries, ReadoutRoundTrip,
                         ::testing::Values(SeriesCase{Series::QD10, "QD10", 75},
                                           SeriesCase{Series::QD20, "QD20", 6},
                                           SeriesCase{Series::QD30, "QD30", 750},
                                           SeriesCase{Series::QD40, "QD40", 1850}));

TEST_F(ReadoutTest, TwoChangedParametersAreListedWithBothValues) {
    connectAndSelect(3, Series::QD30, 750);
    ASSERT_EQ(readAll(), ReadoutPhase::Complete);
    const ParameterReport before = report();
    // F0-05 is signed with three decimals; F0-09 is 10.0 s with one decimal.
    h.bus.drive(3)->setHoldingRegister(registerOf(0, 5), static_cast<uint16_t>(-250));
    h.bus.drive(3)->setHoldingRegister(registerOf(0, 9), 155);
    ASSERT_EQ(readAll(), ReadoutPhase::Complete);

    const ParameterComparison c =
        compareParameters(parameterSetOf(before), parameterSetOf(report()));
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(c.differences.size(), 2u);
    EXPECT_EQ(c.differences[0].code, "F0-05");
    EXPECT_EQ(c.differences[0].leftValue, "0.000");
    EXPECT_EQ(c.differences[0].rightValue, "-0.250");
    EXPECT_EQ(c.differences[1].code, "F0-09");
    EXPECT_EQ(c.differences[1].name, "加速时间1");
    EXPECT_EQ(c.differences[1].rightValue, "15.5s");
    EXPECT_EQ(c.equal, 812 - 2);
}

TEST_F(ReadoutTest, Qd30SavFileMatchesItsDriveOnTheEntriesItHolds) {
    const int slot = connectAndSelect(4, Series::QD30, 750);
    fillRegisters(*h.bus.drive(4), *catalogueFor("QD30"));
    const std::string path = ::testing::TempDir() + "velkaro_readout_qd30.sav";
    {
        auto s = h.link.lock();
        s->parameterFilePath = path;
        s->transferBusy = true;
        s->transferCursor = 0;
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::Export;
    }
    ASSERT_GE(h.runUntil([](LinkState& s) { return !s.transferBusy; }, 400000), 0);
    // One stored parameter and one the file leaves out (F0-13, the rating) change.
    h.bus.drive(4)->setHoldingRegister(registerOf(1, 2), 4000);
    h.bus.drive(4)->setHoldingRegister(registerOf(0, 13), 1);
    ASSERT_EQ(readAll(), ReadoutPhase::Complete);

    std::string error;
    const auto sav = loadParameterSet(path, error);
    ASSERT_TRUE(sav) << error;
    const ParameterComparison c = compareParameters(parameterSetOf(report()), *sav);
    ASSERT_TRUE(c.ok) << c.error;
    ASSERT_EQ(c.differences.size(), 1u);
    EXPECT_EQ(c.differences[0].code, "F1-02");
    EXPECT_EQ(c.equal, 633 - 1);
    std::remove(path.c_str());
}

TEST_F(ReadoutTest, DriveDroppingMidReadEndsWithOneMessageAndGivesEverythingBack) {
    connectAndSelect(5, Series::QD40, 1850);
    {
        auto s = h.link.lock();
        s->selectedGroup = 3; // the panel shows F2
        s->groupValues.fill(77);
        ASSERT_EQ(startReadout(*s), "");
    }
    ASSERT_GE(h.runUntil([](LinkState& s) { return s.readout.group >= 4; }, 400000), 0);
    h.bus.drive(5)->faults().silent = true;
    ASSERT_GE(h.runUntil([](LinkState& s) { return !s.readout.running(); }, 400000), 0);
    h.run(3000);

    ASSERT_EQ(h.messages.texts(),
              (std::vector<std::string>{"通讯原因导致参数读取失败！功能组F3未能读出。"}));
    auto s = h.link.lock();
    EXPECT_EQ(s->readout.phase, ReadoutPhase::Failed);
    EXPECT_TRUE(s->readout.words.empty());
    EXPECT_FALSE(s->transferBusy);
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_EQ(s->selectedGroup, 3);
    EXPECT_EQ(s->groupValues[0], 77);
}

TEST_F(ReadoutTest, ReadoutIsCutWhenItsDriveIsNoLongerSelected) {
    connectAndSelect(6, Series::QD20, 6);
    {
        auto s = h.link.lock();
        ASSERT_EQ(startReadout(*s), "");
        // A second read, an export or import cannot start meanwhile.
        EXPECT_EQ(startReadout(*s), kReadoutUnderWay);
    }
    h.run(300);
    h.link.lock()->selectedSlot = -1; // the drive list was rebuilt
    h.run(5);
    EXPECT_EQ(h.messages.texts(), (std::vector<std::string>{std::string(kReadoutCut)}));
    auto s = h.link.lock();
    EXPECT_EQ(s->readout.phase, ReadoutPhase::Failed);
    EXPECT_FALSE(s->transferBusy);
    EXPECT_EQ(startReadout(*s), kReadoutNoDrive);
}

TEST_F(ReadoutTest, OtherDrivesKeepTheirPollsAndCommandsDuringTheRead) {
    const int other = h.connect(2, Series::QD30, 750);
    connectAndSelect(9, Series::QD40, 1850);
    {
        auto s = h.link.lock();
        ASSERT_EQ(startReadout(*s), "");
    }
    uint32_t pollsBefore = h.link.lock()->statusReadCount[static_cast<std::size_t>(other)];
    int commandTicks = -1;
    for (int t = 0; t < 60000 && h.link.lock()->readout.running(); ++t) {
        if (t % 100 == 0) {
            h.link.queueStatusPolls();
        }
        if (t == 1500) {
            h.link.lock()->table.slots[static_cast<std::size_t>(other)].controlSet[0] = 0x001F;
        }
        if (t > 1500 && commandTicks < 0) {
            const DriveRecord& d = h.link.lock()->table.slots[static_cast<std::size_t>(other)];
            if (d.controlAck == d.controlSet) {
                commandTicks = t - 1500;
            }
        }
        h.step();
    }
    EXPECT_EQ(h.link.lock()->readout.phase, ReadoutPhase::Complete);
    // The QD40 read takes about five seconds: the other drive is still
    // polled every turn, and a motor command waits for no more than the
    // group under way, its own status read and one more group.
    EXPECT_GE(h.link.lock()->statusReadCount[static_cast<std::size_t>(other)] - pollsBefore, 3u);
    EXPECT_GE(commandTicks, 0);
    EXPECT_LT(commandTicks, 800);
}

} // namespace
} // namespace velkaro::testing
