#include "records/history_export.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>

#include "link/operator_messages.h"
#include "records/record_reports.h"

namespace velkaro {
namespace {

constexpr int kShowProgressAfterMs = 300;

} // namespace

HistoryExport::HistoryExport(QWidget* parent, OperatorMessages& messages, std::string connectString)
    : m_parent(parent), m_messages(messages), m_connectString(std::move(connectString)) {}

void HistoryExport::run(const RecordQuery& query) {
    const QString suggested = QDir::home().filePath(
        QStringLiteral("运行记录-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmm"))));
    QString path = QFileDialog::getSaveFileName(m_parent, QStringLiteral("导出运行记录"), suggested,
                                                QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".csv");
    }
    exportTo(path, query);
}

bool HistoryExport::exportTo(const QString& path, const RecordQuery& query) {
    RunRecordReader reader(m_connectString);
    long total = 0;
    try {
        total = reader.count(query);
    } catch (const std::exception& error) {
        m_messages.show(error.what(), std::string());
        return false;
    }
    QProgressDialog progress(QStringLiteral("正在导出运行记录..."), QStringLiteral("取消"), 0,
                             static_cast<int>(std::max(1L, total)), m_parent);
    progress.setWindowTitle(QStringLiteral("导出"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(kShowProgressAfterMs);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setValue(0);

    const ExportResult result = exportRecords(reader, query, path.toStdString(), [&](long rows) {
        // Rows written after the count was taken still count as done.
        progress.setValue(static_cast<int>(std::min(rows, total)));
        if (m_pageHook) {
            m_pageHook(progress, rows);
        }
        return !progress.wasCanceled();
    });
    progress.close();
    if (result.cancelled) {
        return false;
    }
    if (!result.ok) {
        m_messages.show(result.error, std::string());
        return false;
    }
    m_messages.show(
        QStringLiteral("已导出 %1 条记录到 %2").arg(result.rows).arg(path).toStdString(),
        std::string(kInfoCaption));
    return true;
}

} // namespace velkaro
