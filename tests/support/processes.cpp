#include "support/processes.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velkaro::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::string fromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

} // namespace

std::string binaryDir() {
    return fromEnvironment("VELKARO_BINARY_DIR", VELKARO_BINARY_DIR_DEFAULT);
}

std::string sourceDir() {
    return fromEnvironment("VELKARO_SOURCE_DIR", VELKARO_SOURCE_DIR_DEFAULT);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string SimProcess::binary() {
    return binaryDir() + "/src/sim/velkaro-sim";
}

SimProcess::~SimProcess() {
    kill(SIGTERM);
    if (m_output >= 0) {
        ::close(m_output);
    }
}

bool SimProcess::spawn(std::vector<std::string> args, const std::vector<std::string>& drives) {
    if (m_output >= 0) {
        ::close(m_output);
        m_output = -1;
    }
    m_pending.clear();
    int console[2];
    int output[2];
    if (::pipe2(console, O_CLOEXEC) != 0) {
        return false;
    }
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(console[0]);
        ::close(console[1]);
        return false;
    }
    const std::string program = binary();
    args.insert(args.begin(), program);
    args.insert(args.end(), m_options.begin(), m_options.end());
    for (const std::string& drive : drives) {
        args.push_back("--drive");
        args.push_back(drive);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(console[0], STDIN_FILENO);
        ::dup2(output[1], STDOUT_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(console[0]);
    ::close(output[1]);
    m_console = console[1];
    m_output = output[0];
    ::fcntl(m_output, F_SETFL, O_NONBLOCK);
    return m_pid > 0;
}

std::string SimProcess::startTcp(const std::string& option, const std::string& where,
                                 const std::vector<std::string>& drives) {
    if (!spawn({option, where}, drives)) {
        return {};
    }
    // "velkaro-sim: serving tcp://127.0.0.1:PORT, ..." once it listens.
    const std::string line = readLine();
    const auto from = line.find("serving ");
    const auto to = line.find(',', from);
    if (from == std::string::npos || to == std::string::npos) {
        return {};
    }
    return line.substr(from + 8, to - from - 8);
}

bool SimProcess::start(const std::string& ptyLink, const std::vector<std::string>& drives,
                       std::chrono::milliseconds limit) {
    std::error_code ignored;
    std::filesystem::remove(ptyLink, ignored);
    if (!spawn({"--pty", ptyLink}, drives)) {
        return false;
    }
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        const int fd = ::open(ptyLink.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            const bool terminal = ::isatty(fd) != 0;
            ::close(fd);
            if (terminal) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool SimProcess::command(const std::string& line) {
    const std::string text = line + "\n";
    return m_console >= 0 &&
           ::write(m_console, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

std::string SimProcess::readLine() {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (m_output >= 0 && m_pending.find('\n') == std::string::npos && Clock::now() < deadline) {
        pollfd readable{m_output, POLLIN, 0};
        ::poll(&readable, 1, 50);
        char buffer[256];
        const ssize_t got = ::read(m_output, buffer, sizeof buffer);
        if (got > 0) {
            m_pending.append(buffer, static_cast<std::size_t>(got));
        }
    }
    const auto end = m_pending.find('\n');
    if (end == std::string::npos) {
        return {};
    }
    std::string line = m_pending.substr(0, end + 1);
    m_pending.erase(0, end + 1);
    return line;
}

std::string SimProcess::ask(const std::string& line) {
    return command(line) ? readLine() : std::string();
}

void SimProcess::closeConsole() {
    if (m_console >= 0) {
        ::close(m_console);
        m_console = -1;
    }
}

bool SimProcess::waitForExit(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (m_pid > 0 && Clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

void SimProcess::terminate() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
    }
}

void SimProcess::kill(int signal) {
    if (m_pid > 0) {
        ::kill(m_pid, signal);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    closeConsole();
}

} // namespace velkaro::testing
