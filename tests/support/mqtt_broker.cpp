#include "support/mqtt_broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <mosquitto.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <thread>

namespace velkaro::testing {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kMosquitto = "/usr/sbin/mosquitto";

} // namespace

int freePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    close(s);
    return ntohs(a.sin_port);
}

bool ChildProcess::start(std::vector<std::string> args) {
    kill(SIGKILL);
    m_pending.clear();
    m_lines.clear();
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    m_pid = fork();
    if (m_pid == 0) {
        dup2(pipeFds[1], STDERR_FILENO);
        dup2(pipeFds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    m_output = pipeFds[0];
    return m_pid > 0;
}

bool ChildProcess::waitForLine(const std::string& text, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
        for (std::size_t at; (at = m_pending.find('\n')) != std::string::npos;) {
            const std::string line = m_pending.substr(0, at);
            m_pending.erase(0, at + 1);
            m_lines.push_back(line);
            if (line.find(text) != std::string::npos) {
                return true;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        pollfd p{m_output, POLLIN, 0};
        if (m_output < 0 || left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = read(m_output, buffer, sizeof buffer);
        if (n <= 0) {
            return false;
        }
        m_pending.append(buffer, static_cast<std::size_t>(n));
    }
}

void ChildProcess::signal(int s) {
    if (m_pid > 0) {
        ::kill(m_pid, s);
    }
}

int ChildProcess::wait(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (m_pid > 0 && Clock::now() < end) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(10ms);
    }
    return -1;
}

void ChildProcess::kill(int s) {
    if (m_pid > 0) {
        ::kill(m_pid, s);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    if (m_output >= 0) {
        close(m_output);
        m_output = -1;
    }
}

std::string ChildProcess::lines() const {
    std::string all;
    for (const std::string& l : m_lines) {
        all += l + '\n';
    }
    return all + m_pending;
}

bool MqttBroker::available() {
    return std::filesystem::exists(kMosquitto);
}

MqttBroker::MqttBroker() : m_port(freePort()) {
    std::ofstream(m_dir.file("broker.conf"))
        << "listener " << m_port << " 127.0.0.1\nallow_anonymous true\n";
}

bool MqttBroker::start() {
    if (!m_process.start({kMosquitto, "-c", m_dir.file("broker.conf")})) {
        return false;
    }
    return m_process.waitForLine("running", 5s);
}

bool MqttBroker::stop() {
    m_process.signal(SIGTERM);
    return m_process.wait(3s) == 0;
}

std::string MqttBroker::url() const {
    return "mqtt://127.0.0.1:" + std::to_string(m_port);
}

MqttSubscriber::MqttSubscriber(int port, bool discovery) : m_discovery(discovery) {
    mosquitto_lib_init();
    m_client = mosquitto_new(nullptr, true, this);
    mosquitto_connect_callback_set(m_client, [](mosquitto* m, void* self, int rc) {
        if (rc == 0) {
            mosquitto_subscribe(m, nullptr, "velkaro/#", 1);
            if (static_cast<MqttSubscriber*>(self)->m_discovery) {
                mosquitto_subscribe(m, nullptr, "homeassistant/#", 1);
            }
        }
    });
    mosquitto_message_callback_set(
        m_client, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto& s = *static_cast<MqttSubscriber*>(self);
            std::lock_guard<std::mutex> lock(s.m_mutex);
            s.m_last[m->topic] = std::string(static_cast<const char*>(m->payload),
                                             static_cast<std::size_t>(std::max(m->payloadlen, 0)));
        });
    mosquitto_reconnect_delay_set(m_client, 1, 1, false);
    mosquitto_connect_async(m_client, "127.0.0.1", port, 10);
    mosquitto_loop_start(m_client);
}

MqttSubscriber::~MqttSubscriber() {
    mosquitto_disconnect(m_client);
    mosquitto_loop_stop(m_client, false);
    mosquitto_destroy(m_client);
}

std::string MqttSubscriber::last(const std::string& topic) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_last.find(topic);
    return found == m_last.end() ? std::string() : found->second;
}

bool MqttSubscriber::seen(const std::string& topic) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_last.contains(topic);
}

void MqttSubscriber::forget() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_last.clear();
}

bool MqttSubscriber::waitFor(const std::string& topic, const std::string& text,
                             std::chrono::milliseconds limit) {
    for (const auto end = Clock::now() + limit; Clock::now() < end;) {
        if (last(topic).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

bool MqttSubscriber::waitForCleared(const std::string& topic, std::chrono::milliseconds limit) {
    for (const auto end = Clock::now() + limit; Clock::now() < end;) {
        if (seen(topic) && last(topic).empty()) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

} // namespace velkaro::testing
