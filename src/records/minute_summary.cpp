#include "records/minute_summary.h"

#include <soci/soci.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>

namespace velkaro {
namespace {

/// The condition a station's rows or minutes meet, bound last; none for all
/// stations.
std::string stationIs(const char* table, bool station) {
    return station ? std::string(" and ") + table + ".站名 = :station" : std::string();
}

std::string namesIn(std::size_t drives) {
    std::string sql = " in (";
    for (std::size_t i = 0; i < drives; ++i) {
        sql += (i ? ", :n" : ":n") + std::to_string(i);
    }
    return sql + ")";
}

/// Each drive's rows in the stretch, as the run records hold them.
std::map<std::string, long long> countRows(soci::session& session,
                                           const std::vector<std::string>& drives,
                                           const TimeSpan& span,
                                           const std::optional<std::string>& station) {
    std::tm after = wallTimeOf(span.after);
    std::tm upTo = wallTimeOf(span.upTo);
    std::vector<std::string> names = drives;
    std::string stationName = station.value_or(std::string());
    soci::statement statement(session);
    statement.exchange(soci::use(after));
    statement.exchange(soci::use(upTo));
    for (std::string& name : names) {
        statement.exchange(soci::use(name));
    }
    if (station) {
        statement.exchange(soci::use(stationName));
    }
    std::string name;
    long long rows = 0;
    statement.exchange(soci::into(name));
    statement.exchange(soci::into(rows));
    statement.alloc();
    statement.prepare(rowCountSql(drives.size(), station.has_value()));
    statement.define_and_bind();
    statement.execute(false);
    std::map<std::string, long long> counted;
    while (statement.fetch()) {
        counted[name] = rows;
    }
    return counted;
}

/// All drives' rows in the stretch, as the run records hold them.
long long rowTotal(soci::session& session, const TimeSpan& span) {
    std::tm after = wallTimeOf(span.after);
    std::tm upTo = wallTimeOf(span.upTo);
    long long rows = 0;
    session << rowTotalSql(), soci::use(after), soci::use(upTo), soci::into(rows);
    return rows;
}

/// All drives' rows in the stretch, as their minutes hold them.
long long minuteTotal(soci::session& session, const TimeSpan& span) {
    long long first = (span.after + 1) / kMinuteSeconds;
    long long end = (span.upTo + 1) / kMinuteSeconds;
    long long rows = 0;
    session << minuteTotalSql(), soci::use(first), soci::use(end), soci::into(rows);
    return rows;
}

/// The drives whose minutes hold as many rows as the run records do in the
/// stretch, given what the minutes hold for each (of `station` only, when
/// given).
std::set<std::string> completeDrives(soci::session& session, const std::vector<std::string>& drives,
                                     const TimeSpan& span,
                                     const std::map<std::string, long long>& summed,
                                     const std::optional<std::string>& station) {
    long long wanted = 0;
    for (const auto& [drive, rows] : summed) {
        wanted += rows;
    }
    // Counting all rows at once walks the small index on 记录时间 only: when the
    // drives hold a good share of all rows, that is the cheaper check. Minutes
    // lack rows rather than hold extra ones (the purge summarises the minute it
    // cuts again), so equal totals mean every drive's add up, every station's
    // drives too; all stations are counted, as a station's rows cannot be
    // counted from that index alone. Without any minute (none kept there) the
    // drives' own rows are fewer to count.
    const long long inMinutes = minuteTotal(session, span);
    if (inMinutes > 0 && wanted * 4 >= inMinutes && rowTotal(session, span) == inMinutes) {
        return {drives.begin(), drives.end()};
    }
    const std::map<std::string, long long> counted = countRows(session, drives, span, station);
    const auto rowsOf = [](const std::map<std::string, long long>& rows, const std::string& drive) {
        const auto found = rows.find(drive);
        return found == rows.end() ? 0 : found->second;
    };
    std::set<std::string> complete;
    for (const std::string& drive : drives) {
        if (rowsOf(counted, drive) == rowsOf(summed, drive)) {
            complete.insert(drive);
        }
    }
    return complete;
}

/// The drives' column summaries as the minutes give them, the minutes
/// grouped into columns by the database.
std::vector<ColumnSummary> readMinuteColumns(soci::session& session,
                                             const std::vector<std::string>& drives,
                                             const std::vector<Quantity>& quantities,
                                             const TimeSpan& span, const CurveDecimator& grid,
                                             const std::optional<std::string>& station) {
    long long from = grid.from();
    long long columns = grid.columns();
    long long width = grid.span();
    long long firstMinute = (span.after + 1) / kMinuteSeconds;
    long long endMinute = (span.upTo + 1) / kMinuteSeconds;
    std::vector<std::string> names = drives;
    soci::statement statement(session);
    for (long long* value : {&from, &columns, &width, &firstMinute, &endMinute}) {
        statement.exchange(soci::use(*value));
    }
    for (std::string& name : names) {
        statement.exchange(soci::use(name));
    }
    std::string stationName = station.value_or(std::string());
    if (station) {
        statement.exchange(soci::use(stationName));
    }
    std::string name;
    long long column = 0;
    SummaryFetch fetched;
    statement.exchange(soci::into(name));
    statement.exchange(soci::into(column));
    fetched.bind(statement, quantities.size());
    statement.alloc();
    statement.prepare(minuteColumnsSql(drives.size(), quantities, station.has_value()));
    statement.define_and_bind();
    statement.execute(false);
    std::vector<ColumnSummary> summaries;
    while (statement.fetch()) {
        ColumnSummary& summary = summaries.emplace_back();
        summary.drive = name;
        summary.column = static_cast<int>(column);
        fetched.fill(summary, quantities.size());
    }
    return summaries;
}

} // namespace

struct MinuteSummaryWriter::Bound {
    long long minute = 0;
    std::tm after{};
    std::tm upTo{};
    long long cutoff = 0;
    long long first = 0;
    long long end = 0;
};

MinuteSummaryWriter::MinuteSummaryWriter(soci::session& session)
    : m_bound(std::make_unique<Bound>()) {
    Bound& b = *m_bound;
    m_summarise = std::make_unique<soci::statement>(
        (session.prepare << minuteSummariseSql(stationColumnsOf(session)), soci::use(b.minute),
         soci::use(b.after), soci::use(b.upTo)));
    const std::string table(kMinuteSummaryTable);
    m_clear = std::make_unique<soci::statement>(
        (session.prepare << "delete from " + table + " where 分钟 = :minute", soci::use(b.minute)));
    m_purge = std::make_unique<soci::statement>(
        (session.prepare << "delete from " + table + " where 分钟 < :cutoff", soci::use(b.cutoff)));
    m_present = std::make_unique<soci::statement>(
        (session.prepare << "select distinct 分钟 from " + table +
                                " where 分钟 >= :first and 分钟 < :end",
         soci::use(b.first), soci::use(b.end), soci::into(b.minute)));
}

MinuteSummaryWriter::~MinuteSummaryWriter() = default;

void MinuteSummaryWriter::summarise(WallSeconds minute) {
    Bound& b = *m_bound;
    b.minute = minute / kMinuteSeconds;
    b.after = wallTimeOf(minute - 1);
    b.upTo = wallTimeOf(minute + kMinuteSeconds - 1);
    // Cleared first: a drive whose rows in the minute have all gone keeps no
    // summary of them.
    m_clear->execute(true);
    m_summarise->execute(true);
}

WallSeconds MinuteSummaryWriter::fillGaps(WallSeconds before, WallSeconds oldest, int count) {
    Bound& b = *m_bound;
    const WallSeconds from = std::max(oldest, before - count * kMinuteSeconds);
    if (from >= before) {
        return before;
    }
    b.first = from / kMinuteSeconds;
    b.end = before / kMinuteSeconds;
    std::set<long long> present;
    m_present->execute(false);
    while (m_present->fetch()) {
        present.insert(b.minute);
    }
    for (WallSeconds minute = before - kMinuteSeconds; minute >= from; minute -= kMinuteSeconds) {
        if (!present.contains(minute / kMinuteSeconds)) {
            summarise(minute);
        }
    }
    return from;
}

void MinuteSummaryWriter::purge(const std::tm& cutoff) {
    // The minute holding the cutoff has lost some of its rows with it: it is
    // summarised again from those left, so it never counts more than they do.
    const WallSeconds minute = minuteStartOf(wallSecondsOf(cutoff));
    m_bound->cutoff = minute / kMinuteSeconds;
    m_purge->execute(true);
    summarise(minute);
}

std::string minuteSummariseSql(const StationColumns& columns) {
    const std::string table(kMinuteSummaryTable);
    std::string names = "分钟, 名字, 行数, 首行时间, 末行时间, 断线行数, 故障行数";
    std::string updates;
    for (const char* column : {"行数", "首行时间", "末行时间", "断线行数", "故障行数"}) {
        updates += std::string(updates.empty() ? "" : ", ") + column + " = excluded." + column;
    }
    for (const Quantity quantity : allQuantities()) {
        names += ", " + minuteLowColumn(quantity) + ", " + minuteHighColumn(quantity);
        updates += ", " + minuteLowColumn(quantity) + " = excluded." + minuteLowColumn(quantity) +
                   ", " + minuteHighColumn(quantity) + " = excluded." + minuteHighColumn(quantity);
    }
    // Rows of a station of an older version carry no station name: their
    // minutes are kept under the empty one. Minutes without the column keep
    // every station's rows of a drive together.
    const std::string station = columns.rows ? "coalesce(r.站名, '')" : "''";
    const std::string select = columns.minutes ? ", " + station : std::string();
    const std::string group = columns.minutes && columns.rows ? station + ", r.名字" : "r.名字";
    const std::string key = columns.minutes ? "站名, 名字, 分钟" : "名字, 分钟";
    // A minute summarised again replaces what was there: the rows decide.
    return "insert into " + table + " (" + names + (columns.minutes ? ", 站名" : "") +
           ") select cast(:minute as bigint), r.名字, " + rowSummarySql(allQuantities()) + select +
           " from 运行记录 r where r.记录时间 > :after and r.记录时间 <= :upto group by " + group +
           " on conflict (" + key + ") do update set " + updates;
}

std::string rowCountSql(std::size_t drives, bool station) {
    return "select r.名字, count(*) from 运行记录 r where r.记录时间 > :after and r.记录时间 <= "
           ":upto and r.名字" +
           namesIn(drives) + stationIs("r", station) + " group by r.名字";
}

std::string minuteColumnsSql(std::size_t drives, const std::vector<Quantity>& quantities,
                             bool station) {
    // A minute m lies in column (m * 60 + 29 - from) * columns / span, as the
    // chart's columns of whole minutes are laid out.
    std::string inner = "select m.名字, (m.分钟 * 60 + 29 - :origin) * :columns / :span as 列, "
                        "m.行数, m.首行时间, m.末行时间, m.断线行数, m.故障行数";
    std::string outer = "select t.名字, t.列, sum(t.行数), min(t.首行时间), max(t.末行时间), "
                        "sum(t.断线行数), sum(t.故障行数)";
    for (const Quantity quantity : quantities) {
        const std::string low = minuteLowColumn(quantity);
        const std::string high = minuteHighColumn(quantity);
        inner += ", m." + low + ", m." + high;
        outer += ", min(t." + low + "), max(t." + high + ")";
    }
    return outer + " from (" + inner + " from " + std::string(kMinuteSummaryTable) +
           " m where m.分钟 >= :first and m.分钟 < :end and m.名字" + namesIn(drives) +
           stationIs("m", station) + ") t group by t.名字, t.列";
}

std::string rowTotalSql() {
    return "select count(*) from 运行记录 r where r.记录时间 > :after and r.记录时间 <= :upto";
}

std::string minuteTotalSql() {
    return "select coalesce(sum(m.行数), 0) from " + std::string(kMinuteSummaryTable) +
           " m where m.分钟 >= :first and m.分钟 < :end";
}

std::optional<MinuteColumns>
summariseMinutes(RunRecordReader& reader, const std::vector<std::string>& drives,
                 const std::vector<Quantity>& quantities, const std::vector<ColumnSpan>& columns,
                 const CurveDecimator& grid, const std::optional<std::string>& station) {
    if (drives.empty() || columns.empty()) {
        return MinuteColumns{};
    }
    const TimeSpan span{columns.front().span.after, columns.back().span.upTo};
    std::set<int> wanted;
    for (const ColumnSpan& column : columns) {
        wanted.insert(column.column);
    }
    std::vector<ColumnSummary> summaries;
    std::set<std::string> complete;
    const bool read = reader.withSession([&](soci::session& session) {
        try {
            summaries = readMinuteColumns(session, drives, quantities, span, grid, station);
            std::map<std::string, long long> summed;
            std::set<std::string> misplaced;
            for (const ColumnSummary& summary : summaries) {
                summed[summary.drive] += summary.rows;
                if (!wanted.contains(summary.column)) {
                    misplaced.insert(summary.drive);
                }
            }
            complete = completeDrives(session, drives, span, summed, station);
            for (const std::string& drive : misplaced) {
                complete.erase(drive);
            }
            return true;
        } catch (const soci::soci_error&) {
            // No minutes on this data source; a dead session fails the next read.
            return false;
        }
    });
    if (!read) {
        return std::nullopt;
    }
    MinuteColumns found;
    for (const std::string& drive : drives) {
        if (!complete.contains(drive)) {
            found.incomplete.push_back(drive);
        }
    }
    for (ColumnSummary& summary : summaries) {
        if (complete.contains(summary.drive)) {
            found.summaries.push_back(std::move(summary));
        }
    }
    return found;
}

} // namespace velkaro
