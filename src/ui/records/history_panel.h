#pragma once

#include <QObject>

#include <memory>

#include "records/record_database.h"
#include "records/run_record_reader.h"

class QCheckBox;
class QTableView;
class QWidget;

namespace velkaro {

class HistoryExport;
class HistoryModel;
class OperatorMessages;
class StationRecords;
class XpButton;
struct DisplayOptions;
struct LinkSnapshot;

/// The page "历史记录": the grid of run records (1087), the box "实时刷新记录"
/// (1084) and "选项" (1081), over this station's rows (DisplayOptions::stationName).
/// At start (showAllRows) the grid shows all of them, newest first;
/// refreshHistory() shows the rows of the display window, filtered by drive.
class HistoryPanel : public QObject {
    Q_OBJECT
public:
    /// `view` is the station's latest snapshot of the link (the drive names
    /// the options offer); `records` reads the rows.
    HistoryPanel(QWidget* area, const LinkSnapshot& view, DisplayOptions& options,
                 OperatorMessages& messages, StationRecords& records);
    ~HistoryPanel() override;

    void setPanelVisible(bool visible);
    /// The start-up query: every row of this station, newest first. Run once the data source
    /// is registered — a connection tried before that would fail and, within
    /// one process, keep failing.
    void showAllRows();
    /// The state of "实时刷新记录" as last clicked (ticked at start).
    bool liveRefresh() const { return m_liveRefresh; }
    /// Re-runs the query: this station's rows strictly later than now -
    /// displayWindowHours, of displayDriveName unless it is "*". The grid
    /// shows them when the records worker has read them; a failed query
    /// leaves the grid as it was; the next refresh tries again.
    void refreshHistory();
    /// "选项": runs the display options dialog modally; refreshes nothing.
    void openOptions();
    /// "导出...": asks for a CSV file and writes the rows of exportQuery() to it.
    void exportHistory();
    /// The rows of the display window and drive filter as of now, as the
    /// next refresh would show them (the export writes them oldest first).
    RecordQuery exportQuery() const;

    void setClock(WallClock clock) { m_clock = std::move(clock); }

    // Controls, for the window and tests.
    QTableView* grid() const { return m_grid; }
    HistoryModel* model() const { return m_model; }
    QCheckBox* liveRefreshBox() const { return m_liveBox; }
    XpButton* optionsButton() const { return m_options; }
    XpButton* exportButton() const { return m_export; }
    HistoryExport& historyExport() { return *m_exporter; }

private:
    void fitColumns();

    const LinkSnapshot& m_view;
    DisplayOptions& m_displayOptions;
    OperatorMessages& m_messages;
    WallClock m_clock = systemNow;
    bool m_liveRefresh = true;
    QWidget* m_frame = nullptr;
    QTableView* m_grid = nullptr;
    HistoryModel* m_model = nullptr;
    QCheckBox* m_liveBox = nullptr;
    XpButton* m_options = nullptr;
    XpButton* m_export = nullptr;
    std::unique_ptr<HistoryExport> m_exporter;
};

} // namespace velkaro
