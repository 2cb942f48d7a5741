#include "records/records_worker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "records/run_record_reader.h"

namespace velkaro {
namespace {

using Clock = std::chrono::steady_clock;

} // namespace

/// What the worker's thread and its owner share. The thread holds it too, so
/// a thread left to end on its own (finish()) never outlives it.
struct RecordsWorker::Shared {
    // Queued work, nested here rather than in an anonymous namespace: the
    // shared state that holds it is a member type of the worker.
    struct QueuedPass {
        RecordPass pass;
        std::size_t written = 0; ///< rows an earlier try wrote
        std::uint64_t order = 0;

        std::size_t rowsLeft() const { return pass.rows.size() - written; }
    };

    struct QueuedRead {
        RecordsWorker::Read read;
        RecordsWorker::Completion dropped;
        std::uint64_t order = 0;
    };

    Shared(std::string connect, EventHandler handler, Limits bounds)
        : limits(bounds), onEvent(std::move(handler)),
          store(std::make_unique<RunRecordStore>(connect)),
          reader(std::make_unique<RunRecordReader>(std::move(connect))) {
        store->setStatementTimeout(limits.statementTimeoutSeconds);
        reader->setStatementTimeout(limits.statementTimeoutSeconds);
    }

    void run();
    /// With the lock held: hands `completion` over and wakes the owner if
    /// nothing was waiting.
    void hand(Completion completion);
    void say(RecordsEvent event);
    /// With the lock held: drops the oldest passes while too many rows wait.
    void trimPasses();
    bool idle() const {
        return reads.empty() && !busy && (passes.empty() || !retryDue || abandoned);
    }

    const Limits limits;
    const EventHandler onEvent;

    mutable std::mutex mutex;
    std::condition_variable work;    ///< the worker waits here
    std::condition_variable changed; ///< waitIdle() and finish() wait here
    std::deque<QueuedPass> passes;
    std::size_t queuedRows = 0;
    std::deque<QueuedRead> reads;
    std::vector<Completion> outbound;
    std::function<void()> wakeUp;
    std::uint64_t nextOrder = 0;
    /// Passes may be tried; false after a failed one until the next comes.
    bool retryDue = true;
    bool busy = false;
    /// When the running job started, or last showed that it gets on (a
    /// row written, a page exported).
    Clock::time_point busySince{};
    bool down = false;
    std::size_t droppedRows = 0;
    std::size_t droppedSinceDown = 0;
    bool stopping = false;
    bool abandoned = false; ///< the owner stopped waiting: write nothing more
    bool ended = false;

    // The worker thread's alone.
    std::unique_ptr<RunRecordStore> store;
    std::unique_ptr<RunRecordReader> reader;
};

void RecordsWorker::Shared::hand(Completion completion) {
    const bool first = outbound.empty();
    outbound.push_back(std::move(completion));
    // Called under the lock: once the owner has taken its wake-up back, none
    // is on its way.
    if (first && wakeUp) {
        wakeUp();
    }
}

void RecordsWorker::Shared::say(RecordsEvent event) {
    hand([this, event = std::move(event)] {
        if (onEvent) {
            onEvent(event);
        }
    });
}

void RecordsWorker::Shared::trimPasses() {
    while (queuedRows > limits.queuedRows && passes.size() > 1) {
        const std::size_t rows = passes.front().rowsLeft();
        queuedRows -= rows;
        droppedRows += rows;
        droppedSinceDown += rows;
        passes.pop_front();
    }
}

void RecordsWorker::Shared::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        work.wait(lock,
                  [this] { return stopping || !reads.empty() || (!passes.empty() && retryDue); });
        const bool passReady = !passes.empty() && retryDue && !abandoned;
        if (stopping && !passReady) {
            break;
        }
        const bool takePass =
            passReady && (reads.empty() || stopping || passes.front().order < reads.front().order);
        busy = true;
        busySince = Clock::now();
        if (takePass) {
            QueuedPass job = std::move(passes.front());
            passes.pop_front();
            queuedRows -= job.rowsLeft();
            lock.unlock();
            const PassOutcome outcome = store->write(job.pass, job.written, [this] {
                const std::lock_guard rowLock(mutex);
                busySince = Clock::now();
                say({RecordsEvent::Kind::RowWritten, {}, 0});
            });
            lock.lock();
            job.written += outcome.written;
            if (!outcome.stationRefusal.empty()) {
                say({RecordsEvent::Kind::StationColumnRefused, outcome.stationRefusal, 0});
            }
            if (outcome.done()) {
                say({RecordsEvent::Kind::PassWritten, {}, 0});
                if (down) {
                    down = false;
                    say({RecordsEvent::Kind::Up, {}, droppedSinceDown});
                    droppedSinceDown = 0;
                }
            } else {
                if (!down) {
                    down = true;
                    say({RecordsEvent::Kind::Down, outcome.error, 0});
                }
                // Tried again with the next pass, from its first unwritten row.
                queuedRows += job.rowsLeft();
                passes.push_front(std::move(job));
                trimPasses();
                retryDue = false;
            }
        } else {
            QueuedRead job = std::move(reads.front());
            reads.pop_front();
            lock.unlock();
            Completion done;
            try {
                done = job.read(*reader);
            } catch (const std::exception&) {
                done = std::move(job.dropped);
            }
            lock.lock();
            if (done && !stopping) {
                hand(std::move(done));
            }
        }
        busy = false;
        changed.notify_all();
    }
    // The sessions end on the thread that used them.
    lock.unlock();
    store.reset();
    reader.reset();
    lock.lock();
    ended = true;
    changed.notify_all();
}

RecordsWorker::RecordsWorker(std::string connectString, EventHandler onEvent, Limits limits)
    : m_shared(std::make_shared<Shared>(std::move(connectString), std::move(onEvent), limits)) {
    std::thread([shared = m_shared] { shared->run(); }).detach();
}

RecordsWorker::RecordsWorker(std::string connectString, EventHandler onEvent)
    : RecordsWorker(std::move(connectString), std::move(onEvent), Limits{}) {}

RecordsWorker::~RecordsWorker() {
    finish();
}

void RecordsWorker::setWakeUp(std::function<void()> wakeUp) {
    const std::lock_guard lock(m_shared->mutex);
    m_shared->wakeUp = std::move(wakeUp);
}

void RecordsWorker::submitPass(RecordPass pass) {
    if (pass.rows.empty()) {
        return;
    }
    Shared& s = *m_shared;
    const std::lock_guard lock(s.mutex);
    if (s.stopping) {
        return;
    }
    if (s.busy && !s.down && Clock::now() - s.busySince >= s.limits.stallAfter) {
        s.down = true;
        s.say({RecordsEvent::Kind::Down, {}, 0});
    }
    s.queuedRows += pass.rows.size();
    s.passes.push_back({std::move(pass), 0, s.nextOrder++});
    s.trimPasses();
    s.retryDue = true;
    s.work.notify_one();
}

void RecordsWorker::submitRead(Read read, Completion dropped) {
    Shared& s = *m_shared;
    const std::lock_guard lock(s.mutex);
    if (s.stopping) {
        return;
    }
    s.reads.push_back({std::move(read), std::move(dropped), s.nextOrder++});
    while (s.reads.size() > s.limits.queuedReads) {
        if (s.reads.front().dropped) {
            s.hand(std::move(s.reads.front().dropped));
        }
        s.reads.pop_front();
    }
    s.work.notify_one();
}

void RecordsWorker::post(Completion completion) {
    poster()(std::move(completion));
}

void RecordsWorker::Poster::operator()(Completion completion) const {
    Shared& s = *m_shared;
    const std::lock_guard lock(s.mutex);
    // A read that hands something over is getting on: a long export is no
    // stall.
    s.busySince = Clock::now();
    if (!s.stopping) {
        s.hand(std::move(completion));
    }
}

std::size_t RecordsWorker::deliver() {
    std::vector<Completion> taken;
    {
        const std::lock_guard lock(m_shared->mutex);
        taken.swap(m_shared->outbound);
    }
    for (const Completion& completion : taken) {
        completion();
    }
    return taken.size();
}

bool RecordsWorker::waitIdle(std::chrono::milliseconds timeout) {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, timeout, [&s] { return s.idle(); });
}

RecordsWorker::State RecordsWorker::state() const {
    const Shared& s = *m_shared;
    const std::lock_guard lock(s.mutex);
    return {s.passes.size(), s.queuedRows, s.reads.size(), s.droppedRows, s.busy, s.down};
}

void RecordsWorker::finish() {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    if (s.stopping) {
        return;
    }
    s.stopping = true;
    s.wakeUp = nullptr;
    s.outbound.clear();
    s.reads.clear();
    s.retryDue = true; // what is queued gets one more try
    s.work.notify_one();
    if (!s.changed.wait_for(lock, s.limits.finishWithin, [&s] { return s.ended; })) {
        // Held by the data source: the thread ends when its statement comes
        // back, writing nothing more.
        s.abandoned = true;
    }
}

} // namespace velkaro
