#pragma once

#include <chrono>
#include <csignal>
#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

#include "support/temp_dir.h"

struct mosquitto;

namespace velkaro::testing {

/// A free TCP port on loopback, as the kernel hands one out.
int freePort();

/// A child process whose standard output and error are read line by line.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { kill(SIGKILL); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Starts `args` (args[0] is the program's path).
    bool start(std::vector<std::string> args);
    /// Reads until a line holding `text` came (true) or `limit` passed.
    bool waitForLine(const std::string& text, std::chrono::milliseconds limit);
    /// Sends `s` without waiting.
    void signal(int s);
    /// Waits for the end; the exit status, 128 + the signal that ended it,
    /// or -1 when it did not end in time.
    int wait(std::chrono::milliseconds limit);
    /// Sends `s` and waits for the end.
    void kill(int s);
    /// Every line read so far, and what came after the last.
    std::string lines() const;

private:
    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_pending;
    std::vector<std::string> m_lines;
};

/// A private mosquitto broker on a free loopback port, anonymous, without a
/// store: a restart loses what it held, as a broker without persistence does.
/// Skip the test when available() is false.
class MqttBroker {
public:
    static bool available();
    MqttBroker();
    /// Starts (again, on the same port); true once it listens.
    bool start();
    /// Ends it with SIGTERM; true when it ended cleanly.
    bool stop();
    int port() const { return m_port; }
    /// "mqtt://127.0.0.1:PORT"
    std::string url() const;

private:
    TempDir m_dir;
    int m_port = 0;
    ChildProcess m_process;
};

/// A plain MQTT client subscribed to velkaro/# (and homeassistant/# when
/// asked): the last payload of each topic.
class MqttSubscriber {
public:
    explicit MqttSubscriber(int port, bool discovery = false);
    ~MqttSubscriber();
    MqttSubscriber(const MqttSubscriber&) = delete;
    MqttSubscriber& operator=(const MqttSubscriber&) = delete;

    /// The last payload of `topic`; empty when none came, or an empty one.
    std::string last(const std::string& topic);
    /// Whether a message came on `topic` at all.
    bool seen(const std::string& topic);
    void forget();
    /// Waits until the topic's last payload holds `text`.
    bool waitFor(const std::string& topic, const std::string& text,
                 std::chrono::milliseconds limit);
    /// Waits until a message came on `topic` and its last payload is empty
    /// (a retained topic cleared).
    bool waitForCleared(const std::string& topic, std::chrono::milliseconds limit);

private:
    struct mosquitto* m_client = nullptr;
    bool m_discovery = false;
    std::mutex m_mutex;
    std::map<std::string, std::string> m_last;
};

} // namespace velkaro::testing
