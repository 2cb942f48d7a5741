#include "records/column_summary.h"

#include <soci/soci.h>

#include <algorithm>
#include <array>

#include "registry/state_texts.h"

namespace velkaro {
namespace {

// Statements stay short enough for any engine's limit on bound values.
constexpr std::size_t kSpansPerStatement = 100;

/// The row's working state is `state` with or without a cause after a blank,
/// as the record pass writes it.
std::string stateIs(std::string_view state) {
    const std::string text(state);
    return "(r.工作状态 = '" + text + "' or r.工作状态 like '" + text + " %')";
}

/// The stored text as a number; an empty text is none (not zero, and no
/// failure on an engine that refuses to cast it).
std::string numberOf(const char* column) {
    return std::string("cast(nullif(r.") + column + ", '') as double precision)";
}

std::string textOf(std::string& value, soci::indicator indicator) {
    return indicator == soci::i_null ? std::string() : std::move(value);
}

void readSpanRows(soci::session& session, const std::vector<DriveSpan>& spans,
                  const std::vector<Quantity>& quantities,
                  const std::optional<std::string>& station, std::vector<RunRecord>& rows) {
    std::vector<std::string> names;
    std::vector<std::tm> bounds;
    for (const DriveSpan& span : spans) {
        names.push_back(span.drive);
        bounds.push_back(wallTimeOf(span.span.after));
        bounds.push_back(wallTimeOf(span.span.upTo));
    }
    std::string stationName = station.value_or(std::string());
    soci::statement statement(session);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        statement.exchange(soci::use(names[i]));
        if (station) {
            statement.exchange(soci::use(stationName));
        }
        statement.exchange(soci::use(bounds[2 * i]));
        statement.exchange(soci::use(bounds[2 * i + 1]));
    }
    // A row at a time, as every read here: texts keep their trailing blanks.
    std::tm time{};
    std::array<std::string, 2 + kQuantityCount> texts;
    std::array<soci::indicator, 2 + kQuantityCount> flags{};
    statement.exchange(soci::into(time));
    for (std::size_t column = 0; column < 2 + quantities.size(); ++column) {
        statement.exchange(soci::into(texts[column], flags[column]));
    }
    statement.alloc();
    statement.prepare(spanRowsSql(quantities, spans.size(), station.has_value()));
    statement.define_and_bind();
    statement.execute(false);
    while (statement.fetch()) {
        RunRecord& row = rows.emplace_back();
        row.recordTime = time;
        row.name = textOf(texts[0], flags[0]);
        row.workingState = textOf(texts[1], flags[1]);
        for (std::size_t q = 0; q < quantities.size(); ++q) {
            valueOf(row, quantities[q]) = textOf(texts[2 + q], flags[2 + q]);
        }
    }
}

} // namespace

std::string rowSummarySql(const std::vector<Quantity>& quantities) {
    std::string sql = "count(*), min(r.记录时间), max(r.记录时间), sum(case when " +
                      stateIs(kStateOffline) + " then 1 else 0 end), sum(case when " +
                      stateIs(kStateFault) + " then 1 else 0 end)";
    for (const Quantity quantity : quantities) {
        const std::string number = numberOf(quantityInfo(quantity).column);
        sql += ", min(" + number + "), max(" + number + ")";
    }
    return sql;
}

void SummaryFetch::bind(soci::statement& statement, std::size_t quantities) {
    statement.exchange(soci::into(rows));
    statement.exchange(soci::into(first));
    statement.exchange(soci::into(last));
    statement.exchange(soci::into(lost));
    statement.exchange(soci::into(faults));
    for (std::size_t i = 0; i < 2 * quantities; ++i) {
        statement.exchange(soci::into(extremes[i], flags[i]));
    }
}

void SummaryFetch::fill(ColumnSummary& summary, std::size_t quantities) const {
    summary.rows = static_cast<long>(rows);
    summary.first = wallSecondsOf(first);
    summary.last = wallSecondsOf(last);
    summary.lostRows = static_cast<long>(lost);
    summary.faultRows = static_cast<long>(faults);
    const auto number = [this](std::size_t i) {
        return flags[i] == soci::i_null ? std::nullopt : std::optional(extremes[i]);
    };
    for (std::size_t q = 0; q < quantities; ++q) {
        summary.low.push_back(number(2 * q));
        summary.high.push_back(number(2 * q + 1));
    }
}

std::string columnSummarySql(std::size_t drives, const std::vector<Quantity>& quantities,
                             bool station) {
    std::string sql = "select r.名字, " + rowSummarySql(quantities) +
                      " from 运行记录 r where r.记录时间 > :after and r.记录时间 <= :upto and "
                      "r.名字 in (";
    for (std::size_t i = 0; i < drives; ++i) {
        sql += (i ? ", :n" : ":n") + std::to_string(i);
    }
    return sql + ")" + (station ? " and r.站名 = :station" : "") + " group by r.名字";
}

std::string spanRowsSql(const std::vector<Quantity>& quantities, std::size_t spans, bool station) {
    std::string sql = "select r.记录时间, r.名字, r.工作状态";
    for (const Quantity quantity : quantities) {
        sql += std::string(", r.") + quantityInfo(quantity).column;
    }
    sql += " from 运行记录 r where ";
    for (std::size_t i = 0; i < spans; ++i) {
        const std::string n = std::to_string(i);
        sql += (i ? " or (r.名字 = :n" : "(r.名字 = :n") + n +
               (station ? " and r.站名 = :s" + n : std::string()) + " and r.记录时间 > :a" + n +
               " and r.记录时间 <= :u" + n + ")";
    }
    return sql + " order by r.记录时间";
}

std::vector<ColumnSummary> summariseColumns(RunRecordReader& reader,
                                            const std::vector<std::string>& drives,
                                            const std::vector<Quantity>& quantities,
                                            const std::vector<ColumnSpan>& columns,
                                            const std::optional<std::string>& station) {
    if (drives.empty() || columns.empty()) {
        return {};
    }
    return reader.withSession([&](soci::session& session) {
        // One statement, prepared once and run for each column in turn: a
        // short range scan each, grouped in memory by any engine.
        std::tm after{};
        std::tm upTo{};
        std::vector<std::string> names = drives;
        soci::statement statement(session);
        statement.exchange(soci::use(after));
        statement.exchange(soci::use(upTo));
        for (std::string& drive : names) {
            statement.exchange(soci::use(drive));
        }
        std::string stationName = station.value_or(std::string());
        if (station) {
            statement.exchange(soci::use(stationName));
        }
        std::string name;
        soci::indicator nameFlag = soci::i_ok;
        SummaryFetch fetched;
        statement.exchange(soci::into(name, nameFlag));
        fetched.bind(statement, quantities.size());
        statement.alloc();
        statement.prepare(columnSummarySql(drives.size(), quantities, station.has_value()));
        statement.define_and_bind();
        std::vector<ColumnSummary> summaries;
        for (const ColumnSpan& column : columns) {
            after = wallTimeOf(column.span.after);
            upTo = wallTimeOf(column.span.upTo);
            statement.execute(false);
            while (statement.fetch()) {
                ColumnSummary& summary = summaries.emplace_back();
                summary.drive = textOf(name, nameFlag);
                summary.column = column.column;
                fetched.fill(summary, quantities.size());
            }
        }
        return summaries;
    });
}

std::vector<RunRecord> readSpans(RunRecordReader& reader, const std::vector<DriveSpan>& spans,
                                 const std::vector<Quantity>& quantities,
                                 const std::optional<std::string>& station) {
    std::vector<RunRecord> rows;
    reader.withSession([&](soci::session& session) {
        for (std::size_t start = 0; start < spans.size(); start += kSpansPerStatement) {
            const auto end =
                spans.begin() +
                static_cast<std::ptrdiff_t>(std::min(spans.size(), start + kSpansPerStatement));
            readSpanRows(session, {spans.begin() + static_cast<std::ptrdiff_t>(start), end},
                         quantities, station, rows);
        }
        return 0;
    });
    // Statements of later stretches may hold earlier rows of another drive.
    std::stable_sort(rows.begin(), rows.end(), [](const RunRecord& a, const RunRecord& b) {
        return wallSecondsOf(a.recordTime) < wallSecondsOf(b.recordTime);
    });
    return rows;
}

} // namespace velkaro
