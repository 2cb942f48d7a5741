// The run-record database goes away and comes back: the SQLite database made
// read-only under a running station, then writable again. Each
// record pass that fails tells the operator once, a pass that comes round
// while that box is still open adds no second box, nothing crashes, and
// logging resumes by itself.

#include "reliability_qt/support/record_counter.h"
#include "reliability_qt/support/window_bench.h"

#include "records/data_source.h"
#include "ui/support/qt_environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace velkaro::reliability {
namespace {

[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new velkaro::test::QtEnvironment);

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
    WindowBench bench(options);
    bench.start();
    ASSERT_EQ(bench.messages.count(), 0u) << bench.messages.texts()[0];
    const fs::path database =
        fs::path(std::getenv("XDG_DATA_HOME")) / "velkaro" / "变频器运行记录.db";
    ASSERT_TRUE(fs::exists(database));
    for (int address = 1; address <= 3; ++address) {
        bench.bus.addDrive(address, sim::Series::QD30, 750);
    }
    bench.connect(1, 3);

    bench.window->writeRunRecords();
    ASSERT_EQ(runRecordRows(), 3);
    ASSERT_EQ(bench.messages.count(), 0u);

    if (!setWritable(database, false)) {
        GTEST_SKIP() << "cannot set the immutable flag here (needs root and a file system with it)";
    }
    struct Restore { // an immutable folder could not even be removed afterwards
        fs::path database;
        ~Restore() { setWritable(database, true); }
    } restore{database};
    // While the first box is open the record timer fires again (a modal
    // box runs its own event loop): that pass must not open a second box.
    int nested = 0;
    bench.messages.setOnShow([&](const test::RecordingMessages::Message&) {
        if (nested++ == 0) {
            bench.window->writeRunRecords();
        }
    });
    bench.run(1000);
    bench.window->writeRunRecords();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(bench.messages.count(), 1u) << "a second box opened over the first";
    bench.messages.setOnShow({});
    bench.run(1000);
    bench.window->writeRunRecords(); // the next pass tries again and says so again
    EXPECT_EQ(bench.messages.count(), 2u);

    ASSERT_TRUE(setWritable(database, true));
    bench.messages.clear();
    bench.run(1000);
    bench.window->writeRunRecords();
    EXPECT_EQ(bench.messages.count(), 0u) << bench.messages.texts()[0];
    EXPECT_EQ(runRecordRows(), 6) << "logging did not resume";
}

} // namespace
} // namespace velkaro::reliability
