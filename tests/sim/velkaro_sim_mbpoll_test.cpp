// velkaro-sim on a pty, questioned by a third-party Modbus master (mbpoll),
// and its claim on the pty's path.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "support/processes.h"
#include "support/temp_dir.h"

namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

std::string mbpollPath() {
    for (const char* candidate : {"/usr/bin/mbpoll", "/usr/local/bin/mbpoll"}) {
        if (::access(candidate, X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

// One mbpoll run, one poll (-1), bounded by a timeout.
velkaro::testing::CommandResult runMaster(const std::string& arguments) {
    return velkaro::testing::runCommand("timeout 10 " + mbpollPath() +
                                        " -m rtu -b 9600 -P none -0 -1 " + arguments + " 2>&1");
}

class VelkaroSimMbpoll : public ::testing::Test {
protected:
    void SetUp() override {
        if (mbpollPath().empty()) {
            GTEST_SKIP() << "mbpoll is not installed";
        }
        const std::string binary = velkaro::testing::SimProcess::binary();
        ASSERT_EQ(::access(binary.c_str(), X_OK), 0) << binary;
        m_link = m_dir.path() / "bus";
        ASSERT_TRUE(m_sim.start(m_link.string(), {"3:QD30:750", "5:QD10:75"}))
            << "no pty link at " << m_link;
        EXPECT_EQ(m_sim.readLine().rfind("velkaro-sim: serving", 0), 0u);
    }

    velkaro::testing::TempDir m_dir;
    fs::path m_link;
    velkaro::testing::SimProcess m_sim;
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
    EXPECT_EQ(m_sim.ask("fault 3 7"), "ok\n");
    const auto faulted = runMaster("-a 3 -r 0x3210 -c 10 -t 4 " + m_link.string());
    // Fault bit 3 beside the forward bit, fault code 7.
    EXPECT_NE(faulted.output.find("[12816]: \t16392"), std::string::npos) << faulted.output;
    EXPECT_NE(faulted.output.find("[12825]: \t7"), std::string::npos) << faulted.output;
    EXPECT_EQ(m_sim.ask("fault 9 7"), "no drive at address 9\n");
    EXPECT_EQ(m_sim.ask("silent 3 on"), "ok\n");
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

bool isTerminal(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const bool terminal = fd >= 0 && ::isatty(fd) != 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return terminal;
}

// A second simulator on a served path used to take the link over and delete
// it on exit, leaving the first unreachable: now it is refused in one line,
// as is a link no simulator made. A link a killed simulator left is taken.
TEST(VelkaroSimPtyPath, ServedOrForeignPathIsRefusedAndLeftAlone) {
    velkaro::testing::TempDir dir;
    const fs::path link = dir.path() / "bus";
    velkaro::testing::SimProcess first;
    ASSERT_TRUE(first.start(link.string(), {"3:QD30:750"}));
    // Serves for at most `seconds`, then ends on SIGTERM (exit 124 from timeout).
    const auto other = [](const fs::path& path, int seconds) {
        return velkaro::testing::runCommand(
            "timeout " + std::to_string(seconds) + " " + velkaro::testing::SimProcess::binary() +
            " --no-console --pty " + path.string() + " --drive 1:QD10:75 2>&1 </dev/null");
    };

    const auto refused = other(link, 10);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(velkaro::testing::linesOf(refused.output).size(), 1u) << refused.output;
    EXPECT_NE(refused.output.find("another velkaro-sim"), std::string::npos) << refused.output;
    EXPECT_TRUE(isTerminal(link)) << "the first simulator's link stays";

    const fs::path foreign = dir.path() / "foreign";
    fs::create_symlink(dir.path(), foreign);
    EXPECT_EQ(other(foreign, 10).exitCode, 1);
    EXPECT_EQ(fs::read_symlink(foreign), dir.path());

    first.kill(SIGKILL);
    ASSERT_TRUE(fs::is_symlink(link)) << "a killed simulator leaves its link";
    const auto taken = other(link, 1);
    EXPECT_EQ(taken.exitCode, 124) << taken.output;
    EXPECT_EQ(taken.output.rfind("velkaro-sim: serving", 0), 0u) << taken.output;
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(dir.path() / "bus.lock"));
}

} // namespace VELKARO_UNITY_ID
} // namespace
