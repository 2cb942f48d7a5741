#include "files/parameter_compare.h"
#include "link/drive_link.h"
#include "registry/catalogue.h"
#include "sim/bus_simulator.h"
#include "sim/memory_transport.h"
#include "support/recording_messages.h"

#include "ui/comparison_model.h"
#include "ui/comparison_window.h"
#include "ui/parameter_report_commands.h"
#include "ui/parameter_transfer.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QTableView>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velkaro {
namespace {

namespace fs = std::filesystem;

/// The two menu commands on a station link over a simulated bus.
class ReportCommandsTest : public ::testing::Test {
protected:
    ReportCommandsTest()
        : transport(bus), link(transport, messages), commands(&window, link, messages) {
        EXPECT_TRUE(link.openLink().ok);
        folder = fs::temp_directory_path() /
                 ("velkaro-report-ui-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    ~ReportCommandsTest() override { fs::remove_all(folder); }

    QString path(const char* name) const {
        return QString::fromStdString((folder / name).string());
    }

    bool tickUntil(const std::function<bool(LinkState&)>& done) {
        for (int i = 0; i < 200000 && !done(*link.lock()); ++i) {
            link.tick();
            transport.advanceTick();
        }
        return done(*link.lock());
    }
    /// Runs the link until the readout has ended, then lets the commands take it.
    void finishReadout() {
        ASSERT_TRUE(tickUntil([](LinkState& s) { return !s.readout.running(); }));
        commands.collectReadout();
    }
    void connectAndSelect(int address, sim::Series series, int rating) {
        bus.addDrive(address, series, rating);
        link.lock()->searchNextAddress = address;
        link.lock()->searchRemaining = 1;
        ASSERT_TRUE(tickUntil([](LinkState& s) {
            return s.table.driveCount == 1 && s.table.slots[0].pendingOp == OpCode::None;
        }));
        link.lock()->selectedSlot = 0;
    }
    void report(const QString& file) {
        commands.setSaveFileChooser([file](const QString&) { return file; });
        commands.reportParameters();
        finishReadout();
    }
    void compareWith(QStringList files) {
        commands.setOpenFilesChooser([files] { return files; });
        commands.compareParameters();
        finishReadout();
    }

    sim::BusSimulator bus;
    sim::MemoryTransport transport;
    testing::RecordingMessages messages;
    DriveLink link;
    QWidget window;
    ParameterReportCommands commands;
    fs::path folder;
};

TEST_F(ReportCommandsTest, ReportThenCompareShowsTheTwoChangedParametersInTheWindow) {
    connectAndSelect(3, sim::Series::QD30, 750);
    report(path("before.csv"));
    ASSERT_TRUE(messages.texts().empty()) << messages.last().text;
    ParameterReport written;
    ASSERT_TRUE(readParameterReport(path("before.csv").toStdString(), written).ok);
    EXPECT_EQ(written.driveName, "3#QD30-7.50");

    bus.drive(3)->setHoldingRegister(registerOf(0, 0), 4550);
    bus.drive(3)->setHoldingRegister(registerOf(4, 1), 120);
    compareWith({path("before.csv")});
    ComparisonWindow* shown = commands.comparisonWindow();
    ASSERT_NE(shown, nullptr);
    QAbstractItemModelTester tester(shown->table()->model(),
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    EXPECT_EQ(shown->summary()->text(), QStringLiteral("2 项不同，810 项相同"));
    EXPECT_EQ(shown->visibleText(),
              QStringLiteral("功能组\t功能号\t参数名称\t3#QD30-7.50\tbefore.csv\n"
                             "F0\tF0-00\t数字给定频率\t45.50Hz\t50.00Hz\n"
                             "F4\tF4-01\tAI1下限对应设定\t12.0%\t0.0%\n"));

    // Sorted by name the other way round, then filtered to one group.
    shown->table()->sortByColumn(ComparisonModel::NameColumn, Qt::AscendingOrder);
    EXPECT_TRUE(
        shown->visibleText().contains(QStringLiteral("F4-01\tAI1下限对应设定\t12.0%\t0.0%\nF0\t")));
    shown->setGroupFilter(QStringLiteral("F4"));
    EXPECT_EQ(shown->table()->model()->rowCount(), 1);
    EXPECT_EQ(shown->groupSelector()->currentText(), QStringLiteral("F4"));
    shown->copyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), shown->visibleText());
    shown->setSaveFileChooser([this] { return path("diff.csv"); });
    shown->saveAsCsv();
    std::ifstream in(path("diff.csv").toStdString(), std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(saved, "\xEF\xBB\xBF功能组,功能号,参数名称,3#QD30-7.50,before.csv\r\n"
                     "F4,F4-01,AI1下限对应设定,12.0%,0.0%\r\n"
                     "2 项不同，810 项相同\r\n");
}

TEST_F(ReportCommandsTest, FileOfAnotherSeriesIsRefusedBeforeAnythingIsRead) {
    connectAndSelect(4, sim::Series::QD40, 1850);
    ParameterImage image{};
    image[0] = 0x83;
    image[1] = 0x70;
    ASSERT_TRUE(writeParameterFile(path("qd30.sav").toStdString(), image, 1270).ok);
    commands.setOpenFilesChooser([this] { return QStringList{path("qd30.sav")}; });
    commands.compareParameters();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"机型错误！请确认导入参数与变频器机型一致。"}));
    EXPECT_FALSE(link.lock()->transferBusy);
    EXPECT_EQ(commands.comparisonWindow(), nullptr);
}

TEST_F(ReportCommandsTest, NoExportStartsWhileTheDriveIsBeingRead) {
    connectAndSelect(5, sim::Series::QD30, 750);
    commands.setSaveFileChooser([this](const QString&) { return path("r.csv"); });
    commands.reportParameters();
    ParameterTransfer transfer(&window, link, messages);
    transfer.setSaveFileChooser([this] { return path("x.sav"); });
    transfer.exportParameters();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{std::string(kReadoutUnderWay)}));
    EXPECT_EQ(link.lock()->table.slots[0].pendingOp == OpCode::Export, false);
    finishReadout();
    EXPECT_TRUE(fs::exists(path("r.csv").toStdString()));
}

} // namespace
} // namespace velkaro
