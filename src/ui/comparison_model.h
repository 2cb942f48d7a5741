#pragma once

#include "files/parameter_compare.h"

#include <QAbstractTableModel>
#include <QString>

namespace velkaro {

/// The differing parameters of a comparison as a table: group, code, name and
/// the two values. The sort role (Qt::UserRole) orders the group and code
/// columns by catalogue position, the others by their text.
class ComparisonModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { GroupColumn = 0, CodeColumn, NameColumn, LeftColumn, RightColumn, ColumnCount };
    /// Cells and headings as a saved comparison keeps them: the designed
    /// Chinese whatever the display language (Qt::DisplayRole is shown).
    static constexpr int StoredRole = Qt::UserRole + 1;

    ComparisonModel(ParameterComparison comparison, QString leftTitle, QString rightTitle,
                    QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ParameterComparison& comparison() const { return m_comparison; }

private:
    /// The parameter's name in the display language, from its catalogue row.
    QString shownName(const ParameterDifference& d) const;
    ParameterComparison m_comparison;
    QString m_leftTitle;
    QString m_rightTitle;
};

} // namespace velkaro
