#include "link/diagnostics/frame_summary.h"
#include "link/drive_link.h"

#include "ui/traffic_model.h"

#include <QCoreApplication>

#include <array>

namespace velkaro {

namespace {

constexpr const char* kHeaders[] = {QT_TRANSLATE_NOOP("velkaro::TrafficModel", "时间"),
                                    QT_TRANSLATE_NOOP("velkaro::TrafficModel", "方向"),
                                    QT_TRANSLATE_NOOP("velkaro::TrafficModel", "变频器"),
                                    QT_TRANSLATE_NOOP("velkaro::TrafficModel", "字节"),
                                    QT_TRANSLATE_NOOP("velkaro::TrafficModel", "说明")};
static_assert(std::size(kHeaders) == TrafficModel::ColumnCount);

QString probeRowName() {
    return QCoreApplication::translate("velkaro::TrafficModel", "地址搜寻");
}

} // namespace

TrafficModel::TrafficModel(QObject* parent) : QAbstractTableModel(parent) {}

void TrafficModel::refresh(DriveLink& link, const LinkSnapshot& view, const QTime& now) {
    if (m_paused) {
        return;
    }
    // More than the list keeps would only be dropped again.
    const std::vector<FrameRecord> frames = link.traffic(m_nextFrame, kKeptRows);
    std::deque<Row> fresh;
    std::array<QString, kCounterRows> names;
    const uint64_t tickNow = view.tick;
    const int tickMs = view.settings.tickPeriodMs;
    for (const FrameRecord& r : frames) {
        Row row;
        row.record = r;
        // A frame recorded after the snapshot counts as recorded now.
        const uint64_t behind = tickNow > r.tick ? tickNow - r.tick : 0;
        const auto ago = static_cast<int>(std::min<uint64_t>(behind, 86'400'000));
        row.time = now.addMSecs(-ago * tickMs);
        const int slot = r.row;
        if (slot == kProbeRow) {
            row.drive = probeRowName();
        } else if (slot >= 0 && slot < kMaxDrives) {
            QString& name = names[static_cast<std::size_t>(slot)];
            if (name.isNull()) {
                name =
                    QString::fromStdString(view.table.slots[static_cast<std::size_t>(slot)].name);
            }
            row.drive = name;
        }
        fresh.push_back(std::move(row));
    }
    append(fresh);
}

void TrafficModel::append(std::deque<Row>& fresh) {
    if (fresh.empty()) {
        return;
    }
    const std::size_t total = m_rows.size() + fresh.size();
    const std::size_t excess = total > kKeptRows ? total - kKeptRows : 0;
    if (excess > 0) {
        const std::size_t dropped = std::min(excess, m_rows.size());
        m_rows.erase(m_rows.begin(), m_rows.begin() + static_cast<std::ptrdiff_t>(dropped));
        const uint64_t firstKept = m_rows.empty() ? m_nextSerial : m_rows.front().serial;
        std::size_t hidden = 0;
        while (hidden < m_shown.size() && m_shown[hidden] < firstKept) {
            ++hidden;
        }
        if (hidden > 0) {
            beginRemoveRows({}, 0, static_cast<int>(hidden) - 1);
            m_shown.erase(m_shown.begin(), m_shown.begin() + static_cast<std::ptrdiff_t>(hidden));
            endRemoveRows();
        }
    }
    std::deque<uint64_t> shown;
    for (Row& row : fresh) {
        row.serial = m_nextSerial++;
        if (m_filter.isEmpty() || row.drive == m_filter) {
            shown.push_back(row.serial);
        }
        m_rows.push_back(std::move(row));
    }
    if (!shown.empty()) {
        const int first = static_cast<int>(m_shown.size());
        beginInsertRows({}, first, first + static_cast<int>(shown.size()) - 1);
        m_shown.insert(m_shown.end(), shown.begin(), shown.end());
        endInsertRows();
    }
}

void TrafficModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_shown.clear();
    endResetModel();
}

void TrafficModel::setDriveFilter(const QString& name) {
    if (name == m_filter) {
        return;
    }
    beginResetModel();
    m_filter = name;
    m_shown.clear();
    for (const Row& row : m_rows) {
        if (m_filter.isEmpty() || row.drive == m_filter) {
            m_shown.push_back(row.serial);
        }
    }
    endResetModel();
}

const TrafficModel::Row& TrafficModel::shownRow(int row) const {
    const uint64_t serial = m_shown[static_cast<std::size_t>(row)];
    return m_rows[static_cast<std::size_t>(serial - m_rows.front().serial)];
}

QString TrafficModel::cellText(const Row& row, int column, bool shown) const {
    const FrameRecord& r = row.record;
    switch (column) {
    case TimeColumn:
        return row.time.toString(QStringLiteral("HH:mm:ss.zzz"));
    case DirectionColumn:
        return r.direction == FrameDirection::Tx ? QStringLiteral("TX") : QStringLiteral("RX");
    case DriveColumn:
        return row.drive;
    case BytesColumn:
        return r.length == 0 ? QStringLiteral("--")
                             : QString::fromStdString(hexBytes(r.bytes.data(), r.length));
    case SummaryColumn:
        return QString::fromStdString(summariseFrame(r, shown));
    default:
        return {};
    }
}

std::string TrafficModel::shownText() const {
    std::string text;
    for (int row = 0; row < rowCount(); ++row) {
        const Row& shown = shownRow(row);
        for (int column = 0; column < ColumnCount; ++column) {
            if (column != 0) {
                text += '\t';
            }
            text += cellText(shown, column, false).toStdString();
        }
        text += '\n';
    }
    return text;
}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    // A long frame's bytes do not fit the column: the tip shows them whole.
    const bool tip = role == Qt::ToolTipRole && index.column() == BytesColumn;
    if (role != Qt::DisplayRole && !tip) {
        return {};
    }
    return cellText(shownRow(index.row()), index.column());
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return {};
    }
    return tr(kHeaders[section]);
}

} // namespace velkaro
