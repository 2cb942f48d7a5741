#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

#include "records/run_record_reader.h"
#include "ui/records/station_records.h"

namespace velkaro {

/// The six columns of the history grid (记录时间, 名字, 运行频率, 输出电流, 输出电压,
/// 工作状态), newest first, read by the records worker. Rows come a page at a
/// time as the view scrolls; each page is a query of its own (see
/// RunRecordReader::historyPage), so no cursor or read lock stays open
/// between pages and the writer is never held up.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;
    static constexpr int kDefaultPageRows = 256;

    explicit HistoryModel(StationRecords& records, QObject* parent = nullptr);
    ~HistoryModel() override;

    /// Asks for the query's first page; the grid shows it when it comes
    /// (queryFinished(true)). On a database error the rows shown stay as they
    /// were (queryFinished(false)); the next query tries again. Asked again
    /// before the answer, only the newest query is run after the one running.
    void runQuery(const HistoryFilter& filter);

    /// Rows fetched per page (tests use small pages).
    void setPageRows(int rows) { m_pageRows = rows > 0 ? rows : 1; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    /// False while a query or a page is on its way.
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

Q_SIGNALS:
    void queryFinished(bool ok);

private:
    struct Row {
        std::tm time{};
        std::array<QString, kColumns> cells;
    };
    static std::vector<Row> rowsOf(const std::vector<RunRecord>& records);
    void showPage(const HistoryFilter& filter, const HistoryPage& page);
    void appendPage(unsigned generation, const HistoryPage& page);

    LatestRead m_reads;
    HistoryFilter m_filter;
    std::vector<Row> m_rows;
    std::optional<std::tm> m_nextBefore;
    int m_pageRows = kDefaultPageRows;
    unsigned m_generation = 0; ///< counts the queries shown; a page of an older one is dropped
    bool m_fetching = false;   ///< a page is on its way
};

} // namespace velkaro
