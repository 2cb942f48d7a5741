#include "ui/comparison_model.h"

#include "registry/catalogue.h"
#include "widgets/qt_text.h"

namespace velkaro {

namespace {

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

QString ComparisonModel::shownName(const ParameterDifference& d) const {
    const SeriesCatalogue* catalogue = catalogueFor(m_comparison.series);
    if (catalogue == nullptr || d.entry >= catalogue->entries.size()) {
        return fromStd(d.name);
    }
    return qtText(displayName(catalogue->entries[d.entry]));
}

ComparisonModel::ComparisonModel(ParameterComparison comparison, QString leftTitle,
                                 QString rightTitle, QObject* parent)
    : QAbstractTableModel(parent), m_comparison(std::move(comparison)),
      m_leftTitle(std::move(leftTitle)), m_rightTitle(std::move(rightTitle)) {}

int ComparisonModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_comparison.differences.size());
}

int ComparisonModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ComparisonModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount) {
        return {};
    }
    const ParameterDifference& d = m_comparison.differences[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::UserRole && (column == GroupColumn || column == CodeColumn)) {
        return static_cast<qulonglong>(d.entry);
    }
    if (role != Qt::DisplayRole && role != Qt::UserRole && role != StoredRole) {
        return {};
    }
    switch (column) {
    case GroupColumn:
        return fromStd(d.group);
    case CodeColumn:
        return fromStd(d.code);
    case NameColumn:
        return role == StoredRole ? fromStd(d.name) : shownName(d);
    case LeftColumn:
        return fromStd(d.leftValue);
    case RightColumn:
        return fromStd(d.rightValue);
    default:
        return {};
    }
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != StoredRole)) {
        return {};
    }
    const auto heading = [role](const char* source) {
        return role == StoredRole ? QString::fromUtf8(source) : tr(source);
    };
    switch (section) {
    case GroupColumn:
        return heading(QT_TR_NOOP("功能组"));
    case CodeColumn:
        return heading(QT_TR_NOOP("功能号"));
    case NameColumn:
        return heading(QT_TR_NOOP("参数名称"));
    case LeftColumn:
        return m_leftTitle;
    case RightColumn:
        return m_rightTitle;
    default:
        return {};
    }
}

} // namespace velkaro
