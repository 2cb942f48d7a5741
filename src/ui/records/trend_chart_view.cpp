#include "ui/records/trend_chart_view.h"

#include <QChart>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace velkaro {
namespace {

constexpr double kWheelZoom = 0.8;
constexpr double kKeyPanFraction = 0.1;
constexpr qint64 kShortestSpanMs = qint64{60} * 1000;

QDateTimeAxis* timeAxisOf(QChart* chart) {
    const auto axes = chart->axes(Qt::Horizontal);
    return axes.isEmpty() ? nullptr : qobject_cast<QDateTimeAxis*>(axes.first());
}

} // namespace

TrendChartView::TrendChartView(QWidget* parent) : QChartView(parent) {
    setRubberBand(QChartView::HorizontalRubberBand);
    setRenderHint(QPainter::Antialiasing);
    setFocusPolicy(Qt::StrongFocus);
}

void TrendChartView::zoomTime(double factor, double fraction) {
    QDateTimeAxis* axis = timeAxisOf(chart());
    if (!axis) {
        return;
    }
    const qint64 from = axis->min().toMSecsSinceEpoch();
    const qint64 to = axis->max().toMSecsSinceEpoch();
    const auto width = static_cast<double>(to - from);
    const double anchor = static_cast<double>(from) + width * std::clamp(fraction, 0.0, 1.0);
    // Below a minute the 5-second rows would stand alone: no line left to read.
    const double span = std::max(static_cast<double>(kShortestSpanMs), width * factor);
    const auto newFrom = static_cast<qint64>(anchor - span * fraction);
    axis->setRange(QDateTime::fromMSecsSinceEpoch(newFrom),
                   QDateTime::fromMSecsSinceEpoch(newFrom + static_cast<qint64>(span)));
    Q_EMIT userRangeChanged();
}

void TrendChartView::panTime(double pixels) {
    if (!timeAxisOf(chart())) {
        return;
    }
    chart()->scroll(pixels, 0);
    Q_EMIT userRangeChanged();
}

void TrendChartView::wheelEvent(QWheelEvent* event) {
    const QRectF plot = chart()->plotArea();
    const QPointF at = chart()->mapFromScene(mapToScene(event->position().toPoint()));
    const double fraction = plot.width() > 0 ? (at.x() - plot.left()) / plot.width() : 0.5;
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0) {
        zoomTime(std::pow(kWheelZoom, steps), fraction);
    }
    event->accept();
}

void TrendChartView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        m_panning = true;
        m_lastPan = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void TrendChartView::mouseMoveEvent(QMouseEvent* event) {
    if (m_panning) {
        const QPoint at = event->position().toPoint();
        const int dx = at.x() - m_lastPan.x();
        m_lastPan = at;
        if (dx != 0) {
            chart()->scroll(-dx, 0);
        }
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void TrendChartView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_panning && (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        m_panning = false;
        unsetCursor();
        Q_EMIT userRangeChanged();
        event->accept();
        return;
    }
    const bool zoomed = event->button() == Qt::LeftButton && rubberBand() != NoRubberBand;
    QChartView::mouseReleaseEvent(event);
    if (zoomed) {
        Q_EMIT userRangeChanged();
    }
}

void TrendChartView::keyPressEvent(QKeyEvent* event) {
    const double step = chart()->plotArea().width() * kKeyPanFraction;
    switch (event->key()) {
    case Qt::Key_Left:
        panTime(-step);
        break;
    case Qt::Key_Right:
        panTime(step);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomTime(kWheelZoom);
        break;
    case Qt::Key_Minus:
        zoomTime(1 / kWheelZoom);
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace velkaro
