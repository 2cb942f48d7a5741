#include "records/record_reports.h"

#include <algorithm>
#include <map>

#include "files/csv_text.h"
#include "records/csv_file.h"
#include "records/record_database.h"

namespace velkaro {

std::string exportHeaderLine() {
    return csvRecord({"记录时间", "名字", "运行频率", "输出电流", "输出电压", "工作状态",
                      "设定频率", "母线电压", "站名"});
}

std::string exportLine(const RunRecord& row) {
    const std::string time = formatRecordTime(row.recordTime);
    return csvRecord({time, row.name, row.runningFrequency, row.outputCurrent, row.outputVoltage,
                      row.workingState, row.setFrequency, row.busVoltage, row.station});
}

ExportResult exportRecords(RunRecordReader& reader, const RecordQuery& query,
                           const std::string& path,
                           const std::function<bool(long rows)>& onProgress) {
    ExportResult result;
    CsvFile file;
    if (!file.open(path) || !file.write(exportHeaderLine())) {
        result.error = file.error();
        return result;
    }
    bool written = true;
    std::string text;
    try {
        const bool finished = reader.readPages(query, [&](const std::vector<RunRecord>& rows) {
            text.clear();
            for (const RunRecord& row : rows) {
                text += exportLine(row);
            }
            written = file.write(text);
            result.rows += written ? static_cast<long>(rows.size()) : 0;
            return written && (!onProgress || onProgress(result.rows));
        });
        result.cancelled = written && !finished;
    } catch (const std::exception& error) {
        file.abandon();
        result.error = error.what();
        return result;
    }
    if (!written) {
        result.error = file.error();
        return result;
    }
    if (result.cancelled) {
        file.abandon();
        return result;
    }
    result.ok = file.commit();
    result.error = file.error();
    return result;
}

std::vector<RecordEvent> findEvents(RunRecordReader& reader, const RecordQuery& query) {
    std::vector<std::string> names;
    if (query.driveName) {
        names.push_back(*query.driveName);
    } else {
        names = reader.driveNames(query.station);
    }
    RecordQuery states = query;
    states.values.clear();
    std::vector<RecordEvent> events;
    for (const std::string& name : names) {
        // Stations sharing the table may name their drives alike: each
        // station's drive is followed on its own.
        std::map<std::string, RecordEventTracker> trackers;
        states.driveName = name;
        reader.readPages(states, [&](const std::vector<RunRecord>& rows) {
            for (const RunRecord& row : rows) {
                auto tracker = trackers.find(row.station);
                if (tracker == trackers.end()) {
                    tracker =
                        trackers.emplace(row.station, RecordEventTracker(name, row.station)).first;
                    const std::optional<std::string> station =
                        row.station.empty() ? query.station : row.station;
                    if (const auto before = reader.rowAtOrBefore(name, query.after, station)) {
                        tracker->second.seed(before->workingState);
                    }
                }
                const WallSeconds time = wallSecondsOf(row.recordTime);
                if (auto event = tracker->second.add(time, row.workingState)) {
                    events.push_back(std::move(*event));
                }
            }
            return true;
        });
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const RecordEvent& a, const RecordEvent& b) { return a.time < b.time; });
    return events;
}

std::string eventHeaderLine() {
    return csvRecord({"记录时间", "名字", "原因", "站名"});
}

std::string eventLine(const RecordEvent& event) {
    const std::string time = formatRecordTime(wallTimeOf(event.time));
    return csvRecord({time, event.drive, event.cause, event.station});
}

} // namespace velkaro
