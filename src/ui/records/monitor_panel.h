#pragma once

#include <QObject>

class QWidget;

namespace velkaro {

class OperatorMessages;
class XpButton;

/// The data monitor page: a chart (1085) prepared once with one series of 100
/// points, C1 over R1..R100, and "监视选项" (1086), which only says the
/// function is reserved. Nothing ever draws into the chart, and the window
/// never offers the page.
class MonitorPanel : public QObject {
    Q_OBJECT
public:
    MonitorPanel(QWidget* area, OperatorMessages& messages);

    void setPanelVisible(bool visible);

    QWidget* chart() const { return m_chart; }
    XpButton* optionsButton() const { return m_options; }

private:
    void initMonitorChart();

    OperatorMessages& m_messages;
    QWidget* m_chart = nullptr;
    XpButton* m_options = nullptr;
};

} // namespace velkaro
