#include "records/curve_decimator.h"

#include <algorithm>

namespace velkaro {

void CurveDecimator::Extremes::add(const CurvePoint& point) {
    if (!low || point.value < low->value) {
        low = point;
    }
    if (!high || point.value > high->value) {
        high = point;
    }
}

void CurveDecimator::Extremes::merge(const Extremes& other) {
    if (other.low) {
        add(*other.low);
    }
    if (other.high) {
        add(*other.high);
    }
}

void CurveDecimator::Extremes::appendTo(CurveSegment& segment) const {
    if (!low) {
        return;
    }
    const CurvePoint& first = low->time <= high->time ? *low : *high;
    const CurvePoint& second = low->time <= high->time ? *high : *low;
    segment.push_back(first);
    if (!(second == first)) {
        segment.push_back(second);
    }
}

CurveDecimator::CurveDecimator(WallSeconds from, WallSeconds to, int columns)
    : m_from(from), m_span(std::max<WallSeconds>(1, to - from)), m_columns(std::max(1, columns)),
      m_wholeMinutes(m_span >= kMinuteSeconds * m_columns) {}

int CurveDecimator::evenColumnOf(WallSeconds time) const {
    if (time <= m_from) {
        return 0;
    }
    const WallSeconds column = (time - m_from) * m_columns / m_span;
    return static_cast<int>(std::min<WallSeconds>(column, m_columns - 1));
}

int CurveDecimator::columnOf(WallSeconds time) const {
    if (!m_wholeMinutes || time <= m_from) {
        return evenColumnOf(time);
    }
    // A column starts at its even start rounded to the nearest minute, so it
    // has begun by minute m exactly when its even start is at most m + 29.
    return evenColumnOf(minuteStartOf(time) + kMinuteSeconds / 2 - 1);
}

WallSeconds CurveDecimator::columnStart(int column) const {
    // The least t with (t - from) * columns / span >= column, rounded up.
    const WallSeconds scaled = static_cast<WallSeconds>(column) * m_span;
    const WallSeconds even = m_from + (scaled + m_columns - 1) / m_columns;
    if (!m_wholeMinutes || column <= 0 || column >= m_columns) {
        return even;
    }
    // Columns are at least a minute apart, so the rounded starts stay in
    // order and every column keeps at least a minute.
    return minuteStartOf(even + kMinuteSeconds / 2);
}

void CurveDecimator::addValue(WallSeconds time, double value) {
    enterColumn(columnOf(time));
    (m_brokenInColumn ? m_after : m_before).add({time, value});
}

void CurveDecimator::addBreak(WallSeconds time) {
    enterColumn(columnOf(time));
    if (m_brokenInColumn) {
        // Points since the previous break never reach a neighbouring column.
        m_between.merge(m_after);
        m_after = {};
    }
    m_brokenInColumn = true;
}

void CurveDecimator::enterColumn(int column) {
    if (column != m_column) {
        flushColumn();
        m_column = column;
    }
}

void CurveDecimator::flushColumn() {
    m_before.appendTo(m_open);
    if (m_brokenInColumn) {
        closeSegment();
        m_between.appendTo(m_open);
        closeSegment();
    }
    m_after.appendTo(m_open);
    m_before = {};
    m_between = {};
    m_after = {};
    m_brokenInColumn = false;
}

void CurveDecimator::closeSegment() {
    if (!m_open.empty()) {
        m_segments.push_back(std::move(m_open));
        m_open.clear();
    }
}

std::vector<CurveSegment> CurveDecimator::finish() {
    flushColumn();
    closeSegment();
    m_column = -1;
    std::vector<CurveSegment> segments = std::move(m_segments);
    m_segments.clear();
    return segments;
}

} // namespace velkaro
