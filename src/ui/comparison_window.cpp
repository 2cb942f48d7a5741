#include "files/atomic_file.h"
#include "files/csv_text.h"
#include "link/operator_messages.h"

#include "ui/comparison_window.h"

#include "ui/comparison_model.h"
#include "ui/dialog_look.h"
#include "widgets/skinned_button.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

namespace velkaro {

namespace {

/// The count of differences, shown in the display language or, for a saved
/// comparison, in the designed Chinese.
QString summaryText(const ParameterComparison& c, bool shown) {
    const char* source = QT_TRANSLATE_NOOP("velkaro::ComparisonWindow", "%1 项不同，%2 项相同");
    return (shown ? QCoreApplication::translate("velkaro::ComparisonWindow", source)
                  : QString::fromUtf8(source))
        .arg(c.differences.size())
        .arg(c.equal);
}

} // namespace

ComparisonWindow::ComparisonWindow(QWidget* parent, OperatorMessages& messages,
                                   ParameterComparison comparison, const QString& leftTitle,
                                   const QString& rightTitle, const QString& leftSource,
                                   const QString& rightSource)
    : QDialog(parent), m_messages(messages), m_chooseFile([this] { return runSaveDialog(); }) {
    setWindowTitle(tr("参数对比"));
    setModal(false);
    applyDialogLook(this);

    m_model = new ComparisonModel(std::move(comparison), leftTitle, rightTitle, this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(Qt::UserRole);
    m_proxy->setFilterKeyColumn(ComparisonModel::GroupColumn);

    auto* sources = new QLabel(tr("左：%1\n右：%2").arg(leftSource, rightSource), this);
    sources->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_summary = new QLabel(summaryText(m_model->comparison(), true), this);

    m_groups = new QComboBox(this);
    m_groups->addItem(tr("全部功能组"), QString());
    QStringList shown;
    for (const ParameterDifference& d : m_model->comparison().differences) {
        const QString label = QString::fromStdString(d.group);
        if (!shown.contains(label)) {
            shown.append(label);
            m_groups->addItem(label, label);
        }
    }
    connect(m_groups, &QComboBox::currentIndexChanged, this,
            [this](int index) { setGroupFilter(m_groups->itemData(index).toString()); });

    m_table = new QTableView(this);
    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(ComparisonModel::CodeColumn, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    const int widths[] = {50, 60, 160, 130, 130};
    for (int column = 0; column < ComparisonModel::ColumnCount; ++column) {
        m_table->setColumnWidth(column, widths[column]);
    }
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* copy = createDialogButton(tr("复制"), this);
    auto* save = createDialogButton(tr("另存为..."), this);
    auto* close = createDialogButton(tr("关闭"), this);
    connect(copy, &QPushButton::clicked, this, &ComparisonWindow::copyToClipboard);
    connect(save, &QPushButton::clicked, this, &ComparisonWindow::saveAsCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(m_summary, 1);
    filterRow->addWidget(new QLabel(tr("功能组："), this));
    filterRow->addWidget(m_groups);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QWidget* button :
         {static_cast<QWidget*>(copy), static_cast<QWidget*>(save), static_cast<QWidget*>(close)}) {
        button->setMinimumWidth(80);
        buttons->addWidget(button);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sources);
    layout->addLayout(filterRow);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    resize(620, 420);
}

void ComparisonWindow::setGroupFilter(const QString& label) {
    m_proxy->setFilterRegularExpression(
        label.isEmpty() ? QRegularExpression()
                        : QRegularExpression(QRegularExpression::anchoredPattern(
                              QRegularExpression::escape(label))));
    const int index = m_groups->findData(label);
    if (index >= 0 && index != m_groups->currentIndex()) {
        m_groups->setCurrentIndex(index);
    }
}

std::vector<std::vector<QString>> ComparisonWindow::visibleRows(int role) const {
    std::vector<std::vector<QString>> rows;
    std::vector<QString> titles;
    for (int column = 0; column < ComparisonModel::ColumnCount; ++column) {
        titles.push_back(m_proxy->headerData(column, Qt::Horizontal, role).toString());
    }
    rows.push_back(titles);
    for (int row = 0; row < m_proxy->rowCount(); ++row) {
        std::vector<QString> cells;
        for (int column = 0; column < ComparisonModel::ColumnCount; ++column) {
            cells.push_back(m_proxy->index(row, column).data(role).toString());
        }
        rows.push_back(cells);
    }
    return rows;
}

QString ComparisonWindow::visibleText() const {
    QString text;
    for (const std::vector<QString>& row : visibleRows(Qt::DisplayRole)) {
        QStringList cells(row.begin(), row.end());
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

void ComparisonWindow::copyToClipboard() const {
    QGuiApplication::clipboard()->setText(visibleText());
}

QString ComparisonWindow::runSaveDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("对比结果(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

void ComparisonWindow::saveAsCsv() {
    const QString path = m_chooseFile();
    if (path.isEmpty()) {
        return;
    }
    std::string content(kUtf8Bom);
    // A saved comparison reads the same from a station in either language.
    for (const std::vector<QString>& row : visibleRows(ComparisonModel::StoredRole)) {
        std::vector<std::string> fields;
        for (const QString& cell : row) {
            fields.push_back(cell.toStdString());
        }
        content += csvRecord(fields);
    }
    content += csvRecord({summaryText(m_model->comparison(), false).toStdString()});
    if (!replaceFileAtomically(path.toStdString(), content)) {
        m_messages.notify(
            tr("对比结果“%1”无法写入，请检查文件夹和文件名。").arg(path).toStdString(),
            std::string(kInfoCaption));
    }
}

} // namespace velkaro
