// "通讯诊断..." over simulated drives being polled: the counters table writes
// only what changed, the traffic list keeps the newest 10,000 frames with
// pause, clear and a drive filter, and saving names the file and the reason
// when it cannot.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>

#include "support/link_harness.h"
#include "support/temp_dir.h"
#include "ui/link_counters_model.h"
#include "ui/link_diagnostics_window.h"
#include "ui/station_link.h"
#include "ui/traffic_model.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

class LinkDiagnosticsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sim.connectDrives(1, 2), 2);
        window = std::make_unique<LinkDiagnosticsWindow>(nullptr, station, sim.messages);
        counterCheck = std::make_unique<QAbstractItemModelTester>(
            window->countersModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        trafficCheck = std::make_unique<QAbstractItemModelTester>(
            window->trafficModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QString cell(QAbstractItemModel* model, int row, int column) {
        return model->index(row, column).data().toString();
    }
    /// Status reads of the drive in `slot` until the link has recorded
    /// `count` more frames (a read and its answer are two).
    void record(int count, int slot) {
        const uint64_t until = sim.link.snapshot().framesWritten + static_cast<uint64_t>(count);
        while (sim.link.snapshot().framesWritten < until) {
            poll(slot);
        }
    }
    /// One status read of the drive in `slot`, answered.
    void poll(int slot) {
        const RequestId id = sim.submit(sim.link.targetOfSlot(slot), StatusPoll{});
        const std::optional<Outcome> read = sim.await(id);
        ASSERT_TRUE(read && read->confirmed());
        // The drive's turn ends on the next tick; a read asked for before
        // then would wait for the next status pass.
        sim.step();
    }

    SimLink sim;
    StationLink station{sim.link, sim.messages};
    std::unique_ptr<LinkDiagnosticsWindow> window;
    std::unique_ptr<QAbstractItemModelTester> counterCheck;
    std::unique_ptr<QAbstractItemModelTester> trafficCheck;
};

TEST_F(LinkDiagnosticsWindowTest, CountersTableWritesOnlyTheCellsThatChanged) {
    LinkCountersModel* model = window->countersModel();
    window->refresh();
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(cell(model, 2, LinkCountersModel::NameColumn), "地址搜寻");
    const std::size_t first = model->cellWrites();

    window->refresh(); // nothing happened on the bus
    EXPECT_EQ(model->cellWrites(), first);

    // One status read of the first drive: its requests, answers, reply times
    // and last answer may change, nothing of the other rows.
    const QString requestsBefore = cell(model, 1, LinkCountersModel::RequestsColumn);
    poll(0);
    window->refresh();
    const std::size_t written = model->cellWrites() - first;
    EXPECT_GE(written, 2u);
    EXPECT_LE(written, 7u);
    EXPECT_EQ(cell(model, 1, LinkCountersModel::RequestsColumn), requestsBefore);

    window->resetCounters();
    EXPECT_EQ(cell(model, 0, LinkCountersModel::RequestsColumn), "0");
    EXPECT_EQ(cell(model, 0, LinkCountersModel::LastAnswerColumn), "");
}

TEST_F(LinkDiagnosticsWindowTest, TrafficListKeepsTheNewestAndFollowsPauseClearAndFilter) {
    TrafficModel* traffic = window->trafficModel();
    window->refresh();
    const int seen = traffic->rowCount();
    ASSERT_GT(seen, 0); // the search and the first control reads
    EXPECT_EQ(cell(traffic, 0, TrafficModel::DriveColumn), "地址搜寻");

    record(TrafficModel::kKeptRows, 0);
    record(6, 1);
    window->refresh();
    EXPECT_EQ(traffic->keptRows(), TrafficModel::kKeptRows);
    const int last = traffic->rowCount() - 1;
    // The last read of drive 2 and its answer.
    EXPECT_EQ(cell(traffic, last - 1, TrafficModel::DriveColumn), "2#QD20-11.00");
    EXPECT_EQ(cell(traffic, last - 1, TrafficModel::DirectionColumn), "TX");
    EXPECT_TRUE(
        cell(traffic, last - 1, TrafficModel::BytesColumn).startsWith("02 03 32 10 00 10 "));
    EXPECT_EQ(cell(traffic, last - 1, TrafficModel::SummaryColumn), "读 0x3210 ×16");
    EXPECT_EQ(cell(traffic, last, TrafficModel::DriveColumn), "2#QD20-11.00");
    EXPECT_EQ(cell(traffic, last, TrafficModel::DirectionColumn), "RX");

    traffic->setDriveFilter("2#QD20-11.00");
    EXPECT_EQ(traffic->rowCount(), 6);
    traffic->setDriveFilter({});

    window->pauseButton()->click();
    record(4, 1);
    window->refresh();
    EXPECT_EQ(traffic->rowCount(), static_cast<int>(TrafficModel::kKeptRows));
    window->pauseButton()->click(); // what came meanwhile follows on
    window->refresh();
    EXPECT_EQ(cell(traffic, traffic->rowCount() - 1, TrafficModel::DriveColumn), "2#QD20-11.00");

    traffic->clear();
    EXPECT_EQ(traffic->rowCount(), 0);
    record(2, 0);
    window->refresh();
    EXPECT_EQ(traffic->rowCount(), 2);
}

TEST_F(LinkDiagnosticsWindowTest, SavingWritesTheShownLinesOrNamesFileAndReason) {
    TempDir folder;
    window->refresh();
    window->trafficModel()->setDriveFilter("地址搜寻");
    const QString good = QString::fromStdString(folder.file("traffic.txt"));
    ASSERT_TRUE(window->saveTrafficTo(good));
    const std::string text = fileText(folder.file("traffic.txt"));
    EXPECT_EQ(text, window->trafficModel()->shownText());
    EXPECT_NE(text.find("\tTX\t地址搜寻\t01 08 00 00 37 DA"), std::string::npos) << text;

    const std::string bad = folder.file("missing/traffic.txt");
    EXPECT_FALSE(window->saveTrafficTo(QString::fromStdString(bad)));
    ASSERT_EQ(sim.messages.count(), 1u);
    EXPECT_NE(sim.messages.last().text.find(bad), std::string::npos) << sim.messages.last().text;
    EXPECT_NE(sim.messages.last().text.find("”："), std::string::npos) << sim.messages.last().text;
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
