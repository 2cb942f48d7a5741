#include "records/data_source.h"

#include <gtest/gtest.h>
#include <odbcinst.h>
#include <soci/soci.h>

#include <cstdlib>
#include <filesystem>

#include "records/record_database.h"
#include "support/processes.h"
#include "support/records_database.h"
#include "support/temp_dir.h"

namespace velkaro {
namespace {
namespace VELKARO_UNITY_ID {

using testing::Engine;
using testing::fileText;
using testing::RecordsDatabase;
namespace fs = std::filesystem;

/// Writes a user data source the way an operator's tool would.
void writeDataSource(const std::string& driver, const std::string& database) {
    SQLSetConfigMode(ODBC_USER_DSN);
    ASSERT_TRUE(SQLWriteDSNToIni("变频器运行记录", driver.c_str()));
    ASSERT_TRUE(
        SQLWritePrivateProfileString("变频器运行记录", "Database", database.c_str(), "odbc.ini"));
    SQLSetConfigMode(ODBC_BOTH_DSN);
}

class DataSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = std::make_unique<RecordsDatabase>(Engine::SQLite);
        if (!db->skipReason().empty()) {
            GTEST_SKIP() << db->skipReason();
        }
    }
    fs::path iniFile() const { return db->folder() / "odbc.ini"; }

    std::unique_ptr<RecordsDatabase> db;
};

TEST_F(DataSourceTest, RegistersSqliteSourceInTheDataFolderWithTheTable) {
    const DataSourceResult result = registerDataSource();
    ASSERT_TRUE(result.ok) << result.message;

    const fs::path database = db->folder() / "velkaro" / "变频器运行记录.db";
    EXPECT_TRUE(fs::exists(database));
    const std::string ini = fileText(iniFile());
    EXPECT_NE(ini.find("[变频器运行记录]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Driver=SQLite3"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Database=" + database.string()), std::string::npos) << ini;

    // The journal and sync keys reach the driver, under the names it reads.
    auto session = openRecordSession(std::string(kRunRecordConnect));
    std::string journal;
    int synchronous = -1;
    *session << "pragma journal_mode", soci::into(journal);
    *session << "pragma synchronous", soci::into(synchronous);
    EXPECT_EQ(journal, "wal");
    EXPECT_EQ(synchronous, 1) << "NORMAL";

    // The eight designed columns in their order, the station after them, and
    // the indexes by time and by drive, for all stations and for one.
    std::vector<std::string> columns;
    soci::rowset<std::string> info =
        (session->prepare << "select name from pragma_table_info('运行记录') order by cid");
    for (const std::string& name : info) {
        columns.push_back(name);
    }
    EXPECT_EQ(columns,
              (std::vector<std::string>{"记录时间", "名字", "运行频率", "输出电流", "输出电压",
                                        "设定频率", "母线电压", "工作状态", "站名"}));
    int indexes = 0;
    *session << "select count(*) from sqlite_master where type = 'index' and tbl_name = '运行记录'",
        soci::into(indexes);
    EXPECT_EQ(indexes, 4);
}

TEST_F(DataSourceTest, ExistingSourceIsUsedAsItStands) {
    const fs::path elsewhere = db->folder() / "operator" / "records.db";
    fs::create_directories(elsewhere.parent_path());
    writeDataSource("SQLite3", elsewhere.string());

    ASSERT_TRUE(registerDataSource().ok);
    EXPECT_TRUE(fs::exists(elsewhere));
    EXPECT_FALSE(fs::exists(db->folder() / "velkaro"));
    const std::string ini = fileText(iniFile());
    EXPECT_EQ(ini.find("JournalMode"), std::string::npos) << "nothing added: " << ini;
}

TEST_F(DataSourceTest, DatabaseThatCannotBeOpenedFails) {
    writeDataSource("SQLite3", "/nonexistent-folder/velkaro/records.db");
    const DataSourceResult result = registerDataSource();
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());
}

TEST_F(DataSourceTest, WithoutXdgDataHomeTheFolderIsUnderHome) {
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", db->folder().c_str(), 1);
    ASSERT_TRUE(registerDataSource().ok);
    EXPECT_TRUE(fs::exists(db->folder() / ".local/share/velkaro/变频器运行记录.db"));
}

TEST(DataSourcePostgres, ServerSourceGetsTheTableAndIndexes) {
    RecordsDatabase db(Engine::PostgreSQL);
    if (!db.skipReason().empty()) {
        GTEST_SKIP() << db.skipReason();
    }
    const DataSourceResult result = registerDataSource();
    ASSERT_TRUE(result.ok) << result.message;
    ASSERT_TRUE(registerDataSource().ok) << "second start";
    auto session = openRecordSession(std::string(kRunRecordConnect));
    int columns = 0;
    int indexes = 0;
    *session << "select count(*) from information_schema.columns where table_name = '运行记录'",
        soci::into(columns);
    *session << "select count(*) from pg_indexes where tablename = '运行记录'", soci::into(indexes);
    EXPECT_EQ(columns, 9);
    EXPECT_EQ(indexes, 4);
}

// Before the station's first start there is no data source: velkaro-records
// says so in one line instead of passing on IM002, and leaves no data source
// file behind (the driver manager makes an empty one on every look-up).
TEST(VelkaroRecordsProgram, WithoutADataSourceSaysSoAndLeavesNoFile) {
    const std::string program = testing::binaryDir() + "/src/records/velkaro-records";
    if (!fs::exists(program)) {
        GTEST_SKIP() << "velkaro-records is not built";
    }
    testing::TempDir dir;
    const std::string run = "ODBCINI=" + dir.file("odbc.ini") + " TMPDIR=" + dir.path().string() +
                            " timeout 20 " + program;
    const testing::CommandResult events = testing::runCommand(run + " events 2>&1");
    EXPECT_EQ(events.exitCode, 1);
    ASSERT_EQ(testing::linesOf(events.output).size(), 1u) << events.output;
    EXPECT_NE(events.output.find("还没有运行记录数据源“变频器运行记录”"), std::string::npos)
        << events.output;
    EXPECT_EQ(events.output.find("IM002"), std::string::npos) << events.output;
    EXPECT_TRUE(fs::is_empty(dir.path())) << "neither odbc.ini nor a private folder is left";

    const testing::CommandResult usage = testing::runCommand(run + " evnets 2>&1");
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_EQ(testing::linesOf(usage.output),
              (std::vector<std::string>{"velkaro-records: 未知命令：evnets",
                                        "请用 velkaro-records --help 查看用法。"}));
}

} // namespace VELKARO_UNITY_ID
} // namespace
} // namespace velkaro
