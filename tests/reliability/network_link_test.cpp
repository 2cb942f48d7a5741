// The link over real loopback TCP, on the real tick thread: velkaro-sim as a
// serial device server (tcp://) and as a Modbus TCP gateway (modbus-tcp://)
// through a search, polling, a lost connection, a refused one and a restored
// one; and a foreign Modbus TCP server reached through the adapter.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "link/comm_tick.h"
#include "link/drive_link.h"
#include "link/ports/device_port.h"
#include "support/link_harness.h"
#include "support/processes.h"
#include "support/recording_messages.h"

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::RecordingMessages;
using testing::SimProcess;

/// The station's link on a device text, run by the real tick thread.
struct NetworkStation {
    NetworkStation(const std::string& device, FrameEnd frameEnd)
        : port(device), link(port, messages), tick(link) {
        LinkSettings settings = link.settings();
        settings.frameEnd = frameEnd;
        link.setSettings(settings);
    }

    /// Lets real time pass with the 100 ms status pass of window timer 1.
    bool waitFor(const std::function<bool(const LinkSnapshot&)>& done,
                 std::chrono::milliseconds limit) {
        for (const auto deadline = Clock::now() + limit; Clock::now() < deadline;) {
            if (done(link.snapshot())) {
                return true;
            }
            link.queueStatusPolls();
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    /// Every connected drive's online flag is `online`, and it has been read since.
    bool allOnline(int32_t online) {
        const uint32_t reads = link.snapshot().statusReadCount[0];
        return waitFor(
            [&](const LinkSnapshot& s) {
                for (uint32_t i = 0; i < s.table.driveCount; ++i) {
                    if (s.table.slots[i].online != online) {
                        return false;
                    }
                }
                return s.table.driveCount > 0 && (online == 0 || s.statusReadCount[0] > reads + 2);
            },
            15s);
    }

    RecordingMessages messages;
    DevicePort port;
    DriveLink link;
    CommTick tick;
};

struct Scheme {
    const char* option;
    FrameEnd frameEnd;
};

class NetworkLinkTest : public ::testing::TestWithParam<Scheme> {};

TEST_P(NetworkLinkTest, FoundPolledLostRefusedAndRestored) {
    std::signal(SIGPIPE, SIG_IGN);
    if (::access(SimProcess::binary().c_str(), X_OK) != 0) {
        GTEST_SKIP() << "velkaro-sim not built: " << SimProcess::binary();
    }
    SimProcess sim;
    const std::vector<std::string> drives{"3:QD30:750", "5:QD10:75"};
    const std::string device = sim.startTcp(GetParam().option, "0", drives);
    ASSERT_FALSE(device.empty());
    const std::string where = device.substr(device.find("//") + 2);
    NetworkStation station(device, GetParam().frameEnd);
    ASSERT_TRUE(station.link.openLink().ok);
    ASSERT_TRUE(station.tick.start());
    // Address 4 is empty: a gateway answers 0x0B for it, which is no answer.
    const RequestId search = station.link.submit({}, Search{3, 3});
    ASSERT_TRUE(station.waitFor([](const LinkSnapshot& s) { return !s.searching; }, 10s));
    const std::vector<Outcome> ended = station.link.takeOutcomes();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].id, search);
    EXPECT_EQ(ended[0].names, (std::vector<std::string>{"3#QD30-7.50", "5#QD10-7.5"}));
    ASSERT_TRUE(station.allOnline(1));

    sim.kill(SIGKILL);
    EXPECT_TRUE(station.allOnline(0)) << "the drives drop as with a lost adapter";
    const std::string advice = "。请检查网络连接，然后在连接控制中重新应用设置。";
    EXPECT_EQ(station.messages.texts(),
              std::vector<std::string>{"与 " + where + " 的连接已断开：对方关闭了连接" + advice});

    // Applying the settings again while the server is down, then once it is back.
    ASSERT_TRUE(station.link.openLink().ok) << "the connection is made in the background";
    ASSERT_TRUE(
        station.waitFor([&](const LinkSnapshot&) { return station.messages.count() == 2; }, 5s));
    EXPECT_EQ(station.messages.texts()[1], "无法连接 " + where + "：Connection refused" + advice);
    ASSERT_EQ(sim.startTcp(GetParam().option, where, drives), device);
    ASSERT_TRUE(station.link.openLink().ok);
    EXPECT_TRUE(station.allOnline(1)) << "the drives did not come back";
    EXPECT_EQ(station.messages.count(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Schemes, NetworkLinkTest,
                         ::testing::Values(Scheme{"--tcp", FrameEnd::Completion},
                                           Scheme{"--modbus-tcp", FrameEnd::Silence}),
                         [](const auto& info) {
                             return std::string(info.param.option[2] == 't' ? "RawTcp"
                                                                            : "ModbusTcp");
                         });

// Debian's pymodbus holds registers 0x3200.. of unit 3 (value 0x100 + offset):
// another implementation's framing, reached through the adapter.
constexpr const char* kForeignServer = R"(
import sys
from pymodbus.server import StartTcpServer
from pymodbus.datastore import ModbusSequentialDataBlock, ModbusSlaveContext, ModbusServerContext
store = ModbusSlaveContext(hr=ModbusSequentialDataBlock(0x3200, [0x100 + i for i in range(32)]),
                           zero_mode=True)
StartTcpServer(context=ModbusServerContext(slaves={3: store}, single=False),
               address=("127.0.0.1", int(sys.argv[1])))
)";

TEST(ForeignModbusTcpServer, ControlAndStatusWordsReadThroughTheAdapter) {
    if (std::system("/usr/bin/python3 -c 'import pymodbus.server' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-pymodbus is not installed";
    }
    // A free port: taken by the system, then handed to the server.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(probe);
    const std::string port = std::to_string(ntohs(address.sin_port));
    const pid_t server = ::fork();
    if (server == 0) {
        ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO); // its log of closed connections
        ::execl("/usr/bin/python3", "python3", "-c", kForeignServer, port.c_str(), nullptr);
        ::_exit(127);
    }
    for (auto started = Clock::now(); Clock::now() - started < 20s;) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), size) == 0;
        ::close(fd);
        if (up) {
            break;
        }
        std::this_thread::sleep_for(50ms);
    }
    {
        NetworkStation station("modbus-tcp://127.0.0.1:" + port, FrameEnd::Completion);
        ASSERT_TRUE(station.link.openLink().ok);
        {
            // No request puts a drive into the table without identifying it,
            // which this server cannot answer: as an identification would
            // leave it, with a control read first.
            auto s = testing::LinkInspector::lock(station.link);
            testing::connectDrive(*s, 3, "QD30", "7.50");
        }
        ASSERT_TRUE(station.tick.start());
        EXPECT_TRUE(
            station.waitFor([](const LinkSnapshot& s) { return s.statusReadCount[0] >= 2; }, 10s));
        const LinkSnapshot s = station.link.snapshot();
        EXPECT_EQ(s.table.slots[0].controlAck[1], 0x101);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(s.table.slots[0].status[static_cast<std::size_t>(i)], 0x110 + i) << i;
        }
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
