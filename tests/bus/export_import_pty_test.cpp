// The console transfer end to end: the real 1 ms tick and the POSIX serial
// port against velkaro-sim serving a pty.
#include "bus/bus_options.h"
#include "bus/export_import_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/processes.h"
#include "support/sav_file.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

/// The command line parsed as the program does; 2 when it is refused.
int runBusCommand(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "velkaro-bus");
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string error;
    const std::optional<BusOptions> options =
        parseBusOptions(static_cast<int>(arguments.size()), argv.data(), error);
    return options ? runTransferCommand(*options) : 2;
}

class TransferPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(testing::SimProcess::binary())) {
            GTEST_SKIP() << "velkaro-sim is not built";
        }
        m_pty = path("bus");
        ASSERT_TRUE(m_sim.start(m_pty, {"3:QD10:75", "4:QD30:750"})) << "velkaro-sim made no pty";
    }
    std::string path(const std::string& name) const { return m_folder.file(name); }

    testing::TempDir m_folder;
    testing::SimProcess m_sim;
    std::string m_pty;
};

TEST_F(TransferPtyTest, ExportAndImportRunOnTheRealTickAndPort) {
    EXPECT_EQ(runBusCommand({"export", "--device", m_pty, "--address", "3", path("qd10.sav")}), 0);
    const std::vector<long> qd10 = testing::savNumbers(path("qd10.sav"));
    ASSERT_EQ(qd10.size(), 102u);
    EXPECT_EQ(qd10[0], 33616);

    // A QD30 backup goes back into the QD30 drive; the QD10 one is the wrong model.
    EXPECT_EQ(runBusCommand({"export", "--device", m_pty, "--address", "4", path("qd30.sav")}), 0);
    ASSERT_EQ(testing::savNumbers(path("qd30.sav")).size(), 635u);
    EXPECT_EQ(runBusCommand({"import", "--device", m_pty, "--address", "4", path("qd30.sav")}), 0);
    EXPECT_NE(runBusCommand({"import", "--device", m_pty, "--address", "4", path("qd10.sav")}), 0);

    EXPECT_NE(runBusCommand(
                  {"export", "--device", path("no-such-port"), "--address", "3", path("x.sav")}),
              0);
    EXPECT_EQ(runBusCommand({"export", "--device", m_pty, path("x.sav")}), 2);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
