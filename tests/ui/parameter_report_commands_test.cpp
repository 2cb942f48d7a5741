#include "files/parameter_compare.h"
#include "registry/catalogue.h"
#include "support/link_harness.h"

#include "ui/comparison_model.h"
#include "ui/comparison_window.h"
#include "ui/parameter_export_import.h"
#include "ui/parameter_report_commands.h"
#include "ui/station_link.h"

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
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

/// The two menu commands on a station link over a simulated bus.
class ReportCommandsTest : public ::testing::Test, protected testing::SimLink {
protected:
    ReportCommandsTest() : commands(&window, station, messages) {
        leaveOutcomes(); // the station takes them
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

    /// Runs the link until the readout has ended and the commands have taken it.
    void finishReadout() {
        for (int i = 0; i < 200000 && !station.idle(); ++i) {
            run(1);
            station.takeOutcomes();
        }
        ASSERT_TRUE(station.idle());
    }
    void connectAndSelect(int address, sim::Series series, int rating) {
        const int slot = connect(address, series, rating);
        ASSERT_GE(slot, 0);
        station.refresh();
        station.setSelectedSlot(slot);
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

    StationLink station{link, messages};
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
    EXPECT_TRUE(station.idle());
    EXPECT_FALSE(link.snapshot().transferRunning);
    EXPECT_EQ(commands.comparisonWindow(), nullptr);
}

TEST_F(ReportCommandsTest, NoExportStartsWhileTheDriveIsBeingRead) {
    connectAndSelect(5, sim::Series::QD30, 750);
    commands.setSaveFileChooser([this](const QString&) { return path("r.csv"); });
    commands.reportParameters();
    ParameterExportImport transfer(&window, station, messages);
    transfer.setSaveFileChooser([this] { return path("x.sav"); });
    transfer.exportParameters();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{std::string(kReadoutUnderWay)}));
    finishReadout();
    EXPECT_TRUE(fs::exists(path("r.csv").toStdString()));
    run(2000);
    EXPECT_FALSE(fs::exists(path("x.sav").toStdString()));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
