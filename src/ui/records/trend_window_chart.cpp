// The trend window's chart: curves, unit axes, trip and loss marks, the
// visible time range and what the pointer shows over a mark.
#include "link/link_snapshot.h"
#include "widgets/qt_text.h"

#include "ui/records/trend_window.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <set>

#include "ui/records/trend_chart_view.h"
#include "ui/records/trend_look.h"
#include <QCoreApplication>

namespace velkaro {
namespace {

const QColor kCurveColours[] = {
    QColor(31, 119, 180),  QColor(214, 39, 40),   QColor(44, 160, 44),   QColor(255, 127, 14),
    QColor(148, 103, 189), QColor(140, 86, 75),   QColor(227, 119, 194), QColor(23, 190, 207),
    QColor(188, 189, 34),  QColor(127, 127, 127),
};

} // namespace

void TrendWindow::clearChart() {
    QChart* chart = m_view->chart();
    chart->removeAllSeries();
    // An axis left without series is not drawn again once new ones come:
    // the axes are made anew with the series.
    const auto [from, to] = visibleRange();
    chart->removeAxis(m_timeAxis);
    delete m_timeAxis;
    addTimeAxis();
    setTimeRange(from, to);
    for (auto& [unit, axis] : m_units) {
        chart->removeAxis(axis.axis);
        delete axis.axis;
    }
    m_units.clear();
    m_curves.clear();
    m_nextColour = 0;
}

void TrendWindow::drawData(const TrendData& data, WallSeconds from, WallSeconds to) {
    clearChart();
    for (const TrendCurve& curve : data.curves) {
        addCurve(curve, false);
    }
    // Marks after the lines, so they are drawn on top.
    for (const TrendCurve& curve : data.curves) {
        UnitAxis& unit = unitAxisFor(curve.quantity);
        addMarks(unit.faults, curve.faultMarks, unit);
        addMarks(unit.losses, curve.lossMarks, unit);
    }
    fitValueAxes();
    setTimeRange(from, to);
}

void TrendWindow::appendData(const TrendData& data) {
    for (const TrendCurve& curve : data.curves) {
        addCurve(curve, true);
    }
    for (const TrendCurve& curve : data.curves) {
        UnitAxis& unit = unitAxisFor(curve.quantity);
        addMarks(unit.faults, curve.faultMarks, unit);
        addMarks(unit.losses, curve.lossMarks, unit);
    }
    fitValueAxes();
}

void TrendWindow::addCurve(const TrendCurve& curve, bool continuing) {
    const QuantityInfo& info = quantityInfo(curve.quantity);
    UnitAxis& unit = unitAxisFor(curve.quantity);
    std::vector<QLineSeries*>& drawn = m_curves[{curve.drive, curve.quantity}];
    const QColor colour = drawn.empty() ? kCurveColours[m_nextColour++ % std::size(kCurveColours)]
                                        : drawn.front()->color();
    QChart* chart = m_view->chart();
    bool first = true;
    for (const CurveSegment& segment : curve.segments) {
        QList<QPointF> points;
        points.reserve(static_cast<qsizetype>(segment.size()));
        for (const CurvePoint& point : segment) {
            points.append(QPointF(chartX(point.time), point.value));
            widen(unit, point.value);
        }
        if (first && continuing && curve.continuesBefore && !drawn.empty()) {
            drawn.back()->append(points);
            first = false;
            continue;
        }
        first = false;
        auto* series = new QLineSeries;
        series->setName(QString::fromStdString(curve.drive) + QLatin1Char(' ') +
                        QCoreApplication::translate("velkaro::TrendWindow", info.column));
        QPen pen(colour);
        pen.setWidthF(1.5);
        series->setPen(pen);
        series->replace(points);
        // A stretch of one row has no line to show: show its point.
        series->setPointsVisible(points.size() == 1);
        chart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(unit.axis);
        if (!drawn.empty()) {
            for (QLegendMarker* marker : chart->legend()->markers(series)) {
                marker->setVisible(false);
            }
        }
        drawn.push_back(series);
    }
}

TrendWindow::UnitAxis& TrendWindow::unitAxisFor(Quantity quantity) {
    const std::string unitText = quantityInfo(quantity).unit;
    auto found = m_units.find(unitText);
    if (found != m_units.end()) {
        return found->second;
    }
    UnitAxis& unit = m_units[unitText];
    unit.axis = new QValueAxis;
    unit.axis->setTitleText(QString::fromStdString(unitText));
    unit.axis->setLabelFormat(QStringLiteral("%.1f"));
    // Axes alternate left and right, so each unit's numbers stay apart.
    m_view->chart()->addAxis(unit.axis, m_units.size() % 2 == 1 ? Qt::AlignLeft : Qt::AlignRight);
    return unit;
}

void TrendWindow::addMarks(Marks& marks, const std::vector<TrendMark>& list, UnitAxis& unit) {
    if (list.empty()) {
        return;
    }
    if (!marks.series) {
        const bool faults = &marks == &unit.faults;
        auto* series = new QScatterSeries;
        series->setName(faults ? QCoreApplication::translate("velkaro::TrendWindow", "故障")
                               : QCoreApplication::translate("velkaro::TrendWindow", "通讯断线"));
        series->setMarkerShape(faults ? QScatterSeries::MarkerShapeTriangle
                                      : QScatterSeries::MarkerShapeRectangle);
        series->setMarkerSize(faults ? 11 : 8);
        series->setColor(faults ? kTrendFaultColour : kTrendLossColour);
        series->setBorderColor(faults ? kTrendFaultColour : kTrendLossColour);
        m_view->chart()->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(unit.axis);
        Marks* target = &marks;
        connect(series, &QScatterSeries::hovered, this,
                [this, target](const QPointF& point, bool state) {
                    onMarkHovered(*target, point, state);
                });
        marks.series = series;
    }
    QList<QPointF> points;
    for (const TrendMark& mark : list) {
        points.append(QPointF(chartX(mark.time), mark.value));
        marks.texts.push_back(qtText(mark.text) + QStringLiteral("\n") + trendTimeText(mark.time));
        widen(unit, mark.value);
    }
    marks.series->append(points);
}

void TrendWindow::widen(UnitAxis& unit, double value) {
    unit.low = unit.any ? std::min(unit.low, value) : value;
    unit.high = unit.any ? std::max(unit.high, value) : value;
    unit.any = true;
}

void TrendWindow::fitValueAxes() {
    bool faultShown = false;
    bool lossShown = false;
    QLegend* legend = m_view->chart()->legend();
    for (auto& [text, unit] : m_units) {
        double low = unit.any ? unit.low : 0;
        double high = unit.any ? unit.high : 1;
        if (high - low < 1e-9) {
            low -= 1;
            high += 1;
        }
        const double margin = (high - low) * 0.05;
        // Values that never go negative keep their axis at zero or above.
        unit.axis->setRange(low >= 0 ? std::max(0.0, low - margin) : low - margin, high + margin);
        unit.axis->applyNiceNumbers();
        // One legend entry for each kind of mark, whatever the units.
        for (auto [marks, shown] :
             {std::pair{&unit.faults, &faultShown}, std::pair{&unit.losses, &lossShown}}) {
            if (marks->series) {
                for (QLegendMarker* marker : legend->markers(marks->series)) {
                    marker->setVisible(!*shown);
                }
                *shown = true;
            }
        }
    }
}

void TrendWindow::setTimeRange(WallSeconds from, WallSeconds to) {
    m_settingRange = true;
    const auto settled = qScopeGuard([this] { m_settingRange = false; });
    m_timeAxis->setRange(
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(chartX(from))),
        QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(chartX(std::max(to, from + 1)))));
}

std::pair<WallSeconds, WallSeconds> TrendWindow::visibleRange() const {
    return {wallSecondsAt(m_timeAxis->min().toSecsSinceEpoch()),
            wallSecondsAt(m_timeAxis->max().toSecsSinceEpoch())};
}

qreal TrendWindow::chartX(WallSeconds time) const {
    // The axis shows real instants in local time; the rows hold wall-clock
    // times. Clocks change on the hour, so one offset serves a whole hour.
    const WallSeconds hour = time >= 0 ? time / kTrendHour : (time - kTrendHour + 1) / kTrendHour;
    if (hour != m_offsetHour) {
        m_offsetHour = hour;
        m_offsetSeconds = static_cast<qint64>(epochOfWall(hour * kTrendHour)) - hour * kTrendHour;
    }
    return static_cast<qreal>((time + m_offsetSeconds) * 1000);
}

void TrendWindow::onMarkHovered(const Marks& marks, const QPointF& point, bool state) {
    if (!state || !marks.series) {
        QToolTip::hideText();
        return;
    }
    const QList<QPointF> points = marks.series->points();
    qsizetype nearest = -1;
    double best = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const double distance =
            std::abs(points[i].x() - point.x()) + std::abs(points[i].y() - point.y());
        if (nearest < 0 || distance < best) {
            nearest = i;
            best = distance;
        }
    }
    if (nearest >= 0 && static_cast<std::size_t>(nearest) < marks.texts.size()) {
        QToolTip::showText(QCursor::pos(), marks.texts[static_cast<std::size_t>(nearest)], m_view);
    }
}

std::vector<std::pair<QPointF, QString>> TrendWindow::faultMarks() const {
    std::vector<std::pair<QPointF, QString>> result;
    for (const auto& [text, unit] : m_units) {
        if (unit.faults.series) {
            const QList<QPointF> points = unit.faults.series->points();
            for (qsizetype i = 0; i < points.size(); ++i) {
                result.emplace_back(points[i], unit.faults.texts[static_cast<std::size_t>(i)]);
            }
        }
    }
    return result;
}

std::vector<std::pair<QPointF, QString>> TrendWindow::lossMarks() const {
    std::vector<std::pair<QPointF, QString>> result;
    for (const auto& [text, unit] : m_units) {
        if (unit.losses.series) {
            const QList<QPointF> points = unit.losses.series->points();
            for (qsizetype i = 0; i < points.size(); ++i) {
                result.emplace_back(points[i], unit.losses.texts[static_cast<std::size_t>(i)]);
            }
        }
    }
    return result;
}

std::vector<QLineSeries*> TrendWindow::curveSeries(const std::string& drive,
                                                   Quantity quantity) const {
    const auto found = m_curves.find({drive, quantity});
    return found == m_curves.end() ? std::vector<QLineSeries*>{} : found->second;
}

} // namespace velkaro
