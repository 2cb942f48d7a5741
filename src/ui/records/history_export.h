#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

#include "records/record_reports.h"
#include "records/run_record_reader.h"

class QProgressDialog;
class QWidget;

namespace velkaro {

class OperatorMessages;
class StationRecords;

/// "导出...": writes the history's rows to a CSV file on the records worker,
/// a page at a time, with a progress dialog whose "取消" stops the export and
/// leaves no file. The station goes on meanwhile: the dialog holds up no
/// window.
class HistoryExport : public QObject {
    Q_OBJECT
public:
    HistoryExport(QWidget* parent, OperatorMessages& messages, StationRecords& records);
    ~HistoryExport() override;

    /// Asks for the file, then exports the rows of `query` into it.
    void run(const RecordQuery& query);
    /// Starts exporting the rows of `query` to `path`. The outcome is said to
    /// the operator (rows written, or what failed: the file and the reason,
    /// or the data source's text); a cancel says nothing. finished() tells
    /// whether the file was written. One export at a time: asked again while
    /// one runs, nothing starts.
    void exportTo(const QString& path, const RecordQuery& query);
    bool running() const { return m_running; }
    /// "取消": the export stops after the page it is writing.
    void cancel();

    /// Runs on the records worker after every page with the rows written,
    /// before the cancel is looked at (tests cancel from here, as an
    /// operator would between two pages).
    void setPageHook(std::function<void(long)> hook) { m_pageHook = std::move(hook); }

Q_SIGNALS:
    void finished(bool written);

private:
    void showProgress(long total);
    void finish(const QString& path, const ExportResult& result);

    QWidget* m_parent;
    OperatorMessages& m_messages;
    StationRecords& m_records;
    std::function<void(long)> m_pageHook;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QPointer<QProgressDialog> m_progress;
    long m_total = 0;
    bool m_running = false;
    std::shared_ptr<HistoryExport*> m_alive = std::make_shared<HistoryExport*>(this);
};

} // namespace velkaro
