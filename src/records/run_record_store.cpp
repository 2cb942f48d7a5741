#include "records/run_record_store.h"

#include <soci/soci.h>

#include <algorithm>

#include "link/link_snapshot.h"
#include "records/minute_summary.h"
#include "records/record_schema.h"

namespace velkaro {
namespace {

/// Upgrades the table where it lacks 站名, without a time bound (on a big
/// table that takes a while, and cut off it would be undone), then bounds the
/// statements that follow. The refusal's text, as addStationColumns gives it.
std::string upgradeThenBound(soci::session& session, const std::string& station,
                             int timeoutSeconds) {
    std::string refusal = addStationColumns(session, station);
    setStatementTimeout(session, timeoutSeconds);
    limitPageCache(session);
    return refusal;
}

} // namespace

/// The writer's session with its two prepared statements; the statements read
/// their values from the members bound here, so the object never moves.
struct RunRecordStore::Writer {
    Writer(const std::string& connectString, const std::string& station, int timeoutSeconds)
        : session(openRecordSession(connectString)),
          stationRefusal(upgradeThenBound(*session, station, timeoutSeconds)),
          purge((session->prepare << "delete from 运行记录 where 记录时间 < :cutoff",
                 soci::use(cutoff))),
          insert(prepareInsert()) {
        try {
            minutes = std::make_unique<MinuteSummaryWriter>(*session);
        } catch (const soci::soci_error&) {
            // A data source without the minute table: run records only.
        }
    }

    /// The row's station goes into 站名 where the table has the column.
    soci::statement prepareInsert() {
        const std::string columns = "insert into 运行记录 (记录时间, 名字, 运行频率, 输出电流, "
                                    "输出电压, 设定频率, 母线电压, 工作状态";
        const std::string values = ") values (:t, :n, :f, :i, :u, :s, :b, :w";
        const bool station = stationRefusal.empty();
        soci::details::prepare_temp_type prepared =
            (session->prepare << columns + (station ? ", 站名" : "") + values +
                                     (station ? ", :station)" : ")"),
             soci::use(row.recordTime), soci::use(row.name), soci::use(row.runningFrequency),
             soci::use(row.outputCurrent), soci::use(row.outputVoltage),
             soci::use(row.setFrequency), soci::use(row.busVoltage), soci::use(row.workingState));
        if (station) {
            prepared, soci::use(row.station);
        }
        return soci::statement(prepared);
    }

    /// Keeps the minutes in step with the rows. A failure here loses no run
    /// record: trends find the minutes short and read the rows instead.
    template <typename Work> void withMinutes(Work&& work) {
        if (!minutes) {
            return;
        }
        try {
            work(*minutes);
        } catch (const soci::soci_error&) {
        }
    }

    std::unique_ptr<soci::session> session;
    /// Why 运行记录 has no 站名 column (the data source's text); empty when
    /// it has one.
    std::string stationRefusal;
    std::tm cutoff{};
    RunRecord row;
    soci::statement purge;
    soci::statement insert;
    std::unique_ptr<MinuteSummaryWriter> minutes;
};

RunRecordStore::RunRecordStore(std::string connectString)
    : m_connectString(std::move(connectString)) {}

RunRecordStore::~RunRecordStore() = default;

PassOutcome RunRecordStore::writeRunRecords(const LinkSnapshot& view, const DisplayOptions& options,
                                            const std::function<void()>& afterEachRow) {
    setStationName(options.stationName);
    return writeRows(runRecordsOf(view), options.maxStorageHours, afterEachRow);
}

PassOutcome RunRecordStore::writeRows(const std::vector<RunRecord>& rows, uint32_t maxStorageHours,
                                      const std::function<void()>& afterEachRow) {
    return write(RecordPass{m_clock(), rows, maxStorageHours, m_stationName}, 0, afterEachRow);
}

PassOutcome RunRecordStore::write(const RecordPass& pass, std::size_t firstRow,
                                  const std::function<void()>& afterEachRow) {
    PassOutcome outcome;
    if (firstRow >= pass.rows.size()) {
        return outcome;
    }
    // A session kept from an earlier pass may have died with the server in
    // between; that one gets a fresh connection before anything is reported.
    const bool reused = m_writer != nullptr;
    for (int attempt = 0;; ++attempt) {
        try {
            if (std::string refusal = open(); !refusal.empty()) {
                outcome.stationRefusal = std::move(refusal);
            }
            purge(hoursBefore(pass.takenAt, pass.maxStorageHours));
            break;
        } catch (const std::exception& error) {
            m_writer.reset();
            if (!reused || attempt > 0) {
                outcome.error = error.what();
                return outcome;
            }
        }
    }
    summariseMinutes(pass.takenAt);
    for (std::size_t i = firstRow; i < pass.rows.size(); ++i) {
        try {
            m_writer->row = pass.rows[i];
            m_writer->row.recordTime = localTimeOf(pass.takenAt);
            m_writer->row.station = pass.station;
            m_writer->insert.execute(true);
        } catch (const std::exception& error) {
            m_writer.reset();
            outcome.error = error.what();
            return outcome;
        }
        ++outcome.written;
        if (afterEachRow) {
            afterEachRow();
        }
    }
    return outcome;
}

void RunRecordStore::purge(const std::tm& cutoff) {
    m_writer->cutoff = cutoff;
    m_writer->purge.execute(true);
    m_writer->withMinutes([&](MinuteSummaryWriter& minutes) { minutes.purge(m_writer->cutoff); });
}

void RunRecordStore::summariseMinutes(std::time_t now) {
    // The minutes that ended since the last pass (after a pause or a start
    // only the latest few), then a few older ones that hold no summary yet,
    // newest first, walking the storage time over and over. Passes reach the
    // table in the order they were taken, so a minute before this pass's
    // holds all its rows, also when passes waited for the data source.
    constexpr WallSeconds kCatchUp = 15 * kMinuteSeconds;
    constexpr int kGapsPerPass = 10;
    const WallSeconds current = minuteStartOf(wallSecondsAt(now));
    const WallSeconds from =
        std::max(m_nextMinute.value_or(current - kCatchUp), current - kCatchUp);
    const WallSeconds oldest = minuteStartOf(wallSecondsOf(m_writer->cutoff));
    m_writer->withMinutes([&](MinuteSummaryWriter& minutes) {
        for (WallSeconds minute = from; minute < current; minute += kMinuteSeconds) {
            minutes.summarise(minute);
        }
        if (!m_gapsBefore || *m_gapsBefore <= oldest || *m_gapsBefore > from) {
            m_gapsBefore = from;
        }
        m_gapsBefore = minutes.fillGaps(*m_gapsBefore, oldest, kGapsPerPass);
    });
    m_nextMinute = std::max(current, m_nextMinute.value_or(current));
}

std::string RunRecordStore::open() {
    if (m_writer) {
        return {};
    }
    m_writer = std::make_unique<Writer>(m_connectString, m_stationName, m_timeoutSeconds);
    if (m_writer->stationRefusal.empty() || m_stationRefusalSaid) {
        return {};
    }
    m_stationRefusalSaid = true;
    return m_writer->stationRefusal;
}

} // namespace velkaro
