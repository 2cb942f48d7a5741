#include "bus/export_import_commands.h"

#include "bus/report_commands.h"

#include "link/drive_link.h"
#include "registry/catalogue.h"
#include "sim/bus_simulator.h"
#include "sim/drive_faults.h"
#include "sim/memory_transport.h"
#include "sim/rtu_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "support/sav_file.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

/// The console run on a simulated bus: the tick and the wire move one
/// millisecond each time the run lets time pass.
class TransferRunTest : public ::testing::Test {
protected:
    TransferRunTest() : transport(bus), messages(nullptr), link(transport, messages) {
        EXPECT_TRUE(link.openLink().ok);
    }

    /// `interruptAfter`: Ctrl-C comes once the drives have seen that many
    /// frames of the transfer's kind (reads for an export, writes for an import).
    TransferOutcome run(TransferKind kind, int address, const std::string& file,
                        int interruptAfter = -1) {
        TransferRequest request;
        request.kind = kind;
        request.device = "memory";
        request.address = address;
        request.file = file;
        std::atomic<bool> interrupt{false};
        const uint8_t function = kind == TransferKind::Import ? 0x10 : 0x03;
        return runTransfer(
            link, request,
            [&] {
                if (interruptAfter >= 0 && framesSeen(function) >= interruptAfter) {
                    interrupt = true;
                }
                link.tick();
                transport.advanceTick();
            },
            &interrupt);
    }
    int framesSeen(uint8_t function) const {
        int n = 0;
        for (const auto& frame : transport.framesSent()) {
            n += frame.size() > 1 && frame[1] == function ? 1 : 0;
        }
        return n;
    }
    std::string path(const std::string& name) const { return folder.file(name); }

    sim::BusSimulator bus;
    sim::MemoryTransport transport;
    ConsoleMessages messages;
    DriveLink link;
    testing::TempDir folder;
};

TEST_F(TransferRunTest, FailuresEndWithNonZeroStatusAndTheirMessage) {
    bus.addDrive(2, sim::Series::QD20, 6);
    const TransferOutcome empty = run(TransferKind::Export, 7, path("none.sav"));
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_EQ(empty.message, "地址7上没有找到变频器。");

    const TransferOutcome unsupported = run(TransferKind::Export, 2, path("qd20.sav"));
    EXPECT_EQ(unsupported.exitStatus, 1);
    EXPECT_EQ(unsupported.message, "对不起！该系列变频器不支持该功能");
    EXPECT_FALSE(fs::exists(path("qd20.sav")));
    EXPECT_TRUE(messages.texts().empty()) << "the outcome says it, not a second message";
}

TEST_F(TransferRunTest, ImportRoundTripStoresToEepromBeforeReturning) {
    sim::SimulatedDrive& drive = bus.addDrive(3, sim::Series::QD30, 750);
    drive.setHoldingRegister(registerOf(4, 10), 1111);
    ASSERT_EQ(run(TransferKind::Export, 3, path("qd30.sav")).exitStatus, 0);
    drive.setHoldingRegister(registerOf(4, 10), 2222);

    const TransferOutcome outcome = run(TransferKind::Import, 3, path("qd30.sav"));
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.message;
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_EQ(drive.holdingRegister(registerOf(4, 10)), 1111);
    EXPECT_EQ(drive.eepromStoreCount(), 1);
}

TEST_F(TransferRunTest, ImportWhoseStoreIsRefusedSaysTheParametersAreWrittenButNotStored) {
    sim::SimulatedDrive& drive = bus.addDrive(3, sim::Series::QD30, 750);
    drive.setHoldingRegister(registerOf(4, 10), 1111);
    ASSERT_EQ(run(TransferKind::Export, 3, path("qd30.sav")).exitStatus, 0);
    drive.setHoldingRegister(registerOf(4, 10), 2222);
    drive.faults().refusal = *sim::parseRefusal("store:4");

    const TransferOutcome outcome = run(TransferKind::Import, 3, path("qd30.sav"));
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.message,
              "变频器 3#QD30-7.50 拒绝了命令：存储到EEPROM（异常 04 从站设备故障）。\n"
              "参数已写入，但变频器没有确认存储到EEPROM。");
    EXPECT_EQ(drive.holdingRegister(registerOf(4, 10)), 1111);
    EXPECT_EQ(drive.eepromStoreCount(), 0);
}

// Ctrl-C in the middle: the transfer stops between two chunks. An export
// leaves no file; an import tells how many parameters the drive now holds,
// and that they are not stored.
TEST_F(TransferRunTest, InterruptedTransferStopsBetweenChunksAndTellsWhatHappened) {
    sim::SimulatedDrive& drive = bus.addDrive(3, sim::Series::QD30, 750);
    const int status = 4; // echo, identification and control block reads come first
    const TransferOutcome exported = run(TransferKind::Export, 3, path("cut.sav"), status + 6);
    EXPECT_TRUE(exported.interrupted);
    EXPECT_EQ(exported.message, "数据导出被中断，参数文件未写入！");
    EXPECT_FALSE(fs::exists(path("cut.sav")));

    ASSERT_EQ(run(TransferKind::Export, 3, path("qd30.sav")).exitStatus, 0);
    const std::vector<long> saved = testing::savNumbers(path("qd30.sav"));
    drive.setHoldingRegister(registerOf(0, 1), 4321);
    link.clearTable();
    transport.clearFramesSent();
    const TransferOutcome imported = run(TransferKind::Import, 3, path("qd30.sav"), 5);
    EXPECT_TRUE(imported.interrupted);
    std::size_t written = 0;
    for (const auto& frame : transport.framesSent()) {
        if (frame[1] == 0x10) {
            written += static_cast<std::size_t>(frame[4] << 8 | frame[5]);
        }
    }
    EXPECT_GE(written, 5u);
    EXPECT_LT(written, saved.size()) << "stopped between two chunks, long before the end";
    EXPECT_EQ(imported.message, "数据导入被中断，参数未全部写入变频器！\n已有 " +
                                    std::to_string(written) +
                                    " 个参数写入变频器，没有存储到EEPROM。");
    EXPECT_EQ(drive.eepromStoreCount(), 0);
    EXPECT_NE(drive.holdingRegister(registerOf(0, 1)), 4321) << "what was written stays written";
}

TEST_F(TransferRunTest, ImportRefusesADefectiveFileBeforeUsingTheBusAndARunningDrive) {
    sim::SimulatedDrive& drive = bus.addDrive(3, sim::Series::QD30, 750);
    std::ofstream(path("bad.sav"), std::ios::binary) << "33648\r1270\r12\r";
    const TransferOutcome refused = run(TransferKind::Import, 3, path("bad.sav"));
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(refused.message.find("不完整"), std::string::npos) << refused.message;
    EXPECT_TRUE(transport.framesSent().empty());

    ASSERT_EQ(run(TransferKind::Export, 3, path("good.sav")).exitStatus, 0);
    // Started from its own keypad, as far as the station knows.
    std::vector<uint8_t> start{3, 0x06, 0x32, 0x00, 0x00, 0x1F};
    sim::appendCrc(start);
    ASSERT_TRUE(drive.serve(start.data(), start.size()));
    link.clearTable();
    transport.clearFramesSent();
    const TransferOutcome running = run(TransferKind::Import, 3, path("good.sav"));
    EXPECT_EQ(running.exitStatus, 1);
    EXPECT_EQ(running.message, "请停机后再进行该操作！");
    for (const auto& frame : transport.framesSent())
        EXPECT_NE(frame[1], 0x10) << "something was written";
}

// A readout whose replies stop checking midway is a failure that says which
// group, never a report with the values it could not trust.
TEST_F(TransferRunTest, ReadoutFailingMidwayIsNoReport) {
    const struct {
        const char* label;
        void (*spoil)(sim::DriveFaults&);
    } faults[] = {
        {"silent", [](sim::DriveFaults& f) { f.silent = true; }},
        {"broken CRC", [](sim::DriveFaults& f) { f.corruptCrcShare = 1.0; }},
        {"another address", [](sim::DriveFaults& f) { f.wrongAddress = 9; }},
    };
    sim::SimulatedDrive& drive = bus.addDrive(3, sim::Series::QD30, 750);
    for (const auto& fault : faults) {
        drive.faults() = sim::DriveFaults{};
        drive.clearRequestsSeen();
        link.clearTable();
        // The drive goes wrong once the second group is asked for.
        const DriveReadOutcome read = readWholeDrive(link, 3, "QD30", [&] {
            for (const auto& request : drive.requestsSeen()) {
                if (request[1] == 0x03 && request[2] == 0x01) {
                    fault.spoil(drive.faults());
                }
            }
            link.tick();
            transport.advanceTick();
        });
        EXPECT_FALSE(read.ok) << fault.label;
        EXPECT_EQ(read.message, "通讯原因导致参数读取失败！功能组F1未能读出。") << fault.label;
        EXPECT_TRUE(read.report.words.empty()) << fault.label;
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
