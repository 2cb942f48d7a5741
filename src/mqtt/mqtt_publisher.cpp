#include "mqtt/mqtt_publisher.h"
#include "registry/language.h"

#include <mosquitto.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

namespace velkaro {

namespace {

using namespace std::chrono_literals;

constexpr int kKeepAliveSeconds = 30;
// The pause before a reconnect doubles from 1 s up to 30 s.
constexpr unsigned kReconnectFirstSeconds = 1;
constexpr unsigned kReconnectMostSeconds = 30;
// A broker not reached this long after the start is told as down once; later
// failures to reconnect are not told again until it has been reached.
constexpr auto kFirstConnectGrace = 3s;
constexpr auto kSenderWait = 200ms;
constexpr auto kRetryAfterFailure = 100ms;
// Drive states go at most once a second and are given again after a
// reconnect: QoS 0 keeps nothing piling up inside the client. The status
// goes with QoS 1, so a clean end can wait for the broker to have it.
constexpr int kStateQos = 0;
constexpr int kStatusQos = 1;
constexpr std::string_view kOnline = "online";
constexpr std::string_view kOffline = "offline";

void initialiseLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

} // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, std::size_t queueLimit)
    : m_settings(std::move(settings)), m_root("velkaro/" + topicLevel(m_settings.station)),
      m_queueLimit(std::max<std::size_t>(queueLimit, 1)) {}

MqttPublisher::~MqttPublisher() {
    finish();
}

std::string MqttPublisher::brokerText() const {
    const bool v6 = m_settings.host.find(':') != std::string::npos;
    return std::string(m_settings.tls ? "mqtts://" : "mqtt://") + (v6 ? "[" : "") +
           m_settings.host + (v6 ? "]" : "") + ":" + std::to_string(m_settings.port);
}

bool MqttPublisher::start(std::string& error) {
    initialiseLibrary();
    std::optional<MqttCredentials> credentials;
    if (!m_settings.credentialsFile.empty()) {
        credentials = readCredentials(m_settings.credentialsFile, error);
        if (!credentials) {
            return false;
        }
    }
    const std::string id = "velkaro-" + topicLevel(m_settings.station) + "-" +
                           std::to_string(static_cast<long>(getpid()));
    m_client = mosquitto_new(id.c_str(), true, this);
    if (m_client == nullptr) {
        error = translated("MqttTexts", "不能建立 MQTT 客户端");
        return false;
    }
    mosquitto_connect_callback_set(m_client, &MqttPublisher::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MqttPublisher::onDisconnect);
    mosquitto_publish_callback_set(m_client, &MqttPublisher::onPublish);
    mosquitto_reconnect_delay_set(m_client, kReconnectFirstSeconds, kReconnectMostSeconds, true);
    int rc = MOSQ_ERR_SUCCESS;
    if (credentials) {
        rc = mosquitto_username_pw_set(m_client, credentials->user.c_str(),
                                       credentials->password.c_str());
    }
    if (rc == MOSQ_ERR_SUCCESS && m_settings.tls) {
        // Without a CA file the system's certificates are trusted.
        if (m_settings.caFile.empty()) {
            rc = mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            rc = mosquitto_tls_set(m_client, m_settings.caFile.c_str(), nullptr, nullptr, nullptr,
                                   nullptr);
        }
    }
    const std::string status = statusTopic();
    if (rc == MOSQ_ERR_SUCCESS) {
        rc = mosquitto_will_set(m_client, status.c_str(), static_cast<int>(kOffline.size()),
                                kOffline.data(), kStatusQos, true);
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        error = std::string(translated("MqttTexts", "MQTT 设置有误：")) + mosquitto_strerror(rc);
        mosquitto_destroy(m_client);
        m_client = nullptr;
        return false;
    }
    m_startedAt = std::chrono::steady_clock::now();
    // A broker not there yet is tried again by the client's own thread.
    rc = mosquitto_connect_async(m_client, m_settings.host.c_str(), m_settings.port,
                                 kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastError = rc == MOSQ_ERR_ERRNO ? std::string(translated("MqttTexts", "连接失败"))
                                           : mosquitto_strerror(rc);
    }
    if (mosquitto_loop_start(m_client) != MOSQ_ERR_SUCCESS) {
        error = translated("MqttTexts", "不能启动 MQTT 网络线程");
        mosquitto_destroy(m_client);
        m_client = nullptr;
        return false;
    }
    m_loopStarted = true;
    m_sender = std::thread([this] { sendLoop(); });
    return true;
}

void MqttPublisher::publish(const std::string& topic, std::string payload, bool retained) {
    enqueue(Message{topic, std::move(payload), retained});
}

void MqttPublisher::enqueue(Message message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (message.retained) {
            // An empty retained message clears the topic: nothing to give
            // again after a reconnect.
            if (message.payload.empty()) {
                m_retained.erase(message.topic);
            } else {
                m_retained[message.topic] = message.payload;
            }
            const auto waiting =
                std::find_if(m_queue.begin(), m_queue.end(), [&](const Message& m) {
                    return m.retained && m.topic == message.topic;
                });
            if (waiting != m_queue.end()) {
                waiting->payload = std::move(message.payload);
                return;
            }
        }
        if (m_queue.size() >= m_queueLimit) {
            m_queue.pop_front();
            ++m_dropped;
        }
        m_queue.push_back(std::move(message));
    }
    m_wake.notify_one();
}

void MqttPublisher::onConnect(struct mosquitto* client, void* self, int rc) {
    auto& p = *static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        const std::string why = mosquitto_connack_string(rc);
        std::lock_guard<std::mutex> lock(p.m_mutex);
        p.m_lastError = why;
        if (p.m_told != false) {
            p.m_told = false;
            p.m_events.push_back({MqttEvent::Kind::Disconnected, why});
        }
        return;
    }
    const std::string status = p.statusTopic();
    mosquitto_publish(client, nullptr, status.c_str(), static_cast<int>(kOnline.size()),
                      kOnline.data(), kStatusQos, true);
    std::vector<Message> again;
    {
        std::lock_guard<std::mutex> lock(p.m_mutex);
        p.m_connected = true;
        p.m_lastError.clear();
        if (p.m_told != true) {
            p.m_told = true;
            p.m_events.push_back({MqttEvent::Kind::Connected, p.brokerText()});
        }
        for (const auto& [topic, payload] : p.m_retained) {
            again.push_back({topic, payload, true});
        }
    }
    // A broker that restarted without its store gets every latest state again.
    for (Message& m : again) {
        p.enqueue(std::move(m));
    }
    p.m_wake.notify_one();
}

void MqttPublisher::onDisconnect(struct mosquitto*, void* self, int rc) {
    auto& p = *static_cast<MqttPublisher*>(self);
    std::lock_guard<std::mutex> lock(p.m_mutex);
    p.m_connected = false;
    if (rc != 0) {
        p.m_lastError = mosquitto_strerror(rc);
    }
    if (p.m_told == true && !p.m_stopping) {
        p.m_told = false;
        p.m_events.push_back(
            {MqttEvent::Kind::Disconnected,
             rc == 0 ? std::string(translated("MqttTexts", "连接已结束")) : p.m_lastError});
    }
}

void MqttPublisher::onPublish(struct mosquitto*, void* self, int mid) {
    auto& p = *static_cast<MqttPublisher*>(self);
    {
        std::lock_guard<std::mutex> lock(p.m_mutex);
        if (!p.m_finishing) {
            return;
        }
        p.m_acked.push_back(mid);
    }
    p.m_wake.notify_all();
}

void MqttPublisher::sendLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, kSenderWait,
                        [&] { return m_stopping || (m_connected && !m_queue.empty()); });
        if (!m_told && std::chrono::steady_clock::now() - m_startedAt > kFirstConnectGrace) {
            m_told = false;
            m_events.push_back({MqttEvent::Kind::Disconnected,
                                m_lastError.empty()
                                    ? std::string(translated("MqttTexts", "无法连接"))
                                    : m_lastError});
        }
        while (!m_stopping && m_connected && !m_queue.empty()) {
            Message m = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            const int rc = mosquitto_publish(m_client, nullptr, m.topic.c_str(),
                                             static_cast<int>(m.payload.size()), m.payload.data(),
                                             kStateQos, m.retained);
            lock.lock();
            if (rc == MOSQ_ERR_SUCCESS) {
                ++m_published;
                continue;
            }
            if (rc == MOSQ_ERR_NO_CONN || rc == MOSQ_ERR_CONN_LOST) {
                // Gone between the look and the send: it goes first once back,
                // unless a newer one of its topic is waiting or it was replayed.
                const bool newer =
                    m.retained && std::any_of(m_queue.begin(), m_queue.end(),
                                              [&](const Message& q) { return q.topic == m.topic; });
                if (!newer && m_queue.size() < m_queueLimit) {
                    m_queue.push_front(std::move(m));
                }
                m_wake.wait_for(lock, kRetryAfterFailure);
                break;
            }
            m_lastError = mosquitto_strerror(rc);
        }
    }
}

void MqttPublisher::finish(std::chrono::milliseconds within) {
    if (m_client == nullptr) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + within;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        // What is queued goes out first, if the broker takes it in time.
        while (m_connected && !m_queue.empty() && std::chrono::steady_clock::now() < deadline) {
            m_wake.wait_for(lock, 20ms);
        }
        if (m_connected) {
            m_finishing = true;
            int mid = 0;
            lock.unlock();
            const int rc = mosquitto_publish(m_client, &mid, statusTopic().c_str(),
                                             static_cast<int>(kOffline.size()), kOffline.data(),
                                             kStatusQos, true);
            lock.lock();
            if (rc == MOSQ_ERR_SUCCESS) {
                // The broker's acknowledgement may come before the wait starts.
                m_wake.wait_until(lock, deadline, [&] {
                    return !m_connected ||
                           std::find(m_acked.begin(), m_acked.end(), mid) != m_acked.end();
                });
            }
        }
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_sender.joinable()) {
        m_sender.join();
    }
    mosquitto_disconnect(m_client);
    if (m_loopStarted) {
        mosquitto_loop_stop(m_client, false);
    }
    mosquitto_destroy(m_client);
    m_client = nullptr;
}

MqttPublisher::State MqttPublisher::state() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return {m_connected, m_queue.size(), m_published, m_dropped, m_lastError};
}

std::vector<MqttEvent> MqttPublisher::takeEvents() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_events, {});
}

} // namespace velkaro
