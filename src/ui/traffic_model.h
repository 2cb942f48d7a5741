#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTime>

#include <cstdint>
#include <deque>
#include <string>

#include "link/diagnostics/frame_log.h"

namespace velkaro {

class DriveLink;
struct LinkSnapshot;

/// The traffic tab of "通讯诊断...": the newest frames of the link's ring, at
/// most kKeptRows, each with its clock time, direction, drive, bytes in hex
/// and a summary. refresh() appends what came since the last one and drops
/// the oldest beyond the limit; no row already shown is rebuilt. Texts are
/// made when a row is painted, so a refresh costs the new rows only.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int {
        TimeColumn,
        DirectionColumn,
        DriveColumn,
        BytesColumn,
        SummaryColumn,
        ColumnCount
    };
    static constexpr std::size_t kKeptRows = 10000;

    explicit TrafficModel(QObject* parent = nullptr);

    /// Takes the frames the link recorded since the last refresh (nothing
    /// while paused), with the drive names of `view`; `now` is the wall time
    /// of `view`'s tick.
    void refresh(DriveLink& link, const LinkSnapshot& view,
                 const QTime& now = QTime::currentTime());
    /// Paused, the list stands still; resumed, it goes on from the first frame
    /// not yet shown that the ring still holds.
    void setPaused(bool paused) { m_paused = paused; }
    bool paused() const { return m_paused; }
    /// Empties the list; later refreshes show only newer frames.
    void clear();
    /// Shows only the frames of the drive named `name` (the probe's are
    /// "地址搜寻"); empty shows all. Frames kept but hidden reappear.
    void setDriveFilter(const QString& name);
    QString driveFilter() const { return m_filter; }
    /// Every shown row as a line: time, direction, drive, bytes, summary,
    /// tab-separated, in UTF-8. Saved traffic keeps the summaries in Chinese
    /// whatever the display language, so files from any station read alike.
    std::string shownText() const;
    /// Rows kept, shown or hidden by the filter.
    std::size_t keptRows() const { return m_rows.size(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        uint64_t serial = 0; ///< counts every row the model ever kept
        QTime time;
        QString drive;
        FrameRecord record;
    };
    const Row& shownRow(int row) const;
    /// `shown`: the summary in the display language; otherwise as saved.
    QString cellText(const Row& row, int column, bool shown = true) const;
    void append(std::deque<Row>& fresh);

    std::deque<Row> m_rows;       ///< kept, oldest first
    std::deque<uint64_t> m_shown; ///< serials of the rows the filter lets through
    uint64_t m_nextSerial = 0;
    uint64_t m_nextFrame = 0; ///< the ring's sequence number of the next frame to take
    bool m_paused = false;
    QString m_filter;
};

} // namespace velkaro
