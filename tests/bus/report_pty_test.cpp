// `velkaro-bus report` and `compare` as programs against velkaro-sim serving
// a pty: the real tick thread and the POSIX port, exit statuses and output.

#include "bus/report_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velkaro {
namespace {

namespace fs = std::filesystem;

TEST(ReportArgumentsTest, AcceptsADeviceWithOneFileOrTwoFilesToCompare) {
    struct Case {
        std::vector<std::string> arguments;
        bool accepted;
    };
    const std::vector<Case> cases{
        {{"report", "--device", "/d", "--address", "3", "a.csv"}, true},
        {{"compare", "--device", "/d", "--address", "3", "--baud", "19200", "a.sav"}, true},
        {{"compare", "a.csv", "b.sav"}, true},
        {{"report", "a.csv", "b.csv"}, false},
        {{"report", "--device", "/d", "a.csv"}, false},
        {{"compare", "--device", "/d", "--address", "3", "a.csv", "b.csv"}, false},
        {{"compare", "--address", "3", "a.csv", "b.csv"}, false},
        {{"compare", "a.csv"}, false},
        {{"compare", "--device", "/d", "--address", "248", "a.csv"}, false},
        {{"report", "--device", "/d", "--address", "3", "--baud", "9601", "a.csv"}, false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> owned{"velkaro-bus"};
        owned.insert(owned.end(), c.arguments.begin(), c.arguments.end());
        std::vector<char*> argv;
        for (std::string& a : owned) {
            argv.push_back(a.data());
        }
        std::string error;
        const auto request =
            parseReportArguments(static_cast<int>(argv.size()), argv.data(), error);
        EXPECT_EQ(request.has_value(), c.accepted) << ::testing::PrintToString(c.arguments);
    }
}

struct ProgramRun {
    int status = -1;
    std::string out;
};

ProgramRun runProgram(const std::string& command) {
    ProgramRun run;
    FILE* pipe = ::popen(("timeout 120 " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    for (std::size_t got = 0; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class ReportPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binaryDir = std::getenv("VELKARO_BINARY_DIR");
        const fs::path root = binaryDir != nullptr ? binaryDir : ".";
        const fs::path simulator = root / "src/sim/velkaro-sim";
        m_bus = (root / "src/bus/velkaro-bus").string();
        if (!fs::exists(simulator) || !fs::exists(m_bus)) {
            GTEST_SKIP() << "velkaro-sim or velkaro-bus is not built";
        }
        m_folder = fs::temp_directory_path() / ("velkaro-report-pty-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_pty = path("bus");
        std::vector<std::string> args{simulator.string(), "--pty",     m_pty,     "--no-console",
                                      "--drive",          "2:QD10:75", "--drive", "3:QD30:750"};
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
    std::string path(const std::string& name) const { return (m_folder / name).string(); }
    ProgramRun bus(const std::string& args) const { return runProgram(m_bus + " " + args); }
    std::string at(int address) const {
        return "--device " + m_pty + " --address " + std::to_string(address) + " ";
    }

    pid_t m_simulator = -1;
    fs::path m_folder;
    std::string m_pty;
    std::string m_bus;
};

TEST_F(ReportPtyTest, ReportAndCompareAgainstTheDriveItsBackupAndEachOther) {
    ASSERT_EQ(bus("report " + at(3) + path("qd30.csv")).status, 0);
    ASSERT_EQ(bus("report " + at(2) + path("qd10.csv")).status, 0);
    ASSERT_EQ(bus("export " + at(3) + path("qd30.sav")).status, 0);

    const ProgramRun sameReport = bus("compare " + at(3) + path("qd30.csv"));
    EXPECT_EQ(sameReport.status, 0);
    EXPECT_EQ(sameReport.out, "0 differ, 812 equal\n");
    const ProgramRun sameBackup = bus("compare " + at(3) + path("qd30.sav"));
    EXPECT_EQ(sameBackup.status, 0);
    EXPECT_EQ(sameBackup.out, "0 differ, 633 equal\n");

    // Two values changed in a copy of the report, as an editor would.
    std::ifstream in(path("qd30.csv"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text = std::regex_replace(text, std::regex("\nF0,F0-00,数字给定频率,[0-9.]+,"),
                              "\nF0,F0-00,数字给定频率,45.50,");
    text = std::regex_replace(text, std::regex("\nF0,F0-09,加速时间1,[0-9.]+,"),
                              "\nF0,F0-09,加速时间1,12.5,");
    std::ofstream(path("edited.csv"), std::ios::binary) << text;
    const ProgramRun twoFiles = bus("compare " + path("qd30.csv") + " " + path("edited.csv"));
    EXPECT_EQ(twoFiles.status, 1);
    EXPECT_EQ(twoFiles.out, "F0-00\t数字给定频率\t50.00Hz\t45.50Hz\n"
                            "F0-09\t加速时间1\t0.1s\t12.5s\n"
                            "2 differ, 810 equal\n");

    // Another series: refused, nothing compared.
    EXPECT_EQ(bus("compare " + path("qd10.csv") + " " + path("qd30.sav")).status, 2);
    const ProgramRun wrongDrive = bus("compare " + at(2) + path("qd30.csv"));
    EXPECT_EQ(wrongDrive.status, 2);
    EXPECT_TRUE(wrongDrive.out.empty());
}

TEST_F(ReportPtyTest, NothingIsWrittenWhenNoDriveAnswers) {
    EXPECT_EQ(bus("report " + at(9) + path("none.csv")).status, 1);
    EXPECT_FALSE(fs::exists(path("none.csv")));
    EXPECT_EQ(bus("compare " + at(9) + path("none.csv")).status, 2);
}

} // namespace
} // namespace velkaro
