#include "bus/bus_logger.h"

#include <soci/soci.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <thread>

#include "bus/bus_options.h"
#include "bus/bus_session.h"
#include "bus/console_interrupt.h"
#include "link/link_snapshot.h"
#include "mqtt/drive_state_publisher.h"
#include "mqtt/mqtt_publisher.h"
#include "records/data_source.h"
#include "records/record_schema.h"
#include "records/records_worker.h"
#include "records/run_record.h"
#include "records/run_record_store.h"
#include "records/station_name.h"
#include "registry/language.h"
#include "registry/state_texts.h"

namespace velkaro {

namespace {

using namespace std::chrono_literals;

constexpr auto kLoggerWaitStep = 10ms;

} // namespace

BusLogger::BusLogger(DriveLink& link, LoggerSettings settings, std::ostream& events)
    : m_link(link), m_settings(std::move(settings)), m_events(events) {}

BusLogger::~BusLogger() {
    if (m_records) {
        m_records->finish();
    }
    if (m_mqtt) {
        m_mqtt->finish();
    }
}

void BusLogger::tell(const std::string& line) {
    m_events << "velkaro-bus: " << line << std::endl;
}

bool BusLogger::start() {
    if (m_settings.mqtt) {
        m_settings.mqtt->station = m_settings.station;
        m_mqtt = std::make_unique<MqttPublisher>(*m_settings.mqtt);
        std::string error;
        if (!m_mqtt->start(error)) {
            tell(error);
            m_mqtt.reset();
            return false;
        }
        m_states = std::make_unique<DriveStatePublisher>(
            m_mqtt->root(), m_settings.station,
            [this](const std::string& topic, std::string payload, bool retained) {
                m_mqtt->publish(topic, std::move(payload), retained);
            },
            m_settings.mqtt->haDiscovery);
    }
    if (m_settings.defaultDataSource) {
        // As the station does on its start: registered on first use.
        const DataSourceResult ready = registerDataSourceFor(m_settings.station);
        m_tableReady = ready.ok;
        if (!ready.ok) {
            tell(translated("BusLog", "数据源不可用：") + ready.message);
        }
    }
    m_records = std::make_unique<RecordsWorker>(
        m_settings.connectString, [this](const RecordsEvent& e) { onRecordsEvent(e); });
    return true;
}

void BusLogger::ensureTable() {
    if (m_tableReady || m_tableAsked) {
        return;
    }
    m_tableAsked = true;
    // On the worker: a data source that does not answer holds no poll.
    m_records->submitRead(
        [this, connect = m_settings.connectString,
         station = m_settings.station](RunRecordReader&) -> RecordsWorker::Completion {
            try {
                const auto session = openRecordSession(connect);
                ensureRunRecordTable(*session, station);
                return [this] { m_tableReady = true; };
            } catch (const std::exception&) {
                // The next pass fails the same way and says why.
                return [this] { m_tableAsked = false; };
            }
        },
        [this] { m_tableAsked = false; });
}

void BusLogger::onRecordsEvent(const RecordsEvent& event) {
    switch (event.kind) {
    case RecordsEvent::Kind::Down:
        tell(event.text.empty()
                 ? std::string(translated("BusLog", "数据源无响应，运行记录暂停"))
                 : translated("BusLog", "数据源不可用，运行记录暂停：") + event.text);
        break;
    case RecordsEvent::Kind::Up:
        tell(event.dropped == 0
                 ? std::string(translated("BusLog", "数据源恢复，运行记录继续"))
                 : translated("BusLog", "数据源恢复，运行记录继续；其间因队列已满丢失 ") +
                       std::to_string(event.dropped) + translated("BusLog", " 行"));
        break;
    case RecordsEvent::Kind::StationColumnRefused:
        tell(translated("BusLog", "运行记录表没有“站名”列，且不能添加，记录不带站名：") +
             event.text);
        break;
    case RecordsEvent::Kind::RowWritten:
    case RecordsEvent::Kind::PassWritten:
        break;
    }
}

std::vector<std::pair<int, int>> BusLogger::missingRuns(const DriveTable& table, int from,
                                                        int count) {
    std::vector<std::pair<int, int>> runs;
    for (int address = from; address < from + count; ++address) {
        if (!table.isAddressFree(std::to_string(address))) {
            continue;
        }
        if (!runs.empty() && runs.back().first + runs.back().second == address) {
            ++runs.back().second;
        } else {
            runs.emplace_back(address, 1);
        }
    }
    return runs;
}

void BusLogger::run(const std::atomic<bool>& interrupted) {
    const auto start = Clock::now();
    const auto end = m_settings.forSeconds > 0
                         ? start + std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::duration<double>(m_settings.forSeconds))
                         : Clock::time_point::max();
    const LinkSnapshot first = m_link.snapshot();
    tell(translated("BusLog", "开始记录：站名 ") + m_settings.station +
         translated("BusLog", "，设备 ") + first.devicePath + translated("BusLog", "，地址 ") +
         std::to_string(m_settings.from) + ".." +
         std::to_string(m_settings.from + m_settings.count - 1));
    const auto interval = std::chrono::milliseconds(m_settings.recordIntervalMs);
    m_nextRecord = start + interval;
    auto nextPoll = start;
    for (auto now = start; !interrupted.load() && now < end; now = Clock::now()) {
        if (now >= nextPoll) {
            m_link.queueStatusPolls();
            // A late pass is not made up for: the next comes a period on.
            nextPoll = std::max(nextPoll + kPollPeriod, now);
            pass(now);
        }
        m_records->deliver();
        tellBroker();
        std::this_thread::sleep_for(kLoggerWaitStep);
    }
    if (m_search) {
        m_link.cancel(*m_search);
    }
    m_records->finish();
    m_records->deliver();
    if (m_mqtt) {
        m_mqtt->finish();
    }
    tell(translated("BusLog", "结束记录"));
}

void BusLogger::pass(Clock::time_point now) {
    const LinkSnapshot view = m_link.snapshot();
    tellDrives(view);
    keepPort(view, now);
    if (!m_portDown) {
        keepSearching(view, now);
    }
    if (now >= m_nextRecord) {
        recordPass(view);
        const auto interval = std::chrono::milliseconds(m_settings.recordIntervalMs);
        m_nextRecord = std::max(m_nextRecord + interval, now);
    }
    if (m_states) {
        m_states->update(view, now, std::time(nullptr));
    }
}

void BusLogger::tellDrives(const LinkSnapshot& view) {
    for (std::size_t slot = 0; slot < m_seen.size(); ++slot) {
        const DriveRecord& d = view.table.slots[slot];
        Seen& seen = m_seen[slot];
        if (d.name.empty()) {
            seen = Seen{};
            continue;
        }
        if (seen.name != d.name) {
            tell(translated("BusLog", "找到变频器 ") + d.name + translated("BusLog", "（地址 ") +
                 d.address + translated("BusLog", "）"));
            seen = Seen{d.name, d.online, false};
        }
        if (d.online == 0 && seen.online != 0) {
            tell(translated("BusLog", "变频器 ") + d.name + translated("BusLog", " 不再应答（") +
                 translated("StateTexts", kStateOffline.data()) + translated("BusLog", "）"));
        } else if (d.online != 0 && seen.online == 0) {
            tell(translated("BusLog", "变频器 ") + d.name + translated("BusLog", " 恢复应答"));
        }
        seen.online = d.online;
        if (d.online == 0 || !view.statusRead[slot]) {
            continue;
        }
        const StateTexts texts = driveStateTexts(d);
        const bool faulted = texts.state == kStateFault;
        const StateTexts shown = shownStateTexts(d);
        if (faulted && !seen.faulted) {
            tell(translated("BusLog", "变频器 ") + d.name + " " + shown.state +
                 translated("BusLog", "：") + shown.cause);
        } else if (!faulted && seen.faulted) {
            tell(translated("BusLog", "变频器 ") + d.name + translated("BusLog", " 故障已解除（") +
                 shown.state + translated("BusLog", "）"));
        }
        seen.faulted = faulted;
    }
}

void BusLogger::keepPort(const LinkSnapshot& view, Clock::time_point now) {
    if (view.portFailed && !m_portDown) {
        m_portDown = true;
        m_nextReopen = now + kReopenPeriod;
        tell(translated("BusLog", "串口 ") + view.devicePath +
             translated("BusLog", " 失去连接，每 5 秒试着重新打开"));
        if (m_search) {
            m_link.cancel(*m_search);
        }
    }
    if (!m_portDown || now < m_nextReopen) {
        return;
    }
    if (m_link.openLink().ok) {
        m_portDown = false;
        m_searchDue = true;
        tell(translated("BusLog", "串口 ") + view.devicePath + translated("BusLog", " 已重新打开"));
    } else {
        m_nextReopen = now + kReopenPeriod;
    }
}

void BusLogger::keepSearching(const LinkSnapshot& view, Clock::time_point now) {
    if (m_search) {
        bool ended = false;
        // Only the search's outcome matters here; status polls give none.
        for (const Outcome& o : m_link.takeOutcomes()) {
            ended = ended || o.id == *m_search;
        }
        if (!ended) {
            return;
        }
        m_search.reset();
        m_lastSearchEnd = now;
    }
    if (m_runsToSearch.empty()) {
        if (!m_searchDue && now - m_lastSearchEnd < kResearchPeriod) {
            return;
        }
        m_searchDue = false;
        m_lastSearchEnd = now;
        m_runsToSearch = missingRuns(view.table, m_settings.from, m_settings.count);
        if (m_runsToSearch.empty()) {
            return;
        }
    }
    const auto [first, count] = m_runsToSearch.front();
    m_runsToSearch.erase(m_runsToSearch.begin());
    m_search = m_link.submit({}, Search{first, static_cast<unsigned>(count)});
}

void BusLogger::recordPass(const LinkSnapshot& view) {
    ensureTable();
    RecordPass pass;
    pass.takenAt = std::time(nullptr);
    pass.rows = runRecordsOf(view);
    pass.maxStorageHours = m_settings.maxStorageHours;
    pass.station = m_settings.station;
    m_records->submitPass(std::move(pass));
}

void BusLogger::tellBroker() {
    if (!m_mqtt) {
        return;
    }
    for (const MqttEvent& e : m_mqtt->takeEvents()) {
        if (e.kind == MqttEvent::Kind::Connected) {
            tell(translated("BusLog", "MQTT 代理已连接：") + e.text);
        } else {
            tell(translated("BusLog", "MQTT 代理 ") + m_mqtt->brokerText() +
                 translated("BusLog", " 不可达，稍后重连：") + e.text);
        }
    }
}

int runLogCommand(const BusOptions& options) {
    LoggerSettings settings;
    settings.from = options.from;
    settings.count = options.count;
    settings.station =
        chooseStationName(options.station, readKeptStationName(stationSettingsFile()));
    settings.defaultDataSource = options.dsn.empty();
    settings.connectString =
        settings.defaultDataSource ? std::string(kRunRecordConnect) : "DSN=" + options.dsn;
    if (!options.mqttUrl.empty()) {
        MqttSettings mqtt;
        parseBrokerUrl(options.mqttUrl, mqtt); // checked by the parser
        mqtt.caFile = options.mqttCa;
        mqtt.credentialsFile = options.mqttCredentials;
        // A service hands the credentials over as its credential "mqtt"
        // (LoadCredential=), readable by the service alone.
        const char* store = std::getenv("CREDENTIALS_DIRECTORY");
        if (mqtt.credentialsFile.empty() && store != nullptr &&
            std::filesystem::exists(std::filesystem::path(store) / "mqtt")) {
            mqtt.credentialsFile = (std::filesystem::path(store) / "mqtt").string();
        }
        mqtt.haDiscovery = options.haDiscovery;
        settings.mqtt = mqtt;
    }
    settings.forSeconds = options.forGiven ? options.forSeconds : 0.0;

    BusSession session(options, std::cerr);
    if (std::string error; !session.open(error)) {
        std::cerr << "velkaro-bus: " << error << std::endl;
        return 1;
    }
    BusLogger logger(session.link(), settings, std::cerr);
    if (!logger.start()) {
        return 1;
    }
    logger.run(interruptFlag());
    session.close();
    return 0;
}

} // namespace velkaro
