#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <functional>

class QComboBox;
class QPushButton;
class QTabWidget;
class QTableView;

namespace velkaro {

class LinkCountersModel;
class OperatorMessages;
class StationLink;
class TrafficModel;

/// "通讯诊断...": the link counters of every drive and the traffic of the
/// bus, refreshed every 100 ms while the window is shown. Not modal; closing
/// it stops only its own refresh: the link keeps counting and recording.
class LinkDiagnosticsWindow : public QDialog {
    Q_OBJECT
public:
    LinkDiagnosticsWindow(QWidget* parent, StationLink& station, OperatorMessages& messages);

    /// One refresh of both tabs (the 100 ms timer's work).
    void refresh();
    /// Zeroes every counter of the link ("清零").
    void resetCounters();
    /// Offers the drives now connected (and the search's row) in the filter.
    void refreshDriveChoices();
    /// Save dialog, then the traffic as shown, as UTF-8 text ("保存...").
    void saveTraffic();
    /// Writes the traffic as shown to `path`; false, after telling the
    /// operator the file and the reason, when it cannot.
    bool saveTrafficTo(const QString& path);
    /// The save dialog returns the chosen path or empty text; tests replace it.
    void setSaveFileChooser(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }

    LinkCountersModel* countersModel() const { return m_counters; }
    TrafficModel* trafficModel() const { return m_traffic; }
    QTableView* countersView() const { return m_countersView; }
    QTableView* trafficView() const { return m_trafficView; }
    QComboBox* driveFilter() const { return m_filter; }
    QPushButton* pauseButton() const { return m_pause; }
    QTabWidget* tabs() const { return m_tabs; }
    bool refreshing() const { return m_timer.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* createCountersTab();
    QWidget* createTrafficTab();
    QString runSaveDialog();

    StationLink& m_station;
    OperatorMessages& m_messages;
    LinkCountersModel* m_counters = nullptr;
    TrafficModel* m_traffic = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableView* m_countersView = nullptr;
    QTableView* m_trafficView = nullptr;
    QComboBox* m_filter = nullptr;
    QPushButton* m_pause = nullptr;
    QTimer m_timer;
    std::function<QString()> m_chooseFile;
};

} // namespace velkaro
