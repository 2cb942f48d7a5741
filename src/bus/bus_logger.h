#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "bus/link_waiter.h"
#include "link/drive_link.h"
#include "mqtt/mqtt_settings.h"
#include "registry/drive_table.h"

namespace velkaro {

class MqttPublisher;
class DriveStatePublisher;
class RecordsWorker;
struct RecordsEvent;

/// What `velkaro-bus log` is asked to do.
struct LoggerSettings {
    int from = 1;
    int count = 1;
    std::string station;           ///< 站名 of every row and the MQTT topic root
    std::string connectString;     ///< the data source, "DSN=..."
    bool defaultDataSource = true; ///< the station's own, set up on first use
    std::optional<MqttSettings> mqtt;
    double forSeconds = 0.0; ///< 0: until SIGTERM or SIGINT
    uint32_t recordIntervalMs = 5000;
    uint32_t maxStorageHours = 24;
};

/// The headless logger on an open link whose tick runs: searches the range,
/// polls every found drive each 100 ms as the station does, writes a record
/// pass every recordIntervalMs through the records worker, publishes the
/// drives' states when MQTT is set, searches the missing addresses again
/// every minute and reopens a lost port every few seconds. Each event goes
/// to `events` as one line.
class BusLogger {
public:
    static constexpr auto kPollPeriod = std::chrono::milliseconds(100);
    static constexpr auto kResearchPeriod = std::chrono::minutes(1);
    static constexpr auto kReopenPeriod = std::chrono::seconds(5);

    BusLogger(DriveLink& link, LoggerSettings settings, std::ostream& events);
    ~BusLogger();
    BusLogger(const BusLogger&) = delete;
    BusLogger& operator=(const BusLogger&) = delete;

    /// Sets up the data source and the broker connection. False, with the
    /// reason told, for a setting that can never work (the MQTT credentials
    /// or CA file); a data source or broker that is not there yet is told and
    /// tried again.
    bool start();
    /// Runs until `interrupted` is raised or forSeconds have passed, then
    /// writes what is queued (bounded), says "offline" and ends.
    void run(const std::atomic<bool>& interrupted);

    /// The address runs of the range where no drive is connected, in order.
    static std::vector<std::pair<int, int>> missingRuns(const DriveTable& table, int from,
                                                        int count);

private:
    struct Seen {
        std::string name;
        int32_t online = 0;
        bool faulted = false;
    };
    using Clock = std::chrono::steady_clock;

    void pass(Clock::time_point now);
    void tellDrives(const LinkSnapshot& view);
    void keepPort(const LinkSnapshot& view, Clock::time_point now);
    void keepSearching(const LinkSnapshot& view, Clock::time_point now);
    void recordPass(const LinkSnapshot& view);
    void onRecordsEvent(const RecordsEvent& event);
    void tellBroker();
    void ensureTable();
    void tell(const std::string& line);

    DriveLink& m_link;
    LoggerSettings m_settings;
    std::ostream& m_events;
    OutcomeStore m_outcomes;
    std::unique_ptr<RecordsWorker> m_records;
    std::unique_ptr<MqttPublisher> m_mqtt;
    std::unique_ptr<DriveStatePublisher> m_states;
    std::array<Seen, kMaxDrives> m_seen{};

    std::optional<RequestId> m_search;
    std::vector<std::pair<int, int>> m_runsToSearch;
    bool m_searchDue = true;
    Clock::time_point m_lastSearchEnd{};
    bool m_portDown = false;
    Clock::time_point m_nextReopen{};
    Clock::time_point m_nextRecord{};
    bool m_tableReady = false;
    bool m_tableAsked = false;
};

struct BusOptions;

/// velkaro-bus log: opens the device, runs the logger until a signal or
/// --for ends it. 0 on a clean end, also by SIGTERM or SIGINT (a service
/// stopped as asked); 1 when the device does not open or a setting can
/// never work.
int runLogCommand(const BusOptions& options);

} // namespace velkaro
