#include "records/run_record_store.h"

#include <QScopeGuard>

#include <soci/soci.h>

#include <algorithm>

#include "link/link_snapshot.h"
#include "link/operator_messages.h"
#include "records/minute_summary.h"

namespace velkaro {

/// The writer's session with its two prepared statements; the statements read
/// their values from the members bound here, so the object never moves.
struct RunRecordStore::Writer {
    Writer(const std::string& connectString, const std::string& station)
        : session(openRecordSession(connectString)),
          stationRefusal(addStationColumns(*session, station)),
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

RunRecordStore::RunRecordStore(OperatorMessages& messages, std::string connectString)
    : m_messages(messages), m_connectString(std::move(connectString)) {}

RunRecordStore::~RunRecordStore() = default;

void RunRecordStore::writeRunRecords(const LinkSnapshot& view, const DisplayOptions& options,
                                     const std::function<void()>& afterEachRow) {
    const std::vector<RunRecord> rows = runRecordsOf(view.table);
    setStationName(options.stationName);
    writeRows(rows, options.maxStorageHours, afterEachRow);
}

void RunRecordStore::writeRows(const std::vector<RunRecord>& rows, uint32_t maxStorageHours,
                               const std::function<void()>& afterEachRow) {
    if (rows.empty()) {
        return;
    }
    if (!purge(maxStorageHours)) {
        return;
    }
    summariseMinutes();
    for (const RunRecord& row : rows) {
        if (!append(row)) {
            return;
        }
        if (afterEachRow) {
            afterEachRow();
        }
    }
}

bool RunRecordStore::purge(uint32_t maxStorageHours) {
    // A session kept from an earlier pass may have died with the server in
    // between; that one gets a fresh connection before anything is reported.
    const bool reused = m_writer != nullptr;
    for (int attempt = 0;; ++attempt) {
        try {
            open();
            m_writer->cutoff = hoursBefore(m_clock(), maxStorageHours);
            m_writer->purge.execute(true);
            m_writer->withMinutes(
                [&](MinuteSummaryWriter& minutes) { minutes.purge(m_writer->cutoff); });
            return true;
        } catch (const std::exception& error) {
            m_writer.reset();
            if (!reused || attempt > 0) {
                fail(error.what());
                return false;
            }
        }
    }
}

bool RunRecordStore::append(const RunRecord& row) {
    try {
        open();
        m_writer->row = row;
        m_writer->row.recordTime = localTimeOf(m_clock());
        m_writer->row.station = m_stationName;
        m_writer->insert.execute(true);
        return true;
    } catch (const std::exception& error) {
        m_writer.reset();
        fail(error.what());
        return false;
    }
}

void RunRecordStore::summariseMinutes() {
    // The minutes that ended since the last pass (after a pause or a start
    // only the latest few), then a few older ones that hold no summary yet,
    // newest first, walking the storage time over and over.
    constexpr WallSeconds kCatchUp = 15 * kMinuteSeconds;
    constexpr int kGapsPerPass = 10;
    const WallSeconds current = minuteStartOf(wallSecondsAt(m_clock()));
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
    m_nextMinute = current;
}

void RunRecordStore::open() {
    if (m_writer) {
        return;
    }
    m_writer = std::make_unique<Writer>(m_connectString, m_stationName);
    if (!m_writer->stationRefusal.empty() && !m_stationRefusalShown) {
        // Said once a run, without holding up the pass: the rows still go in.
        m_stationRefusalShown = true;
        m_messages.notify("运行记录表没有“站名”列，本账户也无权添加（需要修改表的权限）。"
                          "记录照常写入，但不带站名：共用这个数据库的各站记录分不开。\n" +
                              m_writer->stationRefusal,
                          std::string(kInfoCaption));
    }
}

void RunRecordStore::fail(const std::string& text) {
    // The box is modal and the record timer may fire again behind it: with the
    // database down a box per interval would pile up. One at a time.
    if (m_messageOpen) {
        return;
    }
    m_messageOpen = true;
    const auto reset = qScopeGuard([this] { m_messageOpen = false; });
    m_messages.show(text, std::string());
}

} // namespace velkaro
