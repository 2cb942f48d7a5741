#include "link/operator_messages.h"

#include "ui/link_diagnostics_window.h"

#include "ui/dialog_look.h"
#include "ui/link_counters_model.h"
#include "ui/station_link.h"
#include "ui/traffic_model.h"
#include "widgets/skinned_button.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>

#include <QLabel>
#include <QSaveFile>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace velkaro {

namespace {

constexpr int kRefreshPeriodMs = 100;

QTableView* createTable(QAbstractItemModel* model, QWidget* parent) {
    auto* table = new QTableView(parent);
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setWordWrap(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

} // namespace

LinkDiagnosticsWindow::LinkDiagnosticsWindow(QWidget* parent, StationLink& station,
                                             OperatorMessages& messages)
    : QDialog(parent), m_station(station), m_messages(messages),
      m_chooseFile([this] { return runSaveDialog(); }) {
    setWindowTitle(tr("通讯诊断"));
    setModal(false);
    applyDialogLook(this);

    m_counters = new LinkCountersModel(this);
    m_traffic = new TrafficModel(this);
    m_tabs = new QTabWidget(this);
    m_tabs->addTab(createCountersTab(), tr("通讯统计"));
    m_tabs->addTab(createTrafficTab(), tr("通讯记录"));

    auto* close = createDialogButton(tr("关闭"), this);
    close->setMinimumWidth(80);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    m_timer.setInterval(kRefreshPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &LinkDiagnosticsWindow::refresh);
    resize(1010, 480);
}

QWidget* LinkDiagnosticsWindow::createCountersTab() {
    auto* tab = new QWidget(this);
    m_countersView = createTable(m_counters, tab);
    m_countersView->setColumnWidth(LinkCountersModel::NameColumn, 110);
    for (int column = LinkCountersModel::RequestsColumn; column < LinkCountersModel::ColumnCount;
         ++column) {
        m_countersView->setColumnWidth(column, 52);
    }
    for (int column = LinkCountersModel::LastTimeColumn; column <= LinkCountersModel::MaxTimeColumn;
         ++column) {
        m_countersView->setColumnWidth(column, 64);
    }
    m_countersView->setColumnWidth(LinkCountersModel::ExceptionsColumn, 70);
    // A heading longer than its column (English) widens it.
    for (int column = 0; column < LinkCountersModel::ColumnCount; ++column) {
        m_countersView->setColumnWidth(
            column, std::max(m_countersView->columnWidth(column),
                             m_countersView->horizontalHeader()->sectionSizeHint(column)));
    }
    auto* reset = createDialogButton(tr("清零"), tab);
    reset->setMinimumWidth(80);
    connect(reset, &QPushButton::clicked, this, &LinkDiagnosticsWindow::resetCounters);
    auto* row = new QHBoxLayout;
    row->addWidget(
        new QLabel(tr("最近、最小、平均、最大：应答时间，自请求发出至应答帧收完。"), tab), 1);
    row->addWidget(reset);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_countersView, 1);
    layout->addLayout(row);
    return tab;
}

QWidget* LinkDiagnosticsWindow::createTrafficTab() {
    auto* tab = new QWidget(this);
    m_trafficView = createTable(m_traffic, tab);
    const int widths[] = {95, 40, 110, 330};
    for (int column = 0; column < TrafficModel::SummaryColumn; ++column) {
        m_trafficView->setColumnWidth(column, widths[column]);
    }
    m_filter = new QComboBox(tab);
    m_filter->setMinimumWidth(130);
    connect(m_filter, &QComboBox::activated, this,
            [this](int index) { m_traffic->setDriveFilter(m_filter->itemData(index).toString()); });
    m_pause = createDialogButton(tr("暂停"), tab);
    m_pause->setCheckable(true);
    connect(m_pause, &QPushButton::toggled, this, [this](bool paused) {
        m_traffic->setPaused(paused);
        m_pause->setText(paused ? tr("继续") : tr("暂停"));
    });
    auto* clear = createDialogButton(tr("清除"), tab);
    connect(clear, &QPushButton::clicked, m_traffic, &TrafficModel::clear);
    auto* save = createDialogButton(tr("保存..."), tab);
    connect(save, &QPushButton::clicked, this, &LinkDiagnosticsWindow::saveTraffic);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("变频器："), tab));
    row->addWidget(m_filter);
    row->addStretch(1);
    for (QPushButton* button :
         {m_pause, static_cast<QPushButton*>(clear), static_cast<QPushButton*>(save)}) {
        button->setMinimumWidth(80);
        row->addWidget(button);
    }
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(row);
    layout->addWidget(m_trafficView, 1);
    refreshDriveChoices();
    return tab;
}

void LinkDiagnosticsWindow::refresh() {
    // Its own snapshot: the window refreshes on its own timer, between passes.
    const LinkSnapshot view = m_station.link().snapshot();
    m_counters->refresh(view);
    QScrollBar* bar = m_trafficView->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    m_traffic->refresh(m_station.link(), view);
    if (following) {
        m_trafficView->scrollToBottom();
    }
    // The filter offers the drives of the counters tab.
    if (m_filter->count() != m_counters->rowCount() + 1) {
        refreshDriveChoices();
    }
}

void LinkDiagnosticsWindow::refreshDriveChoices() {
    const QString current = m_traffic->driveFilter();
    m_filter->clear();
    m_filter->addItem(tr("全部"), QString());
    for (int row = 0; row < m_counters->rowCount(); ++row) {
        const QString name =
            m_counters->index(row, LinkCountersModel::NameColumn).data().toString();
        m_filter->addItem(name, name);
    }
    const int keep = m_filter->findData(current);
    m_filter->setCurrentIndex(std::max(keep, 0));
    if (keep < 0) {
        m_traffic->setDriveFilter(QString());
    }
}

void LinkDiagnosticsWindow::resetCounters() {
    m_station.link().resetCounters();
    m_counters->refresh(m_station.link().snapshot());
}

QString LinkDiagnosticsWindow::runSaveDialog() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(tr("通讯记录(*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

void LinkDiagnosticsWindow::saveTraffic() {
    const QString path = m_chooseFile();
    if (!path.isEmpty()) {
        saveTrafficTo(path);
    }
}

bool LinkDiagnosticsWindow::saveTrafficTo(const QString& path) {
    const std::string text = m_traffic->shownText();
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(text.data(), static_cast<qint64>(text.size())) ==
                             static_cast<qint64>(text.size()) &&
                         file.commit();
    if (!written) {
        m_messages.notify(
            tr("通讯记录无法保存到“%1”：%2").arg(path, file.errorString()).toStdString(),
            std::string(kInfoCaption));
    }
    return written;
}

void LinkDiagnosticsWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refresh();
    m_timer.start();
}

void LinkDiagnosticsWindow::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QDialog::hideEvent(event);
}

} // namespace velkaro
