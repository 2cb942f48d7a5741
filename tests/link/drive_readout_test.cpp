// The whole-drive read against simulated drives: what it reads, how it shares
// the bus, how it fails, and the report and comparison made from it.

#include <gtest/gtest.h>

#include <cstdio>

#include "files/parameter_compare.h"
#include "link/drive_readout.h"
#include "link/master/link_operations.h"
#include "registry/catalogue.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;

class ReadoutTest : public ::testing::Test {
protected:
    int connect(int address, Series series, int rating) {
        const int slot = h.connect(address, series, rating);
        EXPECT_GE(slot, 0);
        m_address = address;
        return slot;
    }
    /// Reads the drive whole and runs until the read has ended; its result.
    Result readAll() {
        const RequestId id = h.submit(h.target(m_address), Readout{});
        const std::optional<Outcome> o = h.await(id, 400000);
        EXPECT_TRUE(o);
        m_last = o.value_or(Outcome{});
        return m_last.result;
    }
    ParameterReport report() { return readoutReport(m_last, "2024-05-01 08:00:00"); }

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
    int m_address = 0;
    Outcome m_last;
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
    connect(7, c.series, c.rating);
    fillRegisters(*h.bus.drive(7), catalogue);

    ASSERT_EQ(readAll(), Result::Confirmed);
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

    const LinkSnapshot v = h.link.snapshot();
    EXPECT_FALSE(v.transferRunning);
    EXPECT_EQ(v.activity, ActivityState::None);
    EXPECT_EQ(v.progress.position, static_cast<int>(catalogue.groups.size()));
    EXPECT_EQ(read.driveName, "7#" + std::string(c.name) + "-" +
                                  h.link.snapshot().drive(h.slotOfAddress(7))->ratedPower);
    EXPECT_TRUE(h.messages.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(EverySeries, ReadoutRoundTrip,
                         ::testing::Values(SeriesCase{Series::QD10, "QD10", 75},
                                           SeriesCase{Series::QD20, "QD20", 6},
                                           SeriesCase{Series::QD30, "QD30", 750},
                                           SeriesCase{Series::QD40, "QD40", 1850}));

TEST_F(ReadoutTest, TwoChangedParametersAreListedWithBothValues) {
    connect(3, Series::QD30, 750);
    ASSERT_EQ(readAll(), Result::Confirmed);
    const ParameterReport before = report();
    // F0-05 is signed with three decimals; F0-09 is 10.0 s with one decimal.
    h.bus.drive(3)->setHoldingRegister(registerOf(0, 5), static_cast<uint16_t>(-250));
    h.bus.drive(3)->setHoldingRegister(registerOf(0, 9), 155);
    ASSERT_EQ(readAll(), Result::Confirmed);

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
    connect(4, Series::QD30, 750);
    fillRegisters(*h.bus.drive(4), *catalogueFor("QD30"));
    const std::string path = ::testing::TempDir() + "velkaro_readout_qd30.sav";
    const std::optional<Outcome> exported = h.await(h.submit(h.target(4), Export{}), 400000);
    ASSERT_TRUE(exported && exported->image);
    ParameterImage image = *exported->image;
    ASSERT_TRUE(writeParameterFile(path, image, exported->imageLength).ok);
    // One stored parameter and one the file leaves out (F0-13, the rating) change.
    h.bus.drive(4)->setHoldingRegister(registerOf(1, 2), 4000);
    h.bus.drive(4)->setHoldingRegister(registerOf(0, 13), 1);
    ASSERT_EQ(readAll(), Result::Confirmed);

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
    connect(5, Series::QD40, 1850);
    const RequestId id = h.submit(h.target(5), Readout{});
    ASSERT_GE(
        h.runUntil([](LinkState& state) { return state.transfer && state.transfer->group >= 4; },
                   400000),
        0);
    h.bus.drive(5)->faults().silent = true;
    ASSERT_TRUE(h.await(id, 400000));
    h.run(3000);

    const Outcome o = *h.outcome(id);
    EXPECT_EQ(o.result, Result::TimedOut);
    EXPECT_EQ(o.message, "通讯原因导致参数读取失败！功能组F3未能读出。");
    EXPECT_TRUE(o.words.empty());
    EXPECT_TRUE(h.messages.messages().empty()); // the giver tells the operator
    const LinkSnapshot v = h.link.snapshot();
    EXPECT_FALSE(v.transferRunning);
    EXPECT_EQ(v.activity, ActivityState::None);
}

TEST_F(ReadoutTest, ASecondReadOrATransferCannotStartMeanwhileAndTheDriveLeavingCutsIt) {
    connect(6, Series::QD20, 6);
    const RequestId id = h.submit(h.target(6), Readout{});
    h.run(300);
    const std::optional<Outcome> second = h.await(h.submit(h.target(6), Readout{}), 1);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->result, Result::Refused);
    EXPECT_EQ(second->message, kReadoutUnderWay);
    const std::optional<Outcome> export_ = h.await(h.submit(h.target(6), Export{}), 1);
    ASSERT_TRUE(export_);
    EXPECT_EQ(export_->message, kReadoutUnderWay);
    ASSERT_TRUE(h.link.removeDrive(h.target(6).name));
    h.run(5);
    ASSERT_TRUE(h.outcome(id));
    EXPECT_EQ(h.outcome(id)->result, Result::Cancelled);
    EXPECT_EQ(h.outcome(id)->message, kReadoutCut);
    EXPECT_FALSE(h.link.snapshot().transferRunning);
}

TEST_F(ReadoutTest, OtherDrivesKeepTheirPollsAndCommandsDuringTheRead) {
    const int other = h.connect(2, Series::QD30, 750);
    connect(9, Series::QD40, 1850);
    const RequestId id = h.submit(h.target(9), Readout{});
    uint32_t pollsBefore = h.link.snapshot().statusReadCount[static_cast<std::size_t>(other)];
    int commandTicks = -1;
    RequestId run = 0;
    for (int t = 0; t < 60000 && !h.outcome(id); ++t) {
        if (t % 100 == 0) {
            h.link.queueStatusPolls();
        }
        if (t == 1500) {
            run = h.submit(h.target(2), Command::word(command_word::kRun));
        }
        if (t > 1500 && commandTicks < 0 && h.outcome(run)) {
            commandTicks = t - 1500;
        }
        h.step();
    }
    ASSERT_TRUE(h.outcome(id));
    EXPECT_EQ(h.outcome(id)->result, Result::Confirmed);
    // The QD40 read takes about five seconds: the other drive is still
    // polled every turn, and a motor command waits for no more than the
    // group under way, its own status read and one more group.
    EXPECT_GE(h.link.snapshot().statusReadCount[static_cast<std::size_t>(other)] - pollsBefore, 3u);
    EXPECT_GE(commandTicks, 0);
    EXPECT_LT(commandTicks, 800);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
