#include "ui/records/history_model.h"

#include "registry/language.h"
#include "registry/state_texts.h"

#include "records/record_database.h"
#include "widgets/qt_text.h"

namespace velkaro {
namespace {

// Column names of the run records, shown in the display language.
constexpr std::array<const char*, HistoryModel::kColumns> kHistoryHeaders = {
    QT_TRANSLATE_NOOP("velkaro::HistoryModel", "记录时间"),
    QT_TRANSLATE_NOOP("velkaro::HistoryModel", "名字"),
    QT_TRANSLATE_NOOP("velkaro::HistoryModel", "运行频率"),
    QT_TRANSLATE_NOOP("velkaro::HistoryModel", "输出电流"),
    QT_TRANSLATE_NOOP("velkaro::HistoryModel", "输出电压"),
    QT_TRANSLATE_NOOP("velkaro::HistoryModel", "工作状态"),
};

constexpr int kStateColumn = 5;

// A stored 工作状态 ("故障中 减速运行过流") in the display language: the state
// by the state texts' table, the cause as the state texts read a stored one.
QString shownWorkingState(const QString& stored) {
    if (displayLanguage() == Language::Chinese) {
        return stored;
    }
    const qsizetype blank = stored.indexOf(QLatin1Char(' '));
    const auto shown = [](const QString& text) {
        return QString::fromStdString(translated("StateTexts", text.toStdString().c_str()));
    };
    return blank < 0
               ? shown(stored)
               : shown(stored.left(blank)) + QLatin1Char(' ') +
                     QString::fromStdString(shownStoredCause(stored.mid(blank + 1).toStdString()));
}

} // namespace

HistoryModel::HistoryModel(StationRecords& records, QObject* parent)
    : QAbstractTableModel(parent), m_reads(records) {}

HistoryModel::~HistoryModel() = default;

std::vector<HistoryModel::Row> HistoryModel::rowsOf(const std::vector<RunRecord>& records) {
    std::vector<Row> rows(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RunRecord& record = records[i];
        rows[i].time = record.recordTime;
        rows[i].cells = {QString::fromStdString(formatRecordTime(record.recordTime)),
                         qtText(record.name),
                         qtText(record.runningFrequency),
                         qtText(record.outputCurrent),
                         qtText(record.outputVoltage),
                         qtText(record.workingState)};
    }
    return rows;
}

void HistoryModel::runQuery(const HistoryFilter& filter) {
    m_reads.request([this, filter] {
        return RecordsWorker::Read([this, filter, pageRows = m_pageRows](RunRecordReader& reader) {
            try {
                HistoryPage page = reader.historyPage(filter, std::nullopt, pageRows);
                return RecordsWorker::Completion(
                    [this, filter, page = std::move(page)] { showPage(filter, page); });
            } catch (const std::exception&) {
                return RecordsWorker::Completion([this] {
                    m_fetching = false;
                    Q_EMIT queryFinished(false);
                });
            }
        });
    });
}

void HistoryModel::showPage(const HistoryFilter& filter, const HistoryPage& page) {
    beginResetModel();
    ++m_generation;
    m_filter = filter;
    m_rows = rowsOf(page.rows);
    m_nextBefore = page.nextBefore;
    m_fetching = false;
    endResetModel();
    Q_EMIT queryFinished(true);
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
    const QString& cell = m_rows[static_cast<std::size_t>(index.row())]
                              .cells[static_cast<std::size_t>(index.column())];
    return index.column() == kStateColumn ? shownWorkingState(cell) : cell;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Horizontal) {
        return section >= 0 && section < kColumns ? QVariant(tr(kHistoryHeaders[section]))
                                                  : QVariant();
    }
    return section + 1;
}

bool HistoryModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_fetching && !m_reads.busy() && m_nextBefore.has_value();
}

void HistoryModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) {
        return;
    }
    m_fetching = true;
    m_reads.request([this, filter = m_filter, before = *m_nextBefore, generation = m_generation] {
        return RecordsWorker::Read(
            [this, filter, before, generation, pageRows = m_pageRows](RunRecordReader& reader) {
                try {
                    HistoryPage page = reader.historyPage(filter, before, pageRows);
                    return RecordsWorker::Completion([this, generation, page = std::move(page)] {
                        appendPage(generation, page);
                    });
                } catch (const std::exception&) {
                    // The rows shown stay; the next refresh starts over.
                    return RecordsWorker::Completion([this, generation] {
                        m_fetching = false;
                        if (generation == m_generation) {
                            m_nextBefore.reset();
                        }
                    });
                }
            });
    });
}

void HistoryModel::appendPage(unsigned generation, const HistoryPage& page) {
    m_fetching = false;
    if (generation != m_generation) {
        return;
    }
    m_nextBefore = page.nextBefore;
    if (page.rows.empty()) {
        return;
    }
    std::vector<Row> rows = rowsOf(page.rows);
    const int first = rowCount();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    for (Row& row : rows) {
        m_rows.push_back(std::move(row));
    }
    endInsertRows();
}

} // namespace velkaro
