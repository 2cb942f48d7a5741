#include "ui/records/monitor_panel.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QValueAxis>

#include "link/operator_messages.h"
#include "ui/dialog_look.h"
#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

namespace velkaro {
namespace {

constexpr int kChartRows = 100;

} // namespace

MonitorPanel::MonitorPanel(QWidget* area, OperatorMessages& messages)
    : QObject(area), m_messages(messages) {
    const DialogUnits units(area->font());
    auto* view = new QChartView(area);
    view->setObjectName(QStringLiteral("chart1085"));
    view->setGeometry(units.rect(12, 48, 322, 195));
    m_chart = view;

    m_options = new XpButton(tr("监视选项"), area);
    m_options->setObjectName(QStringLiteral("button1086"));
    m_options->setGeometry(units.rect(158, 251, 50, 14));
    m_options->setBackgroundColor(kButtonColour);
    m_options->setHoverColor(SkinnedButton::defaultHoverColor());
    connect(m_options, &QPushButton::clicked, this, [this] {
        m_messages.notify(tr("对不起！该功能暂时保留！").toStdString(), std::string());
    });

    initMonitorChart();
}

void MonitorPanel::initMonitorChart() {
    // One data column, C1, over 100 rows R1..R100, all zero: no random fill.
    auto* column = new QBarSet(QStringLiteral("C1"));
    QStringList rows;
    for (int row = 1; row <= kChartRows; ++row) {
        column->append(0.0);
        rows.append(QStringLiteral("R%1").arg(row));
    }
    auto* series = new QBarSeries;
    series->append(column);
    auto* chart = new QChart;
    chart->addSeries(series);
    auto* categories = new QBarCategoryAxis;
    categories->append(rows);
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto* values = new QValueAxis;
    values->setRange(0, 100);
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    static_cast<QChartView*>(m_chart)->setChart(chart);
}

void MonitorPanel::setPanelVisible(bool visible) {
    m_chart->setVisible(visible);
    m_options->setVisible(visible);
}

} // namespace velkaro
