// Every operation's reply timeout and retry budget, against a scripted drive
// that stays silent, or answers only from another address, except for the one
// request a case lets it answer.

#include <gtest/gtest.h>

#include "registry/catalogue.h"
#include "support/link_harness.h"
#include "support/ports.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

/// The answer a healthy drive at `address` gives to `request`.
Bytes answerFrom(uint8_t address, const Bytes& request) {
    if (request[1] == 0x03) {
        return readReply(address, std::vector<uint16_t>(request[5], 0));
    }
    Bytes echo(request.begin(), request.begin() + 6); // a write's or the echo test's
    echo[0] = address;
    return withCrc(echo);
}

enum class FarEnd { Silent, OtherAddress };

struct BudgetCase {
    const char* name;
    OpCode op;
    const char* series;
    int group;
    std::size_t answered; ///< the one request (from 1) answered properly; 0: none
    FarEnd farEnd;
    unsigned timeoutTicks;
    std::size_t requests; ///< requests sent until the operation gives up
};
void PrintTo(const BudgetCase& c, std::ostream* os) {
    *os << c.name;
}

class OperationBudgetTest : public ::testing::TestWithParam<BudgetCase> {
protected:
    void SetUp() override {
        const BudgetCase& c = GetParam();
        {
            auto s = h.lock();
            slot = connectDrive(*s, 4, c.series, "7.50");
            DriveRecord& d = s->table.slots[static_cast<std::size_t>(slot)];
            d.pendingOp =
                c.op == OpCode::StatusRead || c.op == OpCode::ControlRead ? c.op : OpCode::None;
        }
        const Target target = h.target(4);
        Import import;
        import.image[1] = 0x70;
        switch (c.op) {
        case OpCode::ControlWrite:
            h.submit(target, Command::word(command_word::kRun));
            break;
        case OpCode::GroupRead:
            h.submit(target, ParameterRead{c.group});
            break;
        case OpCode::ParamWrite:
            h.submit(target, ParameterWrite{registerOf(c.group, 0), 1, c.group, 0, false, false});
            break;
        case OpCode::Export:
            h.submit(target, Export{});
            break;
        case OpCode::Import:
            h.submit(target, import);
            break;
        default:
            break;
        }
        port.setResponder([this, &c](const Bytes& r) -> std::optional<Bytes> {
            if (++seen == c.answered) {
                return answerFrom(r[0], r);
            }
            if (c.farEnd == FarEnd::OtherAddress) {
                return answerFrom(static_cast<uint8_t>(r[0] + 1), r);
            }
            return std::nullopt;
        });
    }

    ScriptedPort port;
    LinkHarness<ScriptedPort> h{port};
    int slot = -1;
    std::size_t seen = 0;
};

TEST_P(OperationBudgetTest, GivesUpAfterItsRetriesEachAfterItsTimeout) {
    const BudgetCase& c = GetParam();
    ASSERT_GE(h.runUntil([](LinkState& state) { return state.currentOp == OpCode::Finished; }), 0);
    const auto& sent = port.sent();
    ASSERT_EQ(sent.size(), c.requests);
    // A timeout is strictly more than the operation's ticks; the request goes
    // out again on the tick after.
    EXPECT_EQ(port.now() - sent.back().tick, c.timeoutTicks + 2);
    if (sent.size() > c.answered + 1) {
        EXPECT_EQ(sent.back().tick - sent[sent.size() - 2].tick, c.timeoutTicks + 2);
    }
    if (c.op == OpCode::ControlWrite) {
        // Unconfirmed, so written again once the drive has had time for a
        // status read (none is asked here).
        h.run(150);
        EXPECT_EQ(port.sent().size(), 2u);
        auto s = h.lock();
        const DriveRecord& d = s->table.slots[static_cast<std::size_t>(slot)];
        EXPECT_NE(d.controlAck, d.controlSet);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OperationBudgetTest,
    ::testing::Values(
        BudgetCase{"StatusRead", OpCode::StatusRead, "QD30", 0, 0, FarEnd::Silent, 300, 11},
        BudgetCase{"StatusReadOtherAddress", OpCode::StatusRead, "QD30", 0, 0, FarEnd::OtherAddress,
                   300, 11},
        BudgetCase{"ControlRead", OpCode::ControlRead, "QD30", 0, 0, FarEnd::Silent, 300, 11},
        BudgetCase{"ControlReadOtherAddress", OpCode::ControlRead, "QD30", 0, 0,
                   FarEnd::OtherAddress, 300, 11},
        BudgetCase{"ControlWrite", OpCode::ControlWrite, "QD30", 0, 0, FarEnd::Silent, 500, 1},
        BudgetCase{"ControlWriteOtherAddress", OpCode::ControlWrite, "QD30", 0, 0,
                   FarEnd::OtherAddress, 500, 1},
        BudgetCase{"GroupRead", OpCode::GroupRead, "QD20", 6, 0, FarEnd::Silent, 500, 11},
        BudgetCase{"GroupReadRetriesSharedByItsChunks", OpCode::GroupRead, "QD20", 6, 5,
                   FarEnd::Silent, 500, 12},
        BudgetCase{"GroupReadOtherAddress", OpCode::GroupRead, "QD20", 6, 0, FarEnd::OtherAddress,
                   500, 11},
        BudgetCase{"ParamWrite", OpCode::ParamWrite, "QD30", 1, 0, FarEnd::Silent, 500, 11},
        BudgetCase{"ParamWriteOtherAddress", OpCode::ParamWrite, "QD30", 1, 0, FarEnd::OtherAddress,
                   500, 11},
        BudgetCase{"Export", OpCode::Export, "QD10", 0, 0, FarEnd::Silent, 500, 11},
        BudgetCase{"ExportRetriesKeptAcrossChunks", OpCode::Export, "QD10", 0, 5, FarEnd::Silent,
                   500, 12},
        BudgetCase{"ExportRetriesRestartPerGroup", OpCode::Export, "QD30", 0, 5, FarEnd::Silent,
                   500, 16},
        BudgetCase{"ExportOtherAddress", OpCode::Export, "QD10", 0, 0, FarEnd::OtherAddress, 500,
                   11},
        BudgetCase{"Import", OpCode::Import, "QD30", 0, 0, FarEnd::Silent, 500, 11},
        BudgetCase{"ImportRetriesRestartPerChunk", OpCode::Import, "QD30", 0, 5, FarEnd::Silent,
                   500, 16},
        BudgetCase{"ImportOtherAddress", OpCode::Import, "QD30", 0, 0, FarEnd::OtherAddress, 500,
                   11}),
    [](const auto& info) { return std::string(info.param.name); });

// A group read answered by another function, even one shaped like a read
// reply, stores nothing and is asked again; an exception ends it at once.
TEST(GroupReadReplyTest, OnlyTheReadsOwnAnswerIsStored) {
    struct Case {
        Bytes reply;
        std::size_t requests;
        Result result;
    };
    for (const Case& c : {Case{withCrc({4, 0x04, 0x02, 0x12, 0x34}), 11, Result::TimedOut},
                          Case{readReply(4, {1, 2, 3}), 11, Result::TimedOut},
                          Case{withCrc({4, 0x83, 0x02}), 1, Result::Refused}}) {
        ScriptedPort port;
        LinkHarness<ScriptedPort> h(port);
        {
            auto s = h.lock();
            connectDrive(*s, 4, "QD20", "7.50");
            s->table.slots[0].pendingOp = OpCode::None;
        }
        port.setResponder([&c](const Bytes&) { return std::optional<Bytes>(c.reply); });
        const RequestId id = h.submit(h.target(4), ParameterRead{6});
        ASSERT_TRUE(h.await(id, 20000));
        EXPECT_EQ(port.sent().size(), c.requests);
        EXPECT_EQ(h.outcome(id)->result, c.result);
        EXPECT_TRUE(h.outcome(id)->words.empty());
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
