#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "records/record_database.h"
#include "records/run_record_store.h"

namespace velkaro {

class RunRecordReader;

/// What the records worker tells its owner, through deliver(), in the order
/// it happened.
struct RecordsEvent {
    enum class Kind {
        /// Logging stopped: a pass failed (`text` holds the data source's
        /// words) or a statement has not come back for stallAfter (`text`
        /// empty). Said once; the next Down comes only after an Up.
        Down,
        /// A pass went in after a Down; `dropped` rows were lost meanwhile to
        /// the full queue.
        Up,
        /// 运行记录 has no 站名 and this account may not add it; `text` is
        /// the data source's reason. Once a run.
        StationColumnRefused,
        /// A row went into the table.
        RowWritten,
        /// A pass is in the table, every row of it.
        PassWritten,
    };
    Kind kind = Kind::RowWritten;
    std::string text;
    std::size_t dropped = 0;
};

/// The one place the station's database work runs: the record passes (purge,
/// minute summaries, rows) and every read (history, trends, export), one
/// after the other on a thread of its own, with a session for the writer and
/// one for the reads. The owner hands work over and never waits for the
/// database: submitPass() and submitRead() only queue, and what comes back
/// (results, events) waits until the owner calls deliver() on its own thread
/// (setWakeUp() tells it when).
///
/// Passes wait in a queue bounded by rows. While the data source fails, a
/// failed pass stays at the head of the queue (the rows it wrote stay
/// written) and is tried again when the next pass is handed over; when the
/// queue is full the oldest passes are dropped and their rows counted. Reads
/// run in turn with the passes, in the order they were given, and do not wait
/// for a pass that waits to be tried again; when more reads wait than the
/// bound, the oldest is dropped.
class RecordsWorker {
public:
    struct Limits {
        /// Rows that may wait for the data source: an hour of 32 drives at
        /// the default interval of 5 s.
        std::size_t queuedRows = std::size_t{32} * 720;
        /// Reads that may wait; more, and the oldest gives way.
        std::size_t queuedReads = 16;
        /// A job that has got on no further for this long (no row written,
        /// no page exported: a statement that has not come back): the data
        /// source is said to be down. PostgreSQL cancels a statement only on
        /// the server, which a server that does not answer never does.
        std::chrono::milliseconds stallAfter{15000};
        /// Every statement's bound (see setStatementTimeout).
        int statementTimeoutSeconds = 30;
        /// How long finish() lets the worker write what is queued.
        std::chrono::milliseconds finishWithin{3000};
    };
    /// Runs on the owner's thread, in deliver().
    using Completion = std::function<void()>;
    /// Runs on the worker with its reader; returns what the owner is to run
    /// with the result. A read catches its own database errors and hands
    /// them back in its completion.
    using Read = std::function<Completion(RunRecordReader&)>;
    using EventHandler = std::function<void(const RecordsEvent&)>;

    /// Starts the worker. Nothing reaches the data source before the first
    /// pass or read.
    RecordsWorker(std::string connectString, EventHandler onEvent, Limits limits);
    explicit RecordsWorker(std::string connectString = std::string(kRunRecordConnect),
                           EventHandler onEvent = {});
    /// finish()
    ~RecordsWorker();
    RecordsWorker(const RecordsWorker&) = delete;
    RecordsWorker& operator=(const RecordsWorker&) = delete;

    /// Called on the worker's thread whenever something waits to be
    /// delivered and nothing did before; it must not block (a queued call
    /// into the owner's thread).
    void setWakeUp(std::function<void()> wakeUp);

    /// Queues a pass (one without rows is no pass). Never waits for the data
    /// source. Says the data source down when the running job has got on no
    /// further for stallAfter.
    void submitPass(RecordPass pass);
    /// Queues a read; `dropped` runs instead of its completion when it gives
    /// way to newer reads.
    void submitRead(Read read, Completion dropped = {});
    /// From a running read: hands something to the owner before the read is
    /// done (an export's progress), which also shows that the read gets on.
    void post(Completion completion);

private:
    struct Shared;

public:
    /// post() for a read to keep: it stays safe to call after the worker is
    /// gone (a read the data source held past finish()), and then hands
    /// nothing over.
    class Poster {
    public:
        void operator()(Completion completion) const;

    private:
        friend class RecordsWorker;
        explicit Poster(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)) {}
        std::shared_ptr<Shared> m_shared;
    };
    Poster poster() const { return Poster(m_shared); }

    /// Runs, on the calling thread, what came back, in order; the count.
    std::size_t deliver();
    /// Waits until nothing is to be done (passes that wait to be tried again
    /// apart); false when `timeout` passes first. For tests and tools.
    bool waitIdle(std::chrono::milliseconds timeout);

    struct State {
        std::size_t queuedPasses = 0;
        std::size_t queuedRows = 0;
        std::size_t queuedReads = 0;
        std::size_t droppedRows = 0; ///< since the start
        bool busy = false;           ///< a pass or read is running
        bool down = false;           ///< Down said, no Up yet
    };
    State state() const;

    /// Ends the worker: reads still queued are dropped (nothing more is
    /// delivered), passes still queued are written if the data source lets
    /// that happen within finishWithin; a worker the data source holds longer
    /// is left to end on its own and writes nothing more.
    void finish();

private:
    std::shared_ptr<Shared> m_shared;
};

} // namespace velkaro
