#include "sim/sim_console.h"

#include <gtest/gtest.h>

#include "sim/bus_simulator.h"
#include "sim/sim_options.h"

namespace velkaro::sim {
namespace {
namespace VELKARO_UNITY_ID {

TEST(SimOptions, AcceptsWhatHelpDocumentsAndRefusesTheRest) {
    std::string error;
    const auto options =
        parseSimOptions({"--pty", "/tmp/bus", "--baud", "38400", "--parity", "E", "--stop-bits",
                         "2", "--drive", "3:QD30:750", "--drive", "12:QD20:6", "--turnaround-ms",
                         "5", "--no-console", "--any-values"},
                        error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->line, (LineSettings{38400, 'E', 8, 2}));
    ASSERT_EQ(options->drives.size(), 2u);
    EXPECT_EQ(options->drives[1].address, 12);
    EXPECT_EQ(options->drives[1].series, Series::QD20);
    EXPECT_EQ(options->drives[1].rating, 6);
    EXPECT_FALSE(options->console);
    EXPECT_FALSE(options->catalogueRanges);

    const std::vector<std::vector<std::string>> refused = {
        {"--drive", "3:QD30:750"},                                       // nowhere to serve
        {"--pty", "a", "--device", "b"},                                 // two places
        {"--pty", "a", "--drive", "0:QD30:750"},                         // address 0
        {"--pty", "a", "--drive", "248:QD30:750"},                       // beyond 247
        {"--pty", "a", "--drive", "3:QD50:750"},                         // no such series
        {"--pty", "a", "--drive", "3:QD30"},                             // no rating
        {"--pty", "a", "--drive", "3:QD30:750", "--drive", "3:QD10:75"}, // address twice
        {"--pty", "a", "--parity", "X"},
        {"--pty", "a", "--baud"},
        {"--pty", "a", "--baud", "14400"},
        {"--pty", "a", "--frobnicate", "1"}};
    for (const auto& args : refused) {
        error.clear();
        EXPECT_FALSE(parseSimOptions(args, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
    // The last word on the line: a missing value only for an option that takes one.
    EXPECT_FALSE(parseSimOptions({"--pty", "a", "--seed"}, error));
    EXPECT_EQ(error, "--seed needs a value");
    EXPECT_FALSE(parseSimOptions({"--pty", "a", "--frobnicate"}, error));
    EXPECT_EQ(error, "unknown option --frobnicate");
    EXPECT_NE(simUsage().find("fault ADDR CODE"), std::string::npos);
}

TEST(SimOptions, TcpServingListensOnLoopbackUnlessAnAddressIsGiven) {
    std::string error;
    auto options = parseSimOptions({"--tcp", "5020"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->listenHost + ":" + std::to_string(options->listenPort), "127.0.0.1:5020");
    options = parseSimOptions({"--device", "modbus-tcp://0.0.0.0:502"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->listenMode, TcpServer::Mode::ModbusTcp);
    EXPECT_EQ(options->listenHost + ":" + std::to_string(options->listenPort), "0.0.0.0:502");
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--tcp", "65536"}, {"--tcp", ":502"}, {"--tcp", "1", "--pty", "a"}}) {
        EXPECT_FALSE(parseSimOptions(args, error)) << ::testing::PrintToString(args);
    }
}

TEST(SimConsole, CommandsReachTheDrivesAndTheBus) {
    BusSimulator bus;
    auto& drive = bus.addDrive(3, Series::QD30, 750);
    SimConsole console(bus);
    bool quit = false;
    const struct {
        const char* line;
        const char* answer;
    } cases[] = {{"fault 3 12", "ok\n"},
                 {"alarm 3 0x0004 0", "ok\n"},
                 {"silent 3 on", "ok\n"},
                 {"crc 3 25", "ok\n"},
                 {"late 3 40", "ok\n"},
                 {"busy 3 on", "ok\n"},
                 {"noise 10", "noise 10%\n"},
                 {"fault 4 1", "no drive at address 4\n"},
                 {"silent 3 maybe", "bad arguments for silent; type help\n"},
                 {"noise 101", "usage: noise PERCENT (0..100)\n"},
                 {"", ""}};
    for (const auto& c : cases) {
        EXPECT_EQ(console.execute(c.line, quit), c.answer) << c.line;
    }
    EXPECT_EQ(drive.faultCode(), 12);
    EXPECT_EQ(drive.holdingRegister(0x321A), 0x0004);
    EXPECT_TRUE(drive.faults().silent);
    EXPECT_DOUBLE_EQ(drive.faults().corruptCrcShare, 0.25);
    EXPECT_EQ(drive.faults().lateReplyMs, 40);
    EXPECT_TRUE(drive.faults().rejectImportWithBusy);
    EXPECT_DOUBLE_EQ(bus.faults().noiseShare, 0.10);
    EXPECT_NE(console.execute("show", quit).find("3 QD30 rating 750"), std::string::npos);
    EXPECT_FALSE(quit);
    console.execute("fault 3 0", quit);
    EXPECT_EQ(drive.faultCode(), 0);
    console.execute("quit", quit);
    EXPECT_TRUE(quit);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::sim
