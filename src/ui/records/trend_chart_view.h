#pragma once

#include <QChartView>
#include <QPoint>

namespace velkaro {

/// The trend chart's view: a rubber band (left button) zooms into a stretch
/// of time, the wheel zooms in and out around the pointer, dragging with the
/// right or middle button pans, and the arrow keys, + and - do the same from
/// the keyboard. Only the time axis moves; the window re-reads the rows of
/// the new stretch when userRangeChanged() arrives.
class TrendChartView : public QChartView {
    Q_OBJECT
public:
    explicit TrendChartView(QWidget* parent = nullptr);

    /// Zooms the time axis by `factor` (< 1 in, > 1 out) keeping the time at
    /// `fraction` of the plot's width (0 left edge, 1 right edge) in place.
    void zoomTime(double factor, double fraction = 0.5);
    /// Moves the time axis by `pixels` (positive: later times come in).
    void panTime(double pixels);

Q_SIGNALS:
    /// The operator zoomed or panned.
    void userRangeChanged();

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_panning = false;
    QPoint m_lastPan;
};

} // namespace velkaro
