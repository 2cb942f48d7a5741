// velkaro-sim: simulated drives served on a pseudo-terminal, a serial port or
// TCP, in real time. See --help.

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

#ifdef VELKARO_WITH_TRANSLATIONS
#include <QCoreApplication>
#endif

#include "i18n/console_language.h"
#include "sim/bus_simulator.h"
#include "sim/pty_link_lock.h"
#include "sim/sim_console.h"
#include "sim/sim_options.h"
#include "sim/tcp_server.h"
#include "velkaro_version.h"

namespace {

using velkaro::sim::BusSimulator;
using velkaro::sim::LineSettings;
using velkaro::sim::PtyLinkLock;
using velkaro::sim::Refusal;
using velkaro::sim::SimConsole;
using velkaro::sim::SimOptions;
using velkaro::sim::SimulatedDrive;
using velkaro::sim::TcpServer;

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_signalPipe[1], &byte, 1);
}

bool installSignalHandlers() {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            return false;
        }
    }
    // A station that closes its end must not kill the server through a write.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

uint64_t monotonicUs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000 + static_cast<uint64_t>(now.tv_nsec) / 1000;
}

speed_t speedOf(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

int baudOf(speed_t speed) {
    constexpr std::pair<speed_t, int> kRates[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    for (const auto& [constant, baud] : kRates) {
        if (constant == speed) {
            return baud;
        }
    }
    return 0;
}

/// The baud the station set on its side of the pty (the master reports the
/// slave's speed); 0 when it cannot be read.
int stationBaud(int masterFd) {
    termios tio{};
    return ::tcgetattr(masterFd, &tio) == 0 ? baudOf(::cfgetospeed(&tio)) : 0;
}

// Raw 8-bit, no echo, no translation, reads return at once.
bool makeRaw(int fd, const LineSettings& line) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= line.dataBits == 7 ? CS7 : CS8;
    if (line.parity != 'N') {
        tio.c_cflag |= PARENB | (line.parity == 'O' ? PARODD : 0);
    }
    if (line.stopBits == 2) {
        tio.c_cflag |= CSTOPB;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speedOf(line.baud));
    ::cfsetospeed(&tio, speedOf(line.baud));
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

/// The serving end: the pty master (with our own slave end held open so the
/// master never sees a hang-up between station sessions) or the device.
struct Endpoint {
    int fd = -1;
    int slaveFd = -1;
    std::string link; ///< symlink to remove on exit
    std::string slavePath;
    std::unique_ptr<PtyLinkLock> lock; ///< this simulator's claim on the link's path
};

/// Takes the --pty path for this simulator: refused while another live
/// simulator serves it, or when something else is there. Only a link left by
/// a simulator that ended uncleanly, or one pointing at nothing, is replaced.
bool claimLink(const std::string& link, Endpoint& end, std::string& error) {
    end.lock = std::make_unique<PtyLinkLock>(link);
    if (!end.lock->acquire(error)) {
        return false;
    }
    struct stat info {};
    if (::lstat(link.c_str(), &info) != 0) {
        return true;
    }
    if (!S_ISLNK(info.st_mode)) {
        error = link + " exists and is not a symbolic link";
        return false;
    }
    struct stat target {};
    if (!end.lock->leftByEarlierRun() && ::stat(link.c_str(), &target) == 0) {
        error = link + " is a link velkaro-sim did not make; remove it or choose another path";
        return false;
    }
    ::unlink(link.c_str());
    return true;
}

bool openPty(const SimOptions& options, Endpoint& end, std::string& error) {
    if (::openpty(&end.fd, &end.slaveFd, nullptr, nullptr, nullptr) != 0) {
        error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    ::fcntl(end.fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(end.slaveFd, F_SETFD, FD_CLOEXEC);
    ::fcntl(end.fd, F_SETFL, ::fcntl(end.fd, F_GETFL) | O_NONBLOCK);
    end.slavePath = ::ttyname(end.slaveFd);
    if (!makeRaw(end.slaveFd, options.line) || !makeRaw(end.fd, options.line)) {
        error = std::string("raw mode: ") + std::strerror(errno);
        return false;
    }
    if (!claimLink(options.ptyLink, end, error)) {
        return false;
    }
    if (::symlink(end.slavePath.c_str(), options.ptyLink.c_str()) != 0) {
        error = "symlink " + options.ptyLink + ": " + std::strerror(errno);
        return false;
    }
    end.link = options.ptyLink;
    return true;
}

bool openDevice(const SimOptions& options, Endpoint& end, std::string& error) {
    end.fd = ::open(options.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (end.fd < 0) {
        error = options.devicePath + ": " + std::strerror(errno);
        return false;
    }
    if (!makeRaw(end.fd, options.line)) {
        error = options.devicePath + ": " + std::strerror(errno);
        return false;
    }
    ::tcflush(end.fd, TCIOFLUSH);
    return true;
}

void closeEndpoint(Endpoint& end) {
    if (!end.link.empty()) {
        // Remove the link only while it still points at our pty.
        char target[4096];
        const ssize_t length = ::readlink(end.link.c_str(), target, sizeof target - 1);
        if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == end.slavePath) {
            ::unlink(end.link.c_str());
        }
    }
    for (int fd : {end.fd, end.slaveFd}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    end.lock.reset();
}

/// Hands what the station sent to the drives as they hear it. A station at
/// another baud sends what they hear as garbage; only the baud survives on a
/// pty, not the parity.
void takeStationBytes(BusSimulator& bus, const Endpoint& end, uint64_t nowUs) {
    uint8_t buffer[512];
    const ssize_t got = ::read(end.fd, buffer, sizeof buffer);
    if (got <= 0) {
        return;
    }
    std::vector<uint8_t> heard(buffer, buffer + got);
    const int baud = end.slaveFd >= 0 ? stationBaud(end.fd) : 0;
    if (baud != 0 && baud != bus.line().baud) {
        heard = velkaro::sim::heardAtBaud(buffer, heard.size(), baud, bus.line().baud);
    }
    if (heard.empty()) {
        return;
    }
    // The bytes have already crossed the wire: they started one frame time ago.
    const uint64_t wireUs = velkaro::sim::charactersTimeUs(bus.line(), heard.size());
    bus.stationSent(heard.data(), heard.size(), nowUs > wireUs ? nowUs - wireUs : 0);
}

/// Serves until a signal, end of input or "quit". Returns the exit status.
/// `server`, when given, takes the place of the endpoint's descriptor.
int serve(const SimOptions& options, BusSimulator& bus, Endpoint& end, TcpServer* server) {
    SimConsole console(bus);
    const uint64_t startUs = monotonicUs();
    const auto now = [startUs] { return monotonicUs() - startUs; };
    std::string input;
    const bool consoleOpen = options.console;
    std::vector<uint8_t> pendingOut;
    for (;;) {
        int timeoutMs = 100;
        if (const auto next = bus.nextEventUs()) {
            const uint64_t at = now();
            timeoutMs = *next <= at
                            ? 0
                            : static_cast<int>(std::min<uint64_t>((*next - at + 999) / 1000, 100));
        }
        if (!pendingOut.empty() || (server != nullptr && server->sending())) {
            timeoutMs = std::min(timeoutMs, 1);
        }
        pollfd fds[5] = {{end.fd, POLLIN, 0},
                         {g_signalPipe[0], POLLIN, 0},
                         {consoleOpen ? STDIN_FILENO : -1, POLLIN, 0},
                         {server != nullptr ? server->listenFd() : -1, POLLIN, 0},
                         {server != nullptr ? server->stationFd() : -1, POLLIN, 0}};
        if (::poll(fds, 5, timeoutMs) < 0 && errno != EINTR) {
            std::perror("poll");
            return 1;
        }
        if (fds[1].revents != 0) {
            return 0;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            takeStationBytes(bus, end, now());
        }
        if ((fds[2].revents & (POLLIN | POLLHUP)) != 0) {
            char chunk[512];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0) {
                return 0; // end of input
            }
            input.append(chunk, static_cast<std::size_t>(got));
            for (auto newline = input.find('\n'); newline != std::string::npos;
                 newline = input.find('\n')) {
                bool quit = false;
                const std::string reply = console.execute(input.substr(0, newline), quit);
                input.erase(0, newline + 1);
                std::fputs(reply.c_str(), stdout);
                std::fflush(stdout);
                if (quit) {
                    return 0;
                }
            }
        }
        if (server != nullptr) {
            if ((fds[3].revents & POLLIN) != 0) {
                server->accept();
            }
            if ((fds[4].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                server->receive(bus, now());
            }
            server->transmit(bus, now());
            continue;
        }
        // Reply bytes leave as they come due, so the station sees them paced.
        uint8_t due[512];
        const std::size_t count = bus.takeReplyBytes(due, sizeof due, now());
        pendingOut.insert(pendingOut.end(), due, due + count);
        if (!pendingOut.empty()) {
            const ssize_t written = ::write(end.fd, pendingOut.data(), pendingOut.size());
            if (written > 0) {
                pendingOut.erase(pendingOut.begin(), pendingOut.begin() + written);
            } else if (written < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
                std::perror("write");
                return 1;
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    // The simulator speaks English to its developers; --language is taken
    // (and checked) as the station's other programs take it.
    std::string error;
#ifdef VELKARO_WITH_TRANSLATIONS
    QCoreApplication application(argc, argv);
    std::vector<char*> arguments;
    if (!velkaro::startConsoleLanguage(application, argc, argv, arguments, error)) {
        std::fprintf(stderr, "velkaro-sim: %s\nTry velkaro-sim --help.\n", error.c_str());
        return 2;
    }
#else
    std::vector<char*> arguments = velkaro::withoutLanguageOption(argc, argv);
#endif
    const auto options = velkaro::sim::parseSimOptions(
        std::vector<std::string>(arguments.begin() + 1, arguments.end() - 1), error);
    if (!options) {
        std::fprintf(stderr, "velkaro-sim: %s\nTry velkaro-sim --help.\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(velkaro::sim::simUsage().c_str(), stdout);
        return 0;
    }
    if (options->version) {
        std::printf("velkaro-sim %s\n", velkaro::kVersion);
        return 0;
    }
    BusSimulator bus(options->line);
    bus.setTurnaroundUs(static_cast<uint64_t>(options->turnaroundMs) * 1000);
    bus.faults().seed = options->seed;
    bus.reseed();
    for (const auto& drive : options->drives) {
        bus.addDrive(drive.address, drive.series, drive.rating)
            .setCatalogueRanges(options->catalogueRanges);
    }
    for (const auto& [address, refusal] : options->refusals) {
        SimulatedDrive* drive = bus.drive(address);
        if (drive == nullptr) {
            std::fprintf(stderr, "velkaro-sim: --refuse: no drive at address %d\n", address);
            return 2;
        }
        Refusal& r = drive->faults().refusal;
        r.what |= refusal.what;
        r.code = refusal.code;
        if ((refusal.what & Refusal::Register) != 0) {
            r.registerAddress = refusal.registerAddress;
        }
    }
    if (!installSignalHandlers()) {
        std::perror("velkaro-sim: signals");
        return 1;
    }
    Endpoint end;
    if (options->listen) {
        TcpServer server(options->listenMode);
        if (!server.listen(options->listenHost, options->listenPort, error)) {
            std::fprintf(stderr, "velkaro-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("velkaro-sim: serving %s, %d baud %c%d%d, %zu drive(s)\n",
                    server.deviceText().c_str(), options->line.baud, options->line.parity,
                    options->line.dataBits, options->line.stopBits, options->drives.size());
        std::fflush(stdout);
        return serve(*options, bus, end, &server);
    }
    const bool opened =
        options->ptyLink.empty() ? openDevice(*options, end, error) : openPty(*options, end, error);
    if (!opened) {
        std::fprintf(stderr, "velkaro-sim: %s\n", error.c_str());
        closeEndpoint(end);
        return 1;
    }
    std::printf("velkaro-sim: serving %s%s%s, %d baud %c%d%d, %zu drive(s)\n",
                options->ptyLink.empty() ? options->devicePath.c_str() : options->ptyLink.c_str(),
                end.slavePath.empty() ? "" : " -> ", end.slavePath.c_str(), options->line.baud,
                options->line.parity, options->line.dataBits, options->line.stopBits,
                options->drives.size());
    std::fflush(stdout);
    const int status = serve(*options, bus, end, nullptr);
    closeEndpoint(end);
    return status;
}
