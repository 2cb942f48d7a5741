#include "records/records_command.h"

#include <soci/soci.h>

#include <ostream>

#include "records/action_table.h"
#include "records/data_source.h"
#include "records/record_reports.h"
#include "records/records_options.h"
#include "records/run_record_reader.h"
#include "registry/language.h"

namespace velkaro {
namespace {

RecordQuery queryOf(const RecordsOptions& options, const RecordWindow& window,
                    const std::string& thisStation) {
    RecordQuery query;
    query.after = window.after;
    query.upTo = window.upTo;
    query.driveName = options.drive;
    query.station = stationOf(options, thisStation);
    return query;
}

/// A table without station names cannot be read for one station: every
/// row is, and the operator is told.
void noteStations(RunRecordReader& reader, const RecordQuery& query,
                  const RecordsConsole& console) {
    if (query.station && !reader.stationFilter(query.station)) {
        console.err << translated(
                           "RecordsConsole",
                           "velkaro-records: 运行记录表没有“站名”列（旧版本建的表，尚未升级），"
                           "输出全部站的记录")
                    << std::endl;
    }
}

int runExport(const RecordsOptions& options, const RecordQuery& query,
              const RecordsConsole& console) {
    RunRecordReader reader(console.connectString);
    try {
        noteStations(reader, query, console);
    } catch (const std::exception& error) {
        console.err << "velkaro-records: " << error.what() << std::endl;
        return kRecordsExitFailure;
    }
    const ExportResult result = exportRecords(reader, query, options.file, [&](long) {
        return !(console.interrupted != nullptr && console.interrupted->load());
    });
    if (result.cancelled) {
        console.err << translated("RecordsConsole", "velkaro-records: 已中断，没有写入 ")
                    << options.file << std::endl;
        return kRecordsExitFailure;
    }
    if (!result.ok) {
        console.err << "velkaro-records: " << result.error << std::endl;
        return kRecordsExitFailure;
    }
    console.err << "velkaro-records: " << result.rows
                << translated("RecordsConsole", " 条记录写入 ") << options.file << std::endl;
    return 0;
}

int runEvents(const RecordQuery& query, const RecordsConsole& console) {
    RunRecordReader reader(console.connectString);
    std::vector<RecordEvent> events;
    try {
        noteStations(reader, query, console);
        events = findEvents(reader, query);
    } catch (const std::exception& error) {
        console.err << "velkaro-records: " << error.what() << std::endl;
        return kRecordsExitFailure;
    }
    console.out << eventHeaderLine();
    for (const RecordEvent& event : events) {
        console.out << eventLine(event);
    }
    console.out.flush();
    return 0;
}

int runActions(const RecordsOptions& options, const RecordQuery& window,
               const RecordsConsole& console) {
    ActionQuery query;
    query.after = window.after;
    query.upTo = window.upTo;
    query.drive = window.driveName;
    query.station = window.station;
    query.account = options.account;
    std::vector<ActionRecord> rows;
    try {
        const auto session = openRecordSession(console.connectString);
        long long present = 0;
        try {
            *session << "select count(*) from 操作记录 where 1 = 0", soci::into(present);
        } catch (const soci::soci_error&) {
            // No station or tool has logged an action on this data source yet.
            console.out << actionHeaderLine();
            return 0;
        }
        rows = readActions(*session, query);
    } catch (const std::exception& error) {
        console.err << "velkaro-records: " << error.what() << std::endl;
        return kRecordsExitFailure;
    }
    console.out << actionHeaderLine();
    for (const ActionRecord& row : rows) {
        console.out << actionLine(row);
    }
    console.out.flush();
    return 0;
}

} // namespace

int runRecordsCommand(const std::vector<std::string>& args, const RecordsConsole& console) {
    std::string error;
    const std::optional<RecordsOptions> options = parseRecordsOptions(args, error);
    if (!options) {
        console.err << "velkaro-records: " << error
                    << translated("RecordsConsole", "\n请用 velkaro-records --help 查看用法。")
                    << std::endl;
        return kRecordsExitUsage;
    }
    if (options->command == RecordsOptions::Command::Help) {
        console.out << recordsUsage();
        return 0;
    }
    const std::optional<RecordWindow> window = resolveRecordWindow(*options, console.now, error);
    if (!window) {
        console.err << "velkaro-records: " << error << std::endl;
        return kRecordsExitUsage;
    }
    if (!window->note.empty()) {
        console.err << "velkaro-records: " << window->note << std::endl;
    }
    // Before the first start of the station there is nothing to read: say so
    // rather than pass on the driver manager's IM002.
    if (const std::string dsn = dataSourceNameOf(console.connectString);
        !dsn.empty() && !dataSourceExists(dsn)) {
        console.err << translated("RecordsConsole", "velkaro-records: 还没有运行记录数据源“") << dsn
                    << translated(
                           "RecordsConsole",
                           "”：工作站第一次启动时会建立它；要读别处的记录，请在 ~/.odbc.ini、"
                           "/etc/odbc.ini 或 ODBCINI 所指的文件中定义这个名字的数据源。")
                    << std::endl;
        return kRecordsExitFailure;
    }
    const RecordQuery query = queryOf(*options, *window, console.station);
    if (options->command == RecordsOptions::Command::Export) {
        return runExport(*options, query, console);
    }
    if (options->command == RecordsOptions::Command::Actions) {
        return runActions(*options, query, console);
    }
    return runEvents(query, console);
}

} // namespace velkaro
