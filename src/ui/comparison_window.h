#pragma once

#include "files/parameter_compare.h"

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QSortFilterProxyModel;
class QTableView;

namespace velkaro {

class ComparisonModel;
class OperatorMessages;

/// The result of "参数对比...": the differing parameters in a sortable table
/// with a group filter, the count of equal ones, copy to the clipboard and
/// save as CSV. Not modal: the station goes on while it is open.
class ComparisonWindow : public QDialog {
    Q_OBJECT
public:
    /// `leftTitle`/`rightTitle` head the value columns; the sources' full
    /// descriptions go in the line above the table.
    ComparisonWindow(QWidget* parent, OperatorMessages& messages, ParameterComparison comparison,
                     const QString& leftTitle, const QString& rightTitle, const QString& leftSource,
                     const QString& rightSource);

    /// Shows only the rows of one group label; empty shows every group.
    void setGroupFilter(const QString& label);
    /// The rows as shown (filter and order), tab-separated with the titles first.
    QString visibleText() const;
    /// Copies visibleText() to the clipboard.
    void copyToClipboard() const;
    /// Save dialog, then the shown rows as a CSV file (UTF-8 with BOM, atomic).
    void saveAsCsv();
    /// The save dialog returns the chosen path or empty text; tests replace it.
    void setSaveFileChooser(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }

    QTableView* table() const { return m_table; }
    QComboBox* groupSelector() const { return m_groups; }
    QLabel* summary() const { return m_summary; }
    ComparisonModel* model() const { return m_model; }

private:
    /// The rows shown (the filter applied), headings first, in `role`.
    std::vector<std::vector<QString>> visibleRows(int role) const;
    QString runSaveDialog();

    OperatorMessages& m_messages;
    ComparisonModel* m_model = nullptr;
    QSortFilterProxyModel* m_proxy = nullptr;
    QTableView* m_table = nullptr;
    QComboBox* m_groups = nullptr;
    QLabel* m_summary = nullptr;
    std::function<QString()> m_chooseFile;
};

} // namespace velkaro
