#include "bus/bus_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velkaro {
namespace {

std::optional<BusOptions> parse(std::vector<std::string> args, std::string& error) {
    args.insert(args.begin(), "velkaro-bus");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    return parseBusOptions(static_cast<int>(argv.size()), argv.data(), error);
}

TEST(BusOptionsTest, ScanTakesDeviceLineAndRange) {
    std::string error;
    const auto o = parse({"scan", "--device", "/dev/ttyS0", "--baud", "38400", "--parity", "E",
                          "--data", "7", "--stop", "2", "--from", "3", "--count", "5"},
                         error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->command, BusOptions::Command::Scan);
    EXPECT_EQ(o->device, "/dev/ttyS0");
    EXPECT_EQ(o->baud, "38400");
    EXPECT_EQ(o->parity, "E");
    EXPECT_EQ(o->dataBits, "7");
    EXPECT_EQ(o->stopBits, "2");
    EXPECT_EQ(o->from, 3);
    EXPECT_EQ(o->count, 5);
}

TEST(BusOptionsTest, MonitorFindAndStatsTakeTheirOptions) {
    std::string error;
    const auto watch = parse({"watch", "--device", "p", "--stats", "--for", "2"}, error);
    ASSERT_TRUE(watch) << error;
    EXPECT_TRUE(watch->stats);
    const auto monitor =
        parse({"monitor", "--device", "p", "--baud", "19200", "--for", "2"}, error);
    ASSERT_TRUE(monitor) << error;
    EXPECT_EQ(monitor->command, BusOptions::Command::Monitor);
    EXPECT_EQ(monitor->forSeconds, 2.0);
    const auto find = parse({"find", "--device", "p", "--address", "245", "--count=3"}, error);
    ASSERT_TRUE(find) << error;
    EXPECT_EQ(find->command, BusOptions::Command::Find);
    EXPECT_EQ(find->from, 245);
    EXPECT_EQ(find->count, 3);
}

// Without --count a search goes on to 247; find tries one address per setting.
TEST(BusOptionsTest, RangeDefaultsToTheRestOfTheBus) {
    struct Case {
        std::vector<std::string> args;
        int from;
        int count;
    };
    const std::vector<Case> cases{
        {{"scan", "--device", "p"}, 1, 247},
        {{"watch", "--device", "p", "--from", "240"}, 240, 8},
        {{"monitor", "--device", "p", "--from=247", "--count", "1"}, 247, 1},
        {{"find", "--device", "p"}, 1, 1},
        {{"find", "--device", "p", "--address", "200"}, 200, 1},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto o = parse(c.args, error);
        ASSERT_TRUE(o) << ::testing::PrintToString(c.args) << error;
        EXPECT_EQ(o->from, c.from) << ::testing::PrintToString(c.args);
        EXPECT_EQ(o->count, c.count) << ::testing::PrintToString(c.args);
    }
}

TEST(BusOptionsTest, FilesAndLineOptionsOfTransfersReportsAndComparisons) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> files;
    };
    const std::vector<Case> accepted{
        {{"export", "--device", "/d", "--address", "3", "--parity", "E", "a.sav"}, {"a.sav"}},
        {{"import", "--device", "/d", "--address", "3", "--fast-replies", "a.sav"}, {"a.sav"}},
        {{"import", "a.sav", "--address", "247", "--device", "/tmp/p"}, {"a.sav"}},
        {{"report", "--device", "/d", "--address", "3", "a.csv"}, {"a.csv"}},
        {{"compare", "a.csv", "b.sav"}, {"a.csv", "b.sav"}},
        {{"compare", "--device", "/d", "--baud=19200", "--address", "3", "b.sav"}, {"b.sav"}},
    };
    for (const Case& c : accepted) {
        std::string error;
        const auto o = parse(c.args, error);
        ASSERT_TRUE(o) << ::testing::PrintToString(c.args) << error;
        EXPECT_EQ(o->files, c.files);
    }
}

// Command lines that must be refused with a reason rather than run.
TEST(BusOptionsTest, RefusesWhatItCannotRun) {
    const std::vector<std::vector<std::string>> refused = {
        {},
        {"probe", "--device", "p"},
        {"scan"},
        {"scan", "--device"},
        {"scan", "--device", "p", "--baud", "115200"},
        {"scan", "--device", "p", "--parity", "X"},
        {"scan", "--device", "p", "--data", "9"},
        {"scan", "--device", "p", "--stop", "3"},
        {"scan", "--device", "p", "--from", "0"},
        {"scan", "--device", "p", "--from", "248"},
        {"scan", "--device", "p", "--from", "3x"},
        {"scan", "--device", "p", "--count", "-1"},
        {"scan", "--device", "p", "--count", "0"},
        {"scan", "--device", "p", "--from", "240", "--count", "20"},
        {"watch", "--device", "p", "--count", "248"},
        {"scan", "--device", "p", "extra"},
        {"scan", "--device", "p", "--stats=1"},
        {"scan", "--device", "p", "--from"},
        {"scan", "--device", "p", "--for", "3"},
        {"watch", "--device", "p", "--for", "0"},
        {"watch", "--device", "p", "--for", "soon"},
        {"scan", "--device", "p", "--speed", "1"},
        {"scan", "--device", "p", "--stats"},
        {"monitor", "--device", "p", "--from", "248"},
        {"monitor", "--device", "p", "--stats"},
        {"find"},
        {"find", "--device", "p", "--address", "0"},
        {"find", "--device", "p", "--address", "248"},
        {"find", "--device", "p", "--count", "0"},
        {"find", "--device", "p", "--address", "245", "--count", "9"},
        {"find", "--device", "p", "--baud", "9600"},
        {"find", "--device", "p", "--from", "3"},
        {"find", "--device", "p", "--for", "3"},
        {"find", "--device", "tcp://127.0.0.1:4001"},
        {"find", "--device", "modbus-tcp://127.0.0.1:502"},
        {"control", "--device", "p", "run"},
        {"control", "--device", "p", "--address", "3"},
        {"control", "--device", "p", "--address", "0", "run"},
        {"control", "--device", "p", "--address", "3", "fly"},
        {"control", "--device", "p", "--address", "3", "frequency=655.36"},
        {"control", "--device", "p", "--address", "3", "frequency=-1"},
        {"control", "--device", "p", "--address", "3", "frequency=fast"},
        {"control", "--device", "p", "--address", "3", "--from", "3", "run"},
        {"read", "--device", "p", "--address", "3"},
        {"read", "--device", "p", "--address", "3", "--parameter", "F0-05", "--group", "F0"},
        {"read", "--device", "p", "--address", "3", "--parameter", "F0-05", "--count", "2"},
        {"read", "--device", "p", "--address", "3", "--register", "0x10000"},
        {"read", "--device", "p", "--address", "3", "--register", "12", "--count", "126"},
        {"read", "--device", "p", "--address", "3", "--register", "12", "--word", "1"},
        {"read", "--device", "p", "--address", "3", "run"},
        {"write", "--device", "p", "--address", "3", "--parameter", "F0-05"},
        {"write", "--device", "p", "--address", "3", "--register", "0x0103"},
        {"write", "--device", "p", "--address", "3", "--register", "0x0103", "--value", "1"},
        {"write", "--device", "p", "--address", "3", "--parameter", "F0-05", "--word", "1"},
        {"write", "--device", "p", "--address", "3", "--register", "1", "--word", "65536"},
        {"write", "--device", "p", "--address", "3", "--register", "1", "--word", "0xG"},
        {"write", "--device", "p", "--address", "3", "--parameter", "F0-05", "--value", "1",
         "--register", "1", "--word", "1"},
        {"report", "a.csv", "b.csv"},
        {"report", "--device", "/d", "a.csv"},
        {"export", "--device", "/d", "--address", "3"},
        {"import", "--device", "/d", "--address", "3", "a.sav", "b.sav"},
        {"export", "--device", "/d", "--address", "3", "--for", "2", "a.sav"},
        {"export", "--device", "/d", "--address", "3x", "a.sav"},
        {"export", "--device", "/d", "--address", "3", "--baud", "12345", "a.sav"},
        {"compare", "--device", "/d", "--address", "3", "a.csv", "b.csv"},
        {"compare", "--address", "3", "a.csv", "b.csv"},
        {"compare", "--baud", "19200", "a.csv", "b.csv"},
        {"compare", "a.csv"},
    };
    for (const auto& args : refused) {
        std::string error;
        EXPECT_FALSE(parse(args, error)) << ::testing::PrintToString(args);
        EXPECT_FALSE(error.empty()) << ::testing::PrintToString(args);
    }
}

// control, read and write: one drive, and what is asked of it.
TEST(BusOptionsTest, DriveCommandsTakeTheirRequests) {
    std::string error;
    const auto control = parse({"control", "--device", "p", "--baud", "19200", "--address", "3",
                                "run", "frequency=35.5", "forward", "store", "estop"},
                               error);
    ASSERT_TRUE(control) << error;
    EXPECT_EQ(control->address, 3);
    EXPECT_EQ(control->baud, "19200");
    const std::vector<Command> steps{Command::word(command_word::kRun), Command::frequency(3550),
                                     Command::word(command_word::kRun), Command::store(),
                                     Command::word(command_word::kEmergencyStop)};
    ASSERT_EQ(control->steps.size(), steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(control->steps[i].command, steps[i]) << control->steps[i].text;
    }
    EXPECT_EQ(parseControlStep("frequency=655.35"), Command::frequency(65535));
    EXPECT_EQ(parseControlStep("frequency=0"), Command::frequency(0));

    const auto registers = parse(
        {"read", "--device", "p", "--address", "247", "--register", "0x3210", "--count", "16"},
        error);
    ASSERT_TRUE(registers) << error;
    EXPECT_EQ(registers->registerAddress, 0x3210);
    EXPECT_EQ(registers->count, 16);
    const auto raw =
        parse({"write", "--device", "p", "--address", "4", "--register", "259", "--word", "0xFFFF"},
              error);
    ASSERT_TRUE(raw) << error;
    EXPECT_EQ(raw->registerAddress, 0x0103);
    EXPECT_EQ(raw->word, 0xFFFF);
    const auto negative =
        parse({"write", "--device", "p", "--address", "4", "--parameter", "F9-01", "--value", "-5"},
              error);
    ASSERT_TRUE(negative) << error;
    EXPECT_EQ(negative->value, "-5");
}

} // namespace
} // namespace velkaro
