// Trends and export on SQLite and PostgreSQL side by side, on a table of 32
// drives at 5 s spacing (72 h = 1,658,880 rows): a trend of one drive with
// five quantities over 72 h, 32 drives with one quantity over 72 h (read and
// thinned by the database, the same with every row read and thinned on the
// station, then the whole window's drawing), and the CSV export of 2 h of
// all drives with the growth of the resident set while it streams. Reports
// figures; asserts nothing.
//
//   trends_bench [--hours H] [--runs N]
//
// SQLite: a database file in a temporary folder. PostgreSQL: the server of
// scripts/lib/services.sh (VELKARO_TEST_PG_*), a database of its own; left
// out when those are not set. Both are reached by driver connection strings,
// so one process holds both.

// Core headers before any Qt header: Qt's `slots` keyword macro would
// otherwise swallow DriveTable::slots.
#include "link/link_snapshot.h"

#include <soci/soci.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "link/operator_messages.h"
#include "records/column_summary.h"
#include "records/curve_decimator.h"
#include "records/display_options.h"
#include "records/minute_summary.h"
#include "records/record_database.h"
#include "records/record_reports.h"
#include "records/record_time.h"
#include "records/trend_data.h"
#include "ui/records/station_records.h"
#include "ui/records/trend_window.h"

namespace {

using namespace velkaro;
using Clock = std::chrono::steady_clock;

class PrintedMessages : public OperatorMessages {
public:
    void show(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void notify(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long residentKb() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

/// The station the filled rows are written by, as one station of many
/// sharing the data source reads them.
constexpr const char* kStation = "基准站";

struct Engine {
    std::string label;
    std::string connect;
    bool postgres = false;
};

void fill(soci::session& session, bool postgres, std::time_t base, long rows) {
    const std::string baseText = formatRecordTime(localTimeOf(base));
    const std::string values =
        "'50.00', '12.3', '380.0', '50.00', '540.0', '正向运转 ', '" + std::string(kStation) + "'";
    const std::string columns =
        "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, 输出电压, "
        "设定频率, 母线电压, 工作状态, 站名) ";
    // Oldest first, 32 rows a pass, as the station writes them: each drive's
    // rows lie spread over every page of the table.
    const std::string last = std::to_string(rows - 1);
    if (postgres) {
        // Autovacuum marks a table's pages all-visible (so an index alone can
        // count their rows) once a fifth of it is new since its last run: at
        // worst the newest fifth is not marked yet.
        const std::string split = std::to_string(rows - rows / 5);
        const auto insert = [&](const std::string& first, const std::string& end) {
            session << columns + "select timestamp '" + baseText + "' - ((" + last +
                           " - i) / 32) * interval '5 second', (i % 32 + 1) || '#QD10-7.5', " +
                           values + " from generate_series(" + first + ", " + end + ") as i";
        };
        insert("0", split + " - 1");
        session << "vacuum analyze 运行记录";
        insert(split, last);
        session << "analyze 运行记录";
    } else {
        session << "with recursive seq(i) as (select 0 union all select i + 1 from seq where i < " +
                       last + ") " + columns + "select strftime('%Y-%m-%d %H:%M:%S', '" + baseText +
                       "', '-' || ((" + last +
                       " - i) / 32 * 5) || ' seconds') || '.000', (i % 32 + 1) || "
                       "'#QD10-7.5', " +
                       values + " from seq";
        session << "pragma wal_checkpoint(truncate)";
    }
}

/// The per-minute summaries of the filled rows, as the record pass would
/// have kept them row by row.
void fillMinutes(soci::session& session, bool postgres) {
    const std::string minute =
        postgres ? "cast(extract(epoch from date_trunc('minute', r.记录时间)) as bigint) / 60"
                 : "cast(strftime('%s', substr(r.记录时间, 1, 19)) as integer) / 60";
    std::string columns = "分钟, 站名, 名字, 行数, 首行时间, 末行时间, 断线行数, 故障行数";
    std::vector<Quantity> all;
    for (int q = 0; q < kQuantityCount; ++q) {
        all.push_back(static_cast<Quantity>(q));
        const std::string column = quantityInfo(all.back()).column;
        columns += ", " + column + "最小, " + column + "最大";
    }
    session << "delete from 运行记录分钟汇总";
    session << "insert into 运行记录分钟汇总 (" + columns + ") select " + minute +
                   ", r.站名, r.名字, " + rowSummarySql(all) +
                   " from 运行记录 r group by r.站名, r.名字, " + minute;
    if (postgres) {
        session << "analyze 运行记录分钟汇总";
    } else {
        session << "pragma wal_checkpoint(truncate)";
    }
}

/// The way trends were read before the database thinned them: every row of
/// the window through the driver, thinned on the station. Returns the rows.
long thinEveryRow(RunRecordReader& reader, const TrendRequest& request) {
    long rows = 0;
    for (const std::string& drive : request.drives) {
        std::vector<CurveDecimator> curves(
            request.quantities.size(), CurveDecimator(request.from, request.to, request.columns));
        RecordQuery query;
        query.after = wallTimeOf(request.from - 1);
        query.upTo = wallTimeOf(request.to);
        query.driveName = drive;
        query.station = request.station;
        query.values = request.quantities;
        reader.readPages(query, [&](const std::vector<RunRecord>& page) {
            for (const RunRecord& row : page) {
                for (std::size_t q = 0; q < curves.size(); ++q) {
                    curves[q].addValue(
                        wallSecondsOf(row.recordTime),
                        std::strtod(valueOf(row, request.quantities[q]).c_str(), nullptr));
                }
            }
            rows += static_cast<long>(page.size());
            return true;
        });
        for (CurveDecimator& curve : curves) {
            curve.finish();
        }
    }
    return rows;
}

struct Figures {
    double wall = 0;
    double cpu = 0;
};

template <typename Work> Figures measure(int runs, Work&& work) {
    std::vector<double> walls;
    std::vector<double> cpus;
    for (int run = 0; run < runs; ++run) {
        const double cpu = cpuMs();
        const auto start = Clock::now();
        work();
        walls.push_back(msSince(start));
        cpus.push_back(cpuMs() - cpu);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

void report(const char* what, const Engine& engine, const Figures& figures, const char* extra) {
    std::printf("%-44s %-10s %9.1f ms  (cpu %8.1f ms)  %s\n", what, engine.label.c_str(),
                figures.wall, figures.cpu, extra);
    std::fflush(stdout);
}

void benchEngine(const Engine& engine, double hours, int runs, const std::filesystem::path& temp) {
    auto session = openRecordSession(engine.connect);
    ensureRunRecordTable(*session, kStation);
    *session << "delete from 运行记录";
    const std::time_t base = std::time(nullptr);
    const long rows = static_cast<long>(hours * 3600 / 5) * 32;
    const auto filling = Clock::now();
    fill(*session, engine.postgres, base, rows);
    std::printf("%-10s filled %ld rows in %.1f s\n", engine.label.c_str(), rows,
                msSince(filling) / 1000);
    const auto summing = Clock::now();
    fillMinutes(*session, engine.postgres);
    std::printf("%-10s summarised them per minute in %.1f s\n", engine.label.c_str(),
                msSince(summing) / 1000);

    const WallSeconds now = wallSecondsAt(base) + 1;
    {
        // What the record pass adds: a minute of all drives summarised, and a
        // look for missing summaries (none here) among ten minutes.
        MinuteSummaryWriter minutes(*session);
        const WallSeconds minute = minuteStartOf(now - 3600);
        report("a minute of 32 drives summarised", engine,
               measure(runs, [&] { minutes.summarise(minute); }), "");
        report("ten minutes looked at for gaps", engine,
               measure(runs, [&] { minutes.fillGaps(minute, minute - 3600, 10); }), "");
    }
    RunRecordReader reader(engine.connect);
    TrendRequest one;
    one.drives = {"8#QD10-7.5"};
    one.quantities = {Quantity::RunningFrequency, Quantity::SetFrequency, Quantity::OutputCurrent,
                      Quantity::OutputVoltage, Quantity::BusVoltage};
    one.from = now - static_cast<WallSeconds>(hours * 3600);
    one.to = now;
    one.columns = 1000;
    one.station = kStation;
    long read = 0;
    Figures figures = measure(runs, [&] { read = loadTrend(reader, one).rows; });
    report("trend 1 drive x 5, read + thin", engine, figures,
           (std::to_string(read) + " rows").c_str());
    figures = measure(runs, [&] { read = thinEveryRow(reader, one); });
    report("  the same, every row thinned on the station", engine, figures,
           (std::to_string(read) + " rows").c_str());
    TrendRequest all = one;
    all.drives.clear();
    for (int d = 1; d <= 32; ++d) {
        all.drives.push_back(std::to_string(d) + "#QD10-7.5");
    }
    all.quantities = {Quantity::RunningFrequency};
    figures = measure(std::max(1, runs / 3), [&] { read = loadTrend(reader, all).rows; });
    report("trend 32 drives x 1, read + thin", engine, figures,
           (std::to_string(read) + " rows").c_str());
    figures = measure(1, [&] { read = thinEveryRow(reader, all); });
    report("  the same, every row thinned on the station", engine, figures,
           (std::to_string(read) + " rows").c_str());

    // The window itself: read, thin, build the series and paint the chart.
    PrintedMessages messages;
    const LinkSnapshot noDrives;
    DisplayOptions options;
    options.maxStorageHours = 72;
    options.stationName = kStation;
    StationRecords records(messages, engine.connect);
    TrendWindow window(noDrives, options, messages, records);
    window.setClock([&] { return base + 1; });
    window.resize(1180, 720);
    window.windowChoice()->setCurrentIndex(5); // 最近72小时
    window.refresh();
    records.settle(600000);
    for (const int drives : {1, 32}) {
        for (int row = 0; row < window.driveList()->count(); ++row) {
            QListWidgetItem* item = window.driveList()->item(row);
            const bool wanted = drives == 32 || item->text() == "8#QD10-7.5";
            const QSignalBlocker blocker(window.driveList());
            item->setCheckState(wanted ? Qt::Checked : Qt::Unchecked);
        }
        for (int q = 0; q < kQuantityCount; ++q) {
            const QSignalBlocker blocker(window.quantityBox(static_cast<Quantity>(q)));
            window.quantityBox(static_cast<Quantity>(q))->setChecked(drives == 1 || q == 0);
        }
        report(drives == 1 ? "trend 1 drive x 5, window: read+thin+draw"
                           : "trend 32 drives x 1, window: read+thin+draw",
               engine,
               measure(drives == 1 ? runs : std::max(1, runs / 3),
                       [&] {
                           window.reload();
                           records.settle(600000);
                           window.grab();
                       }),
               "");
    }

    // A minute without its summary (missed while the station was stopped):
    // the stretch of columns read at once that holds it is read from the rows.
    *session << "delete from 运行记录分钟汇总 where 分钟 = " +
                    std::to_string(minuteStartOf(now - 3600) / kMinuteSeconds);
    figures = measure(runs, [&] { read = loadTrend(reader, one).rows; });
    report("trend 1 drive x 5, a minute missing", engine, figures,
           (std::to_string(read) + " rows").c_str());
    figures = measure(std::max(1, runs / 3), [&] { read = loadTrend(reader, all).rows; });
    report("trend 32 drives x 1, a minute missing", engine, figures,
           (std::to_string(read) + " rows").c_str());

    // The minutes missing (a data source shared with a station that keeps
    // none): every drive is found short and summarised from its rows.
    *session << "delete from 运行记录分钟汇总";
    figures = measure(runs, [&] { read = loadTrend(reader, one).rows; });
    report("trend 1 drive x 5, minutes missing", engine, figures,
           (std::to_string(read) + " rows").c_str());
    figures = measure(std::max(1, runs / 3), [&] { read = loadTrend(reader, all).rows; });
    report("trend 32 drives x 1, minutes missing", engine, figures,
           (std::to_string(read) + " rows").c_str());

    // Export of 2 h of all drives, and the resident set while 2 h and 12 h stream.
    RecordQuery last2;
    last2.after = wallTimeOf(now - 2 * 3600);
    last2.upTo = wallTimeOf(now);
    last2.station = kStation;
    const std::string csv = (temp / "export.csv").string();
    ExportResult exported;
    figures = measure(runs, [&] { exported = exportRecords(reader, last2, csv); });
    report("export 2 h x 32 drives", engine, figures,
           (std::to_string(exported.rows) + " rows").c_str());
    for (const int span : {2, 12}) {
        RecordQuery query = last2;
        query.after = wallTimeOf(now - span * 3600);
        long peak = 0;
        const long before = residentKb();
        exported = exportRecords(reader, query, csv, [&](long) {
            peak = std::max(peak, residentKb());
            return true;
        });
        std::printf("%-44s %-10s resident growth %6ld kB over %ld rows\n", "export, streaming",
                    engine.label.c_str(), std::max(0L, peak - before), exported.rows);
    }
    std::filesystem::remove(csv);
    *session << "delete from 运行记录";
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

int main(int argc, char** argv) {
    double hours = 72;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--hours") && i + 1 < argc) {
            hours = std::max(2.0, std::atof(argv[++i]));
        } else if (!std::strcmp(argv[i], "--runs") && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: trends_bench [--hours H] [--runs N]\n");
            return 2;
        }
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    char pattern[] = "/tmp/velkaro-trends-bench.XXXXXX";
    const std::filesystem::path temp = mkdtemp(pattern);
    std::vector<Engine> engines = {{"SQLite",
                                    "Driver=SQLite3;Database=" + (temp / "records.db").string() +
                                        ";JournalMode=WAL;SyncPragma=NORMAL;Timeout=2000",
                                    false}};
    std::string pgDatabase;
    if (!env("VELKARO_TEST_PG_PORT").empty()) {
        const std::string server = "Driver={" + env("VELKARO_TEST_PG_DRIVER") +
                                   "};Servername=" + env("VELKARO_TEST_PG_HOST") +
                                   ";Port=" + env("VELKARO_TEST_PG_PORT") +
                                   ";Username=" + env("VELKARO_TEST_PG_USER") + ";Password=;";
        pgDatabase = "velkaro_trends_bench_" + std::to_string(getpid());
        soci::session admin("odbc", server + "Database=" + env("VELKARO_TEST_PG_DATABASE") + ";");
        admin << "create database " + pgDatabase;
        engines.push_back({"PostgreSQL", server + "Database=" + pgDatabase + ";", true});
    } else {
        std::printf("PostgreSQL left out: VELKARO_TEST_PG_* not set\n");
    }
    std::printf("%g h of 32 drives at 5 s, median of %d runs (32-drive trends: %d)\n", hours, runs,
                std::max(1, runs / 3));
    for (const Engine& engine : engines) {
        try {
            benchEngine(engine, hours, runs, temp);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: %s\n", engine.label.c_str(), error.what());
        }
    }
    if (!pgDatabase.empty()) {
        const std::string server = "Driver={" + env("VELKARO_TEST_PG_DRIVER") +
                                   "};Servername=" + env("VELKARO_TEST_PG_HOST") +
                                   ";Port=" + env("VELKARO_TEST_PG_PORT") +
                                   ";Username=" + env("VELKARO_TEST_PG_USER") + ";Password=;";
        soci::session admin("odbc", server + "Database=" + env("VELKARO_TEST_PG_DATABASE") + ";");
        admin << "drop database if exists " + pgDatabase + " with (force)";
    }
    std::filesystem::remove_all(temp);
    return 0;
}
