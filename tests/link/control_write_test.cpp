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

} // namespace
} // namespace velkaro::testing
