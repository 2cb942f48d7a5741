// Device texts: a path, a serial device server, a Modbus TCP gateway, and
// what an operator may mistype, refused with a message before anything opens.

#include "link/ports/device_address.h"

#include <gtest/gtest.h>

#include "link/ports/device_port.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

TEST(DeviceAddress, ReadsEachKindAndRefusesMistakesBeforeAnythingOpens) {
    const struct {
        const char* text;
        const char* read; ///< kind and endpoint or path as read, or what the refusal says
    } cases[] = {
        {"/dev/ttyUSB0", "serial /dev/ttyUSB0"},
        {"tcp://192.168.1.20:4001", "raw 192.168.1.20:4001"},
        {"modbus-tcp://[::1]:65535", "modbus ::1 [::1]:65535"},
        {"", "没有选择串口"},
        {"udp://10.0.0.5:502", "不认识的地址形式"},
        {"tcp://10.0.0.5", "缺少端口号"},
        {"tcp://:502", "缺少主机名"},
        {"tcp://user@host:502", "主机名有误"},
        {"tcp://10.0.0.5:", "端口号应为"},
        {"modbus-tcp://10.0.0.5:502/unit/3", "端口号应为"},
        {"tcp://10.0.0.5:0", "端口号 0 超出范围"},
        {"modbus-tcp://10.0.0.5:65536", "端口号 65536 超出范围"},
        {"tcp://::1:502", "IPv6"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto a = parseDeviceAddress(c.text, error);
        if (!a) {
            EXPECT_NE(error.find(c.read), std::string::npos) << c.text << ": " << error;
            std::string opened;
            EXPECT_EQ(openPort(c.text, opened), nullptr) << c.text;
            EXPECT_EQ(opened, error) << c.text;
            continue;
        }
        const std::string read =
            a->kind == DeviceAddress::Kind::Serial
                ? "serial " + a->path
                : (a->kind == DeviceAddress::Kind::RawTcp ? "raw " : "modbus " + a->host + " ") +
                      a->endpoint();
        EXPECT_EQ(read, c.read) << c.text;
        EXPECT_EQ(isNetworkDevice(c.text), a->network()) << c.text;
    }
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
