#include "records/trend_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <optional>

#include "records/column_summary.h"
#include "records/minute_summary.h"

namespace velkaro {
namespace {

/// Columns summarised and then read before the next ones: what is held at
/// once stays that of this many columns, however long the window.
constexpr int kColumnsPerRead = 100;

std::optional<double> numberOf(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

/// One quantity of one drive while its rows and column summaries come in.
struct CurveBuilder {
    CurveBuilder(const TrendRequest& request, TrendCurve& target,
                 std::optional<WallSeconds> previousRow)
        : curve(&target), decimator(request.from, request.to, request.columns),
          gap(gapSeconds(request.recordInterval)), lastRow(previousRow) {}

    void addRow(WallSeconds time, const std::string& text, bool lost, bool faulted,
                std::string_view cause) {
        const bool gapBefore = gapUntil(time);
        lastRow = time;
        const std::optional<double> value = numberOf(text);
        const int column = decimator.columnOf(time);
        if (lost) {
            breakLine(time);
            if (value && column != lossColumn) {
                curve->lossMarks.push_back({time, *value, "通讯断线"});
                lossColumn = column;
            }
            return;
        }
        if (gapBefore) {
            breakLine(time);
        }
        if (!value) {
            return;
        }
        decimator.addValue(time, *value);
        drawn = true;
        lastValue = value;
        if (faulted && column != faultColumn) {
            curve->faultMarks.push_back({time, *value, std::string(cause)});
            faultColumn = column;
        }
    }

    /// A column known only by its lowest and highest value: they are drawn at
    /// its first and last row. Which came first cannot be seen within one
    /// pixel column; the one nearer the line's last value goes first, so the
    /// line does not cross the column twice.
    void addExtremes(WallSeconds first, WallSeconds last, std::optional<double> low,
                     std::optional<double> high) {
        if (gapUntil(first)) {
            breakLine(first);
        }
        passRows(last);
        if (!low || !high) {
            return;
        }
        const bool highFirst =
            lastValue && std::abs(*lastValue - *high) < std::abs(*lastValue - *low);
        decimator.addValue(first, highFirst ? *high : *low);
        decimator.addValue(last, highFirst ? *low : *high);
        drawn = true;
        lastValue = highFirst ? *low : *high;
    }

    /// Rows were stored up to `time` that were not handed in one by one.
    void passRows(WallSeconds time) { lastRow = std::max(lastRow.value_or(time), time); }

    /// True when nothing was stored for too long before `time`.
    bool gapUntil(WallSeconds time) const { return gap > 0 && lastRow && time - *lastRow > gap; }

    /// Ends the line here. Before anything is drawn it keeps the curve from
    /// continuing a line drawn up to the window.
    void breakLine(WallSeconds time) {
        if (drawn) {
            decimator.addBreak(time);
        } else {
            curve->continuesBefore = false;
        }
        lastValue.reset();
    }

    TrendCurve* curve;
    CurveDecimator decimator;
    WallSeconds gap;
    std::optional<WallSeconds> lastRow; ///< time of the drive's last stored row
    std::optional<double> lastValue;
    bool drawn = false;
    int lossColumn = -1;
    int faultColumn = -1;
};

/// One drive of the request: its curves and its events as they are found.
struct DriveTrend {
    DriveTrend(std::string drive, std::string station)
        : tracker(std::move(drive), std::move(station)) {}

    void addRow(const RunRecord& row, const std::vector<Quantity>& quantities, TrendData& data) {
        const WallSeconds time = wallSecondsOf(row.recordTime);
        if (auto event = tracker.add(time, row.workingState)) {
            data.events.push_back(std::move(*event));
        }
        const WorkingState state = splitWorkingState(row.workingState);
        const bool lost = isCommunicationLost(row.workingState);
        const bool faulted = isFaulted(row.workingState);
        const std::string_view cause = state.cause.empty() ? state.state : state.cause;
        for (std::size_t q = 0; q < builders.size(); ++q) {
            builders[q].addRow(time, valueOf(row, quantities[q]), lost, faulted, cause);
        }
    }

    std::vector<CurveBuilder> builders;
    RecordEventTracker tracker;
};

/// Which of a column's rows must be read one by one.
enum class RowsNeeded {
    None,     ///< all answered alike: the summary tells all
    FirstRow, ///< all in fault or all silent: the first row gives the mark and the event
    All,      ///< states change within the column, or too few rows to thin
};

/// True when the column's rows are too few for its stretch to be without a
/// gap: n rows at the record interval span n - 1 intervals, and a gap adds
/// more than (gap - interval). A tenth of the stretch is left for passes
/// running late (the record timer may fire 5 % late, a pass takes its time);
/// a gap narrower than that is no wider than a tenth of a pixel column.
bool mayHoldGap(const ColumnSummary& summary, WallSeconds interval) {
    const WallSeconds gap = gapSeconds(interval);
    const WallSeconds spread = summary.last - summary.first;
    return gap > 0 && spread - spread / 10 > (summary.rows - 1) * interval + gap - interval;
}

RowsNeeded rowsNeeded(const ColumnSummary& summary, WallSeconds interval) {
    const auto mixed = [&](long rows) { return rows != 0 && rows != summary.rows; };
    if (mixed(summary.lostRows) || mixed(summary.faultRows) || summary.rows <= 2 ||
        mayHoldGap(summary, interval)) {
        return RowsNeeded::All;
    }
    return summary.lostRows != 0 || summary.faultRows != 0 ? RowsNeeded::FirstRow
                                                           : RowsNeeded::None;
}

/// The stretches to read row by row; neighbouring whole columns go as one.
std::vector<DriveSpan> spansToRead(const std::vector<ColumnSummary>& summaries,
                                   const std::map<int, TimeSpan>& columns, WallSeconds interval) {
    std::vector<DriveSpan> spans;
    bool extendable = false;
    for (const ColumnSummary& summary : summaries) {
        const RowsNeeded needed = rowsNeeded(summary, interval);
        const TimeSpan column = columns.at(summary.column);
        if (needed == RowsNeeded::None) {
            extendable = false;
            continue;
        }
        if (needed == RowsNeeded::All && extendable && spans.back().drive == summary.drive &&
            spans.back().span.upTo == column.after) {
            spans.back().span.upTo = column.upTo;
            continue;
        }
        const WallSeconds upTo = needed == RowsNeeded::All ? column.upTo : summary.first;
        spans.push_back({summary.drive, {column.after, upTo}});
        extendable = needed == RowsNeeded::All;
    }
    return spans;
}

class TrendLoader {
public:
    TrendLoader(RunRecordReader& reader, const TrendRequest& request)
        : m_reader(reader), m_request(request),
          m_columns(request.from, request.to, request.columns) {}

    TrendData load() {
        m_station = m_reader.stationFilter(m_request.station);
        m_data.curves.reserve(m_request.drives.size() * m_request.quantities.size());
        for (const std::string& drive : m_request.drives) {
            startDrive(drive);
        }
        for (int start = 0; start < m_columns.columns(); start += kColumnsPerRead) {
            loadColumns(start, std::min(m_columns.columns(), start + kColumnsPerRead));
        }
        for (DriveTrend& drive : m_drives) {
            for (CurveBuilder& builder : drive.builders) {
                builder.curve->segments = builder.decimator.finish();
            }
        }
        std::stable_sort(
            m_data.events.begin(), m_data.events.end(),
            [](const RecordEvent& a, const RecordEvent& b) { return a.time < b.time; });
        return std::move(m_data);
    }

private:
    void startDrive(const std::string& name) {
        DriveTrend& drive = m_drives.emplace_back(name, m_station.value_or(std::string()));
        m_driveIndex.emplace(name, m_drives.size() - 1);
        const std::optional<RunRecord> previous =
            m_reader.rowAtOrBefore(name, wallTimeOf(m_request.from - 1), m_station);
        std::optional<WallSeconds> previousTime;
        if (previous) {
            drive.tracker.seed(previous->workingState);
            previousTime = wallSecondsOf(previous->recordTime);
        }
        const bool continues = previous && !isCommunicationLost(previous->workingState);
        for (const Quantity quantity : m_request.quantities) {
            // Room for every curve was reserved: the builders keep pointing at theirs.
            TrendCurve& curve =
                m_data.curves.emplace_back(TrendCurve{name, quantity, {}, {}, {}, continues});
            drive.builders.emplace_back(m_request, curve, previousTime);
        }
    }

    /// The seconds of columns [start, end) that hold any.
    std::map<int, TimeSpan> columnSpans(int start, int end) const {
        std::map<int, TimeSpan> spans;
        for (int column = start; column < end; ++column) {
            const WallSeconds upTo = column + 1 == m_columns.columns()
                                         ? m_request.to
                                         : m_columns.columnStart(column + 1) - 1;
            const WallSeconds after = m_columns.columnStart(column) - 1;
            if (upTo > after) {
                spans.emplace(column, TimeSpan{after, upTo});
            }
        }
        return spans;
    }

    /// Each drive's summary of each column: from the per-minute table where a
    /// column is whole minutes and the drive's minutes hold all its rows
    /// there, from the rows otherwise.
    std::vector<ColumnSummary> summarise(const std::map<int, TimeSpan>& columns) {
        std::vector<ColumnSpan> wholeMinutes;
        std::vector<ColumnSpan> partial;
        for (const auto& [column, span] : columns) {
            const bool whole = m_columns.wholeMinutes() && (span.after + 1) % kMinuteSeconds == 0 &&
                               (span.upTo + 1) % kMinuteSeconds == 0;
            (whole && m_minutesReadable ? wholeMinutes : partial).push_back({column, span});
        }
        std::vector<ColumnSummary> summaries =
            summariseColumns(m_reader, m_request.drives, m_request.quantities, partial, m_station);
        std::vector<std::string> fromRows = m_request.drives;
        if (auto minutes = summariseMinutes(m_reader, m_request.drives, m_request.quantities,
                                            wholeMinutes, m_columns, m_station)) {
            std::move(minutes->summaries.begin(), minutes->summaries.end(),
                      std::back_inserter(summaries));
            fromRows = std::move(minutes->incomplete);
        } else {
            m_minutesReadable = false;
        }
        std::vector<ColumnSummary> rest =
            summariseColumns(m_reader, fromRows, m_request.quantities, wholeMinutes, m_station);
        std::move(rest.begin(), rest.end(), std::back_inserter(summaries));
        return summaries;
    }

    void loadColumns(int start, int end) {
        const std::map<int, TimeSpan> columns = columnSpans(start, end);
        std::vector<ColumnSummary> summaries = summarise(columns);
        std::erase_if(summaries, [&](const ColumnSummary& summary) {
            return !m_driveIndex.contains(summary.drive);
        });
        std::sort(summaries.begin(), summaries.end(), [&](const auto& a, const auto& b) {
            const std::size_t driveA = m_driveIndex.at(a.drive);
            const std::size_t driveB = m_driveIndex.at(b.drive);
            return driveA != driveB ? driveA < driveB : a.column < b.column;
        });
        const std::vector<RunRecord> rows =
            readSpans(m_reader, spansToRead(summaries, columns, m_request.recordInterval),
                      m_request.quantities, m_station);
        std::map<std::string, std::vector<const RunRecord*>> rowsOf;
        for (const RunRecord& row : rows) {
            rowsOf[row.name].push_back(&row);
        }
        std::map<std::string, std::size_t> next;
        for (const ColumnSummary& summary : summaries) {
            const std::vector<const RunRecord*>& driveRows = rowsOf[summary.drive];
            addColumn(summary, columns.at(summary.column), driveRows, next[summary.drive]);
        }
    }

    void addColumn(const ColumnSummary& summary, const TimeSpan& column,
                   const std::vector<const RunRecord*>& rows, std::size_t& next) {
        DriveTrend& drive = m_drives[m_driveIndex.at(summary.drive)];
        const RowsNeeded needed = rowsNeeded(summary, m_request.recordInterval);
        const WallSeconds readUpTo = needed == RowsNeeded::All ? column.upTo : summary.first;
        if (needed != RowsNeeded::None) {
            for (; next < rows.size() && wallSecondsOf(rows[next]->recordTime) <= readUpTo;
                 ++next) {
                drive.addRow(*rows[next], m_request.quantities, m_data);
            }
        } else if (auto event = drive.tracker.add(summary.first, {})) {
            m_data.events.push_back(std::move(*event));
        }
        for (std::size_t q = 0; q < drive.builders.size() && needed != RowsNeeded::All; ++q) {
            CurveBuilder& builder = drive.builders[q];
            if (summary.lostRows == 0) {
                builder.addExtremes(summary.first, summary.last, summary.low[q], summary.high[q]);
            } else {
                builder.passRows(summary.last);
            }
        }
        m_data.rows += summary.rows;
        m_data.newest = std::max(m_data.newest, summary.last);
    }

    RunRecordReader& m_reader;
    const TrendRequest& m_request;
    CurveDecimator m_columns; ///< the chart's columns, for their seconds
    TrendData m_data;
    std::vector<DriveTrend> m_drives;
    std::map<std::string, std::size_t> m_driveIndex;
    bool m_minutesReadable = true;        ///< false once the minute table could not be read
    std::optional<std::string> m_station; ///< the station filter the table allows
};

} // namespace

WallSeconds gapSeconds(WallSeconds recordInterval) {
    return recordInterval > 0 ? recordInterval * 7 / 2 : 0;
}

TrendData loadTrend(RunRecordReader& reader, const TrendRequest& request) {
    return TrendLoader(reader, request).load();
}

} // namespace velkaro
