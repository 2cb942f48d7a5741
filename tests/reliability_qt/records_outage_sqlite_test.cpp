// The run-record database goes away and comes back: the SQLite database made
// read-only under a running station, then writable again. The outage is told
// once, however many passes fail, nothing crashes, the rows wait, and logging
// resumes by itself with them. And while another program holds the database
// locked, the station's polls keep their rhythm.

#include "records/data_source.h"
#include "records/record_database.h"
#include "support/records_outage.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace velkaro::reliability {
namespace {

namespace fs = std::filesystem;

/// Makes the database unwritable even for root and even through the
/// station's open session: the immutable flag on the file, its write-ahead
/// log and shared-memory files and its folder. False when the flag cannot be
/// set here (not root, or a file system without it); permissions would not
/// stop a session that already has the files open.
bool setWritable(const fs::path& database, bool writable) {
    if (::geteuid() != 0) {
        return false;
    }
    std::string command = std::string("chattr ") + (writable ? "-i" : "+i");
    for (const fs::path& path : {database, fs::path(database.string() + "-wal"),
                                 fs::path(database.string() + "-shm"), database.parent_path()}) {
        if (fs::exists(path)) {
            command += " '" + path.string() + "'";
        }
    }
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

TEST(RecordsOutageSqliteTest, ReadOnlyDatabaseOneMessageThenLoggingResumesWithTheRowsThatWaited) {
    MainWindowOptions options;
    options.registerDataSource = registerDataSource; // SQLite under the test's XDG_DATA_HOME
    testing::Station st(options);
    ASSERT_NO_FATAL_FAILURE(testing::startLogging(st, sim::Series::QD30, 750));
    const fs::path database =
        fs::path(std::getenv("XDG_DATA_HOME")) / "velkaro" / "变频器运行记录.db";
    ASSERT_TRUE(fs::exists(database));

    if (!setWritable(database, false)) {
        GTEST_SKIP() << "cannot set the immutable flag here (needs root and a file system with it)";
    }
    struct Restore { // an immutable folder could not even be removed afterwards
        fs::path database;
        ~Restore() { setWritable(database, true); }
    } restore{database};
    ASSERT_NO_FATAL_FAILURE(testing::expectOneMessageForTheOutage(st));

    ASSERT_TRUE(setWritable(database, true));
    testing::expectLoggingResumes(st);
}

// Another program holds the database locked for ten seconds: each pass waits
// the driver's lock time-out on the records worker, not on the window; the
// lock is said once, and the rows go in once it is let go.
TEST(RecordsOutageSqliteTest, ALockedDatabaseHoldsNoPoll) {
    MainWindowOptions options;
    options.registerDataSource = registerDataSource;
    testing::Station st(options);
    ASSERT_NO_FATAL_FAILURE(testing::startLogging(st, sim::Series::QD20, 40, 8));
    soci::session other("odbc", std::string(kRunRecordConnect));
    st.messages.clear();
    testing::expectPollsKeepTheirRhythm(
        st, [&] { other << "begin exclusive"; }, [&] { other << "commit"; });
    ASSERT_EQ(st.messages.count(), 1u);
    EXPECT_NE(st.messages.last().text.find("locked"), std::string::npos)
        << st.messages.last().text;
}

} // namespace
} // namespace velkaro::reliability
