#include "ui/records/history_export.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>

#include "link/operator_messages.h"
#include "ui/records/station_records.h"

namespace velkaro {
namespace {

constexpr int kShowProgressAfterMs = 300;

} // namespace

HistoryExport::HistoryExport(QWidget* parent, OperatorMessages& messages, StationRecords& records)
    : m_parent(parent), m_messages(messages), m_records(records) {}

HistoryExport::~HistoryExport() {
    if (m_cancelled) {
        m_cancelled->store(true);
    }
    delete m_progress;
}

void HistoryExport::run(const RecordQuery& query) {
    if (m_running) {
        if (m_progress) {
            m_progress->raise();
        }
        return;
    }
    const QString suggested = QDir::home().filePath(
        tr("运行记录-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"))));
    QString path = QFileDialog::getSaveFileName(m_parent, tr("导出运行记录"), suggested,
                                                tr("CSV 文件 (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".csv");
    }
    exportTo(path, query);
}

void HistoryExport::cancel() {
    if (m_cancelled) {
        m_cancelled->store(true);
    }
}

void HistoryExport::exportTo(const QString& path, const RecordQuery& query) {
    if (m_running) {
        return;
    }
    m_running = true;
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_total = 0;
    // Not modal: the station's keys stay in reach while rows are written,
    // and while the data source keeps the export waiting.
    m_progress = new QProgressDialog(tr("正在导出运行记录..."), tr("取消"), 0, 1, m_parent);
    m_progress->setWindowTitle(tr("导出"));
    m_progress->setWindowModality(Qt::NonModal);
    m_progress->setMinimumDuration(kShowProgressAfterMs);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setValue(0);
    connect(m_progress, &QProgressDialog::canceled, this, &HistoryExport::cancel);

    // Kept by the read, which may outlive the worker's owner when the data
    // source holds it past the station's end.
    const RecordsWorker::Poster post = m_records.worker().poster();
    const std::weak_ptr<HistoryExport*> alive = m_alive;
    // The owner's side of every hand-over: only while this export lives.
    const auto later = [alive](std::function<void(HistoryExport&)> step) {
        return RecordsWorker::Completion([alive, step = std::move(step)] {
            if (const auto self = alive.lock()) {
                step(**self);
            }
        });
    };
    m_records.read(
        [post, later, query, file = path.toStdString(), cancelled = m_cancelled,
         hook = m_pageHook](RunRecordReader& reader) {
            long total = 0;
            try {
                total = reader.count(query);
            } catch (const std::exception& error) {
                ExportResult failed;
                failed.error = error.what();
                return later([failed](HistoryExport& self) { self.finish({}, failed); });
            }
            post(later([total](HistoryExport& self) { self.showProgress(total); }));
            const ExportResult result = exportRecords(reader, query, file, [&](long rows) {
                post(later([rows](HistoryExport& self) {
                    if (self.m_progress) {
                        self.m_progress->setValue(
                            static_cast<int>(std::min(rows, std::max(1L, self.m_total))));
                    }
                }));
                if (hook) {
                    hook(rows);
                }
                return !cancelled->load();
            });
            return later([result, file](HistoryExport& self) {
                self.finish(QString::fromStdString(file), result);
            });
        },
        later([](HistoryExport& self) {
            self.finish({}, ExportResult{false, true, 0, {}});
        }));
}

void HistoryExport::showProgress(long total) {
    m_total = total;
    if (m_progress) {
        m_progress->setMaximum(static_cast<int>(std::max(1L, total)));
    }
}

void HistoryExport::finish(const QString& path, const ExportResult& result) {
    m_running = false;
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
    }
    if (result.cancelled) {
        Q_EMIT finished(false);
        return;
    }
    if (!result.ok) {
        m_messages.notify(result.error, std::string());
        Q_EMIT finished(false);
        return;
    }
    m_messages.notify(tr("已导出 %1 条记录到 %2").arg(result.rows).arg(path).toStdString(),
                      std::string(kInfoCaption));
    Q_EMIT finished(true);
}

} // namespace velkaro
