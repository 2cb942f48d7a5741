// `velkaro-bus scan`, `watch`, `monitor`, `report` and `compare` as programs, against
// `velkaro-sim` serving a pty with a drive of each series: the real tick
// thread and the POSIX port.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include <soci/soci.h>

#include "records/action_table.h"
#include "records/data_source.h"
#include "support/processes.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

namespace fs = std::filesystem;

/// Runs `command` through the shell with a hard time limit; stdout only.
testing::CommandResult runProgram(const std::string& command) {
    return testing::runCommand("timeout 120 " + command + " 2>/dev/null");
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) {
        out.push_back(f);
    }
    return out;
}

// Each console program in the language asked for, by --language or by the
// locale (--language winning), and a wrong choice told in the locale's.
TEST(ConsoleLanguageTest, ProgramsSpeakTheLanguageAskedFor) {
#ifndef VELKARO_WITH_TRANSLATIONS
    GTEST_SKIP() << "built without Qt: the tools have only the designed Chinese";
#endif
    struct Case {
        std::string program; // under the build folder
        std::string environment;
        std::string arguments;
        int exitCode;
        std::string expected; // in standard output and error together
    };
    const Case cases[] = {
        {"src/bus/velkaro-bus", "", "--language en --help", 0, "Usage:\n  velkaro-bus scan    "},
        {"src/bus/velkaro-bus", "", "--help --language=en", 0,
         "  --language zh|en        display language: zh Chinese, en English"},
        {"src/bus/velkaro-bus", "", "scan --language en", 2,
         "velkaro-bus: Missing --device device\nSee velkaro-bus --help for the usage.\n"},
        {"src/bus/velkaro-bus", "LANG=en_US.UTF-8", "frobnicate", 2,
         "velkaro-bus: Unknown command: frobnicate\n"},
        {"src/bus/velkaro-bus", "LANG=en_US.UTF-8", "scan --device x --baud 7 --language zh", 2,
         "velkaro-bus: 波特率只能是 38400、19200、9600、4800、2400 或 1200：7\n"},
        {"src/bus/velkaro-bus", "", "--help", 0, "用法：\n  velkaro-bus scan    "},
        {"src/bus/velkaro-bus", "LANG=en_US.UTF-8", "--language fr scan", 2,
         "velkaro-bus: --language takes zh or en only: fr\n"},
        {"src/bus/velkaro-bus", "", "scan --language", 2,
         "velkaro-bus: --language 缺少取值（zh 或 en）\n"},
        // The link's and the broker's texts, shared with the station.
        {"src/bus/velkaro-bus", "", "--language en scan --device /nonexistent/tty --count 1", 1,
         "velkaro-bus: Cannot open serial port /nonexistent/tty: "},
        {"src/bus/velkaro-bus", "", "--language en log --device x --mqtt http://broker", 2,
         "velkaro-bus: The MQTT broker address must be mqtt://HOST[:PORT] or "
         "mqtts://HOST[:PORT]: http://broker\n"},
        {"src/bus/velkaro-bus", "", "scan --device tcp://host --count 1", 1,
         "velkaro-bus: 无法打开 tcp://host：缺少端口号（应为 主机:端口）\n"},
        {"src/bus/velkaro-bus", "", "--language en scan --device tcp://host --count 1", 1,
         "velkaro-bus: Cannot open tcp://host: Missing port number (HOST:PORT)\n"},
        {"src/bus/velkaro-bus", "", "--language en compare /nonexistent/a.sav /nonexistent/b.sav",
         2, "Cannot open file “/nonexistent/"},
        {"src/records/velkaro-records", "", "--language en --help", 0,
         "Usage:\n  velkaro-records export"},
        {"src/records/velkaro-records", "LC_ALL=en_US.UTF-8", "export --hours 2", 2,
         "velkaro-records: Missing the name of the CSV file to export to\n"
         "See velkaro-records --help for the usage.\n"},
        {"src/records/velkaro-records", "", "--language en --version", 0, "velkaro-records "},
        {"src/records/velkaro-records", "", "export --hours 2", 2,
         "velkaro-records: 缺少导出的 CSV 文件名\n"},
        {"src/sim/velkaro-sim", "", "--language en --help", 0, "  --language zh|en  "},
        {"src/sim/velkaro-sim", "", "--language xx --help", 2, "velkaro-sim: --language "},
    };
    for (const Case& c : cases) {
        const std::string program = testing::binaryDir() + "/" + c.program;
        if (!fs::exists(program)) {
            ADD_FAILURE() << program << " is not built";
            continue;
        }
        const testing::CommandResult run = testing::runCommand(
            "env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG=C.UTF-8 " + c.environment +
            " timeout 60 " + program + " " + c.arguments + " 2>&1");
        EXPECT_EQ(run.exitCode, c.exitCode) << c.program << " " << c.arguments;
        EXPECT_NE(run.output.find(c.expected), std::string::npos)
            << c.environment << " " << c.program << " " << c.arguments << "\n"
            << run.output;
    }
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
    testing::CommandResult runBus(const std::string& args) const { return runProgram(bus(args)); }
    std::string path(const std::string& name) const { return m_folder.file(name); }
    std::string at(int address) const {
        return "--device " + m_pty + " --address " + std::to_string(address) + " ";
    }

    testing::TempDir m_folder;
    testing::SimProcess m_sim;
    std::string m_pty;
    std::string m_bus;
};

TEST_F(VelkaroBusPtyTest, ScanPrintsOneNamePerDriveFound) {
    const testing::CommandResult run =
        runProgram(bus("scan --device " + m_pty + " --from 1 --count 7"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(
        testing::linesOf(run.output),
        (std::vector<std::string>{"2#QD10-7.5", "3#QD30-7.50", "5#QD20-11.00", "6#QD40-18.50"}));
}

TEST_F(VelkaroBusPtyTest, FastRepliesFindTheSameDrives) {
    const testing::CommandResult run =
        runProgram(bus("scan --fast-replies --device " + m_pty + " --from 1 --count 7"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(
        testing::linesOf(run.output),
        (std::vector<std::string>{"2#QD10-7.5", "3#QD30-7.50", "5#QD20-11.00", "6#QD40-18.50"}));
}

TEST_F(VelkaroBusPtyTest, AdapterLostDuringTheScanIsAFailure) {
    // Address 1 is empty: its echo tests are still running when the far end goes.
    std::thread pull([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        m_sim.kill(SIGKILL);
    });
    const testing::CommandResult run =
        runProgram(bus("scan --device " + m_pty + " --from 1 --count 3"));
    pull.join();
    EXPECT_EQ(run.exitCode, 1);
}

TEST_F(VelkaroBusPtyTest, ScanWhereNothingAnswersFailsAndNamesTheNextStep) {
    const testing::CommandResult run =
        testing::runCommand("timeout 60 " + bus("scan --device " + m_pty + " --from 10 --count 1") +
                            " 2>" + path("errors"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.empty()) << run.output;
    EXPECT_EQ(testing::linesOf(testing::fileText(path("errors"))),
              (std::vector<std::string>{
                  "velkaro-bus: 在 9600 N 8 1 下，地址 10..10 上没有变频器应答",
                  "不清楚线路设置时，可用 velkaro-bus find --device " + m_pty + " 检测"}));
}

// Ctrl-C or SIGTERM in a search of 60 addresses, long after the last drive
// (each empty address costs 0.8 s): the drives found so far, at once.
TEST_F(VelkaroBusPtyTest, InterruptedSearchEndsWithinASecondWithWhatItFound) {
    const std::vector<std::string> all{"2#QD10-7.5", "3#QD30-7.50", "5#QD20-11.00", "6#QD40-18.50"};
    struct Case {
        std::string command;
        std::string signal;
        int exitCode;
    };
    const Case cases[] = {{"scan", "INT", 130}, {"monitor", "TERM", 143}};
    for (const Case& c : cases) {
        // The search of sixty addresses takes far longer than the signal
        // waits. On a loaded machine (a sanitizer build, tests beside it) the
        // first drives may take longer to answer: a scan that found none by
        // the signal is tried once more, waiting longer.
        testing::CommandResult run;
        for (const double signalAfter : {10.0, 25.0}) {
            const auto start = std::chrono::steady_clock::now();
            run = testing::runCommand(
                "timeout --preserve-status -s " + c.signal + " " + std::to_string(signalAfter) +
                " " + bus(c.command + " --device " + m_pty + " --from 1 --count 60") + " 2>" +
                path("errors"));
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_EQ(run.exitCode, c.exitCode) << c.command;
            EXPECT_LT(seconds, signalAfter + 1.0) << c.command;
            if (c.command != "scan" || !run.output.empty()) {
                break;
            }
        }
        if (c.command == "scan") {
            const std::vector<std::string> found = testing::linesOf(run.output);
            ASSERT_FALSE(found.empty()) << testing::fileText(path("errors"));
            ASSERT_LE(found.size(), all.size());
            EXPECT_TRUE(std::equal(found.begin(), found.end(), all.begin())) << run.output;
        } else {
            EXPECT_NE(run.output.find("\tRX\t02 03 "), std::string::npos) << run.output;
        }
        // Standard output is no terminal here: no progress line.
        EXPECT_EQ(testing::fileText(path("errors")).find("搜寻地址"), std::string::npos);
    }
}

// On a terminal a search of more than eight addresses shows where it is.
TEST_F(VelkaroBusPtyTest, SearchShowsItsProgressOnATerminal) {
    if (testing::runCommand("command -v script").exitCode != 0) {
        GTEST_SKIP() << "script (bsdutils) is not installed";
    }
    const testing::CommandResult run =
        testing::runCommand("timeout 60 script -qec '" +
                            bus("scan --device " + m_pty + " --from 1 --count 9") + "' /dev/null");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("搜寻地址 1（1/9），已找到 0 台"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("搜寻地址 9（9/9），已找到 4 台"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\r\033[K2#QD10-7.5"), std::string::npos)
        << "the progress line is cleared before the names";
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
    for (const std::string& line : testing::linesOf(run.output)) {
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

TEST_F(VelkaroBusPtyTest, ReportAndCompareAgainstTheDriveItsBackupAndEachOther) {
    ASSERT_EQ(runBus("report " + at(3) + path("qd30.csv")).exitCode, 0);
    ASSERT_EQ(runBus("report " + at(2) + path("qd10.csv")).exitCode, 0);
    ASSERT_EQ(runBus("export " + at(3) + path("qd30.sav")).exitCode, 0);

    const testing::CommandResult sameBackup = runBus("compare " + at(3) + path("qd30.sav"));
    EXPECT_EQ(sameBackup.exitCode, 0);
    EXPECT_EQ(sameBackup.output, "0 differ, 633 equal\n");

    // Two values changed in a copy of the report, as an editor would.
    std::ifstream in(path("qd30.csv"), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text = std::regex_replace(text, std::regex("\nF0,F0-00,数字给定频率,[0-9.]+,"),
                              "\nF0,F0-00,数字给定频率,45.50,");
    text = std::regex_replace(text, std::regex("\nF0,F0-09,加速时间1,[0-9.]+,"),
                              "\nF0,F0-09,加速时间1,12.5,");
    std::ofstream(path("edited.csv"), std::ios::binary) << text;
    const testing::CommandResult twoFiles =
        runBus("compare " + path("qd30.csv") + " " + path("edited.csv"));
    EXPECT_EQ(twoFiles.exitCode, 1);
    EXPECT_EQ(twoFiles.output, "F0-00\t数字给定频率\t50.00Hz\t45.50Hz\n"
                               "F0-09\t加速时间1\t0.1s\t12.5s\n"
                               "2 differ, 810 equal\n");

    // Another series: refused, nothing compared.
    EXPECT_EQ(runBus("compare " + path("qd10.csv") + " " + path("qd30.sav")).exitCode, 2);
    const testing::CommandResult wrongDrive = runBus("compare " + at(2) + path("qd30.csv"));
    EXPECT_EQ(wrongDrive.exitCode, 2);
    EXPECT_TRUE(wrongDrive.output.empty());

    // A file that cannot be read is told with the system's reason, not called empty.
    const testing::CommandResult unreadable = testing::runCommand(
        "timeout 60 " + bus("compare " + path("qd30.csv") + " " + m_folder.path().string()) +
        " 2>&1");
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_EQ(unreadable.output,
              "无法打开文件“" + m_folder.path().string() + "”：" + std::strerror(EISDIR) + "\n");
}

TEST_F(VelkaroBusPtyTest, NothingIsWrittenWhenNoDriveAnswers) {
    EXPECT_EQ(runBus("report " + at(9) + path("none.csv")).exitCode, 1);
    EXPECT_FALSE(fs::exists(path("none.csv")));
    EXPECT_EQ(runBus("compare " + at(9) + path("none.csv")).exitCode, 2);
}

// What is stored keeps the designed texts whatever the operator reads: a
// backup taken in English is the one taken in Chinese, byte for byte, and a
// report keeps its Chinese names; the operator's messages follow the language.
TEST_F(VelkaroBusPtyTest, StoredFilesDoNotFollowTheLanguage) {
    ASSERT_EQ(runBus("export --language zh " + at(3) + path("zh.sav")).exitCode, 0);
    ASSERT_EQ(runBus("--language en export " + at(3) + path("en.sav")).exitCode, 0);
    EXPECT_EQ(testing::fileText(path("en.sav")), testing::fileText(path("zh.sav")));
    ASSERT_EQ(runBus("report --language=en " + at(3) + path("en.csv")).exitCode, 0);
    EXPECT_NE(testing::fileText(path("en.csv")).find("\nF0,F0-00,数字给定频率,"),
              std::string::npos);

#ifdef VELKARO_WITH_TRANSLATIONS
    // A file that is no report, told in English; its expected head stays Chinese.
    std::ofstream(path("bad.csv")) << "x\n";
    const testing::CommandResult notReport = testing::runCommand(
        "timeout 60 " + bus("--language en compare " + path("bad.csv") + " " + path("zh.sav")) +
        " 2>&1");
    EXPECT_EQ(notReport.exitCode, 2);
    EXPECT_EQ(notReport.output, "Parameter report “" + path("bad.csv") +
                                    "”, line 1: expected “变频器名称,…”: this is not the header "
                                    "of a parameter report.\n");

    const testing::CommandResult nothing = testing::runCommand(
        "timeout 60 " + bus("scan --language en --device " + m_pty + " --from 10 --count 1") +
        " 2>" + path("errors"));
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(testing::linesOf(testing::fileText(path("errors"))),
              (std::vector<std::string>{
                  "velkaro-bus: At 9600 N 8 1, addresses 10..10: no drive answered",
                  "If the line settings are not known, run velkaro-bus find --device " + m_pty +
                      " to detect them"}));
#endif
}

/// control, read and write against drives that refuse chosen writes: QD30s at
/// 3 (the EEPROM store, with 04) and 4 (register 0x0103, with 03), a QD10 at 2
/// (its control block, with 01).
class DriveCommandPtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_bus = testing::binaryDir() + "/src/bus/velkaro-bus";
        if (!fs::exists(testing::SimProcess::binary()) || !fs::exists(m_bus)) {
            GTEST_SKIP() << "velkaro-sim or velkaro-bus is not built";
        }
        m_pty = m_folder.file("bus");
        m_sim.setOptions(
            {"--refuse", "3:store:4", "--refuse", "4:0x0103:3", "--refuse", "2:control:1"});
        ASSERT_TRUE(m_sim.start(m_pty, {"3:QD30:750", "4:QD30:750", "2:QD10:75"}))
            << "velkaro-sim made no pty";
    }
    /// `velkaro-bus COMMAND --device PTY ARGS`; standard error in errors().
    testing::CommandResult runBus(const std::string& command, const std::string& args) const {
        return testing::runCommand("timeout 60 " + m_bus + " " + command + " --device " + m_pty +
                                   " " + args + " 2>" + m_folder.file("errors"));
    }
    std::string errors() const { return testing::fileText(m_folder.file("errors")); }

    struct Case {
        std::string args;
        int exitCode;
        std::vector<std::string> lines; ///< standard output
    };
    void expectCases(const std::string& command, const std::vector<Case>& cases) const {
        for (const Case& c : cases) {
            const testing::CommandResult run = runBus(command, c.args);
            EXPECT_EQ(run.exitCode, c.exitCode) << command << " " << c.args << "\n" << errors();
            EXPECT_EQ(testing::linesOf(run.output), c.lines) << command << " " << c.args;
        }
    }

    testing::TempDir m_folder;
    testing::SimProcess m_sim;
    std::string m_pty;
    std::string m_bus;
};

TEST_F(DriveCommandPtyTest, ControlServesEachCommandInTurnAndTellsEachOutcome) {
    expectCases("control", {
                               {"--address 4 run frequency=35.5 stop",
                                0,
                                {"运行\t已确认", "给定频率 35.50Hz\t已确认", "停机\t已确认"}},
                               // A refused store is final and holds nothing back.
                               {"--address 3 store estop",
                                1,
                                {"存储到EEPROM\t被拒绝：从站设备故障 (04)", "紧急停机\t已确认"}},
                               // A refused command goes three times, then its refusal is told.
                               {"--address 2 frequency=20 estop",
                                1,
                                {"给定频率 20.00Hz\t被拒绝：非法功能 (01)",
                                 "紧急停机\t被拒绝：非法功能 (01)"}},
                               {"--address 9 run", 1, {}},
                           });
    const testing::CommandResult refused = runBus("control", "--address 3 store");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(errors(), "变频器 3#QD30-7.50 拒绝了命令：存储到EEPROM（异常 04 从站设备故障）。\n");
    runBus("control", "--address 2 reset");
    EXPECT_EQ(errors(), "变频器 2#QD10-7.5 连续三次拒绝了命令：故障复位（异常 01 非法功能）。\n");
    // What the drive holds now: the last command word and the frequency.
    expectCases("read", {{"--address 4 --register 0x3200 --count 2",
                          0,
                          {"0x3200\t0x001E\t30", "0x3201\t0x0DDE\t3550"}}});
    const testing::CommandResult noPort = testing::runCommand(
        m_bus + " control --device " + m_folder.file("none") + " --address 3 run 2>/dev/null");
    EXPECT_EQ(noPort.exitCode, 2);
}

/// Points the account's data sources, data and settings at a folder of the
/// test while it lives (the programs it starts inherit it).
class PrivateAccount {
public:
    explicit PrivateAccount(const fs::path& folder) {
        for (const auto& [name, sub] : {std::pair{"ODBCINI", "odbc.ini"},
                                        {"XDG_DATA_HOME", "data"},
                                        {"XDG_CONFIG_HOME", "config"}}) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name, (folder / sub).c_str(), 1);
        }
    }
    ~PrivateAccount() {
        for (const auto& [name, old] : m_saved) {
            old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// What the console changes in a drive is logged as the station's own
// actions are, with how each request ended; reads leave nothing.
TEST_F(DriveCommandPtyTest, ControlAndWriteLeaveARowPerRequestInTheActionLog) {
    const PrivateAccount account(m_folder.path());
    ASSERT_TRUE(registerDataSourceFor("测试站").ok);
    // Two of the operator's requests in English: the rows keep the Chinese,
    // so that stations in either language share one action log.
    EXPECT_EQ(runBus("control", "--language en --address 4 run stop").output,
              "Run\tConfirmed\nStop\tConfirmed\n");
    runBus("control", "--address 3 store");
    EXPECT_EQ(runBus("write", "--address 4 --register 0x0103 --word 5 --language en").output,
              "0x0103 = 0x0005\tRefused: Illegal data value (03)\n");
    // The parameter's name from the catalogue's English column.
    const std::string read = runBus("read", "--address 4 --parameter F0-00 --language en").output;
    EXPECT_EQ(read.rfind("F0-00\t", 0), 0U) << read;
    EXPECT_TRUE(std::all_of(read.begin(), read.end(), [](unsigned char c) { return c < 0x80; }))
        << read;
    // The station's own refusal, told in English; the row keeps its reason in Chinese.
    ASSERT_EQ(runBus("export", "--address 3 " + m_folder.file("qd30.sav")).exitCode, 0);
    EXPECT_NE(runBus("import", "--language en --address 2 " + m_folder.file("qd30.sav")).exitCode,
              0);
    EXPECT_EQ(errors(), "Sorry, this drive series does not support this function.\n");

    const auto session = openRecordSession(std::string(kRunRecordConnect));
    ActionQuery query;
    query.upTo = localTimeOf(std::time(nullptr) + 60);
    std::vector<std::string> rows;
    for (const ActionRecord& row : readActions(*session, query)) {
        rows.push_back(row.drive + '|' + row.action + '|' + row.newValue + '|' + row.result);
    }
    EXPECT_EQ(rows,
              (std::vector<std::string>{"4#QD30-7.50|运行||已确认", "4#QD30-7.50|停机||已确认",
                                        "3#QD30-7.50|存储EEPROM||被拒绝：从站设备故障",
                                        "4#QD30-7.50|参数修改 0x0103|5|被拒绝：非法数据值",
                                        "3#QD30-7.50|参数导出|qd30.sav|已确认",
                                        "2#QD10-7.5|参数导入|qd30.sav|"
                                        "被拒绝：对不起！该系列变频器不支持该功能"}));
}

TEST_F(DriveCommandPtyTest, ReadGivesValuesByCodeNameAndUnitOrRawWords) {
    expectCases("read",
                {
                    {"--address 3 --parameter F0-00", 0, {"F0-00\t数字给定频率\t50.00Hz"}},
                    {"--address 3 --parameter f0-09", 0, {"F0-09\t加速时间1\t0.1s"}},
                    {"--address 3 --register 0x2000", 1, {"0x2000 ×1\t被拒绝：非法数据地址 (02)"}},
                    {"--address 3 --parameter Pr00", 2, {}},
                    {"--address 3 --group F99", 2, {}},
                    {"--address 9 --parameter F0-00", 1, {}},
                });
    // A whole group: one line per parameter the station lists.
    const testing::CommandResult group = runBus("read", "--address 2 --group Pr");
    EXPECT_EQ(group.exitCode, 0);
    const std::vector<std::string> lines = testing::linesOf(group.output);
    ASSERT_EQ(lines.size(), 88u);
    EXPECT_EQ(lines[0].rfind("Pr00\t数字给定频率\t", 0), 0u) << lines[0];
    EXPECT_EQ(lines[87].rfind("Pr87\t", 0), 0u) << lines[87];
}

TEST_F(DriveCommandPtyTest, WriteKeepsToTheRegisterAndTellsARefusalByItsName) {
    expectCases("write",
                {
                    {"--address 3 --parameter F0-09 --value 12.5", 0, {"F0-09 = 12.5s\t已确认"}},
                    // Beyond the parameter's register, or not a number: nothing is sent.
                    {"--address 3 --parameter F0-00 --value 700", 2, {}},
                    {"--address 3 --parameter F0-00 --value -1", 2, {}},
                    {"--address 3 --parameter F0-00 --value 4e1", 2, {}},
                    // Within the register, outside what the drive takes.
                    {"--address 3 --parameter F0-01 --value 12",
                     1,
                     {"F0-01 = 12\t被拒绝：非法数据值 (03)"}},
                    {"--address 4 --register 0x0103 --word 5",
                     1,
                     {"0x0103 = 0x0005\t被拒绝：非法数据值 (03)"}},
                    {"--address 4 --register 0x0104 --word 0x0005", 0, {"0x0104 = 0x0005\t已确认"}},
                });
    EXPECT_EQ(errors(), "");
    expectCases("read", {
                            {"--address 3 --parameter F0-09", 0, {"F0-09\t加速时间1\t12.5s"}},
                            {"--address 3 --parameter F0-00", 0, {"F0-00\t数字给定频率\t50.00Hz"}},
                            {"--address 4 --register 0x0103 --count 2",
                             0,
                             {"0x0103\t0x0001\t1", "0x0104\t0x0005\t5"}},
                        });
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
