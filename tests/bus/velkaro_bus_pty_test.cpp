// `velkaro-bus scan` and `watch` as programs, against `velkaro-sim` serving a
// pty with a drive of each series: the real tick thread and the POSIX port.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "support/processes.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

/// Runs `command` through the shell with a hard time limit; stdout only.
testing::CommandResult runProgram(const std::string& command) {
    return testing::runCommand("timeout 120 " + command + " 2>/dev/null");
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
        m_bus = testing::binaryDir() + "/src/bus/velkaro-bus";
        if (!fs::exists(testing::SimProcess::binary()) || !fs::exists(m_bus)) {
            GTEST_SKIP() << "velkaro-sim or velkaro-bus is not built";
        }
        m_pty = m_folder.file("bus");
        ASSERT_TRUE(m_sim.start(m_pty, {"2:QD10:75", "3:QD30:750", "5:QD20:6", "6:QD40:1850"}))
            << "velkaro-sim made no pty";
    }
    std::string bus(const std::string& args) const { return m_bus + " " + args; }

    testing::TempDir m_folder;
    testing::SimProcess m_sim;
    std::string m_pty;
    std::string m_bus;
};

TEST_F(VelkaroBusPtyTest, ScanPrintsOneNamePerDriveFound) {
    const testing::CommandResult run =
        runProgram(bus("scan --device " + m_pty + " --from 1 --count 7"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(linesOf(run.output), (std::vector<std::string>{"2#QD10-7.5", "3#QD30-7.50",
                                                             "5#QD20-11.00", "6#QD40-18.50"}));
}

TEST_F(VelkaroBusPtyTest, ScanOfAnEmptyRangeSucceedsSilently) {
    const testing::CommandResult run =
        runProgram(bus("scan --device " + m_pty + " --from 10 --count 1"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.output.empty()) << run.output;
}

TEST_F(VelkaroBusPtyTest, MissingDeviceIsAnError) {
    const testing::CommandResult run =
        runProgram(bus("scan --device " + m_folder.file("none") + " --from 1 --count 1"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.empty());
}

TEST_F(VelkaroBusPtyTest, WatchPrintsAStatusLinePerPoll) {
    const testing::CommandResult run =
        runProgram(bus("watch --device " + m_pty + " --from 2 --count 5 --for 3"));
    EXPECT_EQ(run.exitCode, 0);
    std::map<std::string, int> perDrive;
    for (const std::string& line : linesOf(run.output)) {
        const auto f = fields(line);
        ASSERT_EQ(f.size(), 10u) << line;
        EXPECT_EQ(f[2], "停止中") << line;
        EXPECT_EQ(f[3], "无") << line;
        EXPECT_EQ(f[9].rfind("母线电压=", 0), 0u) << line;
        ++perDrive[f[1]];
    }
    ASSERT_EQ(perDrive.size(), 4u) << run.output;
    for (const auto& [name, polls] : perDrive) {
        EXPECT_GE(polls, 2) << name; // polled again and again, even on a slow build
    }
}

} // namespace
} // namespace velkaro
