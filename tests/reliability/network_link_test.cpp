// The link over real loopback TCP: velkaro-sim serving as a serial device
// server (tcp://) and as a Modbus TCP gateway (modbus-tcp://), a foreign
// Modbus TCP server, and a connection refused, lost mid-run and restored.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "link/comm_tick.h"
#include "link/device_port.h"
#include "link/drive_link.h"
#include "reliability/support/recording_messages.h"
#include "reliability/support/sim_process.h"

namespace velkaro::reliability {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// The station's link on a device text, run by the real tick thread.
struct NetworkStation {
    explicit NetworkStation(const std::string& device, FrameEnd frameEnd = FrameEnd::Silence)
        : port(device), link(port, messages), tick(link) {
        link.lock()->settings.frameEnd = frameEnd;
    }
    ~NetworkStation() { tick.stop(); }

    /// Lets real time pass with the 100 ms status pass of window timer 1.
    bool waitFor(const std::function<bool(LinkState&)>& done, std::chrono::milliseconds limit) {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            if (done(*link.lock())) {
                return true;
            }
            link.queueStatusPolls();
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    std::vector<std::string> search(int from, unsigned count) {
        {
            auto s = link.lock();
            s->searchNextAddress = from;
            s->searchRemaining = count;
        }
        waitFor(
            [](LinkState& s) {
                return s.searchRemaining == 0 && s.table.probeRecord.name.empty() &&
                       !s.servingProbe;
            },
            20s);
        auto s = link.lock();
        return {s->table.driveNames.begin(), s->table.driveNames.begin() + s->table.driveCount};
    }
    bool allOnline(int32_t online) {
        return waitFor(
            [online](LinkState& s) {
                for (uint32_t i = 0; i < s.table.driveCount; ++i) {
                    const int slot = s.table.findSlotByName(s.table.driveNames[i]);
                    if (slot < 0 ||
                        s.table.slots[static_cast<std::size_t>(slot)].online != online) {
                        return false;
                    }
                }
                return s.table.driveCount > 0;
            },
            15s);
    }
    static uint32_t statusReads(const LinkState& s) {
        uint32_t total = 0;
        for (uint32_t count : s.statusReadCount) {
            total += count;
        }
        return total;
    }

    RecordingMessages messages;
    DevicePort port;
    DriveLink link;
    CommTick tick;
};

const std::vector<std::string> kDrives{"3:QD30:750", "5:QD10:75"};

struct Scheme {
    const char* option;
    FrameEnd frameEnd;
};

class NetworkLinkTest : public ::testing::TestWithParam<Scheme> {
protected:
    void SetUp() override {
        std::signal(SIGPIPE, SIG_IGN);
        if (::access(SimProcess::binary().c_str(), X_OK) != 0) {
            GTEST_SKIP() << "velkaro-sim not built: " << SimProcess::binary();
        }
    }
    SimProcess sim;
};

TEST_P(NetworkLinkTest, DrivesAreFoundAndPolledOverLoopback) {
    const std::string device = sim.startTcp(GetParam().option, "0", kDrives);
    ASSERT_FALSE(device.empty());
    NetworkStation station(device, GetParam().frameEnd);
    ASSERT_TRUE(station.link.openLink().ok);
    ASSERT_TRUE(station.tick.start());
    // Address 4 is empty: a gateway answers 0x0B for it, which is no answer.
    EXPECT_EQ(station.search(3, 3), (std::vector<std::string>{"3#QD30-7.50", "5#QD10-7.5"}));
    const uint32_t before = NetworkStation::statusReads(*station.link.lock());
    ASSERT_TRUE(station.waitFor(
        [&](LinkState& s) { return NetworkStation::statusReads(s) >= before + 10; }, 10s));
    EXPECT_TRUE(station.allOnline(1));
    EXPECT_TRUE(station.messages.texts().empty());
}

/// Losing the connection does not depend on how frames end: one scheme each.
class ConnectionLossTest : public NetworkLinkTest {};

TEST_P(ConnectionLossTest, LostThenRefusedOneMessageEachAndReconnectedByReopening) {
    std::string device = sim.startTcp(GetParam().option, "0", kDrives);
    ASSERT_FALSE(device.empty());
    const std::string where = device.substr(device.find("//") + 2);
    NetworkStation station(device, GetParam().frameEnd);
    ASSERT_TRUE(station.link.openLink().ok);
    ASSERT_TRUE(station.tick.start());
    ASSERT_EQ(station.search(3, 1).size(), 1u);
    ASSERT_TRUE(station.allOnline(1));

    sim.kill(SIGKILL);
    EXPECT_TRUE(station.allOnline(0)) << "the drives drop as with a lost adapter";
    ASSERT_EQ(station.messages.count(), 1u);
    EXPECT_EQ(station.messages.texts()[0],
              "与 " + where +
                  " 的连接已断开：对方关闭了连接。请检查网络连接，然后在连接控制中重新应用设置。");

    // Applying the settings again while the server is still down.
    ASSERT_TRUE(station.link.openLink().ok) << "the connection is made in the background";
    ASSERT_TRUE(station.waitFor([&](LinkState&) { return station.messages.count() == 2; }, 5s));
    EXPECT_EQ(station.messages.texts()[1],
              "无法连接 " + where +
                  "：Connection refused。请检查网络连接，然后在连接控制中重新应用设置。");

    // The server is back on its port; applying the settings reconnects.
    ASSERT_EQ(sim.startTcp(GetParam().option, where, kDrives), device);
    ASSERT_TRUE(station.link.openLink().ok);
    EXPECT_TRUE(station.allOnline(1)) << "the drive did not come back";
    EXPECT_EQ(station.messages.count(), 2u);
}

std::string schemeName(const ::testing::TestParamInfo<Scheme>& info) {
    return std::string(info.param.option[2] == 't' ? "RawTcp" : "ModbusTcp") +
           (info.param.frameEnd == FrameEnd::Completion ? "Fast" : "");
}

INSTANTIATE_TEST_SUITE_P(Schemes, NetworkLinkTest,
                         ::testing::Values(Scheme{"--tcp", FrameEnd::Silence},
                                           Scheme{"--tcp", FrameEnd::Completion},
                                           Scheme{"--modbus-tcp", FrameEnd::Silence},
                                           Scheme{"--modbus-tcp", FrameEnd::Completion}),
                         schemeName);
INSTANTIATE_TEST_SUITE_P(Schemes, ConnectionLossTest,
                         ::testing::Values(Scheme{"--tcp", FrameEnd::Completion},
                                           Scheme{"--modbus-tcp", FrameEnd::Silence}),
                         schemeName);

/// A free loopback port, for a server that cannot tell which one it took.
uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

bool accepting(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

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

TEST(ForeignModbusTcpServer, StatusAndControlWordsReadThroughTheAdapter) {
    if (std::system("/usr/bin/python3 -c 'import pymodbus.server' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-pymodbus is not installed";
    }
    char folder[] = "/tmp/velkaro-foreign.XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string script = std::string(folder) + "/server.py";
    std::ofstream(script) << kForeignServer;
    const uint16_t port = freePort();
    const pid_t server = ::fork();
    if (server == 0) {
        const std::string portText = std::to_string(port);
        ::execl("/usr/bin/python3", "python3", script.c_str(), portText.c_str(), nullptr);
        ::_exit(127);
    }
    const auto started = Clock::now();
    while (!accepting(port) && Clock::now() - started < 20s) {
        std::this_thread::sleep_for(50ms);
    }
    {
        NetworkStation station("modbus-tcp://127.0.0.1:" + std::to_string(port),
                               FrameEnd::Completion);
        ASSERT_TRUE(station.link.openLink().ok);
        {
            // As an identification would leave it: a control read first.
            auto s = station.link.lock();
            DriveRecord& probe = s->table.probeRecord;
            probe = DriveRecord{};
            probe.address = "3";
            probe.series = "QD30";
            probe.ratedPower = "7.50";
            probe.name = "3#QD30-7.50";
            s->table.commitProbe();
        }
        ASSERT_TRUE(station.tick.start());
        EXPECT_TRUE(station.waitFor([](LinkState& s) { return s.statusReadCount[0] >= 2; }, 10s));
        auto s = station.link.lock();
        EXPECT_EQ(s->table.slots[0].online, 1);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(s->table.slots[0].status[static_cast<std::size_t>(i)], 0x110 + i) << i;
        }
        EXPECT_EQ(s->table.slots[0].controlAck[1], 0x101);
    }
    ::kill(server, SIGTERM);
    ::waitpid(server, nullptr, 0);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace
} // namespace velkaro::reliability
