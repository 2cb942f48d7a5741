// Motor commands, the communication frequency and the EEPROM store: what
// reaches the drive, in what order, and the one outcome each ends in, also
// against drives that refuse.

#include <gtest/gtest.h>

#include "link/master/link_operations.h"
#include "sim/rtu_frame.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Refusal;
using sim::Series;
namespace word = command_word;

/// Writes a simulated drive saw: (first register, words).
std::vector<std::pair<uint16_t, std::vector<uint16_t>>> writesSeen(const sim::SimulatedDrive& d) {
    std::vector<std::pair<uint16_t, std::vector<uint16_t>>> out;
    for (const auto& req : d.requestsSeen()) {
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

/// The command words the drive was sent, in order.
std::vector<uint16_t> commandWords(const sim::SimulatedDrive& d) {
    std::vector<uint16_t> out;
    for (const auto& [reg, words] : writesSeen(d)) {
        if (reg == 0x3200) {
            out.push_back(words[0]);
        }
    }
    return out;
}

int statusReads(const sim::SimulatedDrive& d) {
    int n = 0;
    for (const auto& req : d.requestsSeen()) {
        n += req[1] == 0x03 && sim::wordAt(req.data(), 2) == 0x3210 ? 1 : 0;
    }
    return n;
}

class ControlWriteTest : public ::testing::Test {
public:
    RequestId give(Command command) { return h.submit(h.target(1), command); }

protected:
    void SetUp() override {
        slot = h.connect(1, Series::QD30, 750);
        ASSERT_GE(slot, 0);
        drive().clearRequestsSeen();
    }
    sim::SimulatedDrive& drive() { return *h.bus.drive(1); }
    DriveRecord record() { return h.link.snapshot().table.slots[static_cast<std::size_t>(slot)]; }
    /// Runs until every request given has ended and the link has nothing to send.
    void settle(int maxTicks = 60000) {
        ASSERT_GE(h.runUntil(
                      [this](LinkState& state) {
                          const DriveRecord& d = state.table.slots[static_cast<std::size_t>(slot)];
                          const SlotWork& w = state.work[static_cast<std::size_t>(slot)];
                          return d.controlSet == d.controlAck && d.pendingOp == OpCode::None &&
                                 w.commands.empty() && w.carried.empty() &&
                                 state.currentOp == OpCode::None;
                      },
                      maxTicks),
                  0);
    }
    /// settle(), then a status read and whatever follows it: the stop bit of
    /// an emergency stop comes back once the drive reports standstill.
    void settleAndPoll() {
        settle();
        h.link.queueStatusPolls();
        settle();
    }
    Result resultOf(RequestId id) {
        const std::optional<Outcome> o = h.outcome(id);
        EXPECT_TRUE(o) << "request " << id << " has not ended";
        EXPECT_EQ(h.outcomeCount(id), 1) << "request " << id << " ended more than once";
        return o ? o->result : Result::Cancelled;
    }

    SimLink h;
    int slot = -1;
};

struct CommandCase {
    const char* name;
    uint16_t command;
    std::vector<uint16_t> written;
};
void PrintTo(const CommandCase& c, std::ostream* os) {
    *os << c.name;
}

class CommandWordTest : public ControlWriteTest,
                        public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandWordTest, WrittenOnceThenWithBitsRestored) {
    const CommandCase& c = GetParam();
    const RequestId id = give(Command::word(c.command));
    settleAndPoll();
    EXPECT_EQ(commandWords(drive()), c.written);
    EXPECT_EQ(record().controlAck[0], c.written.back());
    EXPECT_EQ(resultOf(id), Result::Confirmed);
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandWordTest,
                         ::testing::Values(CommandCase{"FaultReset", 0x009E, {0x009E, 0x001E}},
                                           CommandCase{"EmergencyStop", 0x001A, {0x001A, 0x001E}},
                                           CommandCase{"Run", 0x001F, {0x001F}},
                                           CommandCase{"Reverse", 0x081F, {0x081F}},
                                           CommandCase{"ForwardJog", 0x011E, {0x011E}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ControlWriteTest, BlockGoesOutAsTheTwentyNineByteFrame) {
    const RequestId frequency = give(Command::frequency(2500));
    const RequestId run = give(Command::word(word::kRun));
    settle();
    const auto requests = drive().requestsSeen();
    ASSERT_EQ(requests.size(), 2u);
    const auto& frame = requests[1];
    ASSERT_EQ(frame.size(), 29u);
    EXPECT_EQ(
        std::vector<uint8_t>(frame.begin(), frame.begin() + 11),
        (std::vector<uint8_t>{1, 0x10, 0x32, 0x00, 0x00, 0x04, 0x08, 0x00, 0x1F, 0x09, 0xC4}));
    EXPECT_EQ(drive().setFrequency(), 2500);
    EXPECT_TRUE(drive().running());
    EXPECT_EQ(resultOf(frequency), Result::Confirmed);
    EXPECT_EQ(resultOf(run), Result::Confirmed);
}

TEST_F(ControlWriteTest, EepromStoreSendsOnlyRegister3209) {
    const RequestId id = give(Command::store());
    settle();
    const auto requests = drive().requestsSeen();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], withCrc({1, 0x10, 0x32, 0x09, 0x00, 0x01, 0x02, 0x00, 0x01}));
    EXPECT_EQ(record().controlSet[9], 0);
    EXPECT_EQ(record().controlAck[9], 0);
    EXPECT_EQ(drive().eepromStoreCount(), 1);
    EXPECT_EQ(resultOf(id), Result::Confirmed);
}

// A command given while a write is on the wire goes out next, in its own write.
TEST_F(ControlWriteTest, CommandGivenWhileAWriteIsOnTheWireIsWrittenNext) {
    give(Command::word(word::kRun));
    ASSERT_GE(h.runUntil([](LinkState& state) {
        return state.currentOp == OpCode::ControlWrite &&
               phaseOf(state, OpCode::ControlWrite) == OpPhase::Await;
    }),
              0);
    give(Command::word(word::kEmergencyStop));
    settleAndPoll();
    EXPECT_EQ(commandWords(drive()), (std::vector<uint16_t>{0x001F, 0x001A, 0x001E}));
}

TEST_F(ControlWriteTest, FrequencyGivenWithTheStoreIsNotLost) {
    give(Command::frequency(3300));
    give(Command::store());
    settle();
    const auto writes = writesSeen(drive());
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].first, 0x3200);
    EXPECT_EQ(writes[1].first, 0x3209);
    EXPECT_EQ(drive().setFrequency(), 3300);
    EXPECT_EQ(record().controlAck[1], 3300);
}

TEST_F(ControlWriteTest, ControlReadTakesTheBlockAndLeavesAFaultResetToBeSent) {
    drive().setHoldingRegister(0x3200, 0x009E);
    drive().setHoldingRegister(0x3201, 4000);
    h.lock()->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::ControlRead;
    // The read itself: set and confirmed agree except the one-shot bit.
    ASSERT_GE(h.runUntil([](LinkState& state) { return state.currentOp == OpCode::Finished; }), 0);
    DriveRecord d = record();
    EXPECT_EQ(d.controlSet[0], 0x009E);
    EXPECT_EQ(d.controlAck[0], 0x001E);
    EXPECT_EQ(d.controlSet[1], 4000);
    settle();
    EXPECT_EQ(commandWords(drive()), (std::vector<uint16_t>{0x009E, 0x001E}));
}

// An emergency stop latches in the drive and runs to standstill on its fast
// ramp; its stop bit goes back only once the drive reports standstill, so a
// drive that reads the bit as a level is not put back on its normal ramp.
TEST_F(ControlWriteTest, AnEmergencyStopRunsToStandstillBeforeItsStopBitComesBack) {
    h.setStatusPass([this] { h.link.queueStatusPolls(); });
    drive().setAcceleration(100000); // 1000 Hz/s: at 50 Hz in a blink
    give(Command::frequency(5000));
    give(Command::word(word::kRun));
    h.run(1000);
    ASSERT_EQ(drive().outputFrequency(), 5000);
    drive().clearRequestsSeen();
    give(Command::word(word::kEmergencyStop));
    h.run(500);
    // On the normal ramp (10 Hz/s) it would still turn at 45 Hz.
    EXPECT_LT(drive().outputFrequency(), 1000);
    h.run(500);
    EXPECT_EQ(drive().outputFrequency(), 0);
    EXPECT_EQ(commandWords(drive()), (std::vector<uint16_t>{0x001A, 0x001E}));
    // Between the two writes, a status read that found the motor standing.
    const auto seen = drive().requestsSeen();
    std::size_t stopAt = 0;
    std::size_t restoreAt = 0;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (seen[i][1] == 0x10 && sim::wordAt(seen[i].data(), 7) == 0x001A) {
            stopAt = i;
        } else if (seen[i][1] == 0x10 && sim::wordAt(seen[i].data(), 7) == 0x001E) {
            restoreAt = i;
        }
    }
    ASSERT_GT(restoreAt, stopAt + 1);
    EXPECT_EQ(sim::wordAt(seen[restoreAt - 1].data(), 2), 0x3210);
}

// The drive's side: a stop word after an emergency stop does not end it.
TEST_F(ControlWriteTest, TheSimulatedDriveLatchesItsEmergencyStop) {
    drive().setAcceleration(100000);
    give(Command::frequency(5000));
    give(Command::word(word::kRun));
    h.run(1000);
    ASSERT_EQ(drive().outputFrequency(), 5000);
    ASSERT_TRUE(ask(drive(), writeRequest(1, 0x3200, {0x001A})));
    ASSERT_TRUE(ask(drive(), writeRequest(1, 0x3200, {0x001E})));
    ASSERT_TRUE(ask(drive(), writeRequest(1, 0x3200, {0x001F}))); // not taken while stopping
    h.run(500);
    EXPECT_EQ(drive().outputFrequency(), 0);
}

// ---------------------------------------------------------------------------
// The strongest stop wins: stops given together (both waiting for the drive's
// turn), and a run given with a stop.

struct PairCase {
    const char* name;
    uint16_t first;
    uint16_t second;
    std::vector<uint16_t> written; ///< command words on the wire, follow-ups included
    Result firstResult;
    Result secondResult;
};
void PrintTo(const PairCase& c, std::ostream* os) {
    *os << c.name;
}

class StopPairTest : public ControlWriteTest, public ::testing::WithParamInterface<PairCase> {};

TEST_P(StopPairTest, TheStrongestStopWinsAndARunGivenAfterAStopFollowsIt) {
    const PairCase& c = GetParam();
    // A status read on the wire: both commands wait for the drive's next turn.
    h.link.queueStatusPolls();
    ASSERT_GE(h.runUntil([](LinkState& state) { return state.currentOp == OpCode::StatusRead; }),
              0);
    const RequestId first = give(Command::word(c.first));
    const RequestId second = give(Command::word(c.second));
    settleAndPoll();
    EXPECT_EQ(commandWords(drive()), c.written);
    EXPECT_EQ(resultOf(first), c.firstResult);
    EXPECT_EQ(resultOf(second), c.secondResult);
    for (const RequestId id : {first, second}) {
        const Outcome o = *h.outcome(id);
        if (o.result == Result::Cancelled) {
            EXPECT_EQ(o.cancelReason, CancelReason::Superseded);
            // The stronger command is named, so that the reason can be shown
            // in either language; a stop given after a stronger one says so.
            const Command other = Command::word(id == first ? c.second : c.first);
            if (o.supersededBy) {
                EXPECT_EQ(*o.supersededBy, other);
                EXPECT_EQ(o.why, commandName(other) + "命令优先");
            } else {
                EXPECT_EQ(o.why, "已有更强的停机命令等待送达");
            }
        }
    }
}

constexpr Result kDone = Result::Confirmed;
constexpr Result kDropped = Result::Cancelled;

INSTANTIATE_TEST_SUITE_P(
    Pairs, StopPairTest,
    ::testing::Values(
        PairCase{"StopThenCoast", word::kStop, word::kCoastStop, {0x001C}, kDropped, kDone},
        PairCase{"StopThenEmergency",
                 word::kStop,
                 word::kEmergencyStop,
                 {0x001A, 0x001E},
                 kDropped,
                 kDone},
        PairCase{"CoastThenEmergency",
                 word::kCoastStop,
                 word::kEmergencyStop,
                 {0x001A, 0x001E},
                 kDropped,
                 kDone},
        PairCase{"CoastThenStop", word::kCoastStop, word::kStop, {0x001C}, kDone, kDropped},
        PairCase{"EmergencyThenStop",
                 word::kEmergencyStop,
                 word::kStop,
                 {0x001A, 0x001E},
                 kDone,
                 kDropped},
        PairCase{"EmergencyThenCoast",
                 word::kEmergencyStop,
                 word::kCoastStop,
                 {0x001A, 0x001E},
                 kDone,
                 kDropped},
        PairCase{"RunThenStop", word::kRun, word::kStop, {0x001E}, kDropped, kDone},
        PairCase{"ReverseThenEmergency",
                 word::kReverse,
                 word::kEmergencyStop,
                 {0x001A, 0x001E},
                 kDropped,
                 kDone},
        PairCase{"StopThenRun", word::kStop, word::kRun, {0x001E, 0x001F}, kDone, kDone},
        // The run given after the stop carries the stop bit back itself.
        PairCase{
            "EmergencyThenRun", word::kEmergencyStop, word::kRun, {0x001A, 0x001F}, kDone, kDone}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Drives that refuse.

// A refused EEPROM store is final: told once, never sent again, and nothing
// waits behind it; status reads go on.
TEST_F(ControlWriteTest, ARefusedStoreIsFinalAndHoldsNothingBack) {
    drive().faults().refusal = Refusal{Refusal::Store, 0, 0x04};
    h.setStatusPass([this] { h.link.queueStatusPolls(); });
    const RequestId store = give(Command::store());
    h.run(500);
    const RequestId stop = give(Command::word(word::kEmergencyStop));
    h.run(5000);
    EXPECT_EQ(resultOf(store), Result::Refused);
    EXPECT_EQ(h.outcome(store)->exception, 0x04);
    EXPECT_EQ(h.outcome(store)->message,
              "变频器 1#QD30-7.50 拒绝了命令：存储到EEPROM（异常 04 从站设备故障）。");
    EXPECT_EQ(resultOf(stop), Result::Confirmed);
    int stores = 0;
    for (const auto& [reg, words] : writesSeen(drive())) {
        stores += reg == 0x3209 ? 1 : 0;
    }
    EXPECT_EQ(stores, 1);
    EXPECT_EQ(commandWords(drive()), (std::vector<uint16_t>{0x001A, 0x001E}));
    EXPECT_GE(statusReads(drive()), 50);
}

// A refused command goes three times in all, a status read before each
// retry; then the operator is told once which drive refused what and why.
// The drive is watched at its usual rate all along.
TEST_F(ControlWriteTest, ARefusedCommandGoesThreeTimesWhileTheDriveStaysWatched) {
    h.setStatusPass([this] { h.link.queueStatusPolls(); });
    h.run(10000);
    const int healthyReads = statusReads(drive());
    drive().clearRequestsSeen();

    drive().faults().refusal = Refusal{Refusal::Control, 0, 0x01};
    const RequestId run = give(Command::word(word::kRun));
    h.run(10000);
    EXPECT_EQ(commandWords(drive()), (std::vector<uint16_t>{0x001F, 0x001F, 0x001F}));
    EXPECT_EQ(resultOf(run), Result::Refused);
    EXPECT_EQ(h.outcome(run)->message,
              "变频器 1#QD30-7.50 连续三次拒绝了命令：运行（异常 01 非法功能）。");
    EXPECT_GE(statusReads(drive()) * 10, healthyReads * 9); // within 10 % of a healthy drive
    EXPECT_EQ(record().online, 1);
    EXPECT_EQ(record().controlSet[0], record().controlAck[0]); // nothing more to send
}

struct NamingCase {
    const char* name;
    Command command;
    const char* message;
};
void PrintTo(const NamingCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusalMessageTest : public ControlWriteTest,
                           public ::testing::WithParamInterface<NamingCase> {};

TEST_P(RefusalMessageTest, NamesTheDriveTheCommandAndTheException) {
    const NamingCase& c = GetParam();
    drive().faults().refusal = Refusal{Refusal::Control | Refusal::Store, 0, 0x03};
    const RequestId id = give(c.command);
    settle();
    ASSERT_EQ(resultOf(id), Result::Refused);
    EXPECT_EQ(h.outcome(id)->message, std::string("变频器 1#QD30-7.50 ") + c.message);
    EXPECT_EQ(h.outcome(id)->why, "非法数据值");
    EXPECT_TRUE(h.messages.messages().empty()); // the giver tells the operator
}

INSTANTIATE_TEST_SUITE_P(
    Commands, RefusalMessageTest,
    ::testing::Values(NamingCase{"Run", Command::word(word::kRun),
                                 "连续三次拒绝了命令：运行（异常 03 非法数据值）。"},
                      NamingCase{"Reverse", Command::word(word::kReverse),
                                 "连续三次拒绝了命令：反转（异常 03 非法数据值）。"},
                      NamingCase{"Stop", Command::word(word::kStop),
                                 "连续三次拒绝了命令：停机（异常 03 非法数据值）。"},
                      NamingCase{"CoastStop", Command::word(word::kCoastStop),
                                 "连续三次拒绝了命令：自由停机（异常 03 非法数据值）。"},
                      NamingCase{"EmergencyStop", Command::word(word::kEmergencyStop),
                                 "连续三次拒绝了命令：紧急停机（异常 03 非法数据值）。"},
                      NamingCase{"FaultReset", Command::word(word::kFaultReset),
                                 "连续三次拒绝了命令：故障复位（异常 03 非法数据值）。"},
                      NamingCase{"ForwardJog", Command::word(word::kJogForward),
                                 "连续三次拒绝了命令：正向点动（异常 03 非法数据值）。"},
                      NamingCase{"ReverseJog", Command::word(word::kJogReverse),
                                 "连续三次拒绝了命令：反向点动（异常 03 非法数据值）。"},
                      NamingCase{"UnknownWord", Command::word(0x1234),
                                 "连续三次拒绝了命令：命令字 0x1234（异常 03 非法数据值）。"},
                      NamingCase{"Frequency", Command::frequency(40000),
                                 "连续三次拒绝了命令：给定频率 400.00Hz（异常 03 非法数据值）。"},
                      NamingCase{"Store", Command::store(),
                                 "拒绝了命令：存储到EEPROM（异常 03 非法数据值）。"}),
    [](const auto& info) { return std::string(info.param.name); });

// An emergency stop, stop or coast stop reaches its drive first, whatever
// else waits for it or fails on it.
struct StopFirstCase {
    const char* name;
    std::function<void(ControlWriteTest&, sim::SimulatedDrive&, SimLink&, const Target&)> before;
};
void PrintTo(const StopFirstCase& c, std::ostream* os) {
    *os << c.name;
}

class StopFirstTest : public ControlWriteTest,
                      public ::testing::WithParamInterface<StopFirstCase> {};

TEST_P(StopFirstTest, TheEmergencyStopReachesTheDrive) {
    h.setStatusPass([this] { h.link.queueStatusPolls(); });
    h.run(300);
    GetParam().before(*this, drive(), h, h.target(1));
    h.run(150);
    drive().clearRequestsSeen();
    const RequestId stop = give(Command::word(word::kEmergencyStop));
    // The stop is the next request the drive sees, after the one on the wire
    // when it was given.
    h.run(700);
    const auto seen = drive().requestsSeen();
    const auto stopFrame = std::find_if(seen.begin(), seen.end(), [](const auto& r) {
        return r[1] == 0x10 && sim::wordAt(r.data(), 2) == 0x3200;
    });
    ASSERT_NE(stopFrame, seen.end());
    EXPECT_LE(stopFrame - seen.begin(), 1);
    EXPECT_EQ(sim::wordAt(stopFrame->data(), 7), word::kEmergencyStop);
    h.run(30000);
    ASSERT_TRUE(h.outcome(stop));
    EXPECT_NE(h.outcome(stop)->result, Result::Cancelled);
    EXPECT_NE(h.outcome(stop)->result, Result::TimedOut);
}

ParameterImage qd30Image() {
    ParameterImage image{};
    image[0] = 0x83;
    image[1] = 0x70;
    image[2] = 1270 >> 8;
    image[3] = 1270 & 0xFF;
    return image;
}

INSTANTIATE_TEST_SUITE_P(
    WhileSomethingElse, StopFirstTest,
    ::testing::Values(
        StopFirstCase{"Nothing", [](auto&, auto&, auto&, const Target&) {}},
        StopFirstCase{"StoreRefused",
                      [](ControlWriteTest& t, sim::SimulatedDrive& d, SimLink&, const Target&) {
                          d.faults().refusal = Refusal{Refusal::Store, 0, 0x04};
                          t.give(Command::store());
                      }},
        StopFirstCase{"RunRefused",
                      [](ControlWriteTest& t, sim::SimulatedDrive& d, SimLink& h, const Target&) {
                          d.faults().refusal = Refusal{Refusal::Control, 0, 0x01};
                          t.give(Command::word(word::kRun));
                          h.run(150);
                          d.faults().refusal = Refusal{};
                      }},
        StopFirstCase{"RunUnanswered",
                      [](ControlWriteTest& t, sim::SimulatedDrive& d, SimLink& h, const Target&) {
                          d.faults().silent = true;
                          t.give(Command::word(word::kRun));
                          h.run(600);
                          d.faults().silent = false;
                      }},
        StopFirstCase{"ParameterWritesWaiting",
                      [](ControlWriteTest&, sim::SimulatedDrive&, SimLink& h, const Target& t) {
                          for (int i = 0; i < 5; ++i) {
                              h.submit(t, ParameterWrite{0x0103, 380, 1, 3, true, true});
                          }
                      }},
        StopFirstCase{"Export", [](ControlWriteTest&, sim::SimulatedDrive&, SimLink& h,
                                   const Target& t) { h.submit(t, Export{}); }},
        StopFirstCase{"Import",
                      [](ControlWriteTest&, sim::SimulatedDrive& d, SimLink& h, const Target& t) {
                          d.setCatalogueRanges(false);
                          h.submit(t, Import{qd30Image(), -1});
                      }},
        StopFirstCase{"Readout", [](ControlWriteTest&, sim::SimulatedDrive&, SimLink& h,
                                    const Target& t) { h.submit(t, Readout{}); }}),
    [](const auto& info) { return std::string(info.param.name); });

// A transfer interrupted by a stop goes on afterwards and ends as it would have.
TEST_F(ControlWriteTest, AnImportInterruptedByAStopGoesOnToItsEnd) {
    drive().setCatalogueRanges(false);
    const RequestId import = h.submit(h.target(1), Import{qd30Image(), -1});
    h.run(800);
    const RequestId stop = give(Command::word(word::kStop));
    h.run(20000);
    EXPECT_EQ(resultOf(stop), Result::Confirmed);
    EXPECT_EQ(resultOf(import), Result::Confirmed);
    EXPECT_EQ(h.outcome(import)->writtenRegisters, 624u);
    EXPECT_EQ(drive().eepromStoreCount(), 1);
}

TEST_F(ControlWriteTest, AnUnansweredRunEndsAfterThreeTriesAnUnansweredStopDoesNot) {
    drive().faults().silent = true;
    const RequestId run = give(Command::word(word::kRun));
    h.run(5000);
    EXPECT_EQ(resultOf(run), Result::TimedOut);
    EXPECT_EQ(h.outcome(run)->message,
              "变频器 1#QD30-7.50 连续三次没有应答命令：运行，命令未送达。");
    EXPECT_EQ(commandWords(drive()).size(), 3u);

    drive().clearRequestsSeen();
    const RequestId stop = give(Command::word(word::kStop));
    h.run(10000);
    EXPECT_FALSE(h.outcome(stop)); // tried while the drive is in the table
    EXPECT_GE(commandWords(drive()).size(), 5u);
    drive().faults().silent = false;
    h.run(3000);
    EXPECT_EQ(resultOf(stop), Result::Confirmed);
    EXPECT_EQ(drive().holdingRegister(0x3200) & 0xFF, 0x1E);
}

TEST_F(ControlWriteTest, AStopForADriveThatLeavesEndsCancelledAndSaysSo) {
    drive().faults().silent = true;
    const RequestId stop = give(Command::word(word::kStop));
    h.run(1000);
    ASSERT_TRUE(h.link.removeDrive(record().name));
    h.step();
    ASSERT_EQ(resultOf(stop), Result::Cancelled);
    EXPECT_EQ(h.outcome(stop)->cancelReason, CancelReason::DriveGone);
    EXPECT_EQ(h.outcome(stop)->message, "1#QD30-7.50 已断开连接，停机命令未能送达！");
}

TEST_F(ControlWriteTest, ARequestForADriveNoLongerInItsSlotEndsAtOnce) {
    const Target gone = h.target(1);
    ASSERT_TRUE(h.link.removeDrive(gone.name));
    const RequestId id = h.submit(gone, Command::word(word::kRun));
    ASSERT_EQ(resultOf(id), Result::Cancelled);
    EXPECT_EQ(h.outcome(id)->cancelReason, CancelReason::DriveGone);
    h.run(1000);
    EXPECT_TRUE(commandWords(drive()).empty());
}

// ---------------------------------------------------------------------------
// Replies to a control write, against a scripted drive: only the write's own
// echo confirms it; an exception refuses it; anything else is no answer.

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

struct ReplyCase {
    const char* name;
    bool store; ///< the EEPROM store instead of a command
    ScriptedPort::Responder reply;
    Result result;
    std::size_t writes; ///< writes sent before the outcome
};
void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class ControlReplyTest : public ::testing::TestWithParam<ReplyCase> {
protected:
    ScriptedPort port;
    LinkHarness<ScriptedPort> h{port};
};

TEST_P(ControlReplyTest, OnlyTheWritesOwnEchoConfirmsIt) {
    const ReplyCase& c = GetParam();
    int slot = 0;
    {
        auto s = h.lock();
        slot = connectDrive(*s, 1, "QD30", "7.50");
        s->table.slots[static_cast<std::size_t>(slot)].pendingOp = OpCode::None;
    }
    port.setResponder(c.reply);
    const RequestId id =
        h.submit(h.target(1), c.store ? Command::store() : Command::word(word::kRun));
    ASSERT_TRUE(h.await(id, 20000));
    EXPECT_EQ(h.outcome(id)->result, c.result);
    std::size_t writes = 0;
    for (const auto& sent : port.sent()) {
        writes += sent.bytes[1] == 0x10 ? 1 : 0;
    }
    EXPECT_EQ(writes, c.writes);
    h.run(3000);
    EXPECT_EQ(port.sent().size(), writes); // nothing more once it has ended
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ControlReplyTest,
    ::testing::Values(
        ReplyCase{"BlockEcho", false, echoWith(), Result::Confirmed, 1},
        ReplyCase{"StoreEcho", true, echoWith(), Result::Confirmed, 1},
        ReplyCase{"BlockException", false, refuseWith(0x04), Result::Refused, 3},
        ReplyCase{"StoreException", true, refuseWith(0x02), Result::Refused, 1},
        ReplyCase{"BlockAnsweredAsARead", false, echoWith(1, 0x03), Result::TimedOut, 3},
        ReplyCase{"BlockEchoOfWriteSingle", false, echoWith(1, 0x06), Result::TimedOut, 3},
        ReplyCase{"BlockEchoOfAnotherStart", false, echoWith(3, 0x01), Result::TimedOut, 3},
        ReplyCase{"BlockEchoOfAnotherCount", false, echoWith(5, 0x0A), Result::TimedOut, 3},
        ReplyCase{"BlockEchoFromAnotherDrive", false, echoWith(0, 0x02), Result::TimedOut, 3},
        ReplyCase{"StoreEchoOfAnotherCount", true, echoWith(5, 0x02), Result::TimedOut, 3}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
