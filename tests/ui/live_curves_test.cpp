// The live curve: every status read kept in a bounded ring per drive, drawn
// a point a pixel column with breaks where reads stopped, and the window
// that follows the passes, pauses and saves.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "support/station.h"
#include "support/temp_dir.h"
#include "ui/live_curve_window.h"

namespace velkaro::testing {
namespace {
namespace VELKARO_UNITY_ID {

LiveSample sampleAt(uint64_t tick, int32_t frequency) {
    LiveSample s;
    s.tick = tick;
    s.values[static_cast<std::size_t>(LiveQuantity::OutputFrequency)] = frequency;
    return s;
}

TEST(LiveRingTest, KeepsTheNewestAndFindsByTime) {
    LiveRing ring;
    const std::size_t total = LiveRing::kCapacity + 250;
    for (std::size_t i = 0; i < total; ++i) {
        ring.push(sampleAt(100 * i, static_cast<int32_t>(i)));
    }
    ASSERT_EQ(ring.size(), LiveRing::kCapacity);
    EXPECT_EQ(ring.at(0).tick, 100 * 250u);
    EXPECT_EQ(ring.at(ring.size() - 1).tick, 100 * (total - 1));
    EXPECT_EQ(ring.firstAtOrAfter(0), 0u);
    EXPECT_EQ(ring.at(ring.firstAtOrAfter(100 * 3000 + 1)).tick, 100 * 3001u);
    EXPECT_EQ(ring.firstAtOrAfter(100 * total), ring.size());
}

TEST(LiveDecimationTest, APointAPixelColumnAndBreaksWhereReadsStopped) {
    LiveRing ring;
    for (uint64_t t = 0; t < 60000; t += 10) { // a read every 10 ms for a minute
        ring.push(sampleAt(t, static_cast<int32_t>(t / 1000)));
    }
    const std::vector<LivePoint> all =
        decimate(ring, LiveQuantity::OutputFrequency, 0, 60000, 300, 1500);
    ASSERT_EQ(all.size(), 300u);
    EXPECT_TRUE(all.front().gap); // a line starts
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const LivePoint& p) { return p.gap; }), 1);
    EXPECT_DOUBLE_EQ(all[150].value, 30.0); // the mean of the column's reads

    // The drive lost, then a silence of five seconds: two more breaks.
    LiveRing broken;
    for (uint64_t t = 0; t < 10000; t += 100) {
        broken.push(sampleAt(t, 1));
    }
    LiveSample lost;
    lost.tick = 10000;
    lost.lost = true;
    broken.push(lost);
    for (uint64_t t = 12000; t < 20000; t += 100) {
        broken.push(sampleAt(t, 2));
    }
    for (uint64_t t = 25000; t < 30000; t += 100) {
        broken.push(sampleAt(t, 3));
    }
    const std::vector<LivePoint> points =
        decimate(broken, LiveQuantity::OutputFrequency, 0, 30000, 600, 1500);
    std::vector<double> startValues;
    for (const LivePoint& p : points) {
        if (p.gap) {
            startValues.push_back(p.value);
        }
    }
    EXPECT_EQ(startValues, (std::vector<double>{1, 2, 3}));
}

class LiveCurveWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(st.start());
        st.bus.addDrive(1, sim::Series::QD10, 75);
        st.bus.addDrive(3, sim::Series::QD30, 750);
        st.connect(1, 3);
        st.window->openLiveCurves(st.slotOf("3#QD30-7.50"));
        window = st.window->findChild<LiveCurveWindow*>();
        ASSERT_NE(window, nullptr);
    }
    std::size_t samplesOf(const std::string& name) {
        return st.window->liveSamples().ring(st.slotOf(name))->size();
    }
    Station st;
    LiveCurveWindow* window = nullptr;
};

TEST_F(LiveCurveWindowTest, FollowsEveryReadPausesAndSaves) {
    const std::size_t before = samplesOf("3#QD30-7.50");
    st.run(3000);
    // Two drives polled as the bus allows (a read takes some 70 ms at 9600
    // baud): a sample a read, some fifteen each.
    EXPECT_GE(samplesOf("3#QD30-7.50") - before, 12u);
    EXPECT_GE(samplesOf("1#QD10-7.5") - before, 12u);
    ASSERT_EQ(window->driveList()->count(), 2);
    EXPECT_EQ(window->driveList()->item(1)->checkState(), Qt::Checked); // the context's drive

    window->pauseButton()->setChecked(true);
    const int repaints = window->repaints();
    const uint64_t shownEnd = window->plot()->endTick();
    st.run(2000);
    EXPECT_EQ(window->repaints(), repaints); // the picture holds
    EXPECT_EQ(window->plot()->endTick(), shownEnd);
    EXPECT_GE(samplesOf("3#QD30-7.50") - before, 20u); // the reads go on being kept
    window->pauseButton()->setChecked(false);
    EXPECT_GT(window->plot()->endTick(), shownEnd);

    TempDir dir;
    ASSERT_TRUE(window->saveCsv(QString::fromStdString(dir.file("live.csv"))));
    const std::string text = fileText(dir.file("live.csv"));
    EXPECT_EQ(
        text.rfind("\xEF\xBB\xBF时间,变频器名,输出频率(Hz),输出电流(A),输出电压(V),母线电压(V),"
                   "输出转矩(%)\r\n",
                   0),
        0u);
    EXPECT_NE(text.find(",3#QD30-7.50,"), std::string::npos);
    EXPECT_EQ(text.find(",1#QD10-7.5,"), std::string::npos); // not ticked
    ASSERT_TRUE(window->savePng(QString::fromStdString(dir.file("live.png"))));
    EXPECT_FALSE(window->saveCsv(QStringLiteral("/nonexistent-folder/live.csv")));
    EXPECT_EQ(st.messages.count(), 1u);
}

TEST_F(LiveCurveWindowTest, ALostDriveBreaksItsCurve) {
    st.run(1000);
    st.bus.drive(3)->faults().silent = true;
    st.run(5000); // eleven unanswered reads: dropped
    st.bus.drive(3)->faults().silent = false;
    st.run(2000);
    const LiveRing& ring = *st.window->liveSamples().ring(st.slotOf("3#QD30-7.50"));
    std::size_t lost = 0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        lost += ring.at(i).lost ? 1 : 0;
    }
    EXPECT_EQ(lost, 1u);
    const uint64_t end = st.window->liveSamples().newestTick();
    const std::vector<LivePoint> points = decimate(ring, LiveQuantity::OutputFrequency,
                                                   end > 60000 ? end - 60000 : 0, end, 600, 1500);
    EXPECT_EQ(std::count_if(points.begin(), points.end(), [](const LivePoint& p) { return p.gap; }),
              2);
}

/// The picture drawn column by column as reads come in, at uneven passes, is
/// the one drawn whole: a read joins the last one drawn however many columns
/// apart, and an unfinished column is finished.
TEST_F(LiveCurveWindowTest, ScrollingDrawsWhatAWholePictureDraws) {
    // Wide enough for columns of some 40 ms: most hold no read of a drive.
    window->resize(3000, 640);
    window->showDrive(st.selectedSlot());
    st.window->menuAction(MainWindow::Start)->trigger();
    for (int pass = 0; pass < 80; ++pass) {
        st.run(37 + (pass * 53) % 400);
        window->plot()->grab(); // painted, as on a screen
    }
    const QImage scrolled = window->plot()->grab().toImage();
    window->spanChoice()->setCurrentIndex(1);
    window->spanChoice()->setCurrentIndex(0); // drawn whole
    const QImage whole = window->plot()->grab().toImage();
    int differing = 0;
    for (int x = 0; x < whole.width(); ++x) {
        for (int y = 0; y < whole.height(); ++y) {
            differing += whole.pixel(x, y) != scrolled.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::testing
