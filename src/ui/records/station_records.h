#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "records/record_database.h"
#include "records/records_worker.h"

namespace velkaro {

class OperatorMessages;
struct DisplayOptions;
struct LinkSnapshot;

/// The window's side of the records worker: the record pass and every read
/// of the record windows are handed over here, and what comes back runs on
/// the window thread (queued into its event loop as soon as it is there), so
/// no database call ever holds up the 100 ms pass or a command.
///
/// What the worker has to say reaches the operator without holding anything
/// up (OperatorMessages::notify): a data source that fails or stops answering
/// once per outage with its own words, rows lost to the full queue when
/// logging resumes, a table without 站名 once a run.
class StationRecords : public QObject {
    Q_OBJECT
public:
    StationRecords(OperatorMessages& messages, std::string connectString, QObject* parent = nullptr,
                   RecordsWorker::Limits limits = {});
    ~StationRecords() override;

    /// Timer 4: the drives of `view` (the station's latest snapshot of the
    /// link) in list order, taken now, handed to the worker.
    void writeRunRecords(const LinkSnapshot& view, const DisplayOptions& options);
    /// Queues a read (see RecordsWorker::submitRead).
    void read(RecordsWorker::Read read, RecordsWorker::Completion dropped = {});
    RecordsWorker& worker() { return *m_worker; }

    /// Runs what came back. The event loop calls it by itself; tests that
    /// move time by hand call it, or settle().
    void deliver();
    /// For tests: waits (real time) until the worker has nothing left to do
    /// and everything it gave back has run, also what that gave it to do;
    /// false when `timeoutMs` pass first.
    bool settle(int timeoutMs = 10000);
    /// Ends the worker (see RecordsWorker::finish).
    void finish();

    void setClock(WallClock clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    /// A row of a pass went in (the history page refreshes after each).
    void rowWritten();
    /// A pass went in, all of it (the trends follow).
    void passWritten();

private:
    void onEvent(const RecordsEvent& event);

    OperatorMessages& m_messages;
    WallClock m_clock = systemNow;
    std::unique_ptr<RecordsWorker> m_worker;
};

/// Reads of which only the newest matters (a grid's refresh, a chart's
/// drawing): one runs at a time, and one asked for while it runs waits; a
/// newer one takes the waiting one's place, which is never sent. A request is
/// made when it is sent, so it reads the window's state of that moment; one
/// that makes no read sends nothing. What a read gives back runs only while
/// this object lives.
class LatestRead {
public:
    explicit LatestRead(StationRecords& records) : m_records(records) {}
    LatestRead(const LatestRead&) = delete;
    LatestRead& operator=(const LatestRead&) = delete;

    void request(std::function<RecordsWorker::Read()> make);
    /// A read runs or waits.
    bool busy() const { return m_running; }

private:
    void send();

    StationRecords& m_records;
    std::function<RecordsWorker::Read()> m_waiting;
    bool m_running = false;
    std::shared_ptr<LatestRead*> m_alive = std::make_shared<LatestRead*>(this);
};

} // namespace velkaro
