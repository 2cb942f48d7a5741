// The run-record database goes away and comes back: a PostgreSQL server of
// the test's own (started with scripts/lib/services.sh) is stopped under a
// running station and started again. The outage is told once, however many
// passes fail, nothing crashes, the rows wait, and logging resumes by itself
// with them. And while the server stops answering, without a word, the
// station's polls keep their rhythm.

#include "records/data_source.h"
#include "support/processes.h"
#include "support/records_outage.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

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
        for (const pid_t process : m_frozen) {
            ::kill(process, SIGCONT);
        }
        if (!m_folder.empty()) {
            pgCtl("-m immediate -w stop");
            run("rm -rf '" + m_folder + "'");
        }
    }
    bool ready() const { return !m_port.empty() && !m_folder.empty(); }
    const std::string& folder() const { return m_folder; }
    void stop() { pgCtl("-m fast -w stop"); }
    /// Stops or lets go on the server and every process it started (the
    /// sessions' backends among them): connections stay open, nothing is
    /// answered.
    void freeze(bool frozen) {
        std::vector<pid_t> processes;
        std::ifstream pidFile(m_folder + "/data/postmaster.pid");
        pid_t server = 0;
        if (!(pidFile >> server) || server <= 0) {
            ADD_FAILURE() << "no postmaster.pid";
            return;
        }
        processes.push_back(server);
        std::ifstream children("/proc/" + std::to_string(server) + "/task/" +
                               std::to_string(server) + "/children");
        for (pid_t child = 0; children >> child;) {
            processes.push_back(child);
        }
        for (const pid_t process : processes) {
            ::kill(process, frozen ? SIGSTOP : SIGCONT);
        }
        m_frozen = frozen ? processes : std::vector<pid_t>{};
    }
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
    std::vector<pid_t> m_frozen;
};

/// The test's server, or why there is none.
std::string serverMissing(const PrivateServer& server) {
    if (::access("/usr/lib/postgresql/15/bin/pg_ctl", X_OK) != 0) {
        return "no PostgreSQL 15 on this machine";
    }
    return server.ready() ? std::string() : "the test's PostgreSQL server did not start";
}

TEST(RecordsOutagePostgresTest, ServerStoppedOneMessageThenLoggingResumesWithTheRowsThatWaited) {
    PrivateServer server;
    if (const std::string missing = serverMissing(server); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    ::setenv("ODBCINI", (server.folder() + "/odbc.ini").c_str(), 1);
    MainWindowOptions options;
    options.registerDataSource = registerDataSource; // the DSN exists: used as it stands
    testing::Station st(options);
    ASSERT_NO_FATAL_FAILURE(testing::startLogging(st, sim::Series::QD20, 6));

    server.stop();
    ASSERT_NO_FATAL_FAILURE(testing::expectOneMessageForTheOutage(st));

    server.start();
    testing::expectLoggingResumes(st);
}

// The server stops answering for ten seconds without closing a connection
// (no error ever comes back, the server's statement time-out cannot act):
// the statement holds the records worker only; after the worker's stall
// time the operator is told once, and the rows go in once the server answers
// again.
TEST(RecordsOutagePostgresTest, AServerThatStopsAnsweringHoldsNoPoll) {
    PrivateServer server;
    if (const std::string missing = serverMissing(server); !missing.empty()) {
        GTEST_SKIP() << missing;
    }
    ::setenv("ODBCINI", (server.folder() + "/odbc.ini").c_str(), 1);
    MainWindowOptions options;
    options.registerDataSource = registerDataSource;
    options.recordLimits.stallAfter = std::chrono::seconds(5);
    testing::Station st(options);
    ASSERT_NO_FATAL_FAILURE(testing::startLogging(st, sim::Series::QD20, 6, 8));
    st.messages.clear();
    testing::expectPollsKeepTheirRhythm(
        st, [&] { server.freeze(true); }, [&] { server.freeze(false); });
    ASSERT_EQ(st.messages.count(), 1u);
    EXPECT_NE(st.messages.last().text.find("没有应答"), std::string::npos)
        << st.messages.last().text;
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
