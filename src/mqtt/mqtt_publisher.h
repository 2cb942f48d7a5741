#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "mqtt/mqtt_settings.h"

struct mosquitto;

namespace velkaro {

/// Something the broker connection did, for the event log.
struct MqttEvent {
    enum class Kind { Connected, Disconnected };
    Kind kind = Kind::Connected;
    std::string text; ///< the broker's address, or why the connection ended
};

/// Publishes to one broker from a thread of its own, so that no caller ever
/// waits for the network: publish() only queues. libmosquitto's own thread
/// keeps the connection, reconnecting with a growing pause (1 s up to 30 s)
/// after the broker goes away.
///
/// `velkaro/<station>/status` is "online" (retained) while connected and
/// "offline" as the will and on a clean end. Retained messages are also kept
/// by topic and given again after every reconnect, so a broker that restarted
/// without its store has the latest state of every drive again. The queue is
/// bounded: a retained message replaces one of its topic still waiting, and
/// when the queue is full the oldest message is dropped and counted.
class MqttPublisher {
public:
    static constexpr std::size_t kQueueLimit = 1024;

    explicit MqttPublisher(MqttSettings settings, std::size_t queueLimit = kQueueLimit);
    ~MqttPublisher(); ///< finish()
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    /// Reads the credentials, sets up TLS and the will, and starts connecting
    /// in the background. False, with the reason in `error`, for a setting
    /// that can never work (an unreadable credentials or CA file); a broker
    /// that is not there yet is no failure.
    bool start(std::string& error);
    /// Queues a message; never waits.
    void publish(const std::string& topic, std::string payload, bool retained);
    /// Says "offline", waits at most `within` for it to leave, and ends the
    /// connection and the threads. Safe to call twice.
    void finish(std::chrono::milliseconds within = std::chrono::milliseconds(1500));

    struct State {
        bool connected = false;
        std::size_t queued = 0;
        uint64_t published = 0;
        uint64_t dropped = 0; ///< messages the full queue gave up, since the start
        std::string lastError;
    };
    State state() const;
    /// What happened to the connection since the last call, oldest first.
    std::vector<MqttEvent> takeEvents();

    /// The topic root of this station: "velkaro/<station>".
    const std::string& root() const { return m_root; }
    std::string statusTopic() const { return m_root + "/status"; }
    /// "mqtt://host:port" as the event lines name the broker.
    std::string brokerText() const;

private:
    struct Message {
        std::string topic;
        std::string payload;
        bool retained = false;
    };

    static void onConnect(struct mosquitto*, void* self, int rc);
    static void onDisconnect(struct mosquitto*, void* self, int rc);
    static void onPublish(struct mosquitto*, void* self, int mid);
    void enqueue(Message message);
    void sendLoop();
    void noteEvent(MqttEvent::Kind kind, std::string text);

    MqttSettings m_settings;
    std::string m_root;
    std::size_t m_queueLimit;
    struct mosquitto* m_client = nullptr;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Message> m_queue;
    std::map<std::string, std::string> m_retained; ///< the latest payload of each retained topic
    std::vector<MqttEvent> m_events;
    bool m_connected = false;
    /// What the event log was last told: the broker reached (true) or not.
    std::optional<bool> m_told;
    std::chrono::steady_clock::time_point m_startedAt;
    bool m_stopping = false;
    bool m_loopStarted = false;
    bool m_finishing = false;
    std::vector<int> m_acked; ///< messages the broker has taken while finishing
    uint64_t m_published = 0;
    uint64_t m_dropped = 0;
    std::string m_lastError;
    std::thread m_sender;
};

} // namespace velkaro
