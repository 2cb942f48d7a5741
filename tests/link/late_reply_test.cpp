// A reply that comes too late answers nothing: against the operations that
// read values (status, group read, whole-drive readout), with either frame
// end, on the simulated wire and over TCP. Every value a confirmed outcome
// carries is the drive's own; what cannot be trusted ends unconfirmed.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "link/comm_tick.h"
#include "link/ports/device_port.h"
#include "registry/catalogue.h"
#include "sim/simulated_drive.h"
#include "support/link_harness.h"
#include "support/processes.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

using sim::Series;

/// Every catalogue register gets its own value, none equal to a status word.
void fillRegisters(sim::SimulatedDrive& drive, std::string_view series) {
    const SeriesCatalogue& catalogue = *catalogueFor(series);
    for (std::size_t g = 0; g < catalogue.groups.size(); ++g) {
        for (int row = 0; row < catalogue.groups[g].count; ++row) {
            drive.setHoldingRegister(registerOf(static_cast<int>(g), row),
                                     static_cast<uint16_t>(30000 + g * 256 + row));
        }
    }
}

/// The words a confirmed read must carry: the registers from `first`.
std::vector<uint16_t> registers(const sim::SimulatedDrive& drive, uint16_t first, int count) {
    std::vector<uint16_t> words;
    for (int i = 0; i < count; ++i) {
        words.push_back(drive.holdingRegister(static_cast<uint16_t>(first + i)));
    }
    return words;
}

/// Every catalogue value of a drive, in catalogue order, as a readout gives them.
std::vector<uint16_t> catalogueWords(const sim::SimulatedDrive& drive, std::string_view series) {
    const SeriesCatalogue& catalogue = *catalogueFor(series);
    std::vector<uint16_t> words;
    for (std::size_t g = 0; g < catalogue.groups.size(); ++g) {
        const int size = std::min(groupSize(series, static_cast<int>(g), SizePurpose::Transfer),
                                  catalogue.groups[g].count);
        for (int row = 0; row < size; ++row) {
            words.push_back(drive.holdingRegister(registerOf(static_cast<int>(g), row)));
        }
    }
    return words;
}

struct LateCase {
    const char* name;
    FrameEnd frameEnd;
    int lateMs;
};
void PrintTo(const LateCase& c, std::ostream* os) {
    *os << c.name;
}

class LateReplyTest : public ::testing::TestWithParam<LateCase> {
protected:
    void SetUp() override {
        LinkSettings settings = h.link.settings();
        settings.frameEnd = GetParam().frameEnd;
        h.link.setSettings(settings);
        ASSERT_GE(h.connect(1, Series::QD10, 75), 0);
        ASSERT_GE(h.connect(2, Series::QD30, 750), 0);
        fillRegisters(*h.bus.drive(1), "QD10");
        fillRegisters(*h.bus.drive(2), "QD30");
        for (int address : {1, 2}) {
            h.bus.drive(address)->faults().lateReplyMs = GetParam().lateMs;
        }
    }
    SimLink h{StatusPasses::Polls};
};

TEST_P(LateReplyTest, NoValueOfAnotherRequestIsTakenForTheOneWaiting) {
    const RequestId group = h.submit(h.target(2), ParameterRead{8});
    const RequestId raw = h.submit(h.target(1), ParameterRead{-1, 0x0010, 30});
    const RequestId qd10 = h.submit(h.target(1), Readout{});
    ASSERT_TRUE(h.await(group, 200000));
    ASSERT_TRUE(h.await(raw, 200000));
    ASSERT_TRUE(h.await(qd10, 400000));
    const sim::SimulatedDrive& one = *h.bus.drive(1);
    const sim::SimulatedDrive& two = *h.bus.drive(2);
    int confirmed = 0;
    for (const auto& [id, want] :
         {std::pair{group, registers(two, 0x0800, 99)}, std::pair{raw, registers(one, 0x0010, 30)},
          std::pair{qd10, catalogueWords(one, "QD10")}}) {
        const Outcome o = *h.outcome(id);
        if (o.result == Result::Confirmed) {
            EXPECT_EQ(o.words, want) << "request " << id;
            ++confirmed;
        } else {
            EXPECT_TRUE(o.words.empty()) << "request " << id;
        }
    }
    // Late, but within twice the timeout: the link waits for a quiet line and
    // gets every answer right.
    EXPECT_EQ(confirmed, 3);
    // The status words shown are the drives' own.
    h.run(8000);
    const LinkSnapshot v = h.link.snapshot();
    for (int address : {1, 2}) {
        const DriveRecord& d = *v.drive(v.slotOfAddress(address));
        // Read at last (late answers to a status read are answers to it).
        EXPECT_TRUE(v.statusRead[static_cast<std::size_t>(v.slotOfAddress(address))]);
        for (uint16_t i = 0; i < 16; ++i) {
            EXPECT_EQ(static_cast<uint16_t>(d.status[i]),
                      h.bus.drive(address)->holdingRegister(static_cast<uint16_t>(0x3210 + i)))
                << address << " status word " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, LateReplyTest,
    ::testing::Values(LateCase{"SilenceLaterThanTheReadTimeout", FrameEnd::Silence, 600},
                      LateCase{"CompletionLaterThanTheReadTimeout", FrameEnd::Completion, 600},
                      LateCase{"SilenceLaterThanTheStatusTimeout", FrameEnd::Silence, 350},
                      LateCase{"CompletionLaterThanTheStatusTimeout", FrameEnd::Completion, 350}),
    [](const auto& info) { return std::string(info.param.name); });

// Over a TCP serial server, in real time, 520 ms late: two chunks alike in
// shape, each answer only to its own.
TEST(LateReplyOverTcp, ARegisterReadCarriesOnlyTheDrivesOwnValues) {
    if (!std::filesystem::exists(SimProcess::binary())) {
        GTEST_SKIP() << "velkaro-sim not built";
    }
    SimProcess sim;
    const std::string device = sim.startTcp("--tcp", "0", {"1:QD10:75"});
    ASSERT_FALSE(device.empty());
    // Known values in the drive's first group, so a misplaced answer shows.
    for (int row = 0; row < 60; row += 7) {
        sim.command("set 1 " + std::to_string(row) + " " + std::to_string(20000 + row));
    }
    DevicePort port(device);
    RecordingMessages messages;
    DriveLink link(port, messages);
    ASSERT_TRUE(link.openLink().ok);
    CommTick tick(link);
    ASSERT_TRUE(tick.start());
    const auto waitFor = [&](RequestId id, std::chrono::seconds limit) -> std::optional<Outcome> {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<Outcome> seen;
        while (std::chrono::steady_clock::now() < deadline) {
            for (Outcome& o : link.takeOutcomes()) {
                seen.push_back(std::move(o));
            }
            for (const Outcome& o : seen) {
                if (o.id == id) {
                    return o;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::nullopt;
    };
    const std::optional<Outcome> found =
        waitFor(link.submit({}, Search{1, 1}), std::chrono::seconds(30));
    ASSERT_TRUE(found && found->names.size() == 1);
    ASSERT_NE(sim.ask("late 1 520").find("ok"), std::string::npos);
    const std::optional<Outcome> read = waitFor(
        link.submit(link.targetOfAddress(1), ParameterRead{-1, 0, 60}), std::chrono::seconds(30));
    tick.stop();
    ASSERT_TRUE(read);
    if (read->result == Result::Confirmed) {
        ASSERT_EQ(read->words.size(), 60u);
        for (int row = 0; row < 60; row += 7) {
            EXPECT_EQ(read->words[static_cast<std::size_t>(row)], 20000 + row) << row;
        }
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
