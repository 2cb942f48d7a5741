#include "records/run_record_reader.h"

#include <soci/soci.h>

#include <algorithm>
#include <array>

#include "records/record_schema.h"
#include "records/record_time.h"

namespace velkaro {
namespace {

std::string textOf(std::string& value, soci::indicator indicator) {
    return indicator == soci::i_null ? std::string() : std::move(value);
}

/// The wall-clock second after `time`, by calendar arithmetic: the table holds
/// local wall-clock times, so no time zone or daylight rule applies.
std::tm nextSecond(std::tm time) {
    time.tm_isdst = 0;
    const std::time_t seconds = timegm(&time) + 1;
    std::tm result{};
    gmtime_r(&seconds, &result);
    return result;
}

std::string whereClause(const RecordQuery& query) {
    std::string sql = " from 运行记录 where 记录时间 > :after and 记录时间 <= :upto";
    if (query.driveName) {
        sql += " and 名字 = :name";
    }
    if (query.station) {
        sql += " and 站名 = :station";
    }
    return sql;
}

} // namespace

RunRecordReader::RunRecordReader(std::string connectString)
    : m_connectString(std::move(connectString)) {}

RunRecordReader::~RunRecordReader() = default;

void RunRecordReader::disconnect() {
    m_session.reset();
}

soci::session& RunRecordReader::session() {
    if (!m_session) {
        m_session = openRecordSession(m_connectString);
        velkaro::setStatementTimeout(*m_session, m_timeoutSeconds);
        m_stationColumn = false;
    }
    return *m_session;
}

bool RunRecordReader::stationColumn() {
    // Another station may upgrade the table while this session is open: a
    // missing column is looked for again, one that is there stays.
    if (!m_stationColumn) {
        m_stationColumn = stationColumnsOf(session()).rows;
    }
    return m_stationColumn;
}

std::optional<std::string>
RunRecordReader::stationFilter(const std::optional<std::string>& station) {
    return guarded([&]() -> std::optional<std::string> {
        if (station && stationColumn()) {
            return station;
        }
        return std::nullopt;
    });
}

template <typename Work> auto RunRecordReader::guarded(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (...) {
        // A session that failed once may be dead (server gone): start afresh.
        m_session.reset();
        throw;
    }
}

std::string RunRecordReader::pageSql(const RecordQuery& query, int limit, bool stationColumn) {
    std::string sql = "select 记录时间, 名字, 工作状态";
    if (stationColumn) {
        sql += ", 站名";
    }
    for (const Quantity quantity : query.values) {
        sql += std::string(", ") + quantityInfo(quantity).column;
    }
    return sql + whereClause(query) + " order by 记录时间 limit " + std::to_string(limit);
}

bool RunRecordReader::readPages(const RecordQuery& query,
                                const std::function<bool(const std::vector<RunRecord>&)>& onPage) {
    return guarded([&] {
        RecordQuery filtered = query;
        filtered.station = stationFilter(query.station);
        const bool withStation = stationColumn();
        std::tm after = query.after;
        for (;;) {
            std::vector<RunRecord> rows;
            std::tm next{};
            for (int limit = m_pageRows;; limit *= 2) {
                rows = selectPage(filtered, after, limit, withStation);
                if (static_cast<int>(rows.size()) < limit) {
                    return rows.empty() || onPage(rows);
                }
                // The page may end inside a second whose other rows are on
                // the next page: leave that second to the next page.
                const std::tm last = rows.back().recordTime;
                if (!sameSecond(rows.front().recordTime, last)) {
                    while (sameSecond(rows.back().recordTime, last)) {
                        rows.pop_back();
                    }
                    next = wallTimeOf(wallSecondsOf(last) - 1);
                    break;
                }
                // A whole page within one second: widen until the second fits.
            }
            if (!onPage(rows)) {
                return false;
            }
            after = next;
        }
    });
}

std::vector<RunRecord> RunRecordReader::selectPage(const RecordQuery& query, const std::tm& after,
                                                   int limit, bool stationColumn) {
    std::tm lower = after;
    std::tm upper = query.upTo;
    std::string name = query.driveName.value_or(std::string());
    std::string station = query.station.value_or(std::string());
    // Fetched a row at a time: the driver's bulk fetch cuts trailing blanks
    // off texts, and the export hands the texts on exactly as stored.
    std::tm time{};
    std::array<std::string, 3 + kQuantityCount> texts;
    std::array<soci::indicator, 3 + kQuantityCount> flags{};
    soci::statement statement(session());
    statement.exchange(soci::use(lower));
    statement.exchange(soci::use(upper));
    if (query.driveName) {
        statement.exchange(soci::use(name));
    }
    if (query.station) {
        statement.exchange(soci::use(station));
    }
    statement.exchange(soci::into(time));
    // Name, working state, the station where the table has it, the values.
    const std::size_t first = stationColumn ? 3 : 2;
    for (std::size_t column = 0; column < first + query.values.size(); ++column) {
        statement.exchange(soci::into(texts[column], flags[column]));
    }
    statement.alloc();
    statement.prepare(pageSql(query, limit, stationColumn));
    statement.define_and_bind();
    statement.execute(false);
    std::vector<RunRecord> rows;
    rows.reserve(static_cast<std::size_t>(limit));
    while (statement.fetch()) {
        RunRecord& row = rows.emplace_back();
        row.recordTime = time;
        row.name = textOf(texts[0], flags[0]);
        row.workingState = textOf(texts[1], flags[1]);
        if (stationColumn) {
            row.station = textOf(texts[2], flags[2]);
        }
        for (std::size_t v = 0; v < query.values.size(); ++v) {
            valueOf(row, query.values[v]) = textOf(texts[first + v], flags[first + v]);
        }
    }
    return rows;
}

long RunRecordReader::count(const RecordQuery& query) {
    return guarded([&] {
        RecordQuery filtered = query;
        filtered.station = stationFilter(query.station);
        std::tm lower = query.after;
        std::tm upper = query.upTo;
        std::string name = query.driveName.value_or(std::string());
        std::string station = filtered.station.value_or(std::string());
        long long rows = 0;
        soci::statement statement(session());
        statement.exchange(soci::use(lower));
        statement.exchange(soci::use(upper));
        if (query.driveName) {
            statement.exchange(soci::use(name));
        }
        if (filtered.station) {
            statement.exchange(soci::use(station));
        }
        statement.exchange(soci::into(rows));
        statement.alloc();
        statement.prepare("select count(*)" + whereClause(filtered));
        statement.define_and_bind();
        statement.execute(true);
        return static_cast<long>(rows);
    });
}

std::optional<RunRecord> RunRecordReader::rowAtOrBefore(const std::string& driveName,
                                                        const std::tm& time,
                                                        const std::optional<std::string>& station) {
    return guarded([&]() -> std::optional<RunRecord> {
        const std::optional<std::string> filter = stationFilter(station);
        std::tm at = time;
        RunRecord row;
        soci::indicator stateFlag = soci::i_ok;
        const std::string select =
            "select 记录时间, 名字, 工作状态 from 运行记录 where 名字 = :name";
        const std::string newest = " and 记录时间 <= :at order by 记录时间 desc limit 1";
        if (filter) {
            session() << select + " and 站名 = :station" + newest, soci::use(driveName),
                soci::use(*filter), soci::use(at), soci::into(row.recordTime), soci::into(row.name),
                soci::into(row.workingState, stateFlag);
        } else {
            session() << select + newest, soci::use(driveName), soci::use(at),
                soci::into(row.recordTime), soci::into(row.name),
                soci::into(row.workingState, stateFlag);
        }
        if (!session().got_data()) {
            return std::nullopt;
        }
        if (stateFlag == soci::i_null) {
            row.workingState.clear();
        }
        return row;
    });
}

HistoryPage RunRecordReader::historyPage(const HistoryFilter& filter,
                                         const std::optional<std::tm>& before, int pageRows) {
    return guarded([&] {
        for (int limit = std::max(1, pageRows);; limit *= 2) {
            std::vector<RunRecord> rows = selectHistory(filter, before, limit);
            if (static_cast<int>(rows.size()) < limit) {
                return HistoryPage{std::move(rows), std::nullopt};
            }
            // The page may end inside a second whose other rows are on the next
            // page: leave that second out and start the next page just after it.
            const std::tm last = rows.back().recordTime;
            if (!sameSecond(rows.front().recordTime, last)) {
                while (sameSecond(rows.back().recordTime, last)) {
                    rows.pop_back();
                }
                return HistoryPage{std::move(rows), nextSecond(last)};
            }
            // A whole page within one second: widen until the second fits.
        }
    });
}

std::vector<RunRecord> RunRecordReader::selectHistory(const HistoryFilter& filter,
                                                      const std::optional<std::tm>& before,
                                                      int limit) {
    const std::optional<std::string> byStation = stationFilter(filter.station);
    std::tm since = filter.since.value_or(std::tm{});
    std::tm upper = before.value_or(std::tm{});
    std::string name = filter.driveName.value_or(std::string());
    std::string station = byStation.value_or(std::string());

    // Fetched in bulk, a page at once: the grid shows the texts as the
    // driver hands them over.
    constexpr std::size_t kTexts = 5;
    std::vector<std::tm> times(static_cast<std::size_t>(limit));
    std::vector<soci::indicator> timeFlags(times.size());
    std::array<std::vector<std::string>, kTexts> texts;
    std::array<std::vector<soci::indicator>, kTexts> textFlags;

    soci::statement statement(session());
    std::string sql = "select 记录时间, 名字, 运行频率, 输出电流, 输出电压, 工作状态 "
                      "from 运行记录 where 记录时间 is not null";
    if (filter.since) {
        sql += " and 记录时间 > :since";
        statement.exchange(soci::use(since));
    }
    if (before) {
        sql += " and 记录时间 < :before";
        statement.exchange(soci::use(upper));
    }
    if (filter.driveName) {
        sql += " and 名字 = :name";
        statement.exchange(soci::use(name));
    }
    if (byStation) {
        sql += " and 站名 = :station";
        statement.exchange(soci::use(station));
    }
    sql += " order by 记录时间 desc limit " + std::to_string(limit);

    statement.exchange(soci::into(times, timeFlags));
    for (std::size_t column = 0; column < kTexts; ++column) {
        texts[column].resize(times.size());
        textFlags[column].resize(times.size());
        statement.exchange(soci::into(texts[column], textFlags[column]));
    }
    statement.alloc();
    statement.prepare(sql);
    statement.define_and_bind();
    std::vector<RunRecord> rows;
    if (statement.execute(true)) {
        rows.resize(times.size());
        for (std::size_t i = 0; i < times.size(); ++i) {
            RunRecord& row = rows[i];
            row.recordTime = times[i];
            std::string* cells[kTexts] = {&row.name, &row.runningFrequency, &row.outputCurrent,
                                          &row.outputVoltage, &row.workingState};
            for (std::size_t column = 0; column < kTexts; ++column) {
                *cells[column] = textOf(texts[column][i], textFlags[column][i]);
            }
        }
    }
    return rows;
}

std::vector<std::string> RunRecordReader::driveNames(const std::optional<std::string>& station) {
    return guarded([&] {
        // Walks the (名字, 记录时间) index, or (站名, 名字, 记录时间) for one
        // station, from name to next name instead of reading every row, as a
        // plain "select distinct" would.
        const std::optional<std::string> filter = stationFilter(station);
        const std::string of = filter ? " where 站名 = :station" : "";
        const std::string after = filter ? " where 站名 = :again and 名字 > n" : " where 名字 > n";
        const std::string sql = "with recursive names(n) as (select min(名字) from 运行记录" + of +
                                " union all select (select min(名字) from 运行记录" + after +
                                ") from names where n is not null) "
                                "select n from names where n is not null";
        std::vector<std::string> names;
        soci::rowset<std::string> rows =
            filter ? (session().prepare << sql, soci::use(*filter), soci::use(*filter))
                   : (session().prepare << sql);
        for (const std::string& name : rows) {
            names.push_back(name);
        }
        return names;
    });
}

} // namespace velkaro
