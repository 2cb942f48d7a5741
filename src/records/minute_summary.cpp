#include "records/minute_summary.h"

#include <soci/soci.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>

#include "records/record_events.h"

namespace velkaro {
namespace {

constexpr WallSeconds kMinute = 60;

WallSeconds minuteOf(WallSeconds time) {
    return time - ((time % kMinute) + kMinute) % kMinute;
}

std::string lowColumn(Quantity quantity) {
    return std::string(quantityInfo(quantity).column) + "最小";
}

std::string highColumn(Quantity quantity) {
    return std::string(quantityInfo(quantity).column) + "最大";
}

std::vector<Quantity> allQuantities() {
    std::vector<Quantity> all;
    for (int q = 0; q < kQuantityCount; ++q) {
        all.push_back(static_cast<Quantity>(q));
    }
    return all;
}

/// `column = case when <new value is nearer the end> then <new> else <kept> end`;
/// a kept none gives way to any number, a new none never wins.
std::string keepExtreme(const std::string& column, const char* nearer) {
    const std::string table(kMinuteSummaryTable);
    const std::string kept = table + "." + column;
    return column + " = case when " + kept + " is null or excluded." + column + " " + nearer + " " +
           kept + " then excluded." + column + " else " + kept + " end";
}

std::string addSql() {
    const std::string table(kMinuteSummaryTable);
    std::string columns = "分钟, 名字, 行数, 首秒, 末秒, 断线行数, 故障行数";
    std::string values = ":minute, :name, 1, :first, :last, :lost, :fault";
    std::string updates = "行数 = " + table + ".行数 + 1, " + keepExtreme("首秒", "<") + ", " +
                          keepExtreme("末秒", ">") + ", 断线行数 = " + table +
                          ".断线行数 + excluded.断线行数, 故障行数 = " + table +
                          ".故障行数 + excluded.故障行数";
    for (const Quantity quantity : allQuantities()) {
        const std::string n = std::to_string(static_cast<int>(quantity));
        columns += ", " + lowColumn(quantity) + ", " + highColumn(quantity);
        values += ", :low" + n + ", :high" + n;
        updates += ", " + keepExtreme(lowColumn(quantity), "<") + ", " +
                   keepExtreme(highColumn(quantity), ">");
    }
    // Two stations may write the same drive and minute: the row grows either way.
    return "insert into " + table + " (" + columns + ") values (" + values +
           ") on conflict (名字, 分钟) do update set " + updates;
}

std::optional<double> numberOf(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::string namesIn(std::size_t drives) {
    std::string sql = " in (";
    for (std::size_t i = 0; i < drives; ++i) {
        sql += (i ? ", :n" : ":n") + std::to_string(i);
    }
    return sql + ")";
}

/// Each drive's rows in the stretch, as the run records hold them.
std::map<std::string, long long>
countRows(soci::session& session, const std::vector<std::string>& drives, const TimeSpan& span) {
    std::tm after = wallTimeOf(span.after);
    std::tm upTo = wallTimeOf(span.upTo);
    std::vector<std::string> names = drives;
    soci::statement statement(session);
    statement.exchange(soci::use(after));
    statement.exchange(soci::use(upTo));
    for (std::string& name : names) {
        statement.exchange(soci::use(name));
    }
    std::string name;
    long long rows = 0;
    statement.exchange(soci::into(name));
    statement.exchange(soci::into(rows));
    statement.alloc();
    statement.prepare(rowCountSql(drives.size()));
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
    long long first = (span.after + 1) / kMinute;
    long long end = (span.upTo + 1) / kMinute;
    long long rows = 0;
    session << minuteTotalSql(), soci::use(first), soci::use(end), soci::into(rows);
    return rows;
}

/// The drives whose minutes hold as many rows as the run records do in the
/// stretch, given what the minutes hold for each.
std::set<std::string> completeDrives(soci::session& session, const std::vector<std::string>& drives,
                                     const TimeSpan& span,
                                     const std::map<std::string, long long>& summed) {
    long long wanted = 0;
    for (const auto& [drive, rows] : summed) {
        wanted += rows;
    }
    // Counting all rows at once walks the small index on 记录时间 only: when the
    // drives hold a good share of all rows, that is the cheaper check. Minutes
    // lack rows rather than hold extra ones (only a minute the purge has half
    // taken, at the far end of the storage time, does), so equal totals mean
    // every drive's add up.
    const long long inMinutes = minuteTotal(session, span);
    if (wanted * 4 >= inMinutes && rowTotal(session, span) == inMinutes) {
        return {drives.begin(), drives.end()};
    }
    const std::map<std::string, long long> counted = countRows(session, drives, span);
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
                                             const TimeSpan& span, const CurveDecimator& grid) {
    long long from = grid.from();
    long long columns = grid.columns();
    long long width = grid.span();
    long long firstMinute = (span.after + 1) / kMinute;
    long long endMinute = (span.upTo + 1) / kMinute;
    std::vector<std::string> names = drives;
    soci::statement statement(session);
    for (long long* value : {&from, &columns, &width, &firstMinute, &endMinute}) {
        statement.exchange(soci::use(*value));
    }
    for (std::string& name : names) {
        statement.exchange(soci::use(name));
    }
    std::string name;
    long long column = 0;
    long long rows = 0;
    long long first = 0;
    long long last = 0;
    long long lost = 0;
    long long faults = 0;
    std::array<double, 2 * kQuantityCount> extremes{};
    std::array<soci::indicator, 2 * kQuantityCount> flags{};
    statement.exchange(soci::into(name));
    for (long long* value : {&column, &rows, &first, &last, &lost, &faults}) {
        statement.exchange(soci::into(*value));
    }
    for (std::size_t i = 0; i < 2 * quantities.size(); ++i) {
        statement.exchange(soci::into(extremes[i], flags[i]));
    }
    statement.alloc();
    statement.prepare(minuteColumnsSql(drives.size(), quantities));
    statement.define_and_bind();
    statement.execute(false);
    std::vector<ColumnSummary> summaries;
    while (statement.fetch()) {
        ColumnSummary& summary = summaries.emplace_back();
        summary.drive = name;
        summary.column = static_cast<int>(column);
        summary.rows = static_cast<long>(rows);
        summary.first = first;
        summary.last = last;
        summary.lostRows = static_cast<long>(lost);
        summary.faultRows = static_cast<long>(faults);
        for (std::size_t q = 0; q < quantities.size(); ++q) {
            const auto number = [&](std::size_t i) {
                return flags[i] == soci::i_null ? std::nullopt : std::optional(extremes[i]);
            };
            summary.low.push_back(number(2 * q));
            summary.high.push_back(number(2 * q + 1));
        }
    }
    return summaries;
}

} // namespace

void ensureMinuteSummaryTable(soci::session& session) {
    const std::string table(kMinuteSummaryTable);
    std::string columns = "分钟 bigint, 名字 varchar(255), 行数 integer, 首秒 integer, "
                          "末秒 integer, 断线行数 integer, 故障行数 integer";
    for (const Quantity quantity : allQuantities()) {
        columns += ", " + lowColumn(quantity) + " double precision, " + highColumn(quantity) +
                   " double precision";
    }
    session << "create table if not exists " + table + " (" + columns + ")";
    // A row per drive and minute (what a pass adds to). The purge goes by
    // minute, and a trend adds up all drives' rows from this index alone.
    session << "create unique index if not exists " + table + "_名字_分钟 on " + table +
                   " (名字, 分钟)";
    session << "create index if not exists " + table + "_分钟 on " + table + " (分钟, 行数)";
}

struct MinuteSummaryWriter::Bound {
    long long minute = 0;
    std::string name;
    int second = 0;
    int lost = 0;
    int fault = 0;
    std::array<double, kQuantityCount> values{};
    std::array<soci::indicator, kQuantityCount> flags{};
    long long cutoff = 0;
};

MinuteSummaryWriter::MinuteSummaryWriter(soci::session& session)
    : m_bound(std::make_unique<Bound>()) {
    Bound& b = *m_bound;
    m_add = std::make_unique<soci::statement>(session);
    m_add->exchange(soci::use(b.minute));
    m_add->exchange(soci::use(b.name));
    m_add->exchange(soci::use(b.second));
    m_add->exchange(soci::use(b.second));
    m_add->exchange(soci::use(b.lost));
    m_add->exchange(soci::use(b.fault));
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        // A single row is its minute's lowest and highest value at once.
        m_add->exchange(soci::use(b.values[q], b.flags[q]));
        m_add->exchange(soci::use(b.values[q], b.flags[q]));
    }
    m_add->alloc();
    m_add->prepare(addSql());
    m_add->define_and_bind();
    m_purge = std::make_unique<soci::statement>(
        (session.prepare << "delete from " + std::string(kMinuteSummaryTable) +
                                " where 分钟 < :cutoff",
         soci::use(b.cutoff)));
}

MinuteSummaryWriter::~MinuteSummaryWriter() = default;

void MinuteSummaryWriter::add(const RunRecord& row) {
    Bound& b = *m_bound;
    const WallSeconds time = wallSecondsOf(row.recordTime);
    const WallSeconds minute = minuteOf(time);
    b.minute = minute / kMinute;
    b.name = row.name;
    b.second = static_cast<int>(time - minute);
    b.lost = isCommunicationLost(row.workingState) ? 1 : 0;
    b.fault = isFaulted(row.workingState) ? 1 : 0;
    for (std::size_t q = 0; q < kQuantityCount; ++q) {
        const std::optional<double> value = numberOf(valueOf(row, static_cast<Quantity>(q)));
        b.values[q] = value.value_or(0);
        b.flags[q] = value ? soci::i_ok : soci::i_null;
    }
    m_add->execute(true);
}

void MinuteSummaryWriter::purge(const std::tm& cutoff) {
    // A minute that reaches past the cutoff keeps its row until it has gone.
    m_bound->cutoff = minuteOf(wallSecondsOf(cutoff)) / kMinute;
    m_purge->execute(true);
}

std::string rowCountSql(std::size_t drives) {
    return "select r.名字, count(*) from 运行记录 r where r.记录时间 > :after and r.记录时间 <= "
           ":upto and r.名字" +
           namesIn(drives) + " group by r.名字";
}

std::string minuteColumnsSql(std::size_t drives, const std::vector<Quantity>& quantities) {
    // A minute m lies in column (m * 60 + 29 - from) * columns / span, as the
    // chart's columns of whole minutes are laid out.
    std::string inner = "select m.名字, (m.分钟 * 60 + 29 - :origin) * :columns / :span as 列, "
                        "m.行数, m.分钟 * 60 + m.首秒 as 首, m.分钟 * 60 + m.末秒 as 末, "
                        "m.断线行数, m.故障行数";
    std::string outer = "select t.名字, t.列, sum(t.行数), min(t.首), max(t.末), sum(t.断线行数), "
                        "sum(t.故障行数)";
    for (const Quantity quantity : quantities) {
        const std::string low = lowColumn(quantity);
        const std::string high = highColumn(quantity);
        inner += ", m." + low + ", m." + high;
        outer += ", min(t." + low + "), max(t." + high + ")";
    }
    return outer + " from (" + inner + " from " + std::string(kMinuteSummaryTable) +
           " m where m.分钟 >= :first and m.分钟 < :end and m.名字" + namesIn(drives) +
           ") t group by t.名字, t.列";
}

std::string rowTotalSql() {
    return "select count(*) from 运行记录 r where r.记录时间 > :after and r.记录时间 <= :upto";
}

std::string minuteTotalSql() {
    return "select coalesce(sum(m.行数), 0) from " + std::string(kMinuteSummaryTable) +
           " m where m.分钟 >= :first and m.分钟 < :end";
}

std::optional<MinuteColumns> summariseMinutes(RunRecordReader& reader,
                                              const std::vector<std::string>& drives,
                                              const std::vector<Quantity>& quantities,
                                              const std::vector<ColumnSpan>& columns,
                                              const CurveDecimator& grid) {
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
            summaries = readMinuteColumns(session, drives, quantities, span, grid);
            std::map<std::string, long long> summed;
            std::set<std::string> misplaced;
            for (const ColumnSummary& summary : summaries) {
                summed[summary.drive] += summary.rows;
                if (!wanted.count(summary.column)) {
                    misplaced.insert(summary.drive);
                }
            }
            complete = completeDrives(session, drives, span, summed);
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
        if (!complete.count(drive)) {
            found.incomplete.push_back(drive);
        }
    }
    for (ColumnSummary& summary : summaries) {
        if (complete.count(summary.drive)) {
            found.summaries.push_back(std::move(summary));
        }
    }
    return found;
}

} // namespace velkaro
