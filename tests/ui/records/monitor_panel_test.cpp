#include "ui/records/monitor_panel.h"

#include <QWidget>

#include <gtest/gtest.h>

#include "support/recording_messages.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

TEST(MonitorPanel, OptionsOnlySayTheFunctionIsReserved) {
    QWidget area;
    testing::RecordingMessages messages;
    MonitorPanel panel(&area, messages);
    panel.optionsButton()->click();
    panel.optionsButton()->click();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"对不起！该功能暂时保留！", "对不起！该功能暂时保留！"}));
    EXPECT_EQ(messages.last().caption, "");
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
