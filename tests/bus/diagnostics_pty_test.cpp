// `velkaro-bus find`, `monitor` and `watch --stats` as programs against
// `velkaro-sim` serving a pty at 19200 baud: the real tick thread, the POSIX
// port, and the simulator hearing a station at another baud as garbage.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

#include "support/processes.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

class DiagnosticsPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bus = testing::binaryDir() + "/src/bus/velkaro-bus";
        if (!fs::exists(testing::SimProcess::binary()) || !fs::exists(m_bus)) {
            GTEST_SKIP() << "velkaro-sim or velkaro-bus is not built";
        }
        m_pty = m_folder.file("bus");
        m_sim.setOptions({"--baud", "19200"});
        ASSERT_TRUE(m_sim.start(m_pty, {"3:QD30:750", "5:QD10:75"})) << "velkaro-sim made no pty";
    }
    /// Runs velkaro-bus with a hard time limit; stdout in the result, stderr in errors().
    testing::CommandResult runBus(const std::string& args) const {
        return testing::runCommand("timeout 120 " + m_bus + " " + args + " 2>" + errorsPath());
    }
    std::string errorsPath() const { return m_folder.file("errors"); }
    std::vector<std::string> errors() const {
        return testing::linesOf(testing::fileText(errorsPath()));
    }

    testing::TempDir m_folder;
    testing::SimProcess m_sim;
    std::string m_pty;
    std::string m_bus;
};

TEST_F(DiagnosticsPtyTest, FindReportsTheSimulatorsBaudAndTheDrivesNames) {
    const testing::CommandResult run = runBus("find --device " + m_pty + " --address 3");
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> lines = testing::linesOf(run.output);
    // A pty passes on the baud only, so every parity and size at 19200 answers.
    ASSERT_EQ(lines.size(), 12u) << run.output;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.rfind("19200 ", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.find('\t')), "\t3#QD30-7.50") << line;
    }
    EXPECT_EQ(lines.front(), "19200 N 8 1\t3#QD30-7.50");
    const std::vector<std::string> progress = errors();
    ASSERT_EQ(progress.size(), 72u);
    EXPECT_EQ(progress.front(), "velkaro-bus: 试验 38400 N 8 1 (1/72)");

    EXPECT_EQ(runBus("find --device " + m_pty + " --address 9").exitCode, 1); // nobody there
}

TEST_F(DiagnosticsPtyTest, MonitorPrintsEveryFrameAsTimeDirectionHexAndSummary) {
    const testing::CommandResult run =
        runBus("monitor --device " + m_pty + " --baud 19200 --from 3 --count 1 --for 1");
    EXPECT_EQ(run.exitCode, 0);
    const std::regex shape(R"(^(\d+)\t(TX|RX)\t([0-9A-F]{2}( [0-9A-F]{2})*|--)\t\S.*$)");
    long previous = -1;
    bool statusAsked = false;
    bool statusAnswered = false;
    for (const std::string& line : testing::linesOf(run.output)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, shape)) << line;
        EXPECT_GE(std::stol(m[1]), previous) << line;
        previous = std::stol(m[1]);
        statusAsked |= line.ends_with("\tTX\t03 03 32 10 00 10 4A 99\t读 0x3210 ×16");
        statusAnswered |= m[2] == "RX" && line.ends_with("\t应答 16 字");
    }
    EXPECT_TRUE(statusAsked) << run.output;
    EXPECT_TRUE(statusAnswered) << run.output;
}

TEST_F(DiagnosticsPtyTest, WatchStatsEndsWithTheCountersOfEachDrive) {
    const testing::CommandResult run =
        runBus("watch --device " + m_pty + " --baud 19200 --from 3 --count 3 --stats --for 1");
    EXPECT_EQ(run.exitCode, 0);
    const std::vector<std::string> lines = testing::linesOf(run.output);
    ASSERT_GE(lines.size(), 2u);
    const std::regex stats(
        R"(^(3#QD30-7\.50|5#QD10-7\.5)\t请求=(\d+)\t应答=(\d+)\t超时=0\t重试=0\t)"
        R"(CRC错误=0\t残帧=0\t他址帧=0\t迟到=0\t短应答=0\t异常=0\t应答时间最近=\d+ms)"
        R"(\t最小=\d+ms\t平均=[0-9.]+ms\t最大=\d+ms\t最后应答=[0-9.]+s$)");
    for (const std::string& line : {lines[lines.size() - 2], lines.back()}) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, stats)) << line;
        // Every request answered, but one may still be on the wire at the end.
        EXPECT_LE(std::stoi(m[2]) - std::stoi(m[3]), 1) << line;
    }
}

TEST_F(DiagnosticsPtyTest, ALostPortIsOneMessageAndExitOne) {
    const std::string commands[] = {
        "monitor --device " + m_pty + " --baud 19200 --from 3 --count 1 --for 30",
        "find --device " + m_pty + " --address 3 --count 5",
    };
    for (const std::string& command : commands) {
        if (!m_sim.running()) {
            ASSERT_TRUE(m_sim.start(m_pty, {"3:QD30:750"}));
        }
        testing::CommandResult run;
        std::thread bus([&] { run = runBus(command); });
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        m_sim.kill(SIGKILL); // as when the adapter is pulled
        bus.join();
        EXPECT_EQ(run.exitCode, 1) << command;
        std::vector<std::string> messages;
        for (const std::string& line : errors()) {
            if (line.rfind("velkaro-bus: 试验 ", 0) != 0) { // find's progress
                messages.push_back(line);
            }
        }
        EXPECT_EQ(messages.size(), 1u) << command << "\n" << testing::fileText(errorsPath());
    }
}

// A mistake is one line saying what and one pointing to --help, not the
// whole help burying it.
TEST_F(DiagnosticsPtyTest, CommandLineMistakesExitTwoWithTwoLines) {
    const std::string mistakes[] = {
        "monitor --device " + m_pty + " --bogus 1",
        "find --device " + m_pty + " --address 300",
        "find --address 3",
        "watch --device " + m_pty + " --from 0 --stats",
        "scan --device " + m_pty + " --from 240 --count 20",
        "export --device " + m_pty + " --address 3",
        "compare a.csv",
        "frobnicate",
        "",
    };
    for (const std::string& mistake : mistakes) {
        const testing::CommandResult run = runBus(mistake);
        EXPECT_EQ(run.exitCode, 2) << mistake;
        EXPECT_TRUE(run.output.empty()) << mistake;
        const std::vector<std::string> lines = errors();
        ASSERT_EQ(lines.size(), 2u) << mistake << "\n" << testing::fileText(errorsPath());
        EXPECT_EQ(lines[0].rfind("velkaro-bus: ", 0), 0u) << mistake;
        EXPECT_EQ(lines[1], "请用 velkaro-bus --help 查看用法。") << mistake;
    }
}

// A drive that stops answering is told once, and once more when it is back;
// its watch line says 通讯断线 in between.
TEST_F(DiagnosticsPtyTest, WatchTellsADriveThatStopsAnsweringAndComesBack) {
    testing::CommandResult run;
    std::thread bus([&] {
        run = runBus("watch --device " + m_pty + " --baud 19200 --from 3 --count 3 --for 10");
    });
    // The search of three addresses is over after about a second; a silent
    // drive is given up after eleven tries of 0.3 s.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    EXPECT_TRUE(m_sim.command("silent 5 on"));
    std::this_thread::sleep_for(std::chrono::milliseconds(6000));
    EXPECT_TRUE(m_sim.command("silent 5 off"));
    bus.join();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(errors(),
              (std::vector<std::string>{"velkaro-bus: 变频器 5#QD10-7.5 不再应答（通讯断线）",
                                        "velkaro-bus: 变频器 5#QD10-7.5 恢复应答"}));
    int offlineLines = 0;
    bool answeredAfter = false;
    for (const std::string& line : testing::linesOf(run.output)) {
        if (line.find("\t5#QD10-7.5\t通讯断线\t") != std::string::npos) {
            ++offlineLines;
        } else if (offlineLines > 0 && line.find("\t5#QD10-7.5\t停止中\t") != std::string::npos) {
            answeredAfter = true;
        }
    }
    EXPECT_EQ(offlineLines, 1) << run.output;
    EXPECT_TRUE(answeredAfter) << run.output;
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
