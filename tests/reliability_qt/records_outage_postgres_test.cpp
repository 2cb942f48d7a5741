// The run-record database goes away and comes back: a PostgreSQL server of
// the test's own (started with scripts/lib/services.sh) is stopped under a
// running station and started again. Each failing record pass tells the
// operator once, a pass that comes round while that box is open adds none,
// nothing crashes, and logging resumes by itself.

#include "reliability_qt/support/record_counter.h"
#include "reliability_qt/support/window_bench.h"

#include "ui/support/qt_environment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <unistd.h>

namespace velkaro::reliability {
namespace {

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new velkaro::test::QtEnvironment);

std::string sourceDir() {
    const char* dir = std::getenv("VELKARO_SOURCE_DIR");
    return dir != nullptr && *dir != '\0' ? dir : VELKARO_SOURCE_DIR_DEFAULT;
}

std::string run(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    ::pclose(pipe);
    return output;
}

/// A throwaway server from the suite's own service script, stopped and
/// started with pg_ctl as its start_services set it up.
class PrivateServer {
public:
    PrivateServer() {
        const std::string output = run("bash -c 'source \"" + sourceDir() +
                                       "/scripts/lib/services.sh\" && start_services 2>&1 && "
                                       "echo \"folder=$velkaro_pg_dir\"'");
        std::smatch found;
        if (std::regex_search(output, found, std::regex("on 127\\.0\\.0\\.1:([0-9]+)"))) {
            m_port = found[1];
        }
        if (std::regex_search(output, found, std::regex("folder=(\\S+)"))) {
            m_folder = found[1];
        }
    }
    ~PrivateServer() {
        if (!m_folder.empty()) {
            pgCtl("-m immediate -w stop");
            run("rm -rf '" + m_folder + "'");
        }
    }
    bool ready() const { return !m_port.empty() && !m_folder.empty(); }
    const std::string& folder() const { return m_folder; }
    void stop() { pgCtl("-m fast -w stop"); }
    void start() {
        pgCtl("-l '" + m_folder + "/server.log' -w -o \"-c listen_addresses=127.0.0.1 -c port=" +
              m_port + " -c unix_socket_directories=" + m_folder + " -c fsync=off\" start");
    }

private:
    void pgCtl(const std::string& arguments) {
        const std::string pgCtlPath = "/usr/lib/postgresql/15/bin/pg_ctl -D '" + m_folder +
                                      "/data' " + arguments + " >/dev/null 2>&1";
        run(::geteuid() == 0 ? "runuser -u postgres -- " + pgCtlPath : pgCtlPath);
    }
    std::string m_port;
    std::string m_folder;
};

TEST(RecordsOutagePostgresTest, ServerStoppedOneMessageAtATimeThenLoggingResumes) {
    if (::access("/usr/lib/postgresql/15/bin/pg_ctl", X_OK) != 0) {
        GTEST_SKIP() << "no PostgreSQL 15 on this machine";
    }
    PrivateServer server;
    if (!server.ready()) {
        GTEST_SKIP() << "the test's PostgreSQL server did not start";
    }
    ::setenv("ODBCINI", (server.folder() + "/odbc.ini").c_str(), 1);
    MainWindowOptions options;
    options.registerDataSource = registerDataSource; // the DSN exists: used as it stands
    WindowBench bench(options);
    bench.start();
    ASSERT_EQ(bench.messages.count(), 0u) << bench.messages.texts()[0];
    for (int address = 1; address <= 3; ++address) {
        bench.bus.addDrive(address, sim::Series::QD20, 6);
    }
    bench.connect(1, 3);
    bench.window->writeRunRecords();
    ASSERT_EQ(runRecordRows(), 3);

    server.stop();
    int nested = 0;
    bench.messages.setOnShow([&](const test::RecordingMessages::Message&) {
        if (nested++ == 0) {
            bench.window->writeRunRecords(); // the record timer behind the open box
        }
    });
    bench.run(1000);
    bench.window->writeRunRecords();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(bench.messages.count(), 1u) << "a second box opened over the first";
    bench.messages.setOnShow({});
    bench.run(1000);
    bench.window->writeRunRecords();
    EXPECT_EQ(bench.messages.count(), 2u);

    server.start();
    bench.messages.clear();
    bench.run(1000);
    bench.window->writeRunRecords();
    EXPECT_EQ(bench.messages.count(), 0u) << bench.messages.texts()[0];
    EXPECT_EQ(runRecordRows(), 6) << "logging did not resume";
}

} // namespace
} // namespace velkaro::reliability
