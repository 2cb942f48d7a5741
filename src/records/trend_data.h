#pragma once

#include <string>
#include <vector>

#include "records/curve_decimator.h"
#include "records/record_events.h"
#include "records/run_record_reader.h"

namespace velkaro {

/// The curves to read: every drive × every quantity, rows at or after `from`
/// and at or before `to`, thinned to `columns` pixel columns.
struct TrendRequest {
    std::vector<std::string> drives;
    std::vector<Quantity> quantities;
    WallSeconds from = 0;
    WallSeconds to = 0;
    int columns = 800;
};

/// A marked row on a curve: its time, the curve's value there and a text.
struct TrendMark {
    WallSeconds time = 0;
    double value = 0;
    std::string text;
};

struct TrendCurve {
    std::string drive;
    Quantity quantity = Quantity::RunningFrequency;
    std::vector<CurveSegment> segments;
    /// Rows in fault, the first of each pixel column, with the cause.
    std::vector<TrendMark> faultMarks;
    /// Rows stored as "通讯断线" (at their last known value), the first of
    /// each pixel column.
    std::vector<TrendMark> lossMarks;
    /// The drive answered in the row just before `from`: the first segment
    /// continues a line drawn up to there.
    bool continuesBefore = false;
};

struct TrendData {
    std::vector<TrendCurve> curves;  ///< drives × quantities, in the request's order
    std::vector<RecordEvent> events; ///< trips and losses, oldest first
    WallSeconds newest = 0;          ///< time of the newest row read; 0 when none
    long rows = 0;                   ///< rows read
};

/// Reads the request's rows drive by drive (an index range scan on (名字,
/// 记录时间) each), a page at a time, straight into the decimators, so
/// memory follows the chart's width and not the window's length. Throws on a
/// database error.
TrendData loadTrend(RunRecordReader& reader, const TrendRequest& request);

} // namespace velkaro
