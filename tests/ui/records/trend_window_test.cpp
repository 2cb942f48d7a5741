#include "link/link_snapshot.h"

#include "ui/records/trend_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QTableWidget>

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "records/data_source.h"
#include "records/display_options.h"
#include "records/record_time.h"
#include "support/recording_messages.h"
#include "support/records_database.h"
#include "ui/records/station_records.h"
#include "ui/records/trend_chart_view.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Engine;
using testing::RecordsDatabase;

constexpr std::time_t kMinute = 60;
constexpr std::time_t kHour = 3600;
constexpr int kTenMinutes = 0; // "最近10分钟"
constexpr int kAllDay = 4;     // "最近24小时"
constexpr int kCustom = 6;     // "自定义"

/// A night of four drives, 20:00 to 08:00: pumps following the demand,
/// 3#QD30-7.50 tripping on overvoltage at 02:13 and reset at 02:20,
/// 2#QD20-11.00 silent from 04:05 to 04:12. Written in one transaction.
void fillNight(std::time_t from, std::time_t to, std::time_t step) {
    auto session = openRecordSession(std::string(kRunRecordConnect));
    soci::transaction transaction(*session);
    std::tm time{};
    std::string name, running, current, voltage, set, bus, state;
    const std::string station = testing::kTestStation;
    soci::statement insert =
        (session->prepare
             << "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, 输出电压, "
                "设定频率, 母线电压, 工作状态, 站名) values (:t, :n, :f, :i, :u, :s, :b, :w, :st)",
         soci::use(time), soci::use(name), soci::use(running), soci::use(current),
         soci::use(voltage), soci::use(set), soci::use(bus), soci::use(state), soci::use(station));
    const char* names[] = {"1#QD10-7.5", "2#QD20-11.00", "3#QD30-7.50", "4#QD40-11.00"};
    const std::time_t trip = from + 6 * kHour + 13 * kMinute;
    const std::time_t loss = from + 8 * kHour + 5 * kMinute;
    auto text = [](double value, int decimals) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
        return std::string(buffer);
    };
    for (std::time_t t = from; t <= to; t += step) {
        const double hours = static_cast<double>(t - from) / kHour;
        for (int d = 0; d < 4; ++d) {
            const double demand =
                0.55 + 0.35 * std::sin(hours / 2.0 + d) + 0.02 * std::sin(t / 37.0);
            double frequency = 50 * std::clamp(demand, 0.2, 1.0);
            double busVoltage = 538 + 4 * std::sin(t / 300.0 + d);
            state = "正向运转 ";
            if (d == 2 && t >= trip - 3 * kMinute && t < trip) {
                busVoltage += (t - (trip - 3 * kMinute)) * 0.6; // braking energy piling up
            }
            if (d == 2 && t >= trip && t < trip + 7 * kMinute) {
                state = "故障中 过压保护";
                frequency = 0;
            }
            const bool silent = d == 1 && t >= loss && t < loss + 7 * kMinute;
            if (silent) {
                state = "通讯断线 ";
            }
            time = localTimeOf(t);
            name = names[d];
            running = text(frequency, 2);
            set = text(50 * std::clamp(demand, 0.2, 1.0), 2);
            current = text(frequency * 0.28 + 1.5, 1);
            voltage = text(frequency * 7.6, 1);
            bus = text(busVoltage, 1);
            insert.execute(true);
        }
    }
    transaction.commit();
}

class TrendWindowTest : public testing::RecordsTest {
protected:
    void SetUp() override {
        RecordsTest::SetUp();
        evening = testing::localTime(2026, 3, 5, 20, 0, 0);
        now = evening + 12 * kHour;
    }

    TrendWindow& window() {
        if (!m_window) {
            m_records = std::make_unique<StationRecords>(messages, std::string(kRunRecordConnect));
            m_window = std::make_unique<TrendWindow>(view, options, messages, *m_records);
            m_window->setClock([this] { return now; });
            m_window->resize(1180, 720);
            m_window->windowChoice()->setCurrentIndex(kAllDay);
            m_window->refresh();
            settle();
        }
        return *m_window;
    }

    /// Lets the records worker read what the window asked for, and the
    /// window draw it.
    void settle() { ASSERT_TRUE(m_records->settle()); }

    WallSeconds wall(std::time_t when) const { return wallSecondsAt(when); }

    std::time_t evening = 0;

private:
    std::unique_ptr<StationRecords> m_records;
    std::unique_ptr<TrendWindow> m_window;
};

TEST_P(TrendWindowTest, ANightShowsBrokenCurvesMarksAndEvents) {
    options.recordIntervalMs = 60'000; // a row a minute
    fillNight(evening, now, kMinute);
    TrendWindow& trends = window();
    trends.quantityBox(Quantity::BusVoltage)->setChecked(true);
    settle();

    EXPECT_EQ(trends.driveList()->count(), 4);
    EXPECT_EQ(trends.curveSeries("1#QD10-7.5", Quantity::RunningFrequency).size(), 1u);
    // The silence breaks both curves of drive 2, and nothing else does.
    EXPECT_EQ(trends.curveSeries("2#QD20-11.00", Quantity::RunningFrequency).size(), 2u);
    EXPECT_EQ(trends.curveSeries("2#QD20-11.00", Quantity::BusVoltage).size(), 2u);
    EXPECT_EQ(trends.curveSeries("3#QD30-7.50", Quantity::BusVoltage).size(), 1u);
    for (QLineSeries* series : trends.curveSeries("2#QD20-11.00", Quantity::RunningFrequency)) {
        for (const QPointF& point : series->points()) {
            const auto at = static_cast<std::time_t>(point.x() / 1000);
            EXPECT_FALSE(at >= evening + 8 * kHour + 5 * kMinute &&
                         at < evening + 8 * kHour + 12 * kMinute)
                << "a line drawn through the silence";
        }
    }
    const auto losses = trends.lossMarks();
    ASSERT_FALSE(losses.empty());
    EXPECT_TRUE(losses.front().second.startsWith(QStringLiteral("通讯断线")));
    const auto faults = trends.faultMarks();
    ASSERT_FALSE(faults.empty());
    for (const auto& [point, text] : faults) {
        EXPECT_TRUE(text.startsWith(QStringLiteral("过压保护"))) << text.toStdString();
    }
    // The overvoltage before the trip is on the bus-voltage curve: a peak
    // the thinning must not cut off.
    double highest = 0;
    for (QLineSeries* series : trends.curveSeries("3#QD30-7.50", Quantity::BusVoltage)) {
        for (const QPointF& point : series->points()) {
            highest = std::max(highest, point.y());
        }
    }
    EXPECT_GT(highest, 600.0); // elsewhere it stays below 543

    ASSERT_EQ(trends.events().size(), 2u);
    EXPECT_EQ(trends.events()[0].drive, "3#QD30-7.50");
    EXPECT_EQ(trends.events()[0].cause, "过压保护");
    EXPECT_EQ(trends.events()[0].time, wall(evening + 6 * kHour + 13 * kMinute));
    EXPECT_EQ(trends.events()[1].cause, "通讯断线");
    EXPECT_EQ(trends.eventTable()->rowCount(), 2);
    EXPECT_EQ(trends.eventTable()->item(0, 2)->text(), QStringLiteral("过压保护"));

    trends.centreOnEvent(0);
    settle();
    const auto [from, to] = trends.visibleRange();
    EXPECT_LE(to - from, 3600);
    EXPECT_NEAR(static_cast<double>(from + to) / 2, static_cast<double>(trends.events()[0].time),
                1.0);
    EXPECT_EQ(messages.count(), 0u);
}

TEST_P(TrendWindowTest, EmptyAndImpossibleWindowsAreSaidInAWord) {
    db->insert(now - 30 * kMinute, "1#QD10-7.5", "50.00");
    TrendWindow& trends = window();
    EXPECT_NE(trends.statusText().indexOf(QStringLiteral("1 条记录")), -1);

    struct Case {
        QDateTime from;
        QDateTime to;
        const char* said;
    };
    const QDateTime base = QDateTime::fromSecsSinceEpoch(now);
    const Case cases[] = {
        {base.addSecs(-5 * kHour), base.addSecs(-4 * kHour), "所选时间内没有记录"},
        {base.addSecs(-kHour), base.addSecs(-2 * kHour), "起始时间应早于结束时间"},
        {base.addSecs(-50 * kHour), base.addSecs(-30 * kHour), "已被清除"},
        {base.addSecs(-50 * kHour), base, "只显示最近24小时"},
    };
    trends.windowChoice()->setCurrentIndex(kCustom);
    for (const Case& c : cases) {
        trends.fromEdit()->setDateTime(c.from);
        trends.toEdit()->setDateTime(c.to);
        trends.reload();
        settle();
        EXPECT_NE(trends.statusText().indexOf(QString::fromUtf8(c.said)), -1)
            << c.said << " / " << trends.statusText().toStdString();
    }
    EXPECT_EQ(messages.count(), 0u);
}

// The ten-minute window follows by itself; a pass without answer and a
// stretch without rows (the station stopped for two minutes) each break the
// followed line instead of bridging it.
TEST_P(TrendWindowTest, FollowingTakesInEveryPassAndBreaksOnSilenceAndOnAStop) {
    for (std::time_t t = now - kHour; t <= now; t += 5) {
        db->insert(t, "1#QD10-7.5", "40.00", "正向运转 ");
    }
    TrendWindow& trends = window();
    trends.windowChoice()->setCurrentIndex(kTenMinutes);
    settle();
    EXPECT_TRUE(trends.followBox()->isChecked());
    EXPECT_EQ(trends.visibleRange(), std::pair(wall(now - 10 * kMinute), wall(now)));
    ASSERT_EQ(trends.curveSeries("1#QD10-7.5", Quantity::RunningFrequency).size(), 1u);

    const std::pair<std::time_t, const char*> passes[] = {
        {5, "正向运转 "}, {5, "通讯断线 "},           {5, "正向运转 "},
        {5, "正向运转 "}, {2 * kMinute, "正向运转 "}, {5, "正向运转 "},
    };
    for (const auto& [after, state] : passes) {
        now += after;
        db->insert(now, "1#QD10-7.5", "45.00", state);
        trends.followRecordPass();
        settle();
        EXPECT_EQ(trends.visibleRange().second, wall(now));
    }
    const auto series = trends.curveSeries("1#QD10-7.5", Quantity::RunningFrequency);
    ASSERT_EQ(series.size(), 3u) << "the silent pass and the stop break the followed line";
    const auto secondOf = [](QLineSeries* line, qsizetype point) {
        return static_cast<std::time_t>(line->at(point).x() / 1000);
    };
    EXPECT_EQ(secondOf(series[0], series[0]->count() - 1), now - 2 * kMinute - 20);
    EXPECT_EQ(series[1]->count(), 2);
    EXPECT_EQ(secondOf(series[1], 1), now - 2 * kMinute - 5);
    EXPECT_EQ(series[2]->count(), 2);
    EXPECT_EQ(secondOf(series[2], 0), now - 5);
    EXPECT_EQ(trends.events().size(), 1u);
}

TEST_P(TrendWindowTest, ADataSourceThatIsDownIsSaidOnceAndRefreshTriesAgain) {
    if (GetParam() != Engine::PostgreSQL) {
        GTEST_SKIP() << "a server to stop: PostgreSQL only";
    }
    db->insert(now - kMinute, "1#QD10-7.5", "50.00");
    TrendWindow& trends = window();
    db->setAvailable(false);
    trends.refresh();
    settle();
    trends.followBox()->setChecked(true);
    trends.followRecordPass();
    settle();
    EXPECT_NE(trends.statusText().indexOf(QStringLiteral("数据源不可用")), -1);
    EXPECT_EQ(messages.count(), 0u) << "no box for a chart that cannot be read";
    EXPECT_TRUE(trends.isEnabled());

    db->setAvailable(true);
    trends.refresh();
    settle();
    EXPECT_NE(trends.statusText().indexOf(QStringLiteral("1 条记录")), -1);
}

TEST_P(TrendWindowTest, SavesThePictureOrSaysWhyNot) {
    db->insert(now - kMinute, "1#QD10-7.5", "50.00");
    TrendWindow& trends = window();
    const QString good = QString::fromStdString((db->folder() / "trend.png").string());
    ASSERT_TRUE(trends.savePng(good));
    std::ifstream png(good.toStdString(), std::ios::binary);
    char magic[4] = {};
    png.read(magic, 4);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");

    const QString bad = QString::fromStdString((db->folder() / "none" / "trend.png").string());
    EXPECT_FALSE(trends.savePng(bad));
    EXPECT_NE(messages.last().text.find(bad.toStdString()), std::string::npos);
}

// The documentation's picture: VELKARO_SCREENSHOTS=<folder> (under Xvfb)
// saves the window over a simulated night at the real 5-second spacing.
TEST_P(TrendWindowTest, NightScreenshot) {
    const char* folder = std::getenv("VELKARO_SCREENSHOTS");
    if (!folder || GetParam() != Engine::SQLite) {
        GTEST_SKIP() << "set VELKARO_SCREENSHOTS to take the picture";
    }
    fillNight(evening, now, 5);
    TrendWindow& trends = window();
    trends.quantityBox(Quantity::BusVoltage)->setChecked(true);
    trends.windowChoice()->setCurrentIndex(kCustom);
    trends.fromEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(evening));
    trends.toEdit()->setDateTime(QDateTime::fromSecsSinceEpoch(now));
    trends.show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
    }
    trends.refresh();
    settle();
    QApplication::processEvents();
    ASSERT_TRUE(trends.grab().save(QString::fromUtf8(folder) + QStringLiteral("/trends.png")));
}

INSTANTIATE_TEST_SUITE_P(Engines, TrendWindowTest,
                         ::testing::Values(Engine::SQLite, Engine::PostgreSQL),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
