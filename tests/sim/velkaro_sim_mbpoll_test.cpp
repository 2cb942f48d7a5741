// velkaro-sim on a pty, questioned by a third-party Modbus master (mbpoll).

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string mbpollPath() {
    for (const char* candidate : {"/usr/bin/mbpoll", "/usr/local/bin/mbpoll"}) {
        if (::access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

struct MasterResult {
    int exitCode = -1;
    std::string output;
};

// One mbpoll run, one poll (-1), bounded by `timeout`.
MasterResult runMaster(const std::string& arguments) {
    const std::string command =
        "timeout 10 " + mbpollPath() + " -m rtu -b 9600 -P none -0 -1 " + arguments + " 2>&1";
    MasterResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        result.output += buffer;
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// The simulator as a child process with its console on a pipe.
class SimulatorProcess {
public:
    bool start(const std::string& binary, const fs::path& link) {
        int input[2];
        int output[2];
        if (::pipe(input) != 0 || ::pipe(output) != 0) {
            return false;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(input[0], STDIN_FILENO);
            ::dup2(output[1], STDOUT_FILENO);
            ::close(input[1]);
            ::close(output[0]);
            ::execl(binary.c_str(), binary.c_str(), "--pty", link.c_str(), "--drive", "3:QD30:750",
                    "--drive", "5:QD10:75", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(input[0]);
        ::close(output[1]);
        m_console = input[1];
        m_output = output[0];
        ::fcntl(m_output, F_SETFL, O_NONBLOCK);
        return m_pid > 0;
    }

    // The next line the simulator prints, waiting at most five seconds.
    std::string readLine() {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (m_pending.find('\n') == std::string::npos && Clock::now() < deadline) {
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

    // Sends a console line and returns the answer line.
    std::string command(const std::string& line) {
        const std::string text = line + "\n";
        if (::write(m_console, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
            return {};
        }
        return readLine();
    }

    void closeConsole() {
        if (m_console >= 0) {
            ::close(m_console);
            m_console = -1;
        }
    }

    // Waits for the process to end by itself; true if it exited with 0 in time.
    bool waitForExit(std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) && WEXITSTATUS(status) == 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void terminate() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
        }
    }

    ~SimulatorProcess() {
        closeConsole();
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_output >= 0) {
            ::close(m_output);
        }
    }

private:
    pid_t m_pid = -1;
    int m_console = -1;
    int m_output = -1;
    std::string m_pending;
};

bool waitForLink(const fs::path& link) {
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < deadline) {
        std::error_code ignored;
        if (fs::is_symlink(link, ignored) && fs::exists(link, ignored)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class VelkaroSimMbpoll : public ::testing::Test {
protected:
    void SetUp() override {
        if (mbpollPath().empty()) {
            GTEST_SKIP() << "mbpoll is not installed";
        }
        const char* binaryDir = std::getenv("VELKARO_BINARY_DIR");
        ASSERT_NE(binaryDir, nullptr);
        m_binary = std::string(binaryDir) + "/src/sim/velkaro-sim";
        ASSERT_EQ(::access(m_binary.c_str(), X_OK), 0) << m_binary;
        char pattern[] = "/tmp/velkaro-sim-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
        m_link = m_dir / "bus";
        ASSERT_TRUE(m_sim.start(m_binary, m_link));
        EXPECT_EQ(m_sim.readLine().rfind("velkaro-sim: serving", 0), 0u);
        ASSERT_TRUE(waitForLink(m_link)) << "no pty link at " << m_link;
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }

    std::string m_binary;
    fs::path m_dir;
    fs::path m_link;
    SimulatorProcess m_sim;
};

TEST_F(VelkaroSimMbpoll, ThirdPartyMasterReadsWritesAndGetsExceptions) {
    const std::string at = " " + m_link.string();
    const auto status = runMaster("-a 3 -r 0x3210 -c 16 -t 4" + at);
    ASSERT_EQ(status.exitCode, 0) << status.output;
    // Standing forward, set frequency 50.00 Hz, DC bus charged.
    EXPECT_NE(status.output.find("[12816]: \t16384"), std::string::npos) << status.output;
    EXPECT_NE(status.output.find("[12820]: \t5000"), std::string::npos) << status.output;
    EXPECT_NE(status.output.find("[12824]: \t5370"), std::string::npos) << status.output;

    // A QD30 has no register 0x2200: exception 0x02, which mbpoll reports and exits 1 on.
    const auto probe = runMaster("-a 3 -r 0x2200 -c 1 -t 4" + at);
    EXPECT_EQ(probe.exitCode, 1) << probe.output;
    EXPECT_NE(probe.output.find("Illegal data address"), std::string::npos) << probe.output;
    EXPECT_EQ(runMaster("-a 3 -r 0x1200 -c 1 -t 4" + at).exitCode, 0);
    EXPECT_EQ(runMaster("-a 5 -r 0x0C00 -c 1 -t 4" + at).exitCode, 1) << "QD10 has no 0x0C00";

    ASSERT_EQ(runMaster("-a 3 -r 0x0102 -t 4" + at + " 1234").exitCode, 0);
    const auto readBack = runMaster("-a 3 -r 0x0102 -c 1 -t 4" + at);
    EXPECT_NE(readBack.output.find("[258]: \t1234"), std::string::npos) << readBack.output;

    // F0-01 of a QD30 takes 0..9: the drive refuses 10 with exception 0x03.
    const auto refused = runMaster("-a 3 -r 0x0001 -t 4" + at + " 10");
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("Illegal data value"), std::string::npos) << refused.output;

    // Nobody at address 9: the master times out.
    EXPECT_NE(runMaster("-a 9 -r 0x3210 -c 1 -t 4" + at).exitCode, 0);
}

TEST_F(VelkaroSimMbpoll, ConsoleFaultShowsOnTheBusAndSigtermRemovesTheLink) {
    EXPECT_EQ(m_sim.command("fault 3 7"), "ok\n");
    const auto faulted = runMaster("-a 3 -r 0x3210 -c 10 -t 4 " + m_link.string());
    // Fault bit 3 beside the forward bit, fault code 7.
    EXPECT_NE(faulted.output.find("[12816]: \t16392"), std::string::npos) << faulted.output;
    EXPECT_NE(faulted.output.find("[12825]: \t7"), std::string::npos) << faulted.output;
    EXPECT_EQ(m_sim.command("fault 9 7"), "no drive at address 9\n");
    EXPECT_EQ(m_sim.command("silent 3 on"), "ok\n");
    EXPECT_NE(runMaster("-a 3 -r 0x3210 -c 1 -t 4 " + m_link.string()).exitCode, 0);

    m_sim.terminate();
    EXPECT_TRUE(m_sim.waitForExit(std::chrono::seconds(5)));
    EXPECT_FALSE(fs::is_symlink(m_link)) << "the pty link must go with the simulator";
}

TEST_F(VelkaroSimMbpoll, EndOfInputEndsTheSimulatorCleanly) {
    m_sim.closeConsole();
    EXPECT_TRUE(m_sim.waitForExit(std::chrono::seconds(5)));
    EXPECT_FALSE(fs::is_symlink(m_link));
}

} // namespace
