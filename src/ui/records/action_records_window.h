#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "records/action_record.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace velkaro {

class StationRecords;

/// "操作记录": who did what to which drive, newest first, as the action log
/// holds it — of the last hours, of one station, drive and account when the
/// filters say so — and its CSV export. Not modal; every read and the export
/// run on the records worker, so the window never holds up supervision.
class ActionRecordsWindow : public QDialog {
    Q_OBJECT
public:
    /// The most rows one look shows (the newest of the window).
    static constexpr int kMostRows = 5000;

    ActionRecordsWindow(QWidget* parent, StationRecords& records, const std::string& station);

    /// Reads the rows again with the filters as they stand.
    void refresh();
    /// Writes the filters' rows, oldest first, to a CSV file at `path`
    /// (UTF-8 with byte order mark); the result is shown in the window.
    void exportTo(const QString& path);

    QSpinBox* hoursBox() const { return m_hours; }
    QLineEdit* stationEdit() const { return m_station; }
    QLineEdit* driveEdit() const { return m_drive; }
    QLineEdit* accountEdit() const { return m_account; }
    QTableWidget* table() const { return m_table; }
    QString statusText() const;
    /// A read or export is under way.
    bool busy() const { return m_pending > 0; }
    /// How the export asks for its file; replaceable in tests.
    void setFileChooser(std::function<QString()> choose) { m_chooseFile = std::move(choose); }

Q_SIGNALS:
    /// The rows of a refresh are shown.
    void shown();

private:
    struct Query;
    Query query() const;
    void showRows(const std::vector<ActionRecord>& rows);

    StationRecords& m_records;
    QSpinBox* m_hours = nullptr;
    QLineEdit* m_station = nullptr;
    QLineEdit* m_drive = nullptr;
    QLineEdit* m_account = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_status = nullptr;
    int m_pending = 0;
    std::function<QString()> m_chooseFile;
};

} // namespace velkaro
