#include "records/record_events.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using Kind = RecordEvent::Kind;

TEST(RecordEventTest, WorkingStatesSplitIntoStateAndCause) {
    EXPECT_EQ(splitWorkingState("故障中 过压保护").state, "故障中");
    EXPECT_EQ(splitWorkingState("故障中 过压保护").cause, "过压保护");
    EXPECT_EQ(splitWorkingState("正向运转 ").cause, "");
    EXPECT_EQ(splitWorkingState("通讯断线").state, "通讯断线");
    EXPECT_TRUE(isCommunicationLost("通讯断线 "));
    EXPECT_FALSE(isCommunicationLost("通讯断线中 "));
    EXPECT_TRUE(isFaulted("故障中 "));
}

// A scripted night of one drive: only turns into fault and into silence are
// events; a fault that lasts, a reset, a recovery and a drive that comes back
// from silence still in the same fault are not.
TEST(RecordEventTest, TripsAndLossesAreTheTurnsOfTheLog) {
    struct Step {
        const char* state;
        std::optional<RecordEvent> event;
    };
    const std::string d = "3#QD30-7.50";
    const Step steps[] = {
        {"故障中 欠压保护", std::nullopt}, // first row: nothing to turn from
        {"停止中 ", std::nullopt},         // reset
        {"正向运转 ", std::nullopt},
        {"故障中 过压保护", RecordEvent{Kind::Trip, 4, d, "过压保护"}},
        {"故障中 过压保护", std::nullopt},
        {"停止中 ", std::nullopt}, // reset
        {"正向运转 ", std::nullopt},
        {"通讯断线 ", RecordEvent{Kind::Loss, 8, d, "通讯断线"}},
        {"通讯断线 ", std::nullopt},
        {"正向运转 ", std::nullopt}, // recovery
        {"报警中 电机过热", std::nullopt},
        {"故障中 ", RecordEvent{Kind::Trip, 12, d, "故障中"}},
        {"通讯断线 ", RecordEvent{Kind::Loss, 13, d, "通讯断线"}},
        {"故障中 ", std::nullopt}, // back, still in the same fault
        {"反向运转 ", std::nullopt},
        {"故障中 电机过载", RecordEvent{Kind::Trip, 16, d, "电机过载"}},
    };
    RecordEventTracker tracker(d);
    WallSeconds time = 0;
    for (const Step& step : steps) {
        ++time;
        EXPECT_EQ(tracker.add(time, step.state), step.event) << time << " " << step.state;
    }
}

TEST(RecordEventTest, TheRowBeforeTheWindowDecidesItsFirstRow) {
    struct Case {
        const char* before;
        const char* first;
        bool event;
    };
    const Case cases[] = {
        {"正向运转 ", "故障中 过压保护", true},  {"故障中 过压保护", "故障中 过压保护", false},
        {"正向运转 ", "通讯断线 ", true},        {"通讯断线 ", "通讯断线 ", false},
        {"通讯断线 ", "故障中 过压保护", false},
    };
    for (const Case& c : cases) {
        RecordEventTracker tracker("d");
        tracker.seed(c.before);
        EXPECT_EQ(tracker.add(100, c.first).has_value(), c.event) << c.before << " → " << c.first;
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
