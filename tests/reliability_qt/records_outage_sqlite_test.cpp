// The run-record database goes away and comes back: the SQLite database made
// read-only under a running station, then writable again. Each
// record pass that fails tells the operator once, a pass that comes round
// while that box is still open adds no second box, nothing crashes, and
// logging resumes by itself.

#include "records/data_source.h"
#include "support/records_outage.h"

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

TEST(RecordsOutageSqliteTest, ReadOnlyDatabaseOneMessageAtATimeThenLoggingResumes) {
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
    testing::expectOneBoxPerFailingPass(st);

    ASSERT_TRUE(setWritable(database, true));
    testing::expectLoggingResumes(st);
}

} // namespace
} // namespace velkaro::reliability
