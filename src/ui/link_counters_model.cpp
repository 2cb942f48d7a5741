#include "link/link_snapshot.h"

#include "ui/link_counters_model.h"
#include <QCoreApplication>

namespace velkaro {

namespace {

constexpr const char* kHeaders[] = {QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "变频器"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "请求"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "应答"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "超时"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "重试"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "CRC错误"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "残帧"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "他址帧"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "迟到"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "短应答"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "异常"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "最近(ms)"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "最小(ms)"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "平均(ms)"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "最大(ms)"),
                                    QT_TRANSLATE_NOOP("velkaro::LinkCountersModel", "最后应答")};
static_assert(std::size(kHeaders) == LinkCountersModel::ColumnCount);

/// The row the probe's counters are shown under.
QString probeRowName() {
    return QCoreApplication::translate("velkaro::LinkCountersModel", "地址搜寻");
}

struct Snapshot {
    int counterRow = 0;
    QString name;
    LinkCounters counters;
};

std::array<QString, LinkCountersModel::ColumnCount> cellTexts(const Snapshot& s) {
    const LinkCounters& c = s.counters;
    const ReplyTimes& t = c.replyTimes;
    return {s.name,
            QString::number(c.requestsSent),
            QString::number(c.answersAccepted),
            QString::number(c.timeouts),
            QString::number(c.retries),
            QString::number(c.badCrc),
            QString::number(c.noiseFrames),
            QString::number(c.foreignFrames),
            QString::number(c.lateReplies),
            QString::number(c.shortReplies),
            QString::fromStdString(exceptionCountsText(c)),
            QString::number(t.lastTicks),
            QString::number(t.minTicks),
            QString::number(t.meanTicks(), 'f', 1),
            QString::number(t.maxTicks),
            QString()};
}

} // namespace

LinkCountersModel::LinkCountersModel(QObject* parent) : QAbstractTableModel(parent) {}

void LinkCountersModel::refresh(const LinkSnapshot& view, const QDateTime& now) {
    std::vector<Snapshot> snapshots;
    const DriveTable& table = view.table;
    for (uint32_t i = 0; i < table.driveCount && i < kMaxDrives; ++i) {
        const int slot = table.findSlotByName(table.driveNames[i]);
        if (slot >= 0) {
            snapshots.push_back({slot, QString::fromStdString(table.driveNames[i]),
                                 view.counters[static_cast<std::size_t>(slot)]});
        }
    }
    snapshots.push_back({kProbeRow, probeRowName(), view.counters[kProbeRow]});
    const uint64_t tickNow = view.tick;
    const int tickMs = view.settings.tickPeriodMs;
    bool sameRows = snapshots.size() == m_rows.size();
    for (std::size_t i = 0; sameRows && i < snapshots.size(); ++i) {
        sameRows =
            snapshots[i].counterRow == m_rows[i].counterRow && snapshots[i].name == m_rows[i].name;
    }
    if (!sameRows) {
        beginResetModel();
        m_rows.assign(snapshots.size(), Row{});
        for (std::size_t i = 0; i < snapshots.size(); ++i) {
            m_rows[i].counterRow = snapshots[i].counterRow;
            m_rows[i].name = snapshots[i].name;
        }
        endResetModel();
    }
    for (std::size_t i = 0; i < snapshots.size(); ++i) {
        Row& row = m_rows[i];
        std::array<QString, ColumnCount> texts = cellTexts(snapshots[i]);
        const LinkCounters& c = snapshots[i].counters;
        // The clock time of the last answer is worked out once per answer, so
        // a drift between ticks and the wall clock cannot make it flicker.
        if (c.answered != row.answered || c.lastAnswerTick != row.lastAnswerTick) {
            row.answered = c.answered;
            row.lastAnswerTick = c.lastAnswerTick;
            const auto ago = static_cast<qint64>(tickNow - std::min(tickNow, c.lastAnswerTick));
            texts[LastAnswerColumn] =
                c.answered ? now.addMSecs(-ago * tickMs).toString(QStringLiteral("HH:mm:ss"))
                           : QString();
        } else {
            texts[LastAnswerColumn] = row.cells[LastAnswerColumn];
        }
        for (int column = 0; column < ColumnCount; ++column) {
            QString& cell = row.cells[static_cast<std::size_t>(column)];
            if (cell != texts[static_cast<std::size_t>(column)]) {
                cell = texts[static_cast<std::size_t>(column)];
                ++m_cellWrites;
                const QModelIndex at = index(static_cast<int>(i), column);
                Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
            }
        }
    }
}

int LinkCountersModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LinkCountersModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant LinkCountersModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    if (role == Qt::TextAlignmentRole && index.column() != NameColumn) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return m_rows[static_cast<std::size_t>(index.row())]
        .cells[static_cast<std::size_t>(index.column())];
}

QVariant LinkCountersModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return {};
    }
    return tr(kHeaders[section]);
}

} // namespace velkaro
