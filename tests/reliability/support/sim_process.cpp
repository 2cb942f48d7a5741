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

bool SimProcess::start(const std::string& ptyLink, const std::vector<std::string>& drives,
                       std::chrono::milliseconds limit) {
    std::error_code ignored;
    std::filesystem::remove(ptyLink, ignored);
    int console[2];
    if (::pipe2(console, O_CLOEXEC) != 0) {
        return false;
    }
    const std::string program = binary();
    std::vector<std::string> args{program, "--pty", ptyLink};
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
        const int quiet = ::open("/dev/null", O_WRONLY);
        ::dup2(quiet, STDOUT_FILENO);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(console[0]);
    m_console = console[1];
    if (m_pid < 0) {
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
