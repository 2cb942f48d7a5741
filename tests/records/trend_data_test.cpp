// Trends thinned inside the database against the same rows thinned one by one
// on the station, over a scripted log on SQLite and on PostgreSQL.
#include "records/trend_data.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <map>
#include <set>

#include "records/data_source.h"
#include "records/minute_summary.h"
#include "records/record_reports.h"
#include "support/records_database.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

constexpr int kPasses = 1441; // two hours at 5 s

/// Drive 1 wanders with one-row spikes and dips, runs in reverse for a while,
/// drops out for one row, for three and every other row, trips (and changes
/// cause without tripping again), trips right after a drop-out, and stores
/// an empty value once. Drive 2 is silent, later in fault, each for many
/// columns. Pass -1 lies before the window.
std::pair<std::string, std::string> scripted(int drive, int pass) {
    const auto within = [&](int from, int to) { return pass >= from && pass < to; };
    if (drive == 2) {
        return {within(100, 500)    ? "通讯断线 "
                : within(800, 1200) ? "故障中 过流保护"
                                    : "正向运转 ",
                pass % 3 ? "25.00" : "26.50"};
    }
    const double wave =
        30 + 10 * std::sin(pass / 40.0) + (pass % 97 ? 0 : 25) - (pass % 89 ? 0 : 20);
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", within(600, 640) ? -wave : wave);
    if (pass < 0 || within(200, 203) || pass == 300 || (within(400, 440) && pass % 2) ||
        within(900, 905)) {
        return {"通讯断线 ", text};
    }
    return {within(700, 720)   ? "故障中 过压保护"
            : within(720, 730) ? "故障中 电机过载"
            : within(905, 915) ? "故障中 欠压保护"
                               : "正向运转 ",
            pass == 1000 ? "" : text};
}

/// The log with its minutes, as the record pass summarises them.
void writeLog(std::time_t from) {
    auto session = openRecordSession(std::string(kRunRecordConnect));
    soci::transaction transaction(*session);
    std::tm time{};
    std::string name, state, frequency, bus;
    soci::statement insert =
        (session->prepare << "insert into 运行记录 (记录时间, 名字, 运行频率, 母线电压, 工作状态) "
                             "values (:t, :n, :f, :b, :w)",
         soci::use(time), soci::use(name), soci::use(frequency), soci::use(bus), soci::use(state));
    for (int pass = -1; pass < kPasses; ++pass) {
        for (const int drive : {1, 2}) {
            time = localTimeOf(from + pass * 5);
            name = std::to_string(drive) + "#QD10-7.5";
            std::tie(state, frequency) = scripted(drive, pass);
            bus = std::to_string(540 + pass % 7) + ".5";
            insert.execute(true);
        }
    }
    MinuteSummaryWriter minutes(*session);
    const WallSeconds first = minuteStartOf(wallSecondsAt(from - 5));
    for (WallSeconds minute = first; minute <= wallSecondsAt(from) + kPasses * 5;
         minute += kMinuteSeconds) {
        minutes.summarise(minute);
    }
    transaction.commit();
}

/// Every row of the window thinned on the station, as trends were drawn
/// before the database did the work.
TrendCurve thinRowByRow(RunRecordReader& reader, const TrendRequest& request,
                        const TrendCurve& like, long& rows) {
    TrendCurve curve{like.drive, like.quantity, {}, {}, {}, false};
    CurveDecimator decimator(request.from, request.to, request.columns);
    RecordQuery query;
    query.after = wallTimeOf(request.from - 1);
    query.upTo = wallTimeOf(request.to);
    query.driveName = like.drive;
    int lossColumn = -1;
    int faultColumn = -1;
    reader.readPages(query, [&](const std::vector<RunRecord>& page) {
        rows += static_cast<long>(page.size());
        for (const RunRecord& row : page) {
            const WallSeconds time = wallSecondsOf(row.recordTime);
            const std::string& text = valueOf(row, like.quantity);
            double value = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), value);
            const bool number = !text.empty() && end == text.data() + text.size();
            const int column = decimator.columnOf(time);
            const WorkingState state = splitWorkingState(row.workingState);
            if (isCommunicationLost(row.workingState)) {
                decimator.addBreak(time);
                if (number && std::exchange(lossColumn, column) != column) {
                    curve.lossMarks.push_back({time, value, "通讯断线"});
                }
            } else if (number) {
                decimator.addValue(time, value);
                if (isFaulted(row.workingState) && std::exchange(faultColumn, column) != column) {
                    curve.faultMarks.push_back({time, value, std::string(state.cause)});
                }
            }
        }
        return true;
    });
    curve.segments = decimator.finish();
    return curve;
}

/// What a chart shows of a curve: each column's lowest and highest value, and
/// the columns where each unbroken stretch begins and ends.
auto picture(const TrendCurve& curve, const CurveDecimator& columns) {
    std::map<int, std::pair<double, double>> extremes;
    std::vector<std::pair<int, int>> stretches;
    for (const CurveSegment& segment : curve.segments) {
        stretches.emplace_back(columns.columnOf(segment.front().time),
                               columns.columnOf(segment.back().time));
        for (const CurvePoint& point : segment) {
            auto [it, added] =
                extremes.try_emplace(columns.columnOf(point.time), point.value, point.value);
            it->second = {std::min(it->second.first, point.value),
                          std::max(it->second.second, point.value)};
        }
    }
    return std::pair(extremes, stretches);
}

class TrendDataTest : public testing::RecordsTest {};

// Wide columns are summarised by the database (from the minutes while they
// hold every row, from the rows when they do not), narrow ones (at most two
// rows) read row by row; up to ten drives, most absent from the log, are
// summarised together.
TEST_P(TrendDataTest, DatabaseThinningDrawsWhatRowThinningDraws) {
    const std::time_t from = testing::localTime(2026, 3, 6, 1, 0, 0);
    writeLog(from);
    const std::string drive1 = "'1#QD10-7.5'";
    const std::string minute = std::to_string(wallSecondsAt(from) / 60 + 50);
    // Each spoils the minutes a little more; the picture must not change.
    const std::pair<const char*, std::string> conditions[] = {
        {"minutes as the record pass keeps them", ""},
        {"a minute lost between its row and its summary",
         "delete from 运行记录分钟汇总 where 名字 = " + drive1 + " and 分钟 = " + minute},
        {"rows of a station that keeps no minutes",
         "insert into 运行记录 (记录时间, 名字, 运行频率, 母线电压, 工作状态) select 记录时间, "
         "'3#QD10-7.5', '99.00', '600.5', '正向运转 ' from 运行记录 where 名字 = " +
             drive1 + " and 工作状态 = '故障中 过压保护'"},
        {"no minute table", "drop table 运行记录分钟汇总"},
    };
    for (const auto& [condition, spoil] : conditions) {
        if (!spoil.empty()) {
            db->execute(spoil);
        }
        for (const auto& [columns, absent, offset] :
             {std::tuple{7, 0, 0}, {97, 0, 0}, {97, 7, 0}, {97, 0, 17}, {1000, 0, 0}}) {
            SCOPED_TRACE(std::string(condition) + ", " + std::to_string(columns) + " columns, " +
                         std::to_string(absent) + " absent, from +" + std::to_string(offset));
            TrendRequest request{{"1#QD10-7.5", "2#QD10-7.5", "3#QD10-7.5"},
                                 {Quantity::RunningFrequency, Quantity::BusVoltage},
                                 wallSecondsAt(from) + offset,
                                 wallSecondsAt(from) + (kPasses - 1) * 5,
                                 columns};
            for (int drive = 0; drive < absent; ++drive) {
                request.drives.push_back("空" + std::to_string(drive));
            }
            RunRecordReader reader;
            const TrendData data = loadTrend(reader, request);

            const CurveDecimator grid(request.from, request.to, request.columns);
            ASSERT_EQ(data.curves.size(), request.drives.size() * 2);
            long rows = 0;
            for (const TrendCurve& curve : data.curves) {
                SCOPED_TRACE(curve.drive + " " + quantityInfo(curve.quantity).column);
                const TrendCurve expected = thinRowByRow(reader, request, curve, rows);
                EXPECT_EQ(picture(curve, grid), picture(expected, grid));
                if (columns > kPasses / 2) {
                    EXPECT_EQ(curve.segments, expected.segments) << "every row where it was";
                }
                EXPECT_EQ(curve.faultMarks, expected.faultMarks);
                EXPECT_EQ(curve.lossMarks, expected.lossMarks);
            }
            RecordQuery window;
            window.after = wallTimeOf(request.from - 1);
            window.upTo = wallTimeOf(request.to);
            std::vector<RecordEvent> events = findEvents(reader, window);
            std::vector<RecordEvent> found = data.events;
            for (auto* list : {&events, &found}) {
                std::sort(list->begin(), list->end(), [](const auto& a, const auto& b) {
                    return std::tie(a.time, a.drive) < std::tie(b.time, b.drive);
                });
            }
            EXPECT_EQ(found, events);
            EXPECT_EQ(data.rows * 2, rows) << "rows of both quantities";
        }
    }
}

// A minute made to hold a value no row has shows it while the minutes add up
// to the rows, so they are what the chart is drawn from; once one minute of
// the drive is missing in that stretch, the rows are read instead.
TEST_P(TrendDataTest, MinutesAreTakenOnlyWhileTheyHoldEveryRow) {
    const std::time_t from = testing::localTime(2026, 3, 6, 1, 0, 0);
    writeLog(from);
    const std::string minute = std::to_string(wallSecondsAt(from) / 60);
    db->execute("update 运行记录分钟汇总 set 母线电压最大 = 999 where 名字 = '1#QD10-7.5' and "
                "分钟 = " +
                minute + " + 30");
    const TrendRequest request{{"1#QD10-7.5"},
                               {Quantity::BusVoltage},
                               wallSecondsAt(from),
                               wallSecondsAt(from) + (kPasses - 1) * 5,
                               97};
    const auto highest = [&] {
        RunRecordReader reader;
        const TrendData data = loadTrend(reader, request);
        double high = 0;
        for (const CurveSegment& segment : data.curves.at(0).segments) {
            for (const CurvePoint& point : segment) {
                high = std::max(high, point.value);
            }
        }
        return high;
    };
    EXPECT_EQ(highest(), 999);
    db->execute("delete from 运行记录分钟汇总 where 名字 = '1#QD10-7.5' and 分钟 = " + minute +
                " + 90");
    EXPECT_EQ(highest(), 546.5);
}

// The station logged every 5 s, missed one pass, then two (no break: a pass
// or two may fail), then three (a break), stopped for ten minutes (a break),
// and stored a row without answer (a break). However wide the columns, and
// whether they come from the minutes or the rows, no line runs through the
// stop or the silent row; where every row has its column, the lines are
// exactly the stretches between the breaks.
TEST_P(TrendDataTest, AStretchWithoutRowsBreaksTheCurve) {
    const std::time_t from = testing::localTime(2026, 3, 6, 1, 0, 0);
    const std::set<int> missed = {600, 1200, 1205, 1500, 1505, 1510};
    {
        auto session = openRecordSession(std::string(kRunRecordConnect));
        soci::transaction transaction(*session);
        std::tm time{};
        std::string state;
        soci::statement insert =
            (session->prepare << "insert into 运行记录 (记录时间, 名字, 运行频率, 工作状态) "
                                 "values (:t, 'G', '50.00', :w)",
             soci::use(time), soci::use(state));
        for (int t = 0; t <= 4200; t += 5) {
            if (missed.contains(t) || (t > 1800 && t < 2400)) {
                continue;
            }
            time = localTimeOf(from + t);
            state = t == 3000 ? "通讯断线 " : "正向运转 ";
            insert.execute(true);
        }
        MinuteSummaryWriter minutes(*session);
        for (WallSeconds minute = wallSecondsAt(from); minute <= wallSecondsAt(from) + 4200;
             minute += kMinuteSeconds) {
            minutes.summarise(minute);
        }
        transaction.commit();
    }
    const WallSeconds start = wallSecondsAt(from);
    RunRecordReader reader;
    // Three columns hold the stop inside one; seven and thirty (whole
    // minutes) end a column at it.
    for (const int columns : {3, 7, 30, 97, 1000}) {
        SCOPED_TRACE(std::to_string(columns) + " columns");
        const TrendRequest request{
            {"G"}, {Quantity::RunningFrequency}, start, start + 4200, columns};
        const TrendData data = loadTrend(reader, request);
        ASSERT_EQ(data.curves.size(), 1u);
        const auto& segments = data.curves[0].segments;
        for (const CurveSegment& segment : segments) {
            for (std::size_t i = 1; i < segment.size(); ++i) {
                const WallSeconds a = segment[i - 1].time - start;
                const WallSeconds b = segment[i].time - start;
                EXPECT_FALSE(a <= 1800 && b >= 2400) << "drawn through the stop: " << a << " " << b;
                EXPECT_FALSE(a < 3000 && b > 3000) << "drawn through the silent row";
            }
        }
        if (columns == 1000) {
            std::vector<std::pair<WallSeconds, WallSeconds>> stretches;
            for (const CurveSegment& segment : segments) {
                stretches.emplace_back(segment.front().time - start, segment.back().time - start);
            }
            EXPECT_EQ(stretches, (std::vector<std::pair<WallSeconds, WallSeconds>>{
                                     {0, 1495}, {1515, 1800}, {2400, 2995}, {3005, 4200}}));
        }
    }
    // A window starting after the stop does not continue the line drawn up
    // to the stop; one starting in the middle of a stretch does.
    for (const auto& [offset, continues] : {std::pair{2400, false}, {1000, true}}) {
        const TrendRequest request{
            {"G"}, {Quantity::RunningFrequency}, start + offset, start + offset + 300, 100};
        EXPECT_EQ(loadTrend(reader, request).curves.at(0).continuesBefore, continues) << offset;
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, TrendDataTest,
                         ::testing::Values(testing::Engine::SQLite, testing::Engine::PostgreSQL),
                         testing::engineName);

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
