#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace velkaro {

struct LinkSnapshot;

/// The counters tab of "通讯诊断...": one row per connected drive in
/// connection order, then the address search's row "地址搜寻". refresh()
/// takes the counters of a snapshot of the link and writes only the cells
/// whose text changed; rows are rebuilt only when drives join or leave.
class LinkCountersModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int {
        NameColumn,
        RequestsColumn,
        AnswersColumn,
        TimeoutsColumn,
        RetriesColumn,
        BadCrcColumn,
        NoiseColumn,
        ForeignColumn,
        LateColumn,
        ShortColumn,
        ExceptionsColumn,
        LastTimeColumn,
        MinTimeColumn,
        MeanTimeColumn,
        MaxTimeColumn,
        LastAnswerColumn,
        ColumnCount
    };

    explicit LinkCountersModel(QObject* parent = nullptr);

    /// Takes the counters of `view`; `now` is the wall time its tick stands
    /// for (the last answer is shown as a clock time).
    void refresh(const LinkSnapshot& view, const QDateTime& now = QDateTime::currentDateTime());
    /// Cells written by refresh() since the model was made.
    std::size_t cellWrites() const { return m_cellWrites; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        int counterRow = 0;
        QString name;
        std::array<QString, ColumnCount> cells;
        bool answered = false;
        uint64_t lastAnswerTick = 0;
    };

    std::vector<Row> m_rows;
    std::size_t m_cellWrites = 0;
};

} // namespace velkaro
