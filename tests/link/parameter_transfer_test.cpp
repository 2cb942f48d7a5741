// Group reads, parameter writes, export and import against simulated drives,
// and the transfer failure paths against a scripted far end.

#include <gtest/gtest.h>

#include <cstdio>

#include "files/parameter_file.h"
#include "link/link_operations.h"
#include "registry/catalogue.h"
#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {

using sim::Series;

constexpr std::string_view kUnsupported = "对不起！该系列变频器不支持该功能";
constexpr std::string_view kImportRejected = "数据导入失败！可能是数据超出范围。";
constexpr std::string_view kImportNoAnswer = "通讯故障导致数据导入失败！";
constexpr std::string_view kExportNoAnswer = "通讯原因导致数据导出失败！";

struct Request {
    uint8_t function;
    uint16_t reg;
    uint16_t count;
};

std::vector<Request> requestsOf(const sim::SimulatedDrive& drive) {
    std::vector<Request> out;
    for (const auto& r : drive.requestsSeen()) {
        out.push_back({r[1], sim::wordAt(r.data(), 2), sim::wordAt(r.data(), 4)});
    }
    return out;
}

/// (group, position) of every register a QD30 parameter image holds, in order.
std::vector<std::pair<int, int>> qd30ImageRegisters(int lastGroup) {
    std::vector<std::pair<int, int>> out;
    for (int g = 0; g <= lastGroup; ++g) {
        const int size = g == 0 ? 13 : groupSize("QD30", g, SizePurpose::Transfer);
        for (int p = 0; p < size; ++p) {
            out.emplace_back(g, p);
        }
    }
    return out;
}

uint16_t imageWord(const ParameterImage& image, std::size_t index) {
    return static_cast<uint16_t>((image[4 + 2 * index] << 8) | image[5 + 2 * index]);
}

class TransferTest : public ::testing::Test {
protected:
    int connect(int address, Series series, int rating) {
        const int slot = h.connect(address, series, rating);
        EXPECT_GE(slot, 0);
        h.bus.drive(address)->clearRequestsSeen();
        auto s = h.link.lock();
        s->selectedSlot = slot;
        return slot;
    }
    void request(int slot, OpCode op) {
        auto s = h.link.lock();
        if (op == OpCode::Export || op == OpCode::Import) {
            s->transferBusy = true;
            s->transferCursor = 0;
        }
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = op;
    }
    /// Runs until the transfer gave back transferBusy and the scheduler is idle.
    void finishTransfer() {
        ASSERT_GE(
            h.runUntil([](LinkState& s) { return !s.transferBusy && s.currentOp == OpCode::None; },
                       400000),
            0);
    }
    std::string exportPath(const char* name) {
        const std::string path = ::testing::TempDir() + name;
        std::remove(path.c_str());
        auto s = h.link.lock();
        s->parameterFilePath = path;
        return path;
    }

    SimLink h;
};

TEST_F(TransferTest, GroupOf39IsReadAs30Then9) {
    const int slot = connect(2, Series::QD20, 6);
    {
        auto s = h.link.lock();
        s->selectedGroup = 6;
    }
    request(slot, OpCode::GroupRead);
    h.settle(slot);
    const auto reqs = requestsOf(*h.bus.drive(2));
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].reg, 0x0600);
    EXPECT_EQ(reqs[0].count, 30);
    EXPECT_EQ(reqs[1].reg, 0x061E);
    EXPECT_EQ(reqs[1].count, 9);
    auto s = h.link.lock();
    EXPECT_EQ(s->groupReadCount, 0);
    for (int i = 0; i < 39; ++i) {
        EXPECT_EQ(s->groupValues[static_cast<std::size_t>(i)],
                  h.bus.drive(2)->holdingRegister(static_cast<uint16_t>(0x0600 + i)))
            << i;
    }
}

TEST_F(TransferTest, ParameterWriteIsFollowedByAGroupReRead) {
    const int slot = connect(3, Series::QD30, 750);
    {
        auto s = h.link.lock();
        s->selectedGroup = 1;
        requestParameterWrite(*s, slot, {1, 3, 0x0103, 1234});
    }
    ASSERT_GE(h.runUntil([slot](LinkState& s) {
        return s.table.slots[static_cast<std::size_t>(slot)].pendingOp == OpCode::None &&
               s.currentOp == OpCode::None;
    }),
              0);
    const auto reqs = requestsOf(*h.bus.drive(3));
    // The write, then F1 (40) as 30 + 10, then the control block once more.
    ASSERT_EQ(reqs.size(), 4u);
    EXPECT_EQ(reqs[0].function, 0x10);
    EXPECT_EQ(reqs[0].reg, 0x0103);
    EXPECT_EQ(reqs[1].reg, 0x0100);
    EXPECT_EQ(reqs[2].reg, 0x011E);
    EXPECT_EQ(reqs[3].reg, 0x3200);
    EXPECT_EQ(h.bus.drive(3)->holdingRegister(0x0103), 1234);
    auto s = h.link.lock();
    EXPECT_EQ(s->groupValues[3], 1234);
}

TEST_F(TransferTest, Qd10ExportMakesA204ByteImageOfTheDrivesRegisters) {
    const int slot = connect(1, Series::QD10, 75);
    const std::string path = exportPath("velkaro_qd10.sav");
    request(slot, OpCode::Export);
    finishTransfer();
    const auto reqs = requestsOf(*h.bus.drive(1));
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].count, 50);
    EXPECT_EQ(reqs[1].reg, 50);
    auto s = h.link.lock();
    EXPECT_EQ(s->imageLength, 204);
    EXPECT_EQ(s->parameterImage[0], 0x83);
    EXPECT_EQ(s->parameterImage[1], 0x50);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(imageWord(s->parameterImage, i),
                  h.bus.drive(1)->holdingRegister(static_cast<uint16_t>(i)))
            << i;
    }
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_EQ(s->transferCursor, 0);
    ParameterImage fromFile{};
    ASSERT_TRUE(readParameterFile(path, fromFile).ok);
    EXPECT_TRUE(std::equal(fromFile.begin(), fromFile.begin() + 204, s->parameterImage.begin()));
    EXPECT_TRUE(h.messages.messages().empty());
}

TEST_F(TransferTest, Qd30ExportReadsGroups0To15WithGroup0As13) {
    const int slot = connect(4, Series::QD30, 750);
    exportPath("velkaro_qd30.sav");
    request(slot, OpCode::Export);
    bool sawProgress = false;
    ASSERT_GE(h.runUntil(
                  [&sawProgress](LinkState& s) {
                      sawProgress =
                          sawProgress || (s.activityState == ActivityState::Export &&
                                          s.progress.maximum == 15 && s.progress.position == 8);
                      return !s.transferBusy && s.currentOp == OpCode::None;
                  },
                  400000),
              0);
    EXPECT_TRUE(sawProgress);
    const auto reqs = requestsOf(*h.bus.drive(4));
    EXPECT_EQ(reqs.front().reg, 0x0000);
    EXPECT_EQ(reqs.front().count, 13);
    EXPECT_EQ(reqs.back().reg, 0x0F00);
    const auto registers = qd30ImageRegisters(15);
    ASSERT_EQ(registers.size(), 633u);
    auto s = h.link.lock();
    EXPECT_EQ(s->imageLength, 1270);
    EXPECT_EQ(s->parameterImage[1], 0x70);
    for (std::size_t i = 0; i < registers.size(); ++i) {
        const auto [g, p] = registers[i];
        ASSERT_EQ(imageWord(s->parameterImage, i),
                  h.bus.drive(4)->holdingRegister(registerOf(g, p)))
            << g << "/" << p;
    }
}

class ImportTest : public TransferTest {
protected:
    void SetUp() override {
        slot = connect(5, Series::QD30, 750);
        auto s = h.link.lock();
        s->parameterImage.fill(0);
        s->parameterImage[0] = 0x83;
        s->parameterImage[1] = 0x70;
        for (std::size_t i = 0; i < 633; ++i) {
            s->parameterImage[4 + 2 * i] = static_cast<uint8_t>((1000 + i) >> 8);
            s->parameterImage[5 + 2 * i] = static_cast<uint8_t>((1000 + i) & 0xFF);
        }
    }
    std::vector<Request> writes() {
        std::vector<Request> out;
        for (const Request& r : requestsOf(drive())) {
            if (r.function == 0x10 && r.reg < 0x3200) {
                out.push_back(r);
            }
        }
        return out;
    }
    sim::SimulatedDrive& drive() { return *h.bus.drive(5); }
    int slot = -1;
};

TEST_F(ImportTest, WritesGroups0To14InChunksOfAtMost10ThenStoresAndReReads) {
    {
        auto s = h.link.lock();
        s->selectedGroup = 0;
    }
    request(slot, OpCode::Import);
    finishTransfer();
    int total = 0;
    for (const Request& w : writes()) {
        EXPECT_LE(w.count, 10);
        total += w.count;
    }
    EXPECT_EQ(total, 624);
    const auto registers = qd30ImageRegisters(14);
    for (std::size_t i = 0; i < registers.size(); ++i) {
        const auto [g, p] = registers[i];
        ASSERT_EQ(drive().holdingRegister(registerOf(g, p)), 1000 + i) << g << "/" << p;
    }
    h.settle(slot);
    ASSERT_GE(h.runUntil([this](LinkState&) { return drive().eepromStoreCount() == 1; }), 0);
    EXPECT_TRUE(h.messages.messages().empty());
    auto s = h.link.lock();
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_EQ(s->groupValues[0], 1000); // F0 read back after the store was queued
}

TEST_F(ImportTest, BusyExceptionCountsAsWrittenAndTheSetIsStored) {
    drive().faults().rejectImportWithBusy = true;
    request(slot, OpCode::Import);
    finishTransfer();
    EXPECT_EQ(writes().size(), 69u); // F0 as 10 + 3, then 67 chunks for F1..FE
    h.settle(slot);
    ASSERT_GE(h.runUntil([this](LinkState&) { return drive().eepromStoreCount() == 1; }), 0);
    EXPECT_TRUE(h.messages.messages().empty());
}

TEST_F(ImportTest, OutOfRangeStopsTheImportWithoutStoring) {
    drive().setAllowedRange(registerOf(2, 4), 0, 10); // F2-04 will refuse 1000 + 57
    request(slot, OpCode::Import);
    finishTransfer();
    EXPECT_EQ(h.messages.texts(), std::vector<std::string>{std::string(kImportRejected)});
    EXPECT_EQ(h.messages.messages()[0].caption, "信息提示");
    EXPECT_EQ(writes().back().reg, registerOf(2, 0));
    h.run(3000);
    EXPECT_EQ(drive().eepromStoreCount(), 0);
    auto s = h.link.lock();
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_EQ(s->progress.position, 0);
    EXPECT_EQ(s->transferCursor, 0);
}

TEST_F(ImportTest, NoAnswerGivesTheCommunicationMessageAfter11Requests) {
    drive().faults().silent = true;
    request(slot, OpCode::Import);
    finishTransfer();
    EXPECT_EQ(h.messages.texts(), std::vector<std::string>{std::string(kImportNoAnswer)});
    EXPECT_EQ(writes().size(), 11u);
}

TEST_F(TransferTest, ExportWithoutAnswerGivesTheExportMessage) {
    const int slot = connect(6, Series::QD10, 75);
    h.bus.drive(6)->faults().silent = true;
    request(slot, OpCode::Export);
    finishTransfer();
    EXPECT_EQ(h.messages.texts(), std::vector<std::string>{std::string(kExportNoAnswer)});
    EXPECT_EQ(requestsOf(*h.bus.drive(6)).size(), 11u);
    auto s = h.link.lock();
    EXPECT_EQ(s->activityState, ActivityState::None);
}

TEST_F(TransferTest, ExportFileThatCannotBeCreatedIsReportedAndFreesTheTransfer) {
    const int slot = connect(7, Series::QD10, 75);
    {
        auto s = h.link.lock();
        s->parameterFilePath = "/nonexistent-folder/x.sav";
    }
    request(slot, OpCode::Export);
    finishTransfer();
    ASSERT_EQ(h.messages.messages().size(), 1u);
    EXPECT_EQ(h.messages.messages()[0].text,
              "/nonexistent-folder/x.sav不存在，请输入正确的文件名称");
    EXPECT_EQ(h.messages.messages()[0].caption, "信息提示");
}

// Series that cannot transfer get the message and no bus traffic.
struct UnsupportedCase {
    const char* name;
    Series series;
    int rating;
    OpCode op;
};
void PrintTo(const UnsupportedCase& c, std::ostream* os) {
    *os << c.name;
}

class UnsupportedTest : public TransferTest,
                        public ::testing::WithParamInterface<UnsupportedCase> {};

TEST_P(UnsupportedTest, RefusedWithTheSeriesMessage) {
    const UnsupportedCase& c = GetParam();
    const int slot = connect(8, c.series, c.rating);
    {
        auto s = h.link.lock();
        s->parameterImage[1] = 0x70;
    }
    request(slot, c.op);
    finishTransfer();
    ASSERT_EQ(h.messages.messages().size(), 1u);
    EXPECT_EQ(h.messages.messages()[0].text, kUnsupported);
    EXPECT_EQ(h.messages.messages()[0].caption, "信息提示");
    EXPECT_TRUE(requestsOf(*h.bus.drive(8)).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Series, UnsupportedTest,
    ::testing::Values(UnsupportedCase{"ExportQd20", Series::QD20, 6, OpCode::Export},
                      UnsupportedCase{"ExportQd40", Series::QD40, 750, OpCode::Export},
                      UnsupportedCase{"ImportQd10", Series::QD10, 75, OpCode::Import},
                      UnsupportedCase{"ImportQd20", Series::QD20, 6, OpCode::Import},
                      UnsupportedCase{"ImportQd40", Series::QD40, 750, OpCode::Import}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportTest, ImageOfAnotherModelIsRefused) {
    {
        auto s = h.link.lock();
        s->parameterImage[1] = 0x50;
    }
    request(slot, OpCode::Import);
    finishTransfer();
    EXPECT_EQ(h.messages.texts(),
              std::vector<std::string>{"机型错误！请确认导入参数与变频器机型一致。"});
    EXPECT_TRUE(writes().empty());
}

// Answers the design would ask again without bound now cost a retry each.
struct EndlessCase {
    const char* name;
    OpCode op;
    std::string series;
    ScriptedPort::Responder responder;
    std::string_view message;
};
void PrintTo(const EndlessCase& c, std::ostream* os) {
    *os << c.name;
}

class EndlessAnswerTest : public ::testing::TestWithParam<EndlessCase> {};

TEST_P(EndlessAnswerTest, EndsWithItsFailureAfterTheRetries) {
    const EndlessCase& c = GetParam();
    ScriptedPort port;
    LinkHarness<ScriptedPort> h(port);
    {
        auto s = h.link.lock();
        s->selectedSlot = connectDrive(*s, 9, c.series, "7.50");
        s->table.slots[0].pendingOp = c.op;
        s->transferBusy = true;
        s->parameterImage[1] = 0x70;
    }
    port.setResponder(c.responder);
    ASSERT_GE(h.runUntil([](LinkState& s) { return !s.transferBusy; }, 100000), 0);
    EXPECT_EQ(port.sent().size(), 11u);
    EXPECT_EQ(h.messages.texts(), std::vector<std::string>{std::string(c.message)});
    auto s = h.link.lock();
    EXPECT_EQ(s->activityState, ActivityState::None);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EndlessAnswerTest,
    ::testing::Values(
        EndlessCase{"ExportChunkException", OpCode::Export, "QD10",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(withCrc({r[0], 0x83, 0x04}));
                    },
                    kExportNoAnswer},
        EndlessCase{"ExportChunkWrongCount", OpCode::Export, "QD10",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(readReply(r[0], std::vector<uint16_t>(20, 1)));
                    },
                    kExportNoAnswer},
        EndlessCase{"ImportChunkWrongEcho", OpCode::Import, "QD30",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(withCrc({r[0], 0x10, 0x77, 0x00, 0x00, r[5]}));
                    },
                    kImportNoAnswer},
        // The chunk's start in a reply of another function is no echo of the write.
        EndlessCase{"ImportChunkAnsweredByAnotherFunction", OpCode::Import, "QD30",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(withCrc({r[0], 0x03, r[2], r[3], 0x00, r[5]}));
                    },
                    kImportNoAnswer}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferTest, TransferAbandonedByRemovalGivesBackBusyAndActivity) {
    const int slot = connect(10, Series::QD30, 750);
    exportPath("velkaro_abandoned.sav");
    request(slot, OpCode::Export);
    ASSERT_GE(h.runUntil([](LinkState& s) { return s.transferCursor >= 0x0300; }, 100000), 0);
    {
        auto s = h.link.lock();
        EXPECT_EQ(s->activityState, ActivityState::Export);
        s->table.removeDrive(s->table.slots[static_cast<std::size_t>(slot)].name);
    }
    h.step();
    auto s = h.link.lock();
    EXPECT_FALSE(s->transferBusy);
    EXPECT_EQ(s->activityState, ActivityState::None);
    EXPECT_EQ(s->transferCursor, 0);
    EXPECT_EQ(s->currentOp, OpCode::None);
    // The operator learns the file was not written.
    ASSERT_EQ(h.messages.count(), 1u);
    EXPECT_EQ(h.messages.last().text, kExportCut);
}

} // namespace
} // namespace velkaro::testing
