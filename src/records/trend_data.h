#pragma once

#include <optional>
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
    /// Only the rows this station wrote; none = every station's. Ignored on
    /// a table without station names (RunRecordReader::stationFilter).
    std::optional<std::string> station{};
    /// Seconds between two record passes; 0 = no breaks for missing rows.
    WallSeconds recordInterval = 5;
};

/// A drive without a stored row (answering or not) for longer than this:
/// the station was not logging (stopped, its data source away), three passes
/// or more are missing, and its curves break instead of bridging the
/// stretch. Rows are whole seconds apart, so three and a half intervals.
WallSeconds gapSeconds(WallSeconds recordInterval);

/// A marked row on a curve: its time, the curve's value there and a text.
struct TrendMark {
    WallSeconds time = 0;
    double value = 0;
    std::string text;
    bool operator==(const TrendMark&) const = default;
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
    /// The drive answered in the row just before `from`, and no break comes
    /// between that row and the first segment: it continues a line drawn up
    /// to there.
    bool continuesBefore = false;
};

struct TrendData {
    std::vector<TrendCurve> curves;  ///< drives × quantities, in the request's order
    std::vector<RecordEvent> events; ///< trips and losses, oldest first
    WallSeconds newest = 0;          ///< time of the newest row read; 0 when none
    long rows = 0;                   ///< rows read
};

/// Reads the request's curves column by column: the database summarises each
/// drive's rows per pixel column (count, first and last time, lowest and
/// highest value, rows without answer or in fault), and only the columns
/// where the state changes, or that hold at most two rows, are read row by
/// row; of a column all in fault or all without answer only its first row.
/// So the rows crossing the driver follow the chart's width, not the
/// window's length, and the picture is that of thinning every row: each
/// column's minimum and maximum, breaks, marks and events where they are.
/// A column whose rows are too few for its stretch to be free of a gap (see
/// gapSeconds) is read row by row too, so the break comes where rows stop.
/// Throws on a database error.
TrendData loadTrend(RunRecordReader& reader, const TrendRequest& request);

} // namespace velkaro
