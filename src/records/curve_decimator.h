#pragma once

#include <optional>
#include <vector>

#include "records/record_time.h"

namespace velkaro {

struct CurvePoint {
    WallSeconds time = 0;
    double value = 0;
    bool operator==(const CurvePoint&) const = default;
};
/// A run of points drawn as one connected line.
using CurveSegment = std::vector<CurvePoint>;

/// Thins a curve to what a chart of `columns` pixel columns can show: within
/// each column it keeps the minimum and the maximum (in the order they came),
/// so every peak and dip stays visible however long the window is. A break
/// (a row without an answer from the drive) ends the line; the curve resumes
/// as a new segment. Points must come oldest first; times outside the span
/// fall into its first or last column.
///
/// A column holds at most three runs: the points before its first break (they
/// continue the line from the left), those after its last break (they lead to
/// the right), and everything between, folded into one short segment of its
/// own. So a link that drops out every few seconds still yields a bounded
/// number of segments, and every column's minimum and maximum are kept.
///
/// Columns a minute wide or wider start on the whole minute nearest to where
/// an even split would start them (the first starts at `from`), so each holds
/// whole minutes of the run records' per-minute summaries, apart from a
/// partial first and last minute of the span.
class CurveDecimator {
public:
    CurveDecimator(WallSeconds from, WallSeconds to, int columns);

    void addValue(WallSeconds time, double value);
    void addBreak(WallSeconds time);
    /// The segments, oldest first; the decimator starts over empty.
    std::vector<CurveSegment> finish();

    /// The column a time falls into.
    int columnOf(WallSeconds time) const;
    /// The earliest whole second that falls into `column` (0 .. columns()):
    /// column c holds the seconds from columnStart(c) up to columnStart(c + 1)
    /// - 1; a column narrower than a second holds none.
    WallSeconds columnStart(int column) const;
    int columns() const { return m_columns; }
    /// True when the columns start on whole minutes (they are a minute or
    /// wider): then a minute starting at m (after `from`) lies in column
    /// (m + 29 - from) * columns() / span().
    bool wholeMinutes() const { return m_wholeMinutes; }
    WallSeconds from() const { return m_from; }
    WallSeconds span() const { return m_span; }

private:
    struct Extremes {
        std::optional<CurvePoint> low;
        std::optional<CurvePoint> high;
        void add(const CurvePoint& point);
        void merge(const Extremes& other);
        void appendTo(CurveSegment& segment) const;
        bool empty() const { return !low.has_value(); }
    };

    void enterColumn(int column);
    void flushColumn();
    void closeSegment();

    /// The column of `time` in the even split, before any rounding to minutes.
    int evenColumnOf(WallSeconds time) const;

    WallSeconds m_from;
    WallSeconds m_span;
    int m_columns;
    bool m_wholeMinutes;
    int m_column = -1;
    bool m_brokenInColumn = false;
    Extremes m_before; ///< before the column's first break
    Extremes m_between;
    Extremes m_after; ///< after the column's latest break
    CurveSegment m_open;
    std::vector<CurveSegment> m_segments;
};

} // namespace velkaro
