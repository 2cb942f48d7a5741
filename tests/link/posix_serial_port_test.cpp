#include "link/ports/posix_serial_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "link/ports/device_port.h"
#include "link/ports/link_settings.h"

using namespace velkaro;

namespace {
namespace VELKARO_UNITY_ID {

// A pty pair: the test plays the bus on the master, the port opens the slave.
struct PtyPair {
    int master = -1;
    int slave = -1;
    std::string path;
    PtyPair() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = name;
            ::fcntl(master, F_SETFL, O_NONBLOCK);
        }
    }
    ~PtyPair() {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

// Bytes cross a pty within microseconds; poll with a deadline instead of sleeping blind.
template <typename Pred> bool eventually(Pred pred) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pred();
}

TEST(PosixSerialPort, BytesBothWaysOverAPty) {
    PtyPair pty;
    ASSERT_FALSE(pty.path.empty());
    PosixSerialPort port(pty.path);
    port.selectPort(4); // a fixed device ignores the port number
    ASSERT_TRUE(port.open()) << port.lastError();
    ASSERT_TRUE(port.applyLineSettings(9600, 'N', 8, 1)) << port.lastError();
    EXPECT_EQ(port.bytesWaiting(), 0u);
    uint8_t buffer[64];
    EXPECT_EQ(port.read(buffer, sizeof buffer), 0u) << "an empty line reads nothing, at once";

    const uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD};
    ASSERT_TRUE(port.write(request, sizeof request));
    std::vector<uint8_t> atBus;
    ASSERT_TRUE(eventually([&] {
        uint8_t chunk[64];
        const ssize_t n = ::read(pty.master, chunk, sizeof chunk);
        if (n > 0)
            atBus.insert(atBus.end(), chunk, chunk + n);
        return atBus.size() >= sizeof request;
    }));
    EXPECT_EQ(atBus, std::vector<uint8_t>(request, request + sizeof request))
        << "raw: no translation";

    const uint8_t reply[] = {0x01, 0x03, 0x02, 0x0D, 0x0A, 0x11, 0x13, 0xFF};
    ASSERT_EQ(::write(pty.master, reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
    ASSERT_TRUE(eventually([&] { return port.bytesWaiting() == sizeof reply; }));
    EXPECT_EQ(port.read(buffer, sizeof buffer), sizeof reply);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + sizeof reply),
              std::vector<uint8_t>(reply, reply + sizeof reply))
        << "CR, LF, XON and XOFF pass untouched";
}

TEST(PosixSerialPort, LineSettingsAppliedToTermios) {
    PtyPair pty;
    PosixSerialPort port(pty.path);
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(port.applyLineSettings(19200, 'E', 7, 2));
    termios tio{};
    ASSERT_EQ(::tcgetattr(port.fileDescriptor(), &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), B19200);
    // A pty keeps neither parity nor character size; those are checked on the
    // termios struct the port hands to the device, below.
    EXPECT_FALSE(tio.c_lflag & ECHO);
    EXPECT_FALSE(tio.c_lflag & ICANON);
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_FALSE(tio.c_cflag & CRTSCTS);

    EXPECT_FALSE(port.applyLineSettings(12345, 'N', 8, 1));
    EXPECT_NE(port.lastError().find("12345"), std::string::npos);
}

TEST(PosixSerialPort, TermiosForEveryLineChoice) {
    struct Case {
        int baud;
        char parity;
        int dataBits, stopBits;
        speed_t speed;
        tcflag_t flags;
    };
    const Case cases[] = {
        {9600, 'N', 8, 1, B9600, CS8},
        {19200, 'E', 7, 2, B19200, CS7 | PARENB | CSTOPB},
        {38400, 'O', 8, 1, B38400, CS8 | PARENB | PARODD},
        {1200, 'N', 7, 2, B1200, CS7 | CSTOPB},
    };
    for (const Case& c : cases) {
        termios tio{};
        tio.c_cflag = CS8 | PARENB | PARODD | CSTOPB | CREAD;
        std::string error;
        ASSERT_TRUE(setLineSettings(tio, c.baud, c.parity, c.dataBits, c.stopBits, error));
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB), c.flags) << c.baud << c.parity;
        EXPECT_TRUE(tio.c_cflag & CREAD) << "other flags kept";
        EXPECT_EQ(::cfgetispeed(&tio), c.speed);
        EXPECT_EQ(::cfgetospeed(&tio), c.speed);
    }
}

TEST(PosixSerialPort, MissingDeviceFailsWithReason) {
    PosixSerialPort port("/dev/velkaro-no-such-device");
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.lastError().empty());

    LinkSettings settings;
    bool linkOpen = true;
    const OpenLinkResult result = openLink(port, settings, linkOpen);
    EXPECT_FALSE(linkOpen);
    EXPECT_NE(result.message.find("/dev/velkaro-no-such-device"), std::string::npos)
        << result.message;

    PosixSerialPort notATty("/dev/null");
    EXPECT_FALSE(notATty.open());
}

TEST(PosixSerialPort, ComPortMapping) {
    ::setenv("VELKARO_COM3", "/tmp/velkaro-test-bus", 1);
    EXPECT_EQ(devicePathForPort(3), "/tmp/velkaro-test-bus");
    ::unsetenv("VELKARO_COM3");
    const std::string expected =
        ::access("/dev/ttyUSB2", F_OK) == 0 ? "/dev/ttyUSB2" : "/dev/ttyS2";
    EXPECT_EQ(devicePathForPort(3), expected);

    PtyPair pty;
    ::setenv("VELKARO_COM8", pty.path.c_str(), 1);
    PosixSerialPort port;
    port.selectPort(8);
    EXPECT_TRUE(port.open()) << port.lastError();
    EXPECT_EQ(port.devicePath(), pty.path);
    ::unsetenv("VELKARO_COM8");
}

// Only a refused permission earns the dialout advice; any other failure keeps
// the system's reason alone, so a missing device is not blamed on the account.
TEST(PosixSerialPort, OpenFailureReasonAdvisesDialoutOnlyForPermission) {
    struct Case {
        int error;
        bool advice;
    };
    for (const Case& c :
         {Case{EACCES, true}, Case{EPERM, true}, Case{ENOENT, false}, Case{EBUSY, false}}) {
        const std::string reason = openFailureReason(c.error);
        EXPECT_NE(reason.find(std::strerror(c.error)), std::string::npos) << reason;
        EXPECT_EQ(reason.find("dialout") != std::string::npos, c.advice) << reason;
        EXPECT_EQ(reason.find("重新登录") != std::string::npos, c.advice) << reason;
    }
}

// An account without rights on the device is told which device and how to get
// access; root opens anything, so the check runs as nobody in a child.
TEST(PosixSerialPort, DeviceTheAccountMayNotOpenNamesDeviceAndGroup) {
    char path[] = "/tmp/velkaro-locked-XXXXXX";
    ::close(::mkstemp(path));
    ::chmod(path, 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0) {
            ::_exit(2);
        }
        PosixSerialPort port(path);
        bool linkOpen = false;
        const std::string message = openLink(port, LinkSettings{}, linkOpen).message;
        std::fprintf(stderr, "%s\n", message.c_str());
        const bool told =
            message.find(path) != std::string::npos && message.find("dialout") != std::string::npos;
        ::_exit(told ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    ::unlink(path);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

/// Opens `path` through the station's port in a child process, as a second
/// program would (optionally under the account nobody, which TIOCEXCL keeps
/// out); 0 when the child's message satisfies `told`, 3 when the port opened.
template <typename Told> int openInChild(const std::string& path, bool asNobody, Told told) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (asNobody && ::setuid(65534) != 0) {
            ::_exit(2);
        }
        DevicePort port(path);
        bool linkOpen = false;
        const std::string message = openLink(port, LinkSettings{}, linkOpen).message;
        std::fprintf(stderr, "%s\n", message.c_str());
        ::_exit(linkOpen ? 3 : told(message) ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Two masters on one bus garble each other's frames: a second program is
// refused at once, told which process holds the device, whether it runs
// under the same account (the lock) or another (TIOCEXCL, which root
// ignores). The test keeps the slave end open, as velkaro-sim does, so the
// device must be given back explicitly on close.
TEST(PosixSerialPort, SecondOpenerIsRefusedWithTheHolderNamed) {
    PtyPair pty;
    ASSERT_FALSE(pty.path.empty());
    ::fchmod(pty.slave, 0666);
    const bool root = ::geteuid() == 0;
    const std::string holder = "进程 " + std::to_string(::getpid()) + " (";
    const auto namesHolder = [&](const std::string& message) {
        return message.find(pty.path) != std::string::npos &&
               message.find(holder) != std::string::npos &&
               message.find("占用") != std::string::npos;
    };
    {
        PosixSerialPort port(pty.path);
        ASSERT_TRUE(port.open()) << port.lastError();
        for (const bool asNobody : {false, true}) {
            if (asNobody && !root) {
                continue;
            }
            EXPECT_EQ(openInChild(pty.path, asNobody, namesHolder), 0) << asNobody;
        }
        // The same program opening it twice is refused too.
        PosixSerialPort again(pty.path);
        EXPECT_FALSE(again.open());
    }
    const auto opens = [](const std::string&) { return false; };
    EXPECT_EQ(openInChild(pty.path, root, opens), 3) << "the device is free once closed";
}

} // namespace VELKARO_UNITY_ID
} // namespace
