#include "records/curve_decimator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

struct Row {
    WallSeconds time;
    double value;
    bool lost;
};

std::vector<CurvePoint> flatten(const std::vector<CurveSegment>& segments) {
    std::vector<CurvePoint> points;
    for (const CurveSegment& segment : segments) {
        points.insert(points.end(), segment.begin(), segment.end());
    }
    return points;
}

std::vector<CurveSegment> decimate(const std::vector<Row>& rows, WallSeconds from, WallSeconds to,
                                   int columns) {
    CurveDecimator decimator(from, to, columns);
    for (const Row& row : rows) {
        if (row.lost) {
            decimator.addBreak(row.time);
        } else {
            decimator.addValue(row.time, row.value);
        }
    }
    return decimator.finish();
}

// A night of 5-second rows with spikes, dips and a flapping link: every
// column's lowest and highest value must still be drawn, points stay in time
// order, and no more than a handful of points or segments per column.
TEST(CurveDecimatorTest, KeepsEveryColumnsMinimumAndMaximum) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, 2);
    for (const int columns : {1, 7, 300, 1000}) {
        std::vector<Row> rows;
        const WallSeconds from = 1'000'000;
        const WallSeconds to = from + 12 * 3600;
        for (WallSeconds t = from; t <= to; t += 5) {
            double value = 50 + noise(random);
            if (random() % 997 == 0) {
                value += 300; // a spike one row wide
            }
            rows.push_back({t, value, random() % 50 == 0});
        }
        const auto segments = decimate(rows, from, to, columns);
        const auto points = flatten(segments);
        CurveDecimator columnsOf(from, to, columns);
        std::map<int, std::pair<double, double>> expected;
        for (const Row& row : rows) {
            if (row.lost) {
                continue;
            }
            auto [it, added] =
                expected.try_emplace(columnsOf.columnOf(row.time), row.value, row.value);
            it->second.first = std::min(it->second.first, row.value);
            it->second.second = std::max(it->second.second, row.value);
        }
        std::map<int, std::pair<double, double>> drawn;
        for (const CurvePoint& point : points) {
            auto [it, added] =
                drawn.try_emplace(columnsOf.columnOf(point.time), point.value, point.value);
            it->second.first = std::min(it->second.first, point.value);
            it->second.second = std::max(it->second.second, point.value);
        }
        EXPECT_EQ(drawn, expected) << columns << " columns";
        EXPECT_TRUE(std::is_sorted(points.begin(), points.end(),
                                   [](auto& a, auto& b) { return a.time < b.time; }));
        EXPECT_LE(points.size(), 6u * static_cast<std::size_t>(columns));
        EXPECT_LE(segments.size(), 3u * static_cast<std::size_t>(columns));
    }
}

// Columns a minute or wider start on whole minutes, so the per-minute
// summaries fill them whole; each keeps at least a minute, and the column a
// second falls into agrees with where each column starts.
TEST(CurveDecimatorTest, WideColumnsStartOnWholeMinutes) {
    struct Case {
        WallSeconds from;
        WallSeconds span;
        int columns;
        bool wholeMinutes;
    };
    const Case cases[] = {
        {1'000'017, 72 * 3600, 1000, true}, // 259.2 s a column
        {1'000'020, 7195, 97, true},        // 74.2 s
        {1'000'017, 50 * 60, 50, true},     // a minute exactly
        {1'000'017, 50 * 60 - 1, 50, false}, {1'000'000, 7200, 1000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.span) + " s in " + std::to_string(c.columns) + " columns");
        const CurveDecimator grid(c.from, c.from + c.span, c.columns);
        EXPECT_EQ(grid.wholeMinutes(), c.wholeMinutes);
        int column = 0;
        for (WallSeconds t = c.from; t <= c.from + c.span; ++t) {
            const int found = grid.columnOf(t);
            ASSERT_TRUE(found == column || found == column + 1) << t;
            if (found == column + 1) {
                ++column;
                ASSERT_EQ(grid.columnStart(column), t);
                if (c.wholeMinutes) {
                    ASSERT_EQ(t % 60, 0);
                    ASSERT_GE(t - grid.columnStart(column - 1), 60);
                }
            }
        }
        EXPECT_EQ(column, c.columns - 1);
    }
}

TEST(CurveDecimatorTest, RowsWithoutAnswerBreakTheLine) {
    struct Case {
        const char* name;
        std::vector<Row> rows;
        int columns;
        std::vector<std::vector<WallSeconds>> segmentTimes;
    };
    const Case cases[] = {
        {"no break", {{0, 1, false}, {10, 2, false}, {20, 3, false}}, 100, {{0, 10, 20}}},
        {"one lost row", {{0, 1, false}, {10, 2, true}, {20, 3, false}}, 100, {{0}, {20}}},
        {"a run of lost rows",
         {{0, 1, false}, {10, 0, true}, {20, 0, true}, {30, 0, true}, {40, 3, false}},
         100,
         {{0}, {40}}},
        {"lost at the start and the end",
         {{0, 0, true}, {10, 2, false}, {20, 3, false}, {30, 0, true}},
         100,
         {{10, 20}}},
        // All within one column: the line still ends at the break.
        {"break inside a column",
         {{0, 1, false}, {1, 5, false}, {2, 0, true}, {3, 2, false}, {4, 4, false}},
         1,
         {{0, 1}, {3, 4}}},
        // Sub-pixel flapping: the stretches between breaks fold into one.
        {"flapping inside a column",
         {{0, 1, false},
          {1, 0, true},
          {2, 7, false},
          {3, 0, true},
          {4, 9, false},
          {5, 0, true},
          {6, 2, false}},
         1,
         {{0}, {2, 4}, {6}}},
        {"a column ending lost starts the next anew",
         {{0, 1, false}, {40, 0, true}, {60, 2, false}, {90, 3, false}},
         2,
         {{0}, {60, 90}}},
    };
    for (const Case& c : cases) {
        const auto segments = decimate(c.rows, 0, 100, c.columns);
        std::vector<std::vector<WallSeconds>> times;
        for (const CurveSegment& segment : segments) {
            auto& line = times.emplace_back();
            for (const CurvePoint& point : segment) {
                line.push_back(point.time);
            }
        }
        EXPECT_EQ(times, c.segmentTimes) << c.name;
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
