// The run-record database goes away and comes back: a PostgreSQL server of
// the test's own (started with scripts/lib/services.sh) is stopped under a
// running station and started again. Each failing record pass tells the
// operator once, a pass that comes round while that box is open adds none,
// nothing crashes, and logging resumes by itself.

#include "records/data_source.h"
#include "support/processes.h"
#include "support/records_outage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <unistd.h>

namespace velkaro::reliability {
namespace {

std::string run(const std::string& command) {
    return testing::runCommand(command).output;
}

/// A throwaway server from the suite's own service script, stopped and
/// started with pg_ctl as its start_services set it up.
class PrivateServer {
public:
    PrivateServer() {
        const std::string output = run("bash -c 'source \"" + testing::sourceDir() +
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
    testing::Station st(options);
    ASSERT_NO_FATAL_FAILURE(testing::startLogging(st, sim::Series::QD20, 6));

    server.stop();
    testing::expectOneBoxPerFailingPass(st);

    server.start();
    testing::expectLoggingResumes(st);
}

} // namespace
} // namespace velkaro::reliability
