#include "bus/bus_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim/sim_options.h"
#include "support/processes.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

std::optional<BusOptions> parse(std::vector<std::string> args, std::string& error) {
    args.insert(args.begin(), "velkaro-bus");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    return parseBusOptions(static_cast<int>(argv.size()), argv.data(), error);
}

/// A manual page as it reads: roff's minus signs as minus signs, no font changes.
std::string manText(std::string page) {
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    return std::regex_replace(page, std::regex(R"(\\f[BIRP])"), "");
}

std::string withoutBlanks(std::string text) {
    std::erase(text, ' ');
    std::erase(text, '.');
    return text;
}

std::set<std::string> matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (auto m = std::sregex_iterator(text.begin(), text.end(), pattern);
         m != std::sregex_iterator(); ++m) {
        for (std::size_t g = 1; g < m->size(); ++g) {
            if ((*m)[g].matched) {
                found.insert((*m)[g].str());
            }
        }
    }
    return found;
}

/// Every "--option" a text names.
std::set<std::string> optionsIn(const std::string& text) {
    return matches(text, std::regex(R"((--[a-z][a-z0-9-]*))"));
}

/// The subcommands after the program's name: "velkaro-bus scan", "velkaro-bus export|import".
std::set<std::string> subcommandsIn(const std::string& text, const std::string& program) {
    std::set<std::string> found;
    const std::regex usage("(?:^|\\s)" + program + R"( ([a-z]+(?:\|[a-z]+)*)(?:\s|$))");
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        for (const std::string& words : matches(line, usage)) {
            std::istringstream alternatives(words);
            for (std::string word; std::getline(alternatives, word, '|');) {
                found.insert(word);
            }
        }
    }
    return found;
}

/// What --help describes: the words at the start of its paragraphs ("scan    搜寻...",
/// "  fault ADDR CODE  ..."), from the line holding `from` on.
std::set<std::string> helpEntries(const std::string& help, const std::string& from) {
    std::set<std::string> found;
    std::istringstream lines(help.substr(from.empty() ? 0 : help.find(from)));
    const std::regex entry(R"(^(?:  )?([a-z]+) )");
    for (std::string line; std::getline(lines, line);) {
        const std::set<std::string> words = matches(line, entry);
        found.insert(words.begin(), words.end());
    }
    return found;
}

/// What a manual page describes: its tagged paragraphs and subsections named by a word.
std::set<std::string> manEntries(const std::string& page) {
    return matches(page, std::regex(R"(\.TP\n\.BI? ([a-z]+)(?:\n| )|\.SS ([a-z]+)\n)"));
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

// ------------------------------------------- the help and the manual pages

/// The options the parser gives each command are the ones its usage line
/// names ([线路选项] standing for the line options).
TEST(BusOptionsTest, EachUsageLineNamesTheOptionsItsCommandTakes) {
    for (const BusCommandEntry& c : busCommandTable()) {
        const std::string synopsis = std::string(c.synopsis) + ' ' + std::string(c.otherForm);
        std::set<std::string> named = optionsIn(synopsis);
        if (synopsis.find("[线路选项]") != std::string::npos) {
            named.insert({"--baud", "--parity", "--data", "--stop", "--fast-replies"});
        }
        std::set<std::string> taken;
        for (const BusOptionEntry& o : busOptionTable()) {
            if ((o.commands & commandBit(c.command)) != 0) {
                taken.insert(std::string(o.name));
            }
        }
        EXPECT_EQ(named, taken) << c.name;
    }
}

/// A program's --help and its manual page name the same subcommands, console
/// commands and options, and both describe each subcommand; every page has
/// its exit status and names the other programs.
TEST(ManualPagesTest, HelpAndManualPageNameTheSameCommandsAndOptions) {
    struct Program {
        std::string name;
        std::string help;         ///< empty: the program is not built here
        std::string entriesAfter; ///< where the help's described entries start
    };
    const auto helpOf = [](const std::string& path) {
        const std::string program = testing::binaryDir() + path;
        return std::filesystem::exists(program)
                   ? testing::runCommand(program + " --help 2>&1").output
                   : std::string();
    };
    const Program programs[] = {
        {"velkaro-bus", busUsage(), ""},
        {"velkaro-sim", sim::simUsage(), "Commands on standard input"},
        {"velkaro-records", helpOf("/src/records/velkaro-records"), ""},
        {"velkaro", helpOf("/src/app/velkaro"), ""},
    };
    for (const Program& p : programs) {
        const std::string page =
            manText(testing::fileText(testing::sourceDir() + "/packaging/man/" + p.name + ".1"));
        ASSERT_FALSE(page.empty()) << p.name;
        EXPECT_NE(page.find("\n.SH EXIT STATUS\n"), std::string::npos) << p.name;
        const std::string seeAlso = page.substr(page.find("\n.SH SEE ALSO\n"));
        for (const Program& other : programs) {
            if (other.name != p.name) {
                EXPECT_NE(seeAlso.find(".BR " + other.name + " (1)"), std::string::npos)
                    << p.name << " names " << other.name;
            }
        }
        if (p.help.empty()) {
            continue; // the window layer is not built
        }
        EXPECT_EQ(optionsIn(p.help), optionsIn(page)) << p.name;
        const std::set<std::string> subcommands = subcommandsIn(p.help, p.name);
        EXPECT_EQ(subcommands, subcommandsIn(page, p.name)) << p.name;
        const std::set<std::string> described = helpEntries(p.help, p.entriesAfter);
        EXPECT_EQ(described, manEntries(page)) << p.name;
        for (const std::string& s : subcommands) {
            EXPECT_TRUE(described.contains(s)) << p.name << " " << s;
        }
    }
    EXPECT_TRUE(subcommandsIn(busUsage(), "velkaro-bus").contains("compare"));
}

/// Every entry of the station's menus is in its manual page.
TEST(ManualPagesTest, StationPageHasEveryMenuEntry) {
    const std::string source = testing::fileText(testing::sourceDir() + "/src/app/main_window.cpp");
    const std::size_t begin = source.find("void MainWindow::createMenu()");
    ASSERT_NE(begin, std::string::npos);
    const std::string menus = source.substr(begin, source.find("\n}\n", begin) - begin);
    const std::string page = withoutBlanks(
        manText(testing::fileText(testing::sourceDir() + "/packaging/man/velkaro.1")));
    // The captions are the designed Chinese, through tr() for the English station.
    const std::regex caption(R"re(\b(?:QStringLiteral|tr)\("([^"]+)"\))re");
    int entries = 0;
    for (auto m = std::sregex_iterator(menus.begin(), menus.end(), caption);
         m != std::sregex_iterator(); ++m, ++entries) {
        const std::string entry = withoutBlanks((*m)[1].str());
        EXPECT_NE(page.find(entry), std::string::npos) << entry;
    }
    EXPECT_GE(entries, 20);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
