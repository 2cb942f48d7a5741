#include "reliability/support/sim_process.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "reliability/support/process_stats.h"

namespace velkaro::reliability {

std::string SimProcess::binary() {
    return binaryDir() + "/src/sim/velkaro-sim";
}

SimProcess::~SimProcess() {
    kill(SIGTERM);
}

bool SimProcess::spawn(std::vector<std::string> args, const std::vector<std::string>& drives,
                       int out) {
    int console[2];
    if (::pipe2(console, O_CLOEXEC) != 0) {
        return false;
    }
    const std::string program = binary();
    args.insert(args.begin(), program);
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
        ::dup2(out >= 0 ? out : ::open("/dev/null", O_WRONLY), STDOUT_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(console[0]);
    m_console = console[1];
    return m_pid > 0;
}

std::string SimProcess::startTcp(const std::string& option, const std::string& where,
                                 const std::vector<std::string>& drives) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return {};
    }
    const bool started = spawn({option, where}, drives, out[1]);
    ::close(out[1]);
    // "velkaro-sim: serving tcp://127.0.0.1:PORT, ..." once it listens.
    std::string line;
    char c = 0;
    while (started && line.find('\n') == std::string::npos && ::read(out[0], &c, 1) == 1) {
        line += c;
    }
    ::close(out[0]); // later console answers are not wanted
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
    if (!spawn({"--pty", ptyLink}, drives, -1)) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
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

void SimProcess::kill(int signal) {
    if (m_pid > 0) {
        ::kill(m_pid, signal);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
    }
    if (m_console >= 0) {
        ::close(m_console);
        m_console = -1;
    }
}

} // namespace velkaro::reliability
