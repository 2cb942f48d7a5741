#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "records/record_events.h"
#include "records/run_record_reader.h"

namespace velkaro {

/// The export's columns: the history grid's six (记录时间, 名字, 运行频率,
/// 输出电流, 输出电压, 工作状态), then the two stored values the grid leaves out
/// (设定频率, 母线电压), then the station that wrote the row (站名, empty on a
/// table without it). One CSV line each, ended with CR LF.
std::string exportHeaderLine();
std::string exportLine(const RunRecord& row);

struct ExportResult {
    bool ok = false;
    bool cancelled = false;
    long rows = 0;     ///< rows written
    std::string error; ///< names the file and the reason, or the data source's text
};

/// Writes the rows of `query`, oldest first, to a CSV file at `path` (UTF-8
/// with byte order mark), a page at a time. After each page onProgress gets
/// the rows written so far; false cancels. A cancelled or failed export
/// leaves no file, and an existing file at `path` stays as it was.
ExportResult exportRecords(RunRecordReader& reader, const RecordQuery& query,
                           const std::string& path,
                           const std::function<bool(long rows)>& onProgress = {});

/// The fault trips and losses of communication within the query's window,
/// oldest first (drives in name order within a second), of the query's
/// station or of every station. Each station's drives are judged apart:
/// each drive's first row in the window against its row just before the
/// window. Throws on a database error.
std::vector<RecordEvent> findEvents(RunRecordReader& reader, const RecordQuery& query);

std::string eventHeaderLine();
/// "2026-03-05 02:13:25,3#QD30-7.50,过压保护,一号站" with CR LF.
std::string eventLine(const RecordEvent& event);

} // namespace velkaro
