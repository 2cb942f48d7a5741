// Device texts: a path, a serial device server, a Modbus TCP gateway, and
// everything an operator may mistype, refused with a message before anything opens.

#include "link/device_address.h"

#include <gtest/gtest.h>

#include "link/device_port.h"

namespace velkaro {
namespace {

struct Good {
    const char* text;
    DeviceAddress::Kind kind;
    const char* pathOrHost;
    uint16_t port;
    const char* endpoint;
};

TEST(DeviceAddress, ReadsEachKind) {
    using K = DeviceAddress::Kind;
    const Good cases[] = {
        {"/dev/ttyUSB0", K::Serial, "/dev/ttyUSB0", 0, ""},
        {"relative/pty-link", K::Serial, "relative/pty-link", 0, ""},
        {"tcp://192.168.1.20:4001", K::RawTcp, "192.168.1.20", 4001, "192.168.1.20:4001"},
        {"tcp://gateway.local:1", K::RawTcp, "gateway.local", 1, "gateway.local:1"},
        {"modbus-tcp://10.0.0.5:502", K::ModbusTcp, "10.0.0.5", 502, "10.0.0.5:502"},
        {"modbus-tcp://[::1]:65535", K::ModbusTcp, "::1", 65535, "[::1]:65535"},
    };
    for (const Good& c : cases) {
        std::string error;
        const auto a = parseDeviceAddress(c.text, error);
        ASSERT_TRUE(a) << c.text << ": " << error;
        EXPECT_EQ(a->kind, c.kind) << c.text;
        EXPECT_EQ(a->network() ? a->host : a->path, c.pathOrHost) << c.text;
        if (a->network()) {
            EXPECT_EQ(a->port, c.port) << c.text;
            EXPECT_EQ(a->endpoint(), c.endpoint) << c.text;
        }
        EXPECT_EQ(isNetworkDevice(c.text), a->network()) << c.text;
    }
}

TEST(DeviceAddress, RefusesMistakesWithAMessageAndOpensNothing) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"", "没有选择串口"},
        {"udp://10.0.0.5:502", "不认识的地址形式"},
        {"TCP://10.0.0.5:502", "不认识的地址形式"},
        {"tcp://10.0.0.5", "缺少端口号"},
        {"tcp://:502", "缺少主机名"},
        {"tcp://10.0.0.5:", "端口号应为"},
        {"tcp://10.0.0.5:50x", "端口号应为"},
        {"tcp://10.0.0.5:-1", "端口号应为"},
        {"tcp://10.0.0.5:0", "端口号 0 超出范围"},
        {"modbus-tcp://10.0.0.5:65536", "端口号 65536 超出范围"},
        {"modbus-tcp://10.0.0.5:502/unit/3", "端口号应为"},
        {"tcp://::1:502", "IPv6"},
        {"tcp://[::1]502", "IPv6"},
        {"tcp://user@host:502", "主机名有误"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parseDeviceAddress(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
        std::string opened;
        EXPECT_EQ(openPort(c.text, opened), nullptr) << c.text;
        EXPECT_EQ(opened, error) << c.text;
    }
}

} // namespace
} // namespace velkaro
