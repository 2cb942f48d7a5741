// Group reads, parameter writes, export and import against simulated drives,
// and the transfer failure paths against a scripted far end.

#include <gtest/gtest.h>

#include <cstdio>

#include "files/parameter_file.h"
#include "registry/catalogue.h"
#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;

constexpr std::string_view kUnsupported = "对不起！该系列变频器不支持该功能";
constexpr std::string_view kExportCut = "数据导出被中断，参数文件未写入！";
constexpr std::string_view kImportRejected = "数据导入失败！可能是数据超出范围。";
constexpr std::string_view kImportNoAnswer = "通讯故障导致数据导入失败！";
constexpr std::string_view kExportNoAnswer = "通讯原因导致数据导出失败！";

struct Seen {
    uint8_t function;
    uint16_t reg;
    uint16_t count;
};

std::vector<Seen> requestsOf(const sim::SimulatedDrive& drive) {
    std::vector<Seen> out;
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
        return slot;
    }
    /// Submits and runs until the request has ended; its outcome.
    Outcome ask(int address, Request request, int maxTicks = 400000) {
        const RequestId id = h.submit(h.target(address), std::move(request));
        const std::optional<Outcome> o = h.await(id, maxTicks);
        EXPECT_TRUE(o) << "no outcome";
        EXPECT_EQ(h.outcomeCount(id), 1);
        return o.value_or(Outcome{});
    }

    SimLink h;
};

TEST_F(TransferTest, GroupOf39IsReadAs30Then9) {
    connect(2, Series::QD20, 6);
    const Outcome o = ask(2, ParameterRead{6});
    const auto reqs = requestsOf(*h.bus.drive(2));
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].reg, 0x0600);
    EXPECT_EQ(reqs[0].count, 30);
    EXPECT_EQ(reqs[1].reg, 0x061E);
    EXPECT_EQ(reqs[1].count, 9);
    ASSERT_EQ(o.result, Result::Confirmed);
    ASSERT_EQ(o.words.size(), 39u);
    for (int i = 0; i < 39; ++i) {
        EXPECT_EQ(o.words[static_cast<std::size_t>(i)],
                  h.bus.drive(2)->holdingRegister(static_cast<uint16_t>(0x0600 + i)))
            << i;
    }
}

TEST_F(TransferTest, RawRegistersAreReadAsAsked) {
    connect(2, Series::QD20, 6);
    const Outcome o = ask(2, ParameterRead{-1, 0x3210, 3});
    ASSERT_EQ(o.result, Result::Confirmed);
    EXPECT_EQ(o.words, (std::vector<uint16_t>{h.bus.drive(2)->holdingRegister(0x3210),
                                              h.bus.drive(2)->holdingRegister(0x3211),
                                              h.bus.drive(2)->holdingRegister(0x3212)}));
    // A group the series does not have, or no register at all, ends at once.
    EXPECT_EQ(ask(2, ParameterRead{40}).result, Result::Refused);
    EXPECT_EQ(ask(2, ParameterRead{-1, 0x0100, 0}).result, Result::Refused);
    // A register the drive does not have: its exception, by name.
    const Outcome missing = ask(2, ParameterRead{-1, 0x7000, 1});
    EXPECT_EQ(missing.result, Result::Refused);
    EXPECT_EQ(missing.exception, 0x02);
    EXPECT_EQ(missing.why, "非法数据地址");
}

TEST_F(TransferTest, ParameterWriteIsFollowedByAGroupReReadAndTheControlBlock) {
    connect(3, Series::QD30, 750);
    const Outcome o = ask(3, ParameterWrite{0x0103, 1234, 1, 3, true, true});
    h.settle(h.slotOfAddress(3));
    const auto reqs = requestsOf(*h.bus.drive(3));
    // The write, then F1 (40) as 30 + 10, then the control block once more.
    ASSERT_EQ(reqs.size(), 4u);
    EXPECT_EQ(reqs[0].function, 0x10);
    EXPECT_EQ(reqs[0].reg, 0x0103);
    EXPECT_EQ(reqs[1].reg, 0x0100);
    EXPECT_EQ(reqs[2].reg, 0x011E);
    EXPECT_EQ(reqs[3].reg, 0x3200);
    EXPECT_EQ(h.bus.drive(3)->holdingRegister(0x0103), 1234);
    ASSERT_EQ(o.result, Result::Confirmed);
    ASSERT_EQ(o.words.size(), 40u);
    EXPECT_EQ(o.words[3], 1234);
}

// A write the drive refuses is the drive's answer: not asked again, the
// operator told which parameter of which drive and why, and the group read
// back shows what the drive holds.
struct RefusedWriteCase {
    const char* name;
    uint8_t code;
    const char* why;
};
void PrintTo(const RefusedWriteCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedWriteTest : public TransferTest,
                         public ::testing::WithParamInterface<RefusedWriteCase> {};

TEST_P(RefusedWriteTest, TellsWhichParameterWhyAndShowsWhatTheDriveHolds) {
    const RefusedWriteCase& c = GetParam();
    connect(3, Series::QD30, 750);
    sim::SimulatedDrive& drive = *h.bus.drive(3);
    const uint16_t held = drive.holdingRegister(0x0103);
    drive.faults().refusal = sim::Refusal{sim::Refusal::Register, 0x0103, c.code};
    const Outcome o = ask(3, ParameterWrite{0x0103, 1234, 1, 3, true, true});
    ASSERT_EQ(o.result, Result::Refused);
    EXPECT_EQ(o.exception, c.code);
    EXPECT_EQ(o.why, c.why);
    EXPECT_EQ(o.message,
              std::string("变频器 3#QD30-7.50 拒绝了参数 F1-03 的修改：") + c.why + "。");
    ASSERT_EQ(o.words.size(), 40u);
    EXPECT_EQ(o.words[3], held);
    int writes = 0;
    for (const Seen& r : requestsOf(drive)) {
        writes += r.function == 0x10 && r.reg == 0x0103 ? 1 : 0;
    }
    EXPECT_EQ(writes, 1);
}

INSTANTIATE_TEST_SUITE_P(Codes, RefusedWriteTest,
                         ::testing::Values(RefusedWriteCase{"IllegalValue", 0x03, "非法数据值"},
                                           RefusedWriteCase{"IllegalAddress", 0x02, "非法数据地址"},
                                           RefusedWriteCase{"DeviceFailure", 0x04, "从站设备故障"},
                                           RefusedWriteCase{"Busy", 0x06, "从站设备忙"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferTest, AWriteNeverAnsweredSaysSoAfterItsRetries) {
    connect(3, Series::QD30, 750);
    h.bus.drive(3)->faults().silent = true;
    const Outcome o = ask(3, ParameterWrite{0x0103, 1234, 1, 3, false, false});
    EXPECT_EQ(o.result, Result::TimedOut);
    EXPECT_EQ(o.message, "3#QD30-7.50 的参数 F1-03 因通讯故障未能写入！");
    EXPECT_EQ(requestsOf(*h.bus.drive(3)).size(), 11u);
}

TEST_F(TransferTest, Qd10ExportMakesA204ByteImageOfTheDrivesRegisters) {
    connect(1, Series::QD10, 75);
    const Outcome o = ask(1, Export{});
    const auto reqs = requestsOf(*h.bus.drive(1));
    ASSERT_EQ(reqs.size(), 2u);
    EXPECT_EQ(reqs[0].count, 50);
    EXPECT_EQ(reqs[1].reg, 50);
    ASSERT_EQ(o.result, Result::Confirmed);
    ASSERT_TRUE(o.image);
    EXPECT_EQ(o.imageLength, 204);
    EXPECT_EQ((*o.image)[0], 0x83);
    EXPECT_EQ((*o.image)[1], 0x50);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(imageWord(*o.image, i), h.bus.drive(1)->holdingRegister(static_cast<uint16_t>(i)))
            << i;
    }
    EXPECT_EQ(h.link.snapshot().activity, ActivityState::None);
    EXPECT_TRUE(h.messages.messages().empty());
}

TEST_F(TransferTest, Qd30ExportReadsGroups0To15WithGroup0As13) {
    connect(4, Series::QD30, 750);
    const RequestId id = h.submit(h.target(4), Export{});
    bool sawProgress = false;
    for (int i = 0; i < 400000 && !h.outcome(id); ++i) {
        h.run(1);
        const LinkSnapshot v = h.link.snapshot();
        sawProgress = sawProgress || (v.activity == ActivityState::Export &&
                                      v.progress.maximum == 15 && v.progress.position == 8);
    }
    EXPECT_TRUE(sawProgress);
    const Outcome o = h.outcome(id).value();
    const auto reqs = requestsOf(*h.bus.drive(4));
    EXPECT_EQ(reqs.front().reg, 0x0000);
    EXPECT_EQ(reqs.front().count, 13);
    EXPECT_EQ(reqs.back().reg, 0x0F00);
    const auto registers = qd30ImageRegisters(15);
    ASSERT_EQ(registers.size(), 633u);
    ASSERT_TRUE(o.image);
    EXPECT_EQ(o.imageLength, 1270);
    EXPECT_EQ((*o.image)[1], 0x70);
    for (std::size_t i = 0; i < registers.size(); ++i) {
        const auto [g, p] = registers[i];
        ASSERT_EQ(imageWord(*o.image, i), h.bus.drive(4)->holdingRegister(registerOf(g, p)))
            << g << "/" << p;
    }
}

class ImportTest : public TransferTest {
protected:
    void SetUp() override {
        connect(5, Series::QD30, 750);
        import.image.fill(0);
        import.image[0] = 0x83;
        import.image[1] = 0x70;
        for (std::size_t i = 0; i < 633; ++i) {
            import.image[4 + 2 * i] = static_cast<uint8_t>((1000 + i) >> 8);
            import.image[5 + 2 * i] = static_cast<uint8_t>((1000 + i) & 0xFF);
        }
    }
    std::vector<Seen> writes() {
        std::vector<Seen> out;
        for (const Seen& r : requestsOf(drive())) {
            if (r.function == 0x10 && r.reg < 0x3200) {
                out.push_back(r);
            }
        }
        return out;
    }
    sim::SimulatedDrive& drive() { return *h.bus.drive(5); }
    Import import;
};

TEST_F(ImportTest, WritesGroups0To14InChunksOfAtMost10ThenReReadsAndStores) {
    import.readBackGroup = 0;
    const Outcome o = ask(5, import);
    EXPECT_EQ(o.result, Result::Confirmed); // once the drive has stored the set
    EXPECT_EQ(drive().eepromStoreCount(), 1);
    int total = 0;
    for (const Seen& w : writes()) {
        EXPECT_LE(w.count, 10);
        total += w.count;
    }
    EXPECT_EQ(total, 624);
    const auto registers = qd30ImageRegisters(14);
    for (std::size_t i = 0; i < registers.size(); ++i) {
        const auto [g, p] = registers[i];
        ASSERT_EQ(drive().holdingRegister(registerOf(g, p)), 1000 + i) << g << "/" << p;
    }
    // F0 read back before the store.
    const auto reqs = requestsOf(drive());
    ASSERT_GE(reqs.size(), 2u);
    EXPECT_EQ(reqs[reqs.size() - 2].function, 0x03);
    EXPECT_EQ(reqs[reqs.size() - 2].reg, 0x0000);
    EXPECT_EQ(reqs.back().reg, 0x3209);
    // The outcome carries the group read back, as the drive holds it.
    ASSERT_EQ(o.words.size(), 16u);
    EXPECT_EQ(o.words[0], 1000);
    EXPECT_TRUE(h.messages.messages().empty());
    EXPECT_EQ(h.link.snapshot().activity, ActivityState::None);
}

TEST_F(ImportTest, BusyExceptionCountsAsWrittenAndTheSetIsStored) {
    drive().faults().rejectImportWithBusy = true;
    const Outcome o = ask(5, import);
    EXPECT_EQ(o.result, Result::Confirmed);
    EXPECT_EQ(writes().size(), 69u); // F0 as 10 + 3, then 67 chunks for F1..FE
    EXPECT_EQ(drive().eepromStoreCount(), 1);
}

TEST_F(ImportTest, OutOfRangeStopsTheImportWithoutStoring) {
    drive().setAllowedRange(registerOf(2, 4), 0, 10); // F2-04 will refuse 1000 + 57
    const Outcome o = ask(5, import);
    EXPECT_EQ(o.result, Result::Refused);
    EXPECT_EQ(o.message, kImportRejected);
    EXPECT_EQ(o.exception, 0x03);
    EXPECT_EQ(o.writtenRegisters, 53u); // F0 (13) and F1 (40) went through
    EXPECT_EQ(writes().back().reg, registerOf(2, 0));
    h.run(3000);
    EXPECT_EQ(drive().eepromStoreCount(), 0);
    const LinkSnapshot v = h.link.snapshot();
    EXPECT_EQ(v.activity, ActivityState::None);
    EXPECT_EQ(v.progress.position, 0);
    EXPECT_FALSE(v.transferRunning);
}

TEST_F(ImportTest, NoAnswerGivesTheCommunicationMessageAfter11Requests) {
    drive().faults().silent = true;
    const Outcome o = ask(5, import);
    EXPECT_EQ(o.result, Result::TimedOut);
    EXPECT_EQ(o.message, kImportNoAnswer);
    EXPECT_EQ(writes().size(), 11u);
}

TEST_F(ImportTest, ARunningDriveOrAnImageOfAnotherModelIsRefusedWithoutTraffic) {
    import.image[1] = 0x50;
    const Outcome wrong = ask(5, import);
    EXPECT_EQ(wrong.result, Result::Refused);
    EXPECT_EQ(wrong.message, "机型错误！请确认导入参数与变频器机型一致。");
    import.image[1] = 0x70;
    const int slot = h.slotOfAddress(5);
    h.lock()->table.slots[static_cast<std::size_t>(slot)].status[0] = status_bit::kRunning;
    const Outcome running = ask(5, import);
    EXPECT_EQ(running.result, Result::Refused);
    EXPECT_EQ(running.message, "请停机后再进行该操作！");
    EXPECT_TRUE(writes().empty());
}

TEST_F(ImportTest, ASecondTransferWhileOneRunsIsRefused) {
    const RequestId first = h.submit(h.target(5), import);
    h.run(100);
    const Outcome second = ask(5, Export{});
    EXPECT_EQ(second.result, Result::Refused);
    EXPECT_EQ(second.message, "参数导入或导出正在进行，请等待其完成后再进行该操作！");
    ASSERT_TRUE(h.await(first));
    EXPECT_EQ(h.outcome(first)->result, Result::Confirmed);
}

TEST_F(ImportTest, CancelledImportSaysHowMuchReachedTheDrive) {
    const RequestId id = h.submit(h.target(5), import);
    h.run(1500);
    h.link.cancel(id);
    ASSERT_TRUE(h.await(id));
    const Outcome o = *h.outcome(id);
    EXPECT_EQ(o.result, Result::Cancelled);
    EXPECT_EQ(o.cancelReason, CancelReason::ByCaller);
    EXPECT_GT(o.writtenRegisters, 0u);
    EXPECT_LT(o.writtenRegisters, 624u);
    int written = 0;
    for (const Seen& w : writes()) {
        written += w.count;
    }
    EXPECT_EQ(static_cast<std::size_t>(written), o.writtenRegisters);
    EXPECT_EQ(drive().eepromStoreCount(), 0);
}

// A request given on the tick the drive's last one of the same kind ends is
// not lost with it: the link keeps its turn.
TEST_F(TransferTest, ARequestGivenAsTheSameKindEndsIsServed) {
    connect(1, Series::QD10, 75);
    const RequestId first = h.submit(h.target(1), Export{});
    RequestId second = 0;
    for (int i = 0; i < 400000 && !second; ++i) {
        h.step();
        if (h.outcome(first)) {
            second = h.submit(h.target(1), Export{});
        }
    }
    ASSERT_NE(second, 0u);
    ASSERT_TRUE(h.await(second, 100000));
    EXPECT_EQ(h.outcome(second)->result, Result::Confirmed);
    const RequestId poll = h.submit(h.target(1), StatusPoll{});
    RequestId again = 0;
    for (int i = 0; i < 20000 && !again; ++i) {
        h.step();
        if (h.outcome(poll)) {
            again = h.submit(h.target(1), StatusPoll{});
        }
    }
    ASSERT_TRUE(h.await(again, 2000)); // no status pass here: only its own turn serves it
    EXPECT_EQ(h.outcome(again)->result, Result::Confirmed);
    EXPECT_EQ(h.outcome(again)->words.size(), 16u);
}

TEST_F(TransferTest, ExportWithoutAnswerGivesTheExportMessage) {
    connect(6, Series::QD10, 75);
    h.bus.drive(6)->faults().silent = true;
    const Outcome o = ask(6, Export{});
    EXPECT_EQ(o.result, Result::TimedOut);
    EXPECT_EQ(o.message, kExportNoAnswer);
    EXPECT_FALSE(o.image);
    EXPECT_EQ(requestsOf(*h.bus.drive(6)).size(), 11u);
    EXPECT_EQ(h.link.snapshot().activity, ActivityState::None);
}

// Series that cannot transfer get the message and no bus traffic.
struct UnsupportedCase {
    const char* name;
    Series series;
    int rating;
    bool import;
};
void PrintTo(const UnsupportedCase& c, std::ostream* os) {
    *os << c.name;
}

class UnsupportedTest : public TransferTest,
                        public ::testing::WithParamInterface<UnsupportedCase> {};

TEST_P(UnsupportedTest, RefusedWithTheSeriesMessage) {
    const UnsupportedCase& c = GetParam();
    connect(8, c.series, c.rating);
    Import import;
    import.image[1] = 0x70;
    const Outcome o = c.import ? ask(8, import) : ask(8, Export{});
    EXPECT_EQ(o.result, Result::Refused);
    EXPECT_EQ(o.message, kUnsupported);
    h.run(500);
    EXPECT_TRUE(requestsOf(*h.bus.drive(8)).empty());
}

INSTANTIATE_TEST_SUITE_P(Series, UnsupportedTest,
                         ::testing::Values(UnsupportedCase{"ExportQd20", Series::QD20, 6, false},
                                           UnsupportedCase{"ExportQd40", Series::QD40, 750, false},
                                           UnsupportedCase{"ImportQd10", Series::QD10, 75, true},
                                           UnsupportedCase{"ImportQd20", Series::QD20, 6, true},
                                           UnsupportedCase{"ImportQd40", Series::QD40, 750, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Answers the design would ask again without bound end the transfer, at once
// for a refusal, after the retries for answers that are no answer.
struct EndlessCase {
    const char* name;
    bool import;
    std::string series;
    ScriptedPort::Responder responder;
    std::string_view message;
    std::size_t requests;
    Result result;
};
void PrintTo(const EndlessCase& c, std::ostream* os) {
    *os << c.name;
}

class EndlessAnswerTest : public ::testing::TestWithParam<EndlessCase> {};

TEST_P(EndlessAnswerTest, EndsWithItsFailure) {
    const EndlessCase& c = GetParam();
    ScriptedPort port;
    LinkHarness<ScriptedPort> h(port);
    {
        auto s = h.lock();
        connectDrive(*s, 9, c.series, "7.50");
        s->table.slots[0].pendingOp = OpCode::None;
    }
    port.setResponder(c.responder);
    Import import;
    import.image[1] = 0x70;
    const RequestId id = c.import ? h.submit(h.target(9), import) : h.submit(h.target(9), Export{});
    ASSERT_TRUE(h.await(id, 100000));
    EXPECT_EQ(h.outcome(id)->result, c.result);
    EXPECT_EQ(h.outcome(id)->message, c.message);
    EXPECT_EQ(port.sent().size(), c.requests);
    EXPECT_EQ(h.link.snapshot().activity, ActivityState::None);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, EndlessAnswerTest,
    ::testing::Values(
        EndlessCase{"ExportChunkException", false, "QD10",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(withCrc({r[0], 0x83, 0x04}));
                    },
                    kExportNoAnswer, 1, Result::Refused},
        EndlessCase{"ExportChunkWrongCount", false, "QD10",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(readReply(r[0], std::vector<uint16_t>(20, 1)));
                    },
                    kExportNoAnswer, 11, Result::TimedOut},
        EndlessCase{"ImportChunkWrongEcho", true, "QD30",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(withCrc({r[0], 0x10, 0x77, 0x00, 0x00, r[5]}));
                    },
                    kImportNoAnswer, 11, Result::TimedOut},
        // The chunk's start in a reply of another function is no echo of the write.
        EndlessCase{"ImportChunkAnsweredByAnotherFunction", true, "QD30",
                    [](const Bytes& r) {
                        return std::optional<Bytes>(withCrc({r[0], 0x03, r[2], r[3], 0x00, r[5]}));
                    },
                    kImportNoAnswer, 11, Result::TimedOut}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TransferTest, TransferAbandonedByRemovalGivesBackTheActivityAndSaysSo) {
    const int slot = connect(10, Series::QD30, 750);
    const RequestId id = h.submit(h.target(10), Export{});
    ASSERT_GE(
        h.runUntil(
            [](LinkState& state) { return state.transfer && state.transfer->cursor >= 0x0300; },
            100000),
        0);
    EXPECT_EQ(h.link.snapshot().activity, ActivityState::Export);
    ASSERT_TRUE(h.link.removeDrive(h.link.snapshot().table.slots[slot].name));
    h.step();
    const LinkSnapshot v = h.link.snapshot();
    EXPECT_FALSE(v.transferRunning);
    EXPECT_EQ(v.activity, ActivityState::None);
    EXPECT_EQ(h.lock()->currentOp, OpCode::None);
    // The caller learns the file was not written.
    ASSERT_TRUE(h.outcome(id));
    EXPECT_EQ(h.outcome(id)->result, Result::Cancelled);
    EXPECT_EQ(h.outcome(id)->cancelReason, CancelReason::DriveGone);
    EXPECT_EQ(h.outcome(id)->message, kExportCut);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
