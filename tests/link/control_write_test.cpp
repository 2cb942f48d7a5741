// Motor commands, the communication frequency and the EEPROM store, as the
// simulated drive receives them.

#include <gtest/gtest.h>

#include "link/link_operations.h"
#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {

using sim::Series;

class ControlWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        slot = h.connect(1, Series::QD30, 750);
        ASSERT_GE(slot, 0);
        drive().clearRequestsSeen();
    }
    sim::SimulatedDrive& drive() { return *h.bus.drive(1); }
    DriveRecord record() {
        auto s = h.link.lock();
        return s->table.slots[static_cast<std::size_t>(slot)];
    }
    /// Runs until the wanted and confirmed control words agree and nothing is pending.
    void settleControl() {
        const int ticks = h.runUntil([this](LinkState& s) {
            const DriveRecord& d = s.table.slots[static_cast<std::size_t>(slot)];
            return d.controlSet == d.controlAck && d.pendingOp == OpCode::None &&
                   s.currentOp == OpCode::None;
        });
        ASSERT_GE(ticks, 0);
    }
    /// Writes the drive saw: (first register, words).
    std::vector<std::pair<uint16_t, std::vector<uint16_t>>> writesSeen() {
        std::vector<std::pair<uint16_t, std::vector<uint16_t>>> out;
        for (const auto& req : drive().requestsSeen()) {
            if (req[1] != 0x10) {
                continue;
            }
            std::vector<uint16_t> words;
            for (std::size_t at = 7; at + 2 < req.size(); at += 2) {
                words.push_back(sim::wordAt(req.data(), at));
            }
            out.emplace_back(sim::wordAt(req.data(), 2), words);
        }
        return out;
    }
    std::vector<uint16_t> commandWordsWritten() {
        std::vector<uint16_t> out;
        for (const auto& [reg, words] : writesSeen()) {
            if (reg == 0x3200) {
                out.push_back(words[0]);
            }
        }
        return out;
    }

    SimLink h;
    int slot = -1;
};

struct CommandCase {
    const char* name;
    int32_t command;
    std::vector<uint16_t> written;
};
void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandWordTest : public ControlWriteTest,
                        public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandWordTest, WrittenOnceThenWithBitsRestored) {
    const CommandCase& c = GetParam();
    {
        auto s = h.link.lock();
        s->table.slots[static_cast<std::size_t>(slot)].controlSet[0] = c.command;
    }
    settleControl();
    EXPECT_EQ(commandWordsWritten(), c.written);
    EXPECT_EQ(record().controlAck[0], c.written.back());
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandWordTest,
                         ::testing::Values(CommandCase{"FaultReset", 0x009E, {0x009E, 0x001E}},
                                           CommandCase{"EmergencyStop", 0x001A, {0x001A, 0x001E}},
                                           CommandCase{"Run", 0x001F, {0x001F}},
                                           CommandCase{"Reverse", 0x081F, {0x081F}},
                                           CommandCase{"ForwardJog", 0x011E, {0x011E}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlWriteTest, BlockGoesOutAsTheTwentyNineByteFrame) {
    {
        auto s = h.link.lock();
        DriveRecord& d = s->table.slots[static_cast<std::size_t>(slot)];
        d.controlSet[0] = 0x001F;
        d.controlSet[1] = 2500;
    }
    settleControl();
    const auto requests = drive().requestsSeen();
    ASSERT_EQ(requests.size(), 1u);
    const auto& frame = requests[0];
    ASSERT_EQ(frame.size(), 29u);
    EXPECT_EQ(
        std::vector<uint8_t>(frame.begin(), frame.begin() + 11),
        (std::vector<uint8_t>{1, 0x10, 0x32, 0x00, 0x00, 0x04, 0x08, 0x00, 0x1F, 0x09, 0xC4}));
    EXPECT_EQ(drive().setFrequency(), 2500);
    EXPECT_TRUE(drive().running());
}

TEST_F(ControlWriteTest, EepromStoreSendsOnlyRegister3209) {
    {
        auto s = h.link.lock();
        s->table.slots[static_cast<std::size_t>(slot)].controlSet[9] = 1;
    }
    settleControl();
    const auto requests = drive().requestsSeen();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], withCrc({1, 0x10, 0x32, 0x09, 0x00, 0x01, 0x02, 0x00, 0x01}));
    EXPECT_EQ(record().controlSet[9], 0);
    EXPECT_EQ(record().controlAck[9], 0);
    EXPECT_EQ(drive().eepromStoreCount(), 1);
}

// The confirmation of a write covers only what that write carried: a command
// given while it was on the wire, or given with the store, still goes out.
TEST_F(ControlWriteTest, CommandGivenWhileAWriteIsOnTheWireIsWrittenNext) {
    {
        auto s = h.link.lock();
        s->table.slots[static_cast<std::size_t>(slot)].controlSet[0] = 0x001F;
    }
    ASSERT_GE(h.runUntil([](LinkState& s) {
        return s.currentOp == OpCode::ControlWrite &&
               phaseOf(s, OpCode::ControlWrite) == OpPhase::Await;
    }),
              0);
    {
        auto s = h.link.lock();
        s->table.slots[static_cast<std::size_t>(slot)].controlSet[0] = 0x001A;
    }
    settleControl();
    EXPECT_EQ(commandWordsWritten(), (std::vector<uint16_t>{0x001F, 0x001A, 0x001E}));
}

TEST_F(ControlWriteTest, FrequencyChangedWithTheStoreIsNotLost) {
    {
        auto s = h.link.lock();
        DriveRecord& d = s->table.slots[static_cast<std::size_t>(slot)];
        d.controlSet[1] = 3300;
        d.controlSet[9] = 1;
    }
    settleControl();
    const auto writes = writesSeen();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].first, 0x3209);
    EXPECT_EQ(writes[1].first, 0x3200);
    EXPECT_EQ(drive().setFrequency(), 3300);
    EXPECT_EQ(record().controlAck[1], 3300);
}

TEST_F(ControlWriteTest, ControlReadTakesTheBlockAndLeavesAFaultResetToBeSent) {
    drive().setHoldingRegister(0x3200, 0x009E);
    drive().setHoldingRegister(0x3201, 4000);
    {
        auto s = h.link.lock();
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::ControlRead;
    }
    // The read itself: set and confirmed agree except the one-shot bit.
    ASSERT_GE(h.runUntil([](LinkState& s) { return s.currentOp == OpCode::Finished; }), 0);
    DriveRecord d = record();
    EXPECT_EQ(d.controlSet[0], 0x009E);
    EXPECT_EQ(d.controlAck[0], 0x001E);
    EXPECT_EQ(d.controlSet[1], 4000);
    settleControl();
    EXPECT_EQ(commandWordsWritten(), (std::vector<uint16_t>{0x009E, 0x001E}));
}

// ---------------------------------------------------------------------------
// Replies to a control write, against a scripted drive: only the write's own
// echo confirms it; anything else is a refusal and the words go out again.

/// The request's first six bytes sent back with byte `at` set to `value`; by
/// default the address stays 1: the write's own echo.
ScriptedPort::Responder echoWith(std::size_t at = 0, uint8_t value = 1) {
    return [at, value](const Bytes& r) {
        Bytes echo(r.begin(), r.begin() + 6);
        echo[at] = value;
        return std::optional<Bytes>(withCrc(echo));
    };
}

ScriptedPort::Responder refuseWith(uint8_t code) {
    return [code](const Bytes& r) { return std::optional<Bytes>(withCrc({r[0], 0x90, code})); };
}

class ControlReplyTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto s = h.link.lock();
        slot = connectDrive(*s, 1, "QD30", "7.50");
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::None;
    }
    template <class Change> void change(Change&& what) {
        auto s = h.link.lock();
        what(s->table.slots[static_cast<std::size_t>(slot)]);
    }
    DriveRecord record() {
        auto s = h.link.lock();
        return s->table.slots[static_cast<std::size_t>(slot)];
    }
    std::vector<Bytes> writes() const {
        std::vector<Bytes> out;
        for (const auto& sent : port.sent()) {
            if (sent.bytes[1] == 0x10) {
                out.push_back(sent.bytes);
            }
        }
        return out;
    }
    /// Runs until `n` writes have gone out and the last one has been answered
    /// or has timed out.
    void runWrites(std::size_t n) {
        ASSERT_GE(h.runUntil([&](LinkState& s) {
            return writes().size() >= n && s.currentOp != OpCode::ControlWrite;
        }),
                  0);
        EXPECT_EQ(writes().size(), n);
    }

    ScriptedPort port;
    LinkHarness<ScriptedPort> h{port};
    int slot = -1;
};

struct ReplyCase {
    const char* name;
    bool store; ///< the EEPROM store instead of a command
    ScriptedPort::Responder reply;
    bool confirms;
};
void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class ControlReplyKindTest : public ControlReplyTest,
                             public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ControlReplyKindTest, OnlyTheWritesOwnEchoConfirmsIt) {
    const ReplyCase& c = GetParam();
    change([&c](DriveRecord& d) {
        if (c.store) {
            d.controlSet[9] = 1;
        } else {
            d.controlSet[0] = 0x001F;
        }
    });
    port.setResponder(c.reply);
    runWrites(1);
    const DriveRecord d = record();
    if (c.confirms) {
        EXPECT_EQ(d.controlSet, d.controlAck);
        h.run(2000);
        EXPECT_EQ(writes().size(), 1u);
        return;
    }
    EXPECT_EQ(d.controlAck, (std::array<int32_t, 10>{}));
    EXPECT_EQ(c.store ? d.controlSet[9] : d.controlSet[0], c.store ? 1 : 0x001F);
    runWrites(2);
    EXPECT_EQ(writes()[1], writes()[0]); // change detection sends the same words again
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ControlReplyKindTest,
    ::testing::Values(ReplyCase{"BlockEcho", false, echoWith(), true},
                      ReplyCase{"StoreEcho", true, echoWith(), true},
                      ReplyCase{"BlockException", false, refuseWith(0x04), false},
                      ReplyCase{"StoreException", true, refuseWith(0x02), false},
                      ReplyCase{"BlockAnsweredAsARead", false, echoWith(1, 0x03), false},
                      ReplyCase{"BlockEchoOfWriteSingle", false, echoWith(1, 0x06), false},
                      ReplyCase{"BlockEchoOfAnotherStart", false, echoWith(3, 0x01), false},
                      ReplyCase{"BlockEchoOfAnotherCount", false, echoWith(5, 0x0A), false},
                      ReplyCase{"StoreEchoOfAnotherCount", true, echoWith(5, 0x02), false}),
    [](const auto& info) { return std::string(info.param.name); });

// The third refusal in a row tells the operator once, without waiting, what
// the refused write asked for: the command word by the operator's name for
// it, a changed frequency, the EEPROM store; and the exception code if any.
struct NamingCase {
    const char* name;
    int32_t command; ///< 0: left as confirmed
    int32_t frequency;
    bool store;
    uint8_t exceptionCode; ///< 0: answered by another function instead
    const char* named;
};
void PrintTo(const NamingCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusalNoticeTest : public ControlReplyTest,
                          public ::testing::WithParamInterface<NamingCase> {};

TEST_P(RefusalNoticeTest, ThirdRefusalNamesTheDriveAndTheCommandOnce) {
    const NamingCase& c = GetParam();
    change([&c](DriveRecord& d) {
        d.controlSet[0] = c.command;
        d.controlSet[1] = c.frequency;
        d.controlSet[9] = c.store ? 1 : 0;
    });
    port.setResponder(c.exceptionCode != 0 ? refuseWith(c.exceptionCode) : echoWith(1, 0x03));
    runWrites(2);
    EXPECT_TRUE(h.messages.messages().empty());
    runWrites(5);
    ASSERT_EQ(h.messages.messages().size(), 1u);
    const RecordingMessages::Message notice = h.messages.messages()[0];
    EXPECT_EQ(notice.text, std::string("变频器 1#QD30-7.50 连续三次拒绝了命令：") + c.named + "。");
    EXPECT_EQ(notice.caption, "信息提示");
    EXPECT_FALSE(notice.modal);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusalNoticeTest,
    ::testing::Values(NamingCase{"Run", 0x001F, 0, false, 0, "运行"},
                      NamingCase{"RunWithCode", 0x001F, 0, false, 0x01, "运行（异常代码 0x01）"},
                      NamingCase{"Reverse", 0x081F, 0, false, 0, "反转"},
                      NamingCase{"Stop", 0x001E, 0, false, 0, "停机"},
                      NamingCase{"CoastStop", 0x001C, 0, false, 0, "自由停机"},
                      NamingCase{"EmergencyStop", 0x001A, 0, false, 0, "紧急停机"},
                      NamingCase{"FaultReset", 0x009E, 0, false, 0, "故障复位"},
                      NamingCase{"ForwardJog", 0x011E, 0, false, 0, "正向点动"},
                      NamingCase{"ReverseJog", 0x021E, 0, false, 0, "反向点动"},
                      NamingCase{"UnknownWord", 0x1234, 0, false, 0, "命令字 0x1234"},
                      NamingCase{"Frequency", 0, 40000, false, 0, "给定频率 400.00Hz"},
                      NamingCase{"RunAtFrequency", 0x001F, 2500, false, 0,
                                 "运行、给定频率 25.00Hz"},
                      NamingCase{"Store", 0, 0, true, 0x02, "存储到EEPROM（异常代码 0x02）"}),
    [](const auto& info) { return std::string(info.param.name); });

// Three refusals in a row of the same words, and only those, tell the operator.
enum class Between { ConfirmedWrite, ChangedCommand };

void PrintTo(Between b, std::ostream* os) {
    *os << (b == Between::ConfirmedWrite ? "ConfirmedWrite" : "ChangedCommand");
}

class RefusalRunTest : public ControlReplyTest, public ::testing::WithParamInterface<Between> {};

TEST_P(RefusalRunTest, NoNoticeWithoutThreeRefusalsInARowOfTheSameWords) {
    change([](DriveRecord& d) { d.controlSet[0] = 0x001F; });
    port.setResponder(refuseWith(0x04));
    runWrites(2);
    if (GetParam() == Between::ConfirmedWrite) {
        port.setResponder(echoWith());
        runWrites(3);
        // The same block once more, as after a parameter write.
        change([](DriveRecord& d) { d.controlAck[0] = 0; });
        h.step();
        EXPECT_EQ(record().controlSet[0], 0x001F);
    } else {
        change([](DriveRecord& d) { d.controlSet[0] = 0x081F; });
    }
    port.setResponder(refuseWith(0x04));
    runWrites(writes().size() + 2);
    EXPECT_TRUE(h.messages.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Runs, RefusalRunTest,
                         ::testing::Values(Between::ConfirmedWrite, Between::ChangedCommand),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

TEST_F(ControlReplyTest, UnansweredWritesAreNotRefusals) {
    change([](DriveRecord& d) { d.controlSet[0] = 0x001F; });
    runWrites(4);
    EXPECT_NE(record().controlAck, record().controlSet);
    EXPECT_TRUE(h.messages.messages().empty());
}

} // namespace
} // namespace velkaro::testing
