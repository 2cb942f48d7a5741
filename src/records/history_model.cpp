#include "records/history_model.h"

#include <QScopeGuard>

#include <soci/soci.h>

namespace velkaro {
namespace {

const std::array<QString, HistoryModel::kColumns> kHeaders = {
    QStringLiteral("记录时间"), QStringLiteral("名字"),     QStringLiteral("运行频率"),
    QStringLiteral("输出电流"), QStringLiteral("输出电压"), QStringLiteral("工作状态"),
};

/// The wall-clock second after `time`, by calendar arithmetic: the table holds
/// local wall-clock times, so no time zone or daylight rule applies.
std::tm nextSecond(std::tm time) {
    time.tm_isdst = 0;
    const std::time_t seconds = timegm(&time) + 1;
    std::tm result{};
    gmtime_r(&seconds, &result);
    return result;
}

QString textOf(const std::string& value, soci::indicator indicator) {
    return indicator == soci::i_null ? QString() : QString::fromStdString(value);
}

} // namespace

HistoryModel::HistoryModel(std::string connectString, QObject* parent)
    : QAbstractTableModel(parent), m_connectString(std::move(connectString)) {}

HistoryModel::~HistoryModel() = default;

bool HistoryModel::runQuery(const HistoryFilter& filter) {
    Page page;
    try {
        page = fetchPage(filter, std::nullopt);
    } catch (const std::exception&) {
        m_session.reset();
        return false;
    }
    beginResetModel();
    m_filter = filter;
    m_rows = std::move(page.rows);
    m_nextBefore = page.nextBefore;
    endResetModel();
    return true;
}

int HistoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= kColumns) {
        return {};
    }
    return m_rows[static_cast<std::size_t>(index.row())]
        .cells[static_cast<std::size_t>(index.column())];
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return section >= 0 && section < kColumns ? QVariant(kHeaders[section]) : QVariant();
    }
    return section + 1;
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_fetching && m_nextBefore.has_value();
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    m_fetching = true;
    const auto done = qScopeGuard([this] { m_fetching = false; });
    Page page;
    try {
        page = fetchPage(m_filter, m_nextBefore);
    } catch (const std::exception&) {
        // The rows shown stay; the next refresh starts over.
        m_session.reset();
        m_nextBefore.reset();
        return;
    }
    m_nextBefore = page.nextBefore;
    if (page.rows.empty()) {
        return;
    }
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(page.rows.size()) - 1);
    for (Row& row : page.rows) {
        m_rows.push_back(std::move(row));
    }
    endInsertRows();
}

HistoryModel::Page HistoryModel::fetchPage(const HistoryFilter& filter,
                                           const std::optional<std::tm>& before) {
    for (int limit = m_pageRows;; limit *= 2) {
        std::vector<Row> rows = select(filter, before, limit);
        if (static_cast<int>(rows.size()) < limit) {
            return {std::move(rows), std::nullopt};
        }
        // The page may end inside a second whose other rows are on the next
        // page: leave that second out and start the next page just after it.
        const std::tm last = rows.back().time;
        if (!sameSecond(rows.front().time, last)) {
            while (sameSecond(rows.back().time, last)) {
                rows.pop_back();
            }
            return {std::move(rows), nextSecond(last)};
        }
        // A whole page within one second: widen until the second fits.
    }
}

std::vector<HistoryModel::Row>
HistoryModel::select(const HistoryFilter& filter, const std::optional<std::tm>& before, int limit) {
    if (!m_session) {
        m_session = openRecordSession(m_connectString);
        m_stationColumn = false;
    }
    // Looked for again while missing: another station may upgrade the table.
    if (filter.station && !m_stationColumn) {
        m_stationColumn = stationColumnsOf(*m_session).rows;
    }
    const bool byStation = filter.station && m_stationColumn;
    std::tm since = filter.since.value_or(std::tm{});
    std::tm upper = before.value_or(std::tm{});
    std::string name = filter.driveName.value_or(std::string());
    std::string station = filter.station.value_or(std::string());

    std::vector<std::tm> times(static_cast<std::size_t>(limit));
    std::vector<soci::indicator> timeFlags(times.size());
    std::array<std::vector<std::string>, kColumns - 1> texts;
    std::array<std::vector<soci::indicator>, kColumns - 1> textFlags;

    soci::statement statement(*m_session);
    std::string sql = "select 记录时间, 名字, 运行频率, 输出电流, 输出电压, 工作状态 "
                      "from 运行记录 where 记录时间 is not null";
    if (filter.since) {
        sql += " and 记录时间 > :since";
        statement.exchange(soci::use(since));
    }
    if (before) {
        sql += " and 记录时间 < :before";
        statement.exchange(soci::use(upper));
    }
    if (filter.driveName) {
        sql += " and 名字 = :name";
        statement.exchange(soci::use(name));
    }
    if (byStation) {
        sql += " and 站名 = :station";
        statement.exchange(soci::use(station));
    }
    sql += " order by 记录时间 desc limit " + std::to_string(limit);

    statement.exchange(soci::into(times, timeFlags));
    for (std::size_t column = 0; column < texts.size(); ++column) {
        texts[column].resize(times.size());
        textFlags[column].resize(times.size());
        statement.exchange(soci::into(texts[column], textFlags[column]));
    }
    statement.alloc();
    statement.prepare(sql);
    statement.define_and_bind();
    std::vector<Row> rows;
    if (statement.execute(true)) {
        rows.resize(times.size());
        for (std::size_t i = 0; i < times.size(); ++i) {
            Row& row = rows[i];
            row.time = times[i];
            row.cells[0] = QString::fromStdString(formatRecordTime(times[i]));
            for (std::size_t column = 0; column < texts.size(); ++column) {
                row.cells[column + 1] = textOf(texts[column][i], textFlags[column][i]);
            }
        }
    }
    return rows;
}

} // namespace velkaro
