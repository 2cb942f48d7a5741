// The console transfer end to end: the real 1 ms tick and the POSIX serial
// port against velkaro-sim serving a pty.
#include "bus/transfer_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace velkaro {
namespace {

namespace fs = std::filesystem;

std::vector<long> numbersIn(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<long> numbers;
    std::string token;
    while (std::getline(in, token, '\r'))
        numbers.push_back(std::stol(token));
    return numbers;
}

int runCommand(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "velkaro-bus");
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return runTransferCommand(static_cast<int>(arguments.size()), argv.data());
}

class TransferPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binaryDir = std::getenv("VELKARO_BINARY_DIR");
        const fs::path simulator = fs::path(binaryDir ? binaryDir : ".") / "src/sim/velkaro-sim";
        if (!fs::exists(simulator))
            GTEST_SKIP() << "velkaro-sim is not built";
        m_folder = fs::temp_directory_path() / ("velkaro-bus-pty-" + std::to_string(::getpid()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
        m_pty = (m_folder / "bus").string();

        std::vector<std::string> args{simulator.string(), "--pty",     m_pty,     "--no-console",
                                      "--drive",          "3:QD10:75", "--drive", "4:QD30:750"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&m_simulator, argv[0], nullptr, nullptr, argv.data(), environ), 0);
        // The simulator makes its pty link once it serves the bus.
        for (int i = 0; i < 500 && !fs::exists(m_pty); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(fs::exists(m_pty)) << "velkaro-sim made no pty";
    }
    void TearDown() override {
        if (m_simulator > 0) {
            ::kill(m_simulator, SIGTERM);
            ::waitpid(m_simulator, nullptr, 0);
        }
        if (!m_folder.empty())
            fs::remove_all(m_folder);
    }
    std::string path(const std::string& name) const { return (m_folder / name).string(); }

    pid_t m_simulator = -1;
    fs::path m_folder;
    std::string m_pty;
};

TEST_F(TransferPtyTest, ExportAndImportRunOnTheRealTickAndPort) {
    EXPECT_EQ(runCommand({"export", "--device", m_pty, "--address", "3", path("qd10.sav")}), 0);
    const std::vector<long> qd10 = numbersIn(path("qd10.sav"));
    ASSERT_EQ(qd10.size(), 102u);
    EXPECT_EQ(qd10[0], 33616);

    // A QD30 backup goes back into the QD30 drive; the QD10 one is the wrong model.
    EXPECT_EQ(runCommand({"export", "--device", m_pty, "--address", "4", path("qd30.sav")}), 0);
    ASSERT_EQ(numbersIn(path("qd30.sav")).size(), 635u);
    EXPECT_EQ(runCommand({"import", "--device", m_pty, "--address", "4", path("qd30.sav")}), 0);
    EXPECT_NE(runCommand({"import", "--device", m_pty, "--address", "4", path("qd10.sav")}), 0);

    EXPECT_NE(
        runCommand({"export", "--device", path("no-such-port"), "--address", "3", path("x.sav")}),
        0);
    EXPECT_EQ(runCommand({"export", "--device", m_pty, path("x.sav")}), 2);
}

} // namespace
} // namespace velkaro
