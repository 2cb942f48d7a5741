#include "link/link_snapshot.h"

#include "ui/records/history_panel.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "records/display_options.h"
#include "ui/dialog_look.h"
#include "ui/records/display_options_dialog.h"
#include "ui/records/history_export.h"
#include "ui/records/history_model.h"
#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {} // namespace

HistoryPanel::HistoryPanel(QWidget* area, const LinkSnapshot& view, DisplayOptions& options,
                           OperatorMessages& messages, StationRecords& records)
    : QObject(area), m_view(view), m_displayOptions(options), m_messages(messages) {
    const DialogUnits units(area->font());

    // The grid with its caption bar, as one control.
    m_frame = new QWidget(area);
    m_frame->setObjectName(QStringLiteral("grid1087"));
    m_frame->setGeometry(units.rect(10, 48, 326, 200));
    auto* layout = new QVBoxLayout(m_frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* caption = new QLabel(tr("运行记录"), m_frame);
    caption->setAlignment(Qt::AlignCenter);
    caption->setAutoFillBackground(true);
    caption->setBackgroundRole(QPalette::Mid);
    layout->addWidget(caption);
    m_grid = new QTableView(m_frame);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->setDefaultSectionSize(units.y(10));
    layout->addWidget(m_grid);
    m_exporter = std::make_unique<HistoryExport>(area, messages, records);
    m_model = new HistoryModel(records, this);
    m_grid->setModel(m_model);
    connect(m_model, &HistoryModel::queryFinished, this, &HistoryPanel::fitColumns);

    m_liveBox = new QCheckBox(tr("实时刷新记录"), area);
    m_liveBox->setObjectName(QStringLiteral("check1084"));
    m_liveBox->setGeometry(units.rect(10, 256, 80, 10));
    m_liveBox->setChecked(true);
    connect(m_liveBox, &QCheckBox::clicked, this,
            [this](bool checked) { m_liveRefresh = checked; });

    m_options = new XpButton(tr("选项"), area);
    m_options->setObjectName(QStringLiteral("button1081"));
    m_options->setGeometry(units.rect(283, 254, 50, 14));
    m_options->setBackgroundColor(kButtonColour);
    m_options->setHoverColor(SkinnedButton::defaultHoverColor());
    connect(m_options, &QPushButton::clicked, this, &HistoryPanel::openOptions);

    m_export = new XpButton(tr("导出..."), area);
    m_export->setObjectName(QStringLiteral("buttonExport"));
    m_export->setGeometry(units.rect(229, 254, 50, 14));
    m_export->setBackgroundColor(kButtonColour);
    m_export->setHoverColor(SkinnedButton::defaultHoverColor());
    connect(m_export, &QPushButton::clicked, this, &HistoryPanel::exportHistory);
    // Wide enough for a timestamp and a drive name before any row is there.
    m_grid->horizontalHeader()->setDefaultSectionSize(units.x(52));
    m_grid->horizontalHeader()->setStretchLastSection(true);
    // Headings and sample values fit before the first rows come.
    fitColumns();
}

void HistoryPanel::showAllRows() {
    // Until the first live refresh the grid shows every row of this
    // station, newest first.
    HistoryFilter filter;
    filter.station = m_displayOptions.stationName;
    m_model->runQuery(filter);
}

void HistoryPanel::fitColumns() {
    // Wide enough for a whole timestamp, a drive name and the values, whether
    // or not rows are there yet; longer texts widen their column.
    const QFontMetrics metrics(m_grid->font());
    const int padding = metrics.horizontalAdvance(QLatin1Char('0')) * 2;
    const QString samples[] = {QStringLiteral("2026-12-31 23:59:59"),
                               QStringLiteral("12#QD30-11.00"),
                               QStringLiteral("400.00"),
                               QStringLiteral("1000.0"),
                               QStringLiteral("1000.0"),
                               tr("反向运转 电机负载过重")};
    m_grid->resizeColumnsToContents();
    for (int column = 0; column < m_model->columnCount() && column < 6; ++column) {
        const int wanted = metrics.horizontalAdvance(samples[column]) + padding;
        if (m_grid->columnWidth(column) < wanted) {
            m_grid->setColumnWidth(column, wanted);
        }
    }
}

HistoryPanel::~HistoryPanel() = default;

void HistoryPanel::setPanelVisible(bool visible) {
    m_frame->setVisible(visible);
    m_liveBox->setVisible(visible);
    m_options->setVisible(visible);
    m_export->setVisible(visible);
}

void HistoryPanel::refreshHistory() {
    HistoryFilter filter;
    filter.since = hoursBefore(m_clock(), m_displayOptions.displayWindowHours);
    if (m_displayOptions.displayDriveName != "*") {
        filter.driveName = m_displayOptions.displayDriveName;
    }
    filter.station = m_displayOptions.stationName;
    m_model->runQuery(filter);
}

RecordQuery HistoryPanel::exportQuery() const {
    const std::time_t now = m_clock();
    RecordQuery query;
    query.after = hoursBefore(now, m_displayOptions.displayWindowHours);
    query.upTo = localTimeOf(now);
    if (m_displayOptions.displayDriveName != "*") {
        query.driveName = m_displayOptions.displayDriveName;
    }
    query.station = m_displayOptions.stationName;
    return query;
}

void HistoryPanel::exportHistory() {
    m_exporter->run(exportQuery());
}

void HistoryPanel::openOptions() {
    std::vector<std::string> names;
    const DriveTable& table = m_view.table;
    for (uint32_t i = 0; i < table.driveCount && i < table.driveNames.size(); ++i) {
        names.push_back(table.driveNames[i]);
    }
    DisplayOptionsDialog dialog(m_frame->window(), m_displayOptions, std::move(names), m_messages);
    dialog.exec();
}

} // namespace velkaro
