#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velkaro::reliability {

/// velkaro-sim as a child process serving its drives on a new pty, reached
/// through the symbolic link `ptyLink`; its console on a pipe.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess(); ///< kills the process if it still runs
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    /// Starts the program with `--pty ptyLink` and one `--drive` per entry
    /// ("3:QD30:750"); true once the link points at a terminal.
    bool start(const std::string& ptyLink, const std::vector<std::string>& drives,
               std::chrono::milliseconds limit = std::chrono::seconds(10));
    /// Starts the program serving over TCP: `option` is "--tcp" or
    /// "--modbus-tcp", `where` its [HOST:]PORT ("0": a free port). Returns the
    /// station's device text the program printed, empty if it did not start.
    std::string startTcp(const std::string& option, const std::string& where,
                         const std::vector<std::string>& drives);
    /// A console command line ("silent 3 on").
    bool command(const std::string& line);
    /// Ends the process at once with `signal` (SIGKILL: nothing cleaned up,
    /// as when an adapter is pulled) and reaps it.
    void kill(int signal);
    bool running() const { return m_pid > 0; }

    /// The program in the build folder.
    static std::string binary();

private:
    /// Forks the program with `args`; its stdout into `out` (or /dev/null when -1).
    bool spawn(std::vector<std::string> args, const std::vector<std::string>& drives, int out);

    pid_t m_pid = -1;
    int m_console = -1;
};

} // namespace velkaro::reliability
