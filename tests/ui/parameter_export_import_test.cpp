#include "ui/parameter_export_import.h"

#include "files/parameter_file.h"
#include "registry/catalogue.h"
#include "support/link_harness.h"
#include "support/sav_file.h"
#include "support/temp_dir.h"
#include "ui/station_link.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;
using testing::RecordingMessages;
using testing::savNumbers;
using testing::savText;

const std::string kUnsupported = "对不起！该系列变频器不支持该功能";
const std::string kWrongModel = "机型错误！请确认导入参数与变频器机型一致。";

/// QD30 parameter-file groups: (group, registers in the file), in file order.
const std::vector<std::pair<int, int>> kQd30FileGroups{
    {0, 13}, {1, 40}, {2, 25},  {3, 27},  {4, 66},  {5, 18},  {6, 31},  {7, 29},
    {8, 99}, {9, 35}, {10, 16}, {11, 42}, {12, 47}, {13, 61}, {14, 75}, {15, 9}};

class ParameterExportImportTest : public ::testing::Test, protected testing::SimLink {
protected:
    ParameterExportImportTest() : transfer(&window, station, messages) {
        leaveOutcomes(); // the station takes them
        transfer.setShownGroup([] { return 0; });
    }

    std::string path(const std::string& name) const { return folder.file(name); }

    int connectAndSelect(int address, sim::Series series, int rating) {
        const int slot = connect(address, series, rating);
        EXPECT_GE(slot, 0);
        station.refresh();
        station.setSelectedSlot(slot);
        return slot;
    }

    /// Ticks until the transfer has ended and its outcome has been taken.
    void finishTransfer() {
        for (int i = 0; i < 60000 && !station.idle(); ++i) {
            run(1);
            station.takeOutcomes();
        }
        ASSERT_TRUE(station.idle());
        // The drive's turn ends on the next tick: a transfer asked for
        // before then would never start.
        step();
        station.refresh();
        EXPECT_FALSE(station.view().transferRunning);
    }
    void exportTo(const QString& chosen) {
        transfer.setSaveFileChooser([chosen] { return chosen; });
        transfer.exportParameters();
        finishTransfer();
    }
    void importFrom(const std::string& file) {
        transfer.setOpenFileChooser([file] { return QString::fromStdString(file); });
        transfer.importParameters();
        finishTransfer();
    }
    std::size_t writesSent() const {
        std::size_t writes = 0;
        for (const auto& frame : transport.framesSent())
            writes += frame.size() > 1 && frame[1] == 0x10;
        return writes;
    }
    /// A QD30 file whose value at file slot i is `value(i)`.
    std::string qd30File(const std::string& name, const std::function<long(int)>& value) {
        std::vector<long> words{33648, 1270};
        for (int i = 0; i < 633; ++i)
            words.push_back(value(i));
        std::ofstream(path(name), std::ios::binary) << savText(words);
        return path(name);
    }

    testing::TempDir folder;
    QWidget window;
    StationLink station{link, messages};
    ParameterExportImport transfer;
};

TEST_F(ParameterExportImportTest, ExportWritesEachSupportedSeriesAndRefusesTheOthers) {
    struct Case {
        sim::Series series;
        int rating;
        std::size_t words; // 0: refused
        long header;
    };
    int address = 1;
    for (const Case& c :
         {Case{sim::Series::QD10, 75, 102, 33616}, Case{sim::Series::QD30, 750, 635, 33648},
          Case{sim::Series::QD20, 6, 0, 0}, Case{sim::Series::QD40, 750, 0, 0}}) {
        link.clearTable();
        messages.clear();
        connectAndSelect(address, c.series, c.rating);
        sim::SimulatedDrive& drive = *bus.drive(address);
        drive.setHoldingRegister(registerOf(0, 1), 0xFFFF);
        const std::string file = path("drive" + std::to_string(address) + ".sav");
        exportTo(QString::fromStdString(file));
        ++address;

        if (c.words == 0) {
            EXPECT_EQ(messages.messages(),
                      (std::vector<RecordingMessages::Message>{{kUnsupported, "信息提示", false}}));
            EXPECT_FALSE(fs::exists(file));
            continue;
        }
        EXPECT_EQ(messages.count(), 0u) << messages.last().text;
        const std::vector<long> numbers = savNumbers(file);
        ASSERT_EQ(numbers.size(), c.words);
        EXPECT_EQ(numbers[0], c.header);
        EXPECT_EQ(numbers[1], static_cast<long>(2 * c.words));
        EXPECT_EQ(numbers[3], 65535);
        if (c.series == sim::Series::QD10) {
            for (int reg = 0; reg < 100; ++reg)
                EXPECT_EQ(numbers[2 + reg], drive.holdingRegister(static_cast<uint16_t>(reg)));
        } else {
            int at = 2;
            for (const auto& [group, count] : kQd30FileGroups)
                for (int row = 0; row < count; ++row, ++at)
                    EXPECT_EQ(numbers[at], drive.holdingRegister(registerOf(group, row)))
                        << "group " << group << " row " << row;
        }
    }
}

TEST_F(ParameterExportImportTest, ExportTwiceKeepsOnlyTheSecondImage) {
    connectAndSelect(1, sim::Series::QD10, 75);
    exportTo(QString::fromStdString(path("twice.sav")));
    bus.drive(1)->setHoldingRegister(registerOf(0, 0), 4321);
    exportTo(QString::fromStdString(path("twice.sav")));
    const std::vector<long> numbers = savNumbers(path("twice.sav"));
    ASSERT_EQ(numbers.size(), 102u);
    EXPECT_EQ(numbers[2], 4321);
}

TEST_F(ParameterExportImportTest, ChosenNameGetsSavOnlyWithoutExtensionAndCancelDoesNothing) {
    EXPECT_EQ(ParameterExportImport::withSavExtension("/d/backup"), "/d/backup.sav");
    EXPECT_EQ(ParameterExportImport::withSavExtension("/d/backup.txt"), "/d/backup.txt");
    EXPECT_EQ(ParameterExportImport::withSavExtension("/d.x/backup"), "/d.x/backup.sav");

    connectAndSelect(1, sim::Series::QD10, 75);
    exportTo(QString::fromStdString(path("backup")));
    EXPECT_EQ(savNumbers(path("backup.sav")).size(), 102u);
    exportTo(QString::fromStdString(path("backup.txt")));
    EXPECT_EQ(savNumbers(path("backup.txt")).size(), 102u);

    transfer.setSaveFileChooser([] { return QString(); });
    transfer.exportParameters();
    EXPECT_TRUE(station.idle());
    EXPECT_FALSE(link.snapshot().transferRunning);
}

TEST_F(ParameterExportImportTest, ImportRoundTripRestoresTheRegistersAndStoresOnce) {
    connectAndSelect(1, sim::Series::QD30, 750);
    sim::SimulatedDrive& drive = *bus.drive(1);
    drive.setAllowedRange(registerOf(1, 0), -32768, 32767);
    drive.setHoldingRegister(registerOf(1, 0), 0xFFFF); // -1 in a signed parameter
    exportTo(QString::fromStdString(path("round.sav")));
    const std::vector<long> saved = savNumbers(path("round.sav"));
    ASSERT_EQ(saved.size(), 635u);
    EXPECT_EQ(saved[2 + 13], 65535);

    // The parameters drift away from the backup.
    for (const auto& [group, count] : kQd30FileGroups)
        for (int row = 0; row < count; ++row)
            drive.setHoldingRegister(registerOf(group, row), static_cast<uint16_t>(7 + row));

    transport.clearFramesSent();
    int imports = 0;
    QObject::connect(&transfer, &ParameterExportImport::imported, [&] { ++imports; });
    importFrom(path("round.sav"));
    EXPECT_EQ(messages.count(), 0u) << messages.last().text;
    EXPECT_EQ(imports, 1);
    int at = 2;
    for (const auto& [group, count] : kQd30FileGroups)
        for (int row = 0; row < count; ++row, ++at) {
            const long expected = group == 15 ? 7 + row : saved[at]; // FF is never written back
            EXPECT_EQ(drive.holdingRegister(registerOf(group, row)), expected)
                << "group " << group << " row " << row;
        }
    EXPECT_EQ(drive.holdingRegister(registerOf(1, 0)), 0xFFFF);
    EXPECT_EQ(drive.eepromStoreCount(), 1);
}

TEST_F(ParameterExportImportTest, ImportIsRefusedForTheWrongModelSeriesOrARunningDrive) {
    std::vector<long> qd10Words{33616, 204};
    qd10Words.resize(102, 3);
    std::ofstream(path("qd10.sav"), std::ios::binary) << savText(qd10Words);
    const std::string qd30 = qd30File("qd30.sav", [](int) { return 5; });

    const int slot = connectAndSelect(1, sim::Series::QD30, 750);
    transport.clearFramesSent();
    importFrom(path("qd10.sav"));
    EXPECT_EQ(messages.messages(),
              (std::vector<RecordingMessages::Message>{{kWrongModel, "信息提示", false}}));
    EXPECT_EQ(writesSent(), 0u);

    // Running (status bit 2, as the drive reports it): refused before anything
    // is asked of the link.
    messages.clear();
    bus.drive(1)->setHoldingRegister(0x3210, 0x0004);
    link.submit(station.targetOf(slot), StatusPoll{});
    ASSERT_GE(runUntilSeen([&](const LinkSnapshot& v) {
                  return (v.table.slots[static_cast<std::size_t>(slot)].status[0] & 0x0004) != 0;
              }),
              0);
    station.refresh();
    transfer.setOpenFileChooser([qd30] { return QString::fromStdString(qd30); });
    transfer.importParameters();
    EXPECT_EQ(messages.messages(), (std::vector<RecordingMessages::Message>{
                                       {"请停机后再进行该操作！", "信息提示", false}}));
    EXPECT_TRUE(station.idle());
    // The image holds the file all the same.
    EXPECT_EQ(transfer.image()[5], 5);
    run(1000);
    EXPECT_EQ(writesSent(), 0u);

    link.clearTable();
    messages.clear();
    connectAndSelect(2, sim::Series::QD10, 75);
    importFrom(qd30);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{kUnsupported});
}

TEST_F(ParameterExportImportTest, DefectiveFileIsRefusedWithItsProblemAndNothingSent) {
    connectAndSelect(1, sim::Series::QD30, 750);
    std::vector<long> shortWords{33648, 1270};
    shortWords.resize(400, 1);
    std::ofstream(path("short.sav"), std::ios::binary) << savText(shortWords);
    const std::string wide = qd30File("wide.sav", [](int i) { return i == 9 ? 70000 : 1; });

    for (const std::string& file : {path("short.sav"), wide}) {
        messages.clear();
        transport.clearFramesSent();
        importFrom(file);
        ASSERT_EQ(messages.count(), 1u);
        EXPECT_EQ(messages.last().caption, "信息提示");
        EXPECT_NE(messages.last().text.find(file), std::string::npos) << messages.last().text;
        EXPECT_TRUE(station.idle());
        run(1000);
        EXPECT_EQ(writesSent(), 0u);
    }
}

TEST_F(ParameterExportImportTest, NoSelectionOnlyRemembersTheFile) {
    const std::string file = qd30File("any.sav", [](int) { return 2; });
    transfer.setOpenFileChooser([file] { return QString::fromStdString(file); });
    transfer.importParameters();
    transfer.setSaveFileChooser([this] { return QString::fromStdString(path("out")); });
    transfer.exportParameters();
    EXPECT_TRUE(station.idle());
    EXPECT_EQ(transfer.image()[1], 0x70);
    EXPECT_EQ(messages.count(), 0u);
    run(500);
    EXPECT_FALSE(fs::exists(path("out.sav")));
}

TEST_F(ParameterExportImportTest, SecondTransferWhileOneRunsIsRefusedAndTheFirstCompletes) {
    connectAndSelect(1, sim::Series::QD30, 750);
    const std::string other = qd30File("other.sav", [](int) { return 9; });
    transfer.setSaveFileChooser([this] { return QString::fromStdString(path("first.sav")); });
    transfer.exportParameters();
    run(50); // under way

    transfer.setOpenFileChooser([other] { return QString::fromStdString(other); });
    transfer.importParameters();
    transfer.setSaveFileChooser([this] { return QString::fromStdString(path("second.sav")); });
    transfer.exportParameters();
    EXPECT_EQ(messages.texts(), std::vector<std::string>(2, std::string(kTransferUnderWay)));

    finishTransfer();
    const std::vector<long> numbers = savNumbers(path("first.sav"));
    ASSERT_EQ(numbers.size(), 635u);
    EXPECT_EQ(numbers[2], bus.drive(1)->holdingRegister(0)); // the drive's, not the other file's
    EXPECT_FALSE(fs::exists(path("second.sav")));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
