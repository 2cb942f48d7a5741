#include "records/action_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <soci/soci.h>

#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <thread>

#include "records/action_table.h"
#include "records/data_source.h"

namespace velkaro {
// A row waiting for the data source. Not in the anonymous namespace: the
// shared state that holds the queue is a member type of the log.
struct ActionLogQueued {
    ActionRecord row;
    std::uint64_t order = 0;
};

namespace {

std::string escaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::vector<std::string> splitEscaped(const std::string& line) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            const char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

/// Takes the spool's rows and removes it. The file is renamed away first,
/// so rows another program adds meanwhile start a new spool and stay.
std::vector<ActionRecord> takeSpool(const std::filesystem::path& spool) {
    std::vector<ActionRecord> rows;
    if (spool.empty()) {
        return rows;
    }
    std::filesystem::path taken = spool;
    taken += "." + std::to_string(::getpid());
    std::error_code error;
    std::filesystem::rename(spool, taken, error);
    if (error) {
        return rows;
    }
    std::ifstream in(taken);
    std::string line;
    while (std::getline(in, line)) {
        if (auto row = rowOfSpoolLine(line)) {
            rows.push_back(std::move(*row));
        }
    }
    std::filesystem::remove(taken, error);
    return rows;
}

/// Appends rows to the spool, a file only the account may read.
void keepInSpool(const std::filesystem::path& spool, const std::deque<ActionLogQueued>& rows) {
    if (spool.empty() || rows.empty()) {
        return;
    }
    std::error_code error;
    std::filesystem::create_directories(spool.parent_path(), error);
    const int fd = ::open(spool.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    std::string text;
    for (const ActionLogQueued& queued : rows) {
        text += spoolLine(queued.row);
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::fsync(fd);
    ::close(fd);
}

} // namespace

/// What the thread and the owner share; the thread holds it too, so a thread
/// left to end on its own (finish()) never outlives it.
struct ActionLog::Shared {
    Shared(std::string connect, Limits bounds, std::filesystem::path spoolFile)
        : connectString(std::move(connect)), limits(bounds), spool(std::move(spoolFile)) {}

    void run();
    /// One row into the table, on a session opened when none is; the data
    /// source's words on failure, empty when written.
    std::string write(const ActionRecord& row);
    std::string tryWrite(const ActionRecord& row);

    const std::string connectString;
    const Limits limits;
    const std::filesystem::path spool;

    mutable std::mutex mutex;
    std::condition_variable work;
    std::condition_variable changed;
    std::deque<ActionLogQueued> queue;
    std::uint64_t nextOrder = 0;
    std::size_t written = 0;
    std::size_t dropped = 0;
    bool busy = false;
    bool down = false;
    std::string error;
    bool stopping = false;
    bool abandoned = false;
    bool ended = false;

    // The thread's alone.
    std::unique_ptr<soci::session> session;
    std::unique_ptr<ActionInsert> insert;
};

std::string ActionLog::Shared::tryWrite(const ActionRecord& row) {
    try {
        if (!session) {
            session = openRecordSession(connectString);
            ensureActionTable(*session);
            setStatementTimeout(*session, limits.statementTimeoutSeconds);
            insert = std::make_unique<ActionInsert>(*session);
        }
        insert->insert(row);
        return {};
    } catch (const std::exception& failure) {
        insert.reset();
        session.reset();
        std::string words = failure.what();
        return words.empty() ? std::string("?") : words;
    }
}

std::string ActionLog::Shared::write(const ActionRecord& row) {
    // A session kept from earlier may have died with the server meanwhile:
    // it gets one fresh connection before the failure counts.
    const bool reused = session != nullptr;
    std::string failure = tryWrite(row);
    if (!failure.empty() && reused) {
        failure = tryWrite(row);
    }
    return failure;
}

void ActionLog::Shared::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        work.wait(lock, [this] { return stopping || !queue.empty(); });
        if (queue.empty() || abandoned) {
            break;
        }
        // The row stays queued until it is in: an outage keeps it, in order.
        const ActionLogQueued next = queue.front();
        busy = true;
        lock.unlock();
        std::string failure = write(next.row);
        lock.lock();
        busy = false;
        if (failure.empty()) {
            if (!queue.empty() && queue.front().order == next.order) {
                queue.pop_front();
            }
            ++written;
            down = false;
            changed.notify_all();
            continue;
        }
        down = true;
        error = std::move(failure);
        changed.notify_all();
        if (stopping) {
            break; // the last try failed; finish() keeps the rest
        }
        work.wait_for(lock, limits.retryEvery, [this] { return stopping; });
    }
    lock.unlock();
    insert.reset();
    session.reset();
    lock.lock();
    ended = true;
    changed.notify_all();
}

ActionLog::ActionLog(std::string connectString, Limits limits, std::filesystem::path spool)
    : m_shared(std::make_shared<Shared>(std::move(connectString), limits, std::move(spool))) {
    for (ActionRecord& row : takeSpool(m_shared->spool)) {
        m_shared->queue.push_back({std::move(row), m_shared->nextOrder++});
    }
    std::thread([shared = m_shared] { shared->run(); }).detach();
}

ActionLog::ActionLog(std::string connectString, std::filesystem::path spool)
    : ActionLog(std::move(connectString), Limits{}, std::move(spool)) {}

ActionLog::~ActionLog() {
    finish();
}

void ActionLog::add(ActionRecord row) {
    Shared& s = *m_shared;
    const std::lock_guard lock(s.mutex);
    if (s.stopping) {
        return;
    }
    s.queue.push_back({std::move(row), s.nextOrder++});
    while (s.queue.size() > s.limits.queuedRows) {
        s.queue.pop_front();
        ++s.dropped;
    }
    s.work.notify_one();
}

bool ActionLog::waitWritten(std::chrono::milliseconds timeout) {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, timeout, [&s] { return s.queue.empty() && !s.busy; });
}

ActionLog::State ActionLog::state() const {
    const Shared& s = *m_shared;
    const std::lock_guard lock(s.mutex);
    return {s.queue.size(), s.written, s.dropped, s.down, s.error};
}

void ActionLog::finish() {
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    if (s.stopping) {
        return;
    }
    s.stopping = true;
    s.work.notify_all();
    s.changed.wait_for(lock, s.limits.finishWithin, [&s] { return s.ended; });
    // Whatever the data source did not take waits for the next start. A
    // statement still held by the data source may yet go in as well: a row
    // twice is better than none.
    s.abandoned = true;
    keepInSpool(s.spool, s.queue);
    s.queue.clear();
}

std::filesystem::path defaultActionSpool() {
    return stationDataFolder() / "操作记录待写.txt";
}

std::string spoolLine(const ActionRecord& row) {
    const std::string fields[] = {std::to_string(static_cast<long long>(row.time)),
                                  row.station,
                                  row.account,
                                  row.drive,
                                  std::to_string(row.address),
                                  row.action,
                                  row.oldValue,
                                  row.newValue,
                                  row.result};
    std::string line;
    for (const std::string& field : fields) {
        line += (line.empty() && &field == &fields[0] ? "" : "\t") + escaped(field);
    }
    return line + "\n";
}

std::optional<ActionRecord> rowOfSpoolLine(const std::string& line) {
    const std::vector<std::string> f = splitEscaped(line);
    if (f.size() != 9) {
        return std::nullopt;
    }
    try {
        ActionRecord row;
        row.time = static_cast<std::time_t>(std::stoll(f[0]));
        row.station = f[1];
        row.account = f[2];
        row.drive = f[3];
        row.address = std::stoi(f[4]);
        row.action = f[5];
        row.oldValue = f[6];
        row.newValue = f[7];
        row.result = f[8];
        return row;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace velkaro
