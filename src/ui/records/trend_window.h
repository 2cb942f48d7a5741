#pragma once

#include <QPointF>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <map>
#include <string>
#include <vector>

#include "records/record_database.h"
#include "records/run_record_reader.h"
#include "records/trend_data.h"
#include "ui/records/station_records.h"

class QCheckBox;
class QComboBox;
class QDateTimeAxis;
class QDateTimeEdit;
class QLabel;
class QLineSeries;
class QListWidget;
class QPushButton;
class QScatterSeries;
class QTableWidget;
class QValueAxis;

namespace velkaro {

class OperatorMessages;
class TrendChartView;
struct DisplayOptions;
struct LinkSnapshot;

/// "趋势图": this station's run records of chosen drives and quantities as
/// curves over a time window, one value axis per unit, with the trips and
/// losses of communication listed beside the chart. Non-modal; the records
/// worker reads the rows, and the window draws them when they come, so
/// neither a long window nor a slow data source holds up the station.
///
/// Rows stored as "通讯断线" break a curve and are marked at their last known
/// value; a stretch without rows (see gapSeconds) breaks it too; rows in
/// fault are marked, the cause shown when the pointer rests on the mark. The
/// windows of 10 minutes and of an hour follow the record passes live. A data
/// source that is down is said once in the window's status line; "刷新" tries
/// again.
class TrendWindow : public QWidget {
    Q_OBJECT
public:
    /// Time windows offered, in seconds; the last entry of the list is
    /// "自定义". Choosing one of an hour or less ticks "实时跟随".
    static constexpr WallSeconds kWindowSeconds[] = {600, 3600, 7200, 21600, 86400, 259200};

    /// `view` is the station's latest snapshot of the link (the connected
    /// drives listed first).
    TrendWindow(const LinkSnapshot& view, const DisplayOptions& options, OperatorMessages& messages,
                StationRecords& records, QWidget* parent = nullptr);
    ~TrendWindow() override;

    // Each of these asks the records worker for the rows and draws them when
    // they come; asked again meanwhile, the newest request is served next.
    /// Re-reads the drive names and draws the chosen window afresh.
    void refresh();
    /// Draws the chosen window afresh (the names stay as listed).
    void reload();
    /// A record pass has gone in: with "实时跟随" ticked the curves take in
    /// the new rows and the time axis moves on to now.
    void followRecordPass();
    /// Shows the whole chosen window again after zooming or panning.
    void resetZoom();
    /// Centres the chart on event `index` of the list (at most an hour shown).
    void centreOnEvent(int index);
    /// Saves the chart as a PNG; false (and a message naming the file and the
    /// reason) when it cannot be written.
    bool savePng(const QString& path);

    void setClock(WallClock clock) { m_clock = std::move(clock); }

    // Controls and state, for tests.
    QListWidget* driveList() const { return m_drives; }
    QCheckBox* quantityBox(Quantity quantity) const;
    QComboBox* windowChoice() const { return m_window; }
    QDateTimeEdit* fromEdit() const { return m_from; }
    QDateTimeEdit* toEdit() const { return m_to; }
    QCheckBox* followBox() const { return m_follow; }
    TrendChartView* chartView() const { return m_view; }
    QTableWidget* eventTable() const { return m_events; }
    QString statusText() const;
    const std::vector<RecordEvent>& events() const { return m_eventList; }
    /// Visible stretch of time, local wall-clock seconds.
    std::pair<WallSeconds, WallSeconds> visibleRange() const;
    /// The drawn line series of one curve (one per unbroken stretch).
    std::vector<QLineSeries*> curveSeries(const std::string& drive, Quantity quantity) const;
    /// The marks of rows in fault / without answer, with their texts.
    std::vector<std::pair<QPointF, QString>> faultMarks() const;
    std::vector<std::pair<QPointF, QString>> lossMarks() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct Marks {
        QScatterSeries* series = nullptr;
        std::vector<QString> texts; ///< one per point
    };
    struct UnitAxis {
        QValueAxis* axis = nullptr;
        double low = 0;
        double high = 0;
        bool any = false;
        Marks faults;
        Marks losses;
    };

    void buildControls();
    void addTimeAxis();
    void fillDriveList(const std::vector<std::string>& logNames);
    TrendRequest requestFor(WallSeconds from, WallSeconds to) const;
    bool chooseWindow();
    // The reads, made when they are sent (see LatestRead); none when there
    // is nothing to read.
    RecordsWorker::Read namesRead();
    RecordsWorker::Read reloadRead();
    RecordsWorker::Read loadRead(WallSeconds from, WallSeconds to, bool withEvents);
    RecordsWorker::Read followRead();
    void loadVisible(WallSeconds from, WallSeconds to, bool withEvents);
    void showLoaded(const TrendData& data, WallSeconds from, WallSeconds to, bool withEvents);
    void showFollowed(TrendData data, WallSeconds now, WallSeconds span, int index);
    void drawData(const TrendData& data, WallSeconds from, WallSeconds to);
    void appendData(const TrendData& data);
    void addCurve(const TrendCurve& curve, bool continuing);
    UnitAxis& unitAxisFor(Quantity quantity);
    void addMarks(Marks& marks, const std::vector<TrendMark>& list, UnitAxis& unit);
    void widen(UnitAxis& unit, double value);
    void fitValueAxes();
    void clearChart();
    void showEvents();
    void setTimeRange(WallSeconds from, WallSeconds to);
    void showStatus(const QString& text, bool problem);
    void showUnavailable(const std::string& reason);
    void onUserRange();
    void onMarkHovered(const Marks& marks, const QPointF& point, bool state);
    void chooseAndSavePng();
    int plotColumns() const;
    qreal chartX(WallSeconds time) const;

    const LinkSnapshot& m_linkView;
    const DisplayOptions& m_options;
    OperatorMessages& m_messages;
    LatestRead m_reads;
    WallClock m_clock = systemNow;

    QListWidget* m_drives = nullptr;
    std::vector<QCheckBox*> m_quantities;
    QComboBox* m_window = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
    QCheckBox* m_follow = nullptr;
    TrendChartView* m_view = nullptr;
    QTableWidget* m_events = nullptr;
    QLabel* m_status = nullptr;
    QDateTimeAxis* m_timeAxis = nullptr;

    std::map<std::string, UnitAxis> m_units; ///< by unit text
    std::map<std::pair<std::string, Quantity>, std::vector<QLineSeries*>> m_curves;
    std::vector<RecordEvent> m_eventList;
    WallSeconds m_windowFrom = 0; ///< the chosen window
    WallSeconds m_windowTo = 0;
    WallSeconds m_newest = 0;  ///< newest row drawn
    WallSeconds m_drawnAt = 0; ///< end of the window at the last full drawing
    QString m_note;            ///< a word on a clipped window
    int m_nextColour = 0;
    bool m_shown = false;
    bool m_settingRange = false;
    mutable WallSeconds m_offsetHour = -1; ///< wall-clock hour of m_offsetSeconds
    mutable qint64 m_offsetSeconds = 0;    ///< epoch minus wall clock in that hour
    QTimer m_rangeTimer;                   ///< re-reads once zooming and panning pause
};

} // namespace velkaro
