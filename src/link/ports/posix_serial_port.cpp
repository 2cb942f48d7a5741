#include "link/ports/posix_serial_port.h"
#include "registry/language.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace velkaro {

std::string devicePathForPort(int portNumber) {
    const std::string variable = "VELKARO_COM" + std::to_string(portNumber);
    if (const char* overridden = std::getenv(variable.c_str()); overridden && *overridden) {
        return overridden;
    }
    std::string usb = "/dev/ttyUSB" + std::to_string(portNumber - 1);
    struct stat info {};
    if (::stat(usb.c_str(), &info) == 0) {
        return usb;
    }
    return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::string openFailureReason(int errorNumber) {
    std::string reason = std::strerror(errorNumber);
    if (errorNumber != EACCES && errorNumber != EPERM) {
        return reason;
    }
    // Debian gives serial devices to the group dialout; a membership only
    // reaches processes started after the next login.
    const passwd* account = ::getpwuid(::geteuid());
    const std::string name =
        account != nullptr ? account->pw_name : translated("PortTexts", "账户名");
    return translated("PortTexts", "没有读写权限（") + reason +
           translated("PortTexts", "）。在 Debian 上请把账户 ") + name +
           translated("PortTexts", " 加入 dialout 组：\n") + "sudo adduser " + name +
           translated("PortTexts", " dialout\n然后注销并重新登录。");
}

namespace {

/// "1234 (velkaro-bus)": the process's program name from its command line,
/// else its kernel name; the number alone when neither can be read.
std::string processText(const std::string& pid) {
    std::ifstream cmdline("/proc/" + pid + "/cmdline", std::ios::binary);
    std::string program;
    std::getline(cmdline, program, '\0');
    if (const auto slash = program.rfind('/'); slash != std::string::npos) {
        program.erase(0, slash + 1);
    }
    if (program.empty()) {
        std::ifstream("/proc/" + pid + "/comm") >> program;
    }
    return program.empty() ? pid : pid + " (" + program + ")";
}

/// The process holding the flock of the device node `node`, from /proc/locks
/// ("1: FLOCK  ADVISORY  WRITE 1234 00:19:3 0 EOF"); empty when none is seen.
std::string lockHolder(const struct stat& node) {
    std::ifstream locks("/proc/locks");
    std::ostringstream where;
    where << std::hex;
    where.fill('0');
    where.width(2);
    where << major(node.st_dev) << ':';
    where.width(2);
    where << minor(node.st_dev) << ':' << std::dec << node.st_ino;
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number;
        std::string kind;
        std::string mode;
        std::string access;
        std::string pid;
        std::string inode;
        fields >> number >> kind >> mode >> access >> pid >> inode;
        if (kind == "FLOCK" && inode == where.str()) {
            return pid;
        }
    }
    return {};
}

/// Every process with the character device `device` open, by scanning
/// /proc/<pid>/fd (processes of other accounts are seen only by root).
std::vector<std::string> deviceOpeners(dev_t device) {
    std::vector<std::string> pids;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return pids;
    }
    while (const dirent* entry = ::readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const std::string folder = "/proc/" + pid + "/fd";
        DIR* fds = ::opendir(folder.c_str());
        if (fds == nullptr) {
            continue;
        }
        while (const dirent* fd = ::readdir(fds)) {
            struct stat info {};
            if (fd->d_name[0] != '.' && ::stat((folder + "/" + fd->d_name).c_str(), &info) == 0 &&
                S_ISCHR(info.st_mode) && info.st_rdev == device) {
                pids.push_back(pid);
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return pids;
}

/// Why a device another program holds was refused, naming that program where
/// it can be found: the holder of the lock every Velkaro program takes, else
/// whoever has the device open.
std::string heldPortReason(const std::string& path) {
    std::vector<std::string> holders;
    struct stat node {};
    if (::stat(path.c_str(), &node) == 0) {
        if (std::string pid = lockHolder(node); !pid.empty()) {
            holders.push_back(std::move(pid));
        } else if (S_ISCHR(node.st_mode)) {
            holders = deviceOpeners(node.st_rdev);
        }
    }
    std::string who;
    for (std::size_t i = 0; i < holders.size() && i < 3; ++i) {
        who += (i == 0 ? "" : translated("PortTexts", "、")) + processText(holders[i]);
    }
    return (who.empty() ? std::string(translated("PortTexts", "已被另一个程序"))
                        : translated("PortTexts", "已被进程 ") + who + " ") +
           translated("PortTexts", "占用，一个串口同一时间只能由一个程序使用");
}

} // namespace

PosixSerialPort::PosixSerialPort(std::string devicePath)
    : m_fixedPath(std::move(devicePath)), m_path(m_fixedPath) {}

PosixSerialPort::~PosixSerialPort() {
    close();
}

bool PosixSerialPort::isOpen() const {
    return m_fd >= 0;
}

void PosixSerialPort::close() {
    if (m_fd >= 0) {
        // A pty whose other side stays open (velkaro-sim) keeps the flag past
        // our close: give the device back to the next program.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
}

void PosixSerialPort::selectPort(int portNumber) {
    m_path = m_fixedPath.empty() ? devicePathForPort(portNumber) : m_fixedPath;
}

// The kernel's buffers are 4 KiB and more: nothing to size.
void PosixSerialPort::setReceiveBufferSize(std::size_t) {}
void PosixSerialPort::setTransmitBufferSize(std::size_t) {}

void PosixSerialPort::discardPendingOutput() {
    if (m_fd >= 0) {
        ::tcflush(m_fd, TCOFLUSH);
    }
}

bool PosixSerialPort::open() {
    close();
    if (m_path.empty()) {
        m_lastError = translated("PortTexts", "没有选择串口");
        return false;
    }
    const int fd = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // EBUSY: another program opened the device exclusively.
        m_lastError = errno == EBUSY ? heldPortReason(m_path) : openFailureReason(errno);
        return false;
    }
    if (!::isatty(fd)) {
        m_lastError = translated("PortTexts", "不是串口设备");
        ::close(fd);
        return false;
    }
    // One program per bus: two masters would garble each other's frames. The
    // lock keeps out every Velkaro program, root's included, which TIOCEXCL
    // does not; TIOCEXCL keeps out other programs that do not look at locks.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        m_lastError = error == EWOULDBLOCK ? heldPortReason(m_path) : std::strerror(error);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        m_lastError = std::strerror(errno);
        close();
        return false;
    }
    // Raw 8-bit: no echo, no translation, no signals, no flow control; reads
    // return at once with whatever is waiting.
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        m_lastError = std::strerror(errno);
        close();
        return false;
    }
    ::tcflush(fd, TCIOFLUSH);
    m_lastError.clear();
    return true;
}

// Reads already return every waiting byte, in binary, and nothing is event-driven.
void PosixSerialPort::setReadEverything() {}
void PosixSerialPort::setBinaryMode() {}
void PosixSerialPort::disableReceiveEvents() {}

namespace {
bool baudConstant(int baud, speed_t& speed) {
    switch (baud) {
    case 1200:
        speed = B1200;
        return true;
    case 2400:
        speed = B2400;
        return true;
    case 4800:
        speed = B4800;
        return true;
    case 9600:
        speed = B9600;
        return true;
    case 19200:
        speed = B19200;
        return true;
    case 38400:
        speed = B38400;
        return true;
    case 57600:
        speed = B57600;
        return true;
    case 115200:
        speed = B115200;
        return true;
    default:
        return false;
    }
}
} // namespace

bool setLineSettings(termios& tio, int baud, char parity, int dataBits, int stopBits,
                     std::string& error) {
    speed_t speed{};
    if (!baudConstant(baud, speed)) {
        error = translated("PortTexts", "不支持的波特率 ") + std::to_string(baud);
        return false;
    }
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB);
    tio.c_cflag |= dataBits == 7 ? CS7 : CS8;
    if (parity == 'E') {
        tio.c_cflag |= PARENB;
    } else if (parity == 'O') {
        tio.c_cflag |= PARENB | PARODD;
    }
    if (stopBits == 2) {
        tio.c_cflag |= CSTOPB;
    }
    return true;
}

bool PosixSerialPort::applyLineSettings(int baud, char parity, int dataBits, int stopBits) {
    if (m_fd < 0) {
        m_lastError = translated("PortTexts", "串口未打开");
        return false;
    }
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0) {
        m_lastError = std::strerror(errno);
        return false;
    }
    if (!setLineSettings(tio, baud, parity, dataBits, stopBits, m_lastError)) {
        return false;
    }
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0) {
        m_lastError = std::strerror(errno);
        return false;
    }
    return true;
}

std::size_t PosixSerialPort::bytesWaiting() {
    if (m_fd < 0) {
        return 0;
    }
    int count = 0;
    if (::ioctl(m_fd, FIONREAD, &count) != 0 || count < 0) {
        return 0;
    }
    return static_cast<std::size_t>(count);
}

std::size_t PosixSerialPort::read(uint8_t* buffer, std::size_t capacity) {
    if (m_fd < 0 || capacity == 0) {
        return 0;
    }
    const ssize_t got = ::read(m_fd, buffer, capacity);
    if (got < 0) {
        if (errno != EAGAIN && errno != EINTR) {
            m_lastError = std::strerror(errno);
        }
        return 0;
    }
    return static_cast<std::size_t>(got);
}

bool PosixSerialPort::write(const uint8_t* data, std::size_t length) {
    if (m_fd < 0) {
        m_lastError = translated("PortTexts", "串口未打开");
        return false;
    }
    std::size_t sent = 0;
    while (sent < length) {
        const ssize_t n = ::write(m_fd, data + sent, length - sent);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            // A full output queue drops the rest of the frame; the reply then
            // times out and the operation retries, as on a noisy line.
            m_lastError = std::strerror(errno);
            return errno == EAGAIN;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string PosixSerialPort::devicePath() const {
    return m_path;
}
std::string PosixSerialPort::lastError() const {
    return m_lastError;
}

} // namespace velkaro
