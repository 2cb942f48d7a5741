#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velkaro::testing {

/// The build folder: $VELKARO_BINARY_DIR (ctest sets it), else the one the
/// tests were built in.
std::string binaryDir();
/// The source tree: $VELKARO_SOURCE_DIR, else the one the tests were built from.
std::string sourceDir();

struct CommandResult {
    int exitCode = -1; ///< -1 when the command did not exit by itself
    std::string output;
};
/// Runs `command` through the shell and collects its standard output (add
/// "2>&1" or "timeout N" to the command as needed).
CommandResult runCommand(const std::string& command);
/// A program's output as its lines, without the line ends.
std::vector<std::string> linesOf(const std::string& text);

/// velkaro-sim as a child process serving its drives on a new pty, reached
/// through the symbolic link `ptyLink`; its console on a pipe, its output
/// readable line by line.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess(); ///< ends the process if it still runs
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
    /// Options the next start() passes before the drives ({"--baud", "19200"}).
    void setOptions(std::vector<std::string> options) { m_options = std::move(options); }
    /// Sends a console command line ("silent 3 on").
    bool command(const std::string& line);
    /// The next line the program prints (with its newline), waiting at most
    /// five seconds; empty when none came.
    std::string readLine();
    /// command(), then the answer line.
    std::string ask(const std::string& line);
    /// End of input on the console.
    void closeConsole();
    /// Waits for the process to end by itself; true if it exited with 0 in time.
    bool waitForExit(std::chrono::milliseconds limit);
    /// Sends SIGTERM without waiting.
    void terminate();
    /// Ends the process at once with `signal` (SIGKILL: nothing cleaned up,
    /// as when an adapter is pulled) and reaps it.
    void kill(int signal);
    bool running() const { return m_pid > 0; }

    /// The program in the build folder.
    static std::string binary();

private:
    /// Forks the program with `args` and one --drive per entry; its console
    /// and standard output are kept.
    bool spawn(std::vector<std::string> args, const std::vector<std::string>& drives);

    pid_t m_pid = -1;
    int m_console = -1;
    int m_output = -1;
    std::string m_pending;
    std::vector<std::string> m_options;
};

} // namespace velkaro::testing
