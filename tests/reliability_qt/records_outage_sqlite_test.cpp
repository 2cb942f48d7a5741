// The run-record database goes away and comes back: the SQLite database made
// read-only under a running station, then writable again. The outage is told
// once, however many passes fail, nothing crashes, the rows wait, and logging
// resumes by itself with them. And while another program holds the database
// locked, the station's polls keep their rhythm.

#include "link/link_snapshot.h"
#include "records/data_source.h"
#include "records/record_database.h"
#include "support/records_database.h"
#include "support/records_outage.h"
#include "ui/records/station_records.h"
#include "ui/station_link.h"

#include <soci/soci.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace velkaro::reliability {
namespace {
namespace VELKARO_UNITY_ID {

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
    EXPECT_NE(st.messages.last().text.find("locked"), std::string::npos) << st.messages.last().text;
}

/// The stored rows, oldest first: 母线电压|运行频率|工作状态 each.
std::vector<std::string> storedRows() {
    soci::session session("odbc", std::string(kRunRecordConnect));
    soci::rowset<soci::row> rows =
        (session.prepare << "select 母线电压, 运行频率, 工作状态 from 运行记录 order by 记录时间");
    std::vector<std::string> texts;
    for (const soci::row& row : rows) {
        texts.push_back(row.get<std::string>(0) + "|" + row.get<std::string>(1) + "|" +
                        row.get<std::string>(2));
    }
    return texts;
}

// A record pass between the search that found a drive and its first status
// read writes nothing for it (its words are still the zeros it joined with);
// once it has answered its row carries what it said, and once it is lost its
// rows say 通讯断线 with the values of its last read.
TEST(StationRecordsTest, NoRowBeforeTheFirstReadAndALostDriveKeepsItsLastRead) {
    MainWindowOptions options;
    options.registerDataSource = registerDataSource;
    testing::Station st(options);
    ASSERT_TRUE(st.start());
    st.bus.addDrive(1, sim::Series::QD30, 750);
    ASSERT_GE(st.search(1, 1), 0);
    st.window->station().refresh(); // the window sees what the search found
    const LinkSnapshot& view = st.window->station().view();
    ASSERT_EQ(view.table.driveCount, 1u);
    const int slot = view.table.findSlotByName(view.table.driveNames[0]);
    ASSERT_GE(slot, 0);
    ASSERT_FALSE(view.statusRead[static_cast<std::size_t>(slot)]) << "read during the search";

    const auto pass = [&st] {
        st.window->writeRunRecords();
        ASSERT_TRUE(st.window->records().settle(30000));
    };
    ASSERT_NO_FATAL_FAILURE(pass());
    EXPECT_EQ(testing::runRecordRows(), 0) << "a row before the drive was read";

    st.run(1000);
    ASSERT_NO_FATAL_FAILURE(pass());
    const std::vector<std::string> read = storedRows();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].find("0.0|"), std::string::npos) << "bus voltage of a drive that answered";
    EXPECT_NE(read[0].find("|停止中 "), std::string::npos) << read[0];

    st.bus.removeDrive(1);
    ASSERT_GE(st.runUntilSeen([slot](const LinkSnapshot& now) {
        return now.table.slots[static_cast<std::size_t>(slot)].online == 0;
    }),
              0);
    st.run(100); // the window's status pass takes the loss in
    ASSERT_NO_FATAL_FAILURE(pass());
    const std::vector<std::string> lost = storedRows();
    ASSERT_EQ(lost.size(), 2u);
    EXPECT_EQ(lost[1], read[0].substr(0, read[0].rfind('|')) + "|通讯断线 ");
    EXPECT_EQ(st.messages.count(), 0u) << st.messages.last().text;
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro::reliability
