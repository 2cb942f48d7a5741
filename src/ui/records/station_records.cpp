#include "ui/records/station_records.h"

#include <QMetaObject>

#include <chrono>
#include <utility>

#include "link/link_snapshot.h"
#include "link/operator_messages.h"
#include "records/display_options.h"

namespace velkaro {

StationRecords::StationRecords(OperatorMessages& messages, std::string connectString,
                               QObject* parent, RecordsWorker::Limits limits)
    : QObject(parent), m_messages(messages),
      m_worker(std::make_unique<RecordsWorker>(
          std::move(connectString), [this](const RecordsEvent& event) { onEvent(event); },
          limits)) {
    // From the worker's thread: a queued call, run by the window's event loop.
    m_worker->setWakeUp([this] {
        QMetaObject::invokeMethod(this, &StationRecords::deliver, Qt::QueuedConnection);
    });
}

StationRecords::~StationRecords() {
    finish();
}

void StationRecords::writeRunRecords(const LinkSnapshot& view, const DisplayOptions& options) {
    m_worker->submitPass(
        RecordPass{m_clock(), runRecordsOf(view), options.maxStorageHours, options.stationName});
}

void StationRecords::read(RecordsWorker::Read read, RecordsWorker::Completion dropped) {
    m_worker->submitRead(std::move(read), std::move(dropped));
}

void StationRecords::deliver() {
    m_worker->deliver();
}

bool StationRecords::settle(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !m_worker->waitIdle(left)) {
            return false;
        }
        if (m_worker->deliver() == 0 && m_worker->waitIdle(std::chrono::milliseconds(0))) {
            return true;
        }
    }
}

void StationRecords::finish() {
    m_worker->finish();
}

void StationRecords::onEvent(const RecordsEvent& event) {
    switch (event.kind) {
    case RecordsEvent::Kind::Down:
        // Said once an outage; the rows wait and go in when it is over.
        m_messages.notify(
            event.text.empty()
                ? tr("运行记录数据源没有应答：记录暂时留在内存中，数据源恢复后补写。").toStdString()
                : event.text,
            std::string());
        break;
    case RecordsEvent::Kind::Up:
        if (event.dropped > 0) {
            m_messages.notify(tr("运行记录数据源已恢复。中断期间暂存的记录超过上限，"
                                 "最早的 %1 条没有写入。")
                                  .arg(event.dropped)
                                  .toStdString(),
                              std::string(kInfoCaption));
        }
        break;
    case RecordsEvent::Kind::StationColumnRefused:
        m_messages.notify(tr("运行记录表没有“站名”列，本账户也无权添加（需要修改表的权限）。"
                             "记录照常写入，但不带站名：共用这个数据库的各站记录分不开。\n")
                                  .toStdString() +
                              event.text,
                          std::string(kInfoCaption));
        break;
    case RecordsEvent::Kind::RowWritten:
        Q_EMIT rowWritten();
        break;
    case RecordsEvent::Kind::PassWritten:
        Q_EMIT passWritten();
        break;
    }
}

void LatestRead::request(std::function<RecordsWorker::Read()> make) {
    m_waiting = std::move(make);
    if (!m_running) {
        send();
    }
}

void LatestRead::send() {
    while (m_waiting) {
        RecordsWorker::Read read = std::exchange(m_waiting, nullptr)();
        if (!read) {
            continue;
        }
        m_running = true;
        const std::weak_ptr<LatestRead*> alive = m_alive;
        const auto next = [alive] {
            if (const auto self = alive.lock()) {
                (*self)->m_running = false;
                (*self)->send();
            }
        };
        m_records.read(
            [read = std::move(read), alive, next](RunRecordReader& reader) {
                RecordsWorker::Completion done = read(reader);
                return RecordsWorker::Completion([alive, next, done = std::move(done)] {
                    if (alive.expired()) {
                        return;
                    }
                    if (done) {
                        done();
                    }
                    next();
                });
            },
            next);
        return;
    }
}

} // namespace velkaro
