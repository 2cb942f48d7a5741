#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "records/record_database.h"

namespace soci {
class session;
}

namespace velkaro {

/// Which run records the history grid shows.
struct HistoryFilter {
    std::optional<std::tm> since;         ///< only rows strictly later; none = all rows
    std::optional<std::string> driveName; ///< only this drive; none = all drives
    /// Only the rows this station wrote; none = every station's. A table
    /// without station names shows every row.
    std::optional<std::string> station;
};

/// The six columns of the history grid (记录时间, 名字, 运行频率, 输出电流, 输出电压,
/// 工作状态), newest first, read through a session of its own. Rows are fetched
/// a page at a time as the view scrolls; each page is its own short query
/// (keyed on the time of the last row shown), so no cursor or read lock stays
/// open between pages and the writer is never held up. All values are bound.
class HistoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 6;
    static constexpr int kDefaultPageRows = 256;

    explicit HistoryModel(std::string connectString = std::string(kRunRecordConnect),
                          QObject* parent = nullptr);
    ~HistoryModel() override;

    /// Runs the query anew and shows its first page. On a database error the
    /// rows shown stay as they were, the session is dropped for the next try,
    /// and false is returned.
    bool runQuery(const HistoryFilter& filter);

    /// Rows fetched per page (tests use small pages).
    void setPageRows(int rows) { m_pageRows = rows > 0 ? rows : 1; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    struct Row {
        std::tm time{};
        std::array<QString, kColumns> cells;
    };
    struct Page {
        std::vector<Row> rows;
        std::optional<std::tm> nextBefore; ///< bound of the next page; none = no more rows
    };

    Page fetchPage(const HistoryFilter& filter, const std::optional<std::tm>& before);
    std::vector<Row> select(const HistoryFilter& filter, const std::optional<std::tm>& before,
                            int limit);

    std::string m_connectString;
    std::unique_ptr<soci::session> m_session;
    bool m_stationColumn = false; ///< the session found 站名 in 运行记录
    HistoryFilter m_filter;
    std::vector<Row> m_rows;
    std::optional<std::tm> m_nextBefore;
    int m_pageRows = kDefaultPageRows;
    bool m_fetching = false; ///< views may ask for more while rows go in
};

} // namespace velkaro
