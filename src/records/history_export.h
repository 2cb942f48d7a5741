#pragma once

#include <QString>

#include <functional>
#include <string>

#include "records/run_record_reader.h"

class QProgressDialog;
class QWidget;

namespace velkaro {

class OperatorMessages;

/// "导出...": writes the history's rows to a CSV file, a page at a time, with
/// a progress dialog whose "取消" stops the export and leaves no file.
class HistoryExport {
public:
    HistoryExport(QWidget* parent, OperatorMessages& messages, std::string connectString);

    /// Asks for the file, then exports the rows of `query` into it.
    void run(const RecordQuery& query);
    /// Exports the rows of `query` to `path`. Says the outcome to the operator
    /// (rows written, or what failed: the file and the reason, or the data
    /// source's text); a cancel says nothing. True when the file was written.
    bool exportTo(const QString& path, const RecordQuery& query);

    /// Called after every page with the dialog and the rows written (tests
    /// cancel from here, as an operator would between two pages).
    void setPageHook(std::function<void(QProgressDialog&, long)> hook) {
        m_pageHook = std::move(hook);
    }

private:
    QWidget* m_parent;
    OperatorMessages& m_messages;
    std::string m_connectString;
    std::function<void(QProgressDialog&, long)> m_pageHook;
};

} // namespace velkaro
