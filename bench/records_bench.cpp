// Cost of the run records on a real data source: one record pass for 32
// drives, the same pass done the old way (a fresh connection per drive that
// opens and walks the whole table), and the history grid's 2-hour query for
// all drives and for one drive. Reports figures; asserts nothing.
//
//   records_bench --engine sqlite|postgresql [--big] [--passes N]
//
// sqlite: a private data source in a temporary folder (ODBCINI and
// XDG_DATA_HOME are set by the program). postgresql: the data source of
// $VELKARO_TEST_PG_ODBCINI (scripts/lib/services.sh start_services); its table
// is emptied. Tables of 0 and 100,000 rows; --big adds 1,658,880 rows
// (72 hours of 32 drives at 5 s), which takes minutes to fill and to walk.
// One engine per run: the driver manager binds a data source to one driver
// for the life of a process.

#include <soci/soci.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "link/operator_messages.h"
#include "records/data_source.h"
#include "records/history_model.h"
#include "records/record_database.h"
#include "records/run_record_store.h"

namespace {

using namespace velkaro;
using Clock = std::chrono::steady_clock;

constexpr int kDrives = 32;
constexpr long kIntervalSeconds = 5;

class PrintedMessages : public OperatorMessages {
public:
    void show(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void notify(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
};

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string driveName(int drive) {
    return std::to_string(drive + 1) + "#QD10-7.5";
}

std::vector<RunRecord> passRows() {
    std::vector<RunRecord> rows(kDrives);
    for (int drive = 0; drive < kDrives; ++drive) {
        rows[drive].name = driveName(drive);
        rows[drive].runningFrequency = "50.00";
        rows[drive].outputCurrent = "12.3";
        rows[drive].outputVoltage = "380.0";
        rows[drive].setFrequency = "50.00";
        rows[drive].busVoltage = "540.0";
        rows[drive].workingState = "正向运转 ";
    }
    return rows;
}

struct Bench {
    bool postgres = false;
    std::time_t base = 0; ///< time of the newest filled row
    soci::session* admin = nullptr;

    /// Appends the rows with indexes [from, to): row i belongs to drive i % 32
    /// and lies (i / 32) intervals before base, so a table of 32 k rows spans
    /// k intervals. Done inside the engine: row-by-row inserts would take hours.
    void fill(long from, long to) {
        if (to <= from) {
            return;
        }
        const std::string baseText = formatRecordTime(localTimeOf(base));
        const std::string values = "'50.00', '12.3', '380.0', '50.00', '540.0', '正向运转 '";
        const std::string columns = "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, "
                                    "输出电压, 设定频率, 母线电压, 工作状态) ";
        if (postgres) {
            *admin << columns + "select timestamp '" + baseText + "' - (i / 32) * " +
                          std::to_string(kIntervalSeconds) +
                          " * interval '1 second', (i % 32 + 1) || '#QD10-7.5', " + values +
                          " from generate_series(" + std::to_string(from) + ", " +
                          std::to_string(to - 1) + ") as i";
            *admin << "analyze 运行记录";
        } else {
            *admin << "with recursive seq(i) as (select " + std::to_string(from) +
                          " union all select i + 1 from seq where i < " + std::to_string(to - 1) +
                          ") " + columns + "select strftime('%Y-%m-%d %H:%M:%S', '" + baseText +
                          "', '-' || (i / 32 * " + std::to_string(kIntervalSeconds) +
                          ") || ' seconds') || '.000', (i % 32 + 1) || '#QD10-7.5', " + values +
                          " from seq";
        }
    }

    /// A running station commits a row at a time and its journal stays small;
    /// after a bulk fill, fold the journal in so reads see a steady table.
    void settle() {
        if (!postgres) {
            *admin << "pragma wal_checkpoint(truncate)";
        }
    }
};

/// The old way: per drive a new connection, the whole table opened and
/// walked row by row (the purge deletes the rows it finds too old), one
/// insert, close.
double oldWayDrive(std::time_t now, uint32_t maxStorageHours, const RunRecord& row, long& walked) {
    const auto start = Clock::now();
    auto session = openRecordSession(std::string(kRunRecordConnect));
    std::tm cutoff = hoursBefore(now, maxStorageHours);
    const std::time_t cutoffSeconds = timegm(&cutoff);
    soci::rowset<soci::row> rows = (session->prepare << "select * from 运行记录");
    for (const soci::row& r : rows) {
        std::tm time = r.get<std::tm>(0);
        ++walked;
        if (timegm(&time) < cutoffSeconds) {
            *session << "delete from 运行记录 where 记录时间 = :t", soci::use(time);
        }
    }
    std::tm at = localTimeOf(now);
    *session << "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, 输出电压, 设定频率, "
                "母线电压, 工作状态) values (:t, :n, :f, :i, :u, :s, :b, :w)",
        soci::use(at), soci::use(row.name), soci::use(row.runningFrequency),
        soci::use(row.outputCurrent), soci::use(row.outputVoltage), soci::use(row.setFrequency),
        soci::use(row.busVoltage), soci::use(row.workingState);
    return millisecondsSince(start);
}

void measureSize(Bench& bench, long tableRows, int passes) {
    PrintedMessages messages;
    const std::vector<RunRecord> rows = passRows();
    std::time_t now = bench.base + kIntervalSeconds;

    RunRecordStore store(messages);
    store.setClock([&now] { return now; });
    const auto first = Clock::now();
    store.writeRows(rows, 72, {});
    const double firstPass = millisecondsSince(first);
    std::vector<double> times;
    for (int pass = 0; pass < passes; ++pass) {
        ++now;
        const auto start = Clock::now();
        store.writeRows(rows, 72, {});
        times.push_back(millisecondsSince(start));
    }
    const double pass = median(times);

    // The old way, extrapolated from a few drives on big tables.
    const int oldDrives = tableRows > 200000 ? 2 : kDrives;
    long walked = 0;
    double oldTotal = 0;
    for (int drive = 0; drive < oldDrives; ++drive) {
        oldTotal += oldWayDrive(++now, 72, rows[drive], walked);
    }
    const double oldPass = oldTotal / oldDrives * kDrives;

    HistoryModel model;
    HistoryFilter window;
    window.since = hoursBefore(now, 2);
    HistoryFilter oneDrive = window;
    oneDrive.driveName = driveName(7);
    struct Query {
        const char* label;
        HistoryFilter filter;
    };
    std::printf("%10ld rows  pass %8.2f ms (first %7.2f)  old way %10.1f ms%s  ratio %7.1f\n",
                tableRows, pass, firstPass, oldPass, oldDrives < kDrives ? "*" : " ",
                oldPass / pass);
    for (const Query& query : {Query{"all drives", window}, Query{"one drive ", oneDrive}}) {
        std::vector<double> page;
        std::vector<double> whole;
        int shown = 0;
        HistoryFilter nothing;
        nothing.since = localTimeOf(now + 86400);
        for (int run = 0; run < 5; ++run) {
            // Start from an empty grid: dropping a whole fetched window is the
            // view's cost, not the query's.
            model.runQuery(nothing);
            auto start = Clock::now();
            model.runQuery(query.filter);
            page.push_back(millisecondsSince(start));
            start = Clock::now();
            while (model.canFetchMore({})) {
                model.fetchMore({});
            }
            whole.push_back(millisecondsSince(start) + page.back());
            shown = model.rowCount();
        }
        std::printf("%10s       2 h history, %s: first page %7.2f ms, whole window %8.1f ms "
                    "(%d rows)\n",
                    "", query.label, median(page), median(whole), shown);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    std::string engine;
    bool big = false;
    int passes = 20;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--engine") && i + 1 < argc) {
            engine = argv[++i];
        } else if (!std::strcmp(argv[i], "--big")) {
            big = true;
        } else if (!std::strcmp(argv[i], "--passes") && i + 1 < argc) {
            passes = std::max(1, std::atoi(argv[++i]));
        } else {
            engine.clear();
            break;
        }
    }
    if (engine != "sqlite" && engine != "postgresql") {
        std::fprintf(stderr,
                     "usage: records_bench --engine sqlite|postgresql [--big] [--passes N]\n");
        return 2;
    }

    Bench bench;
    bench.postgres = engine == "postgresql";
    std::filesystem::path folder;
    if (bench.postgres) {
        const char* ini = std::getenv("VELKARO_TEST_PG_ODBCINI");
        if (!ini) {
            std::fprintf(stderr, "records_bench: VELKARO_TEST_PG_ODBCINI is not set\n");
            return 2;
        }
        setenv("ODBCINI", ini, 1);
    } else {
        char pattern[] = "/tmp/velkaro-records-bench.XXXXXX";
        folder = mkdtemp(pattern);
        setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
        setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    const DataSourceResult source = registerDataSource();
    if (!source.ok) {
        std::fprintf(stderr, "records_bench: data source: %s\n", source.message.c_str());
        return 1;
    }
    auto admin = openRecordSession(std::string(kRunRecordConnect));
    *admin << "delete from 运行记录";
    bench.admin = admin.get();
    bench.base = std::time(nullptr);

    std::printf("engine %s, 32 drives, %d passes per size (median)\n", engine.c_str(), passes);
    std::vector<long> sizes = {0, 100000};
    if (big) {
        sizes.push_back(1658880);
    }
    long filled = 0;
    for (const long size : sizes) {
        const auto start = Clock::now();
        bench.fill(filled, size);
        if (size > filled) {
            std::printf("(filled to %ld rows in %.1f s)\n", size, millisecondsSince(start) / 1000);
        }
        filled = size;
        // Each measurement adds rows; start every size from the same table.
        std::tm newest = localTimeOf(bench.base);
        *admin << "delete from 运行记录 where 记录时间 > :t", soci::use(newest);
        bench.settle();
        measureSize(bench, size, passes);
    }
    *admin << "delete from 运行记录";
    admin.reset();
    if (!folder.empty()) {
        std::filesystem::remove_all(folder);
    }
    std::printf("* old way measured on 2 drives and scaled to 32\n");
    return 0;
}
