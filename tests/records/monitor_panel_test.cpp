#include "records/monitor_panel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>

#include <gtest/gtest.h>

#include "ui/support/recording_messages.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {

TEST(MonitorPanel, ChartHoldsOneSeriesOfAHundredPointsAndNothingElse) {
    QWidget area;
    test::RecordingMessages messages;
    MonitorPanel panel(&area, messages);
    auto* view = qobject_cast<QChartView*>(panel.chart());
    ASSERT_NE(view, nullptr);
    const auto series = view->chart()->series();
    ASSERT_EQ(series.size(), 1);
    auto* bars = qobject_cast<QBarSeries*>(series.front());
    ASSERT_NE(bars, nullptr);
    ASSERT_EQ(bars->count(), 1);
    EXPECT_EQ(bars->barSets().front()->label(), "C1");
    EXPECT_EQ(bars->barSets().front()->count(), 100);
    auto* rows = qobject_cast<QBarCategoryAxis*>(view->chart()->axes(Qt::Horizontal).front());
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(rows->count(), 100);
    EXPECT_EQ(rows->at(0), "R1");
    EXPECT_EQ(rows->at(99), "R100");
}

TEST(MonitorPanel, OptionsOnlySayTheFunctionIsReserved) {
    QWidget area;
    test::RecordingMessages messages;
    MonitorPanel panel(&area, messages);
    panel.optionsButton()->click();
    panel.optionsButton()->click();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"对不起！该功能暂时保留！", "对不起！该功能暂时保留！"}));
    EXPECT_EQ(messages.last().caption, "");
}

} // namespace
} // namespace velkaro
