// `velkaro-bus scan` and `watch` as programs, against `velkaro-sim` serving a
// pty with a drive of each series: the real tick thread and the POSIX port.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velkaro {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int status = -1;
    std::string out;
};

/// Runs `command` through the shell with a hard time limit; stdout only.
ProgramRun runProgram(const std::string& command) {
    ProgramRun run;
    FILE* pipe = ::popen(("timeout 120 " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) {
        out.push_back(f);
    }
    return out;
}

class VelkaroBusPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binaryDir = std::getenv("VELKARO_BINARY_DIR");
        const fs::path root = binaryDir != nullptr ? binaryDir : ".";
        const fs::path simulator = root / "src/sim/velkaro-sim";
        m_bus = (root / "src/bus/velkaro-bus").string();
        if (!fs::exists(simulator) || !fs::exists(m_bus)) {
            GTEST_SKIP() << "velkaro-sim or velkaro-bus is not built";
        }
        m_folder = fs::temp_directory_path() / ("velkaro-bus-scan-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_pty = (m_folder / "bus").string();
        std::vector<std::string> args{simulator.string(), "--pty",     m_pty,     "--no-console",
                                      "--drive",          "2:QD10:75", "--drive", "3:QD30:750",
                                      "--drive",          "5:QD20:6",  "--drive", "6:QD40:1850"};
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&m_simulator, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        for (int i = 0; i < 500 && !fs::exists(m_pty); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(fs::exists(m_pty)) << "velkaro-sim made no pty";
    }
    void TearDown() override {
        if (m_simulator > 0) {
            ::kill(m_simulator, SIGTERM);
            ::waitpid(m_simulator, nullptr, 0);
        }
        if (!m_folder.empty()) {
            fs::remove_all(m_folder);
        }
    }
    std::string bus(const std::string& args) const { return m_bus + " " + args; }

    pid_t m_simulator = -1;
    fs::path m_folder;
    std::string m_pty;
    std::string m_bus;
};

TEST_F(VelkaroBusPtyTest, ScanPrintsOneNamePerDriveFound) {
    const ProgramRun run = runProgram(bus("scan --device " + m_pty + " --from 1 --count 7"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(linesOf(run.out), (std::vector<std::string>{"2#QD10-7.5", "3#QD30-7.50",
                                                          "5#QD20-11.00", "6#QD40-18.50"}));
}

TEST_F(VelkaroBusPtyTest, FastRepliesFindTheSameDrives) {
    const ProgramRun run =
        runProgram(bus("scan --fast-replies --device " + m_pty + " --from 1 --count 7"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(linesOf(run.out), (std::vector<std::string>{"2#QD10-7.5", "3#QD30-7.50",
                                                          "5#QD20-11.00", "6#QD40-18.50"}));
}

TEST_F(VelkaroBusPtyTest, AdapterLostDuringTheScanIsAFailure) {
    // Address 1 is empty: its echo tests are still running when the far end goes.
    std::thread pull([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(m_simulator, SIGKILL);
    });
    const ProgramRun run = runProgram(bus("scan --device " + m_pty + " --from 1 --count 3"));
    pull.join();
    EXPECT_EQ(run.status, 1);
}

TEST_F(VelkaroBusPtyTest, ScanOfAnEmptyRangeSucceedsSilently) {
    const ProgramRun run = runProgram(bus("scan --device " + m_pty + " --from 10 --count 1"));
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.empty()) << run.out;
}

TEST_F(VelkaroBusPtyTest, MissingDeviceIsAnError) {
    const ProgramRun run =
        runProgram(bus("scan --device " + (m_folder / "none").string() + " --from 1 --count 1"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
}

TEST_F(VelkaroBusPtyTest, WatchPrintsAStatusLinePerPoll) {
    const ProgramRun run =
        runProgram(bus("watch --device " + m_pty + " --from 2 --count 5 --for 3"));
    EXPECT_EQ(run.status, 0);
    std::map<std::string, int> perDrive;
    for (const std::string& line : linesOf(run.out)) {
        const auto f = fields(line);
        ASSERT_EQ(f.size(), 10u) << line;
        EXPECT_EQ(f[2], "停止中") << line;
        EXPECT_EQ(f[3], "无") << line;
        EXPECT_EQ(f[9].rfind("母线电压=", 0), 0u) << line;
        ++perDrive[f[1]];
    }
    ASSERT_EQ(perDrive.size(), 4u) << run.out;
    for (const auto& [name, polls] : perDrive) {
        EXPECT_GE(polls, 2) << name; // polled again and again, even on a slow build
    }
}

} // namespace
} // namespace velkaro
