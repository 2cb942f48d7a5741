#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/link_snapshot.h"
#include "records/display_options.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace soci {
class session;
}

namespace velkaro::testing {

enum class Engine { SQLite, PostgreSQL };

/// The station the records tests log as, and whose rows they read.
inline constexpr const char* kTestStation = "测试站";

/// Names the engine in parameterised test names.
std::string engineName(const ::testing::TestParamInfo<Engine>& info);

/// A private run-record database for one test. ODBCINI and XDG_DATA_HOME point
/// into a temporary folder, so the data source "变频器运行记录" of the test is
/// its own: on SQLite registered by the station's own set-up, on PostgreSQL a
/// fresh database on the server the test script started (VELKARO_TEST_PG_*).
class RecordsDatabase {
public:
    explicit RecordsDatabase(Engine engine);
    ~RecordsDatabase();
    RecordsDatabase(const RecordsDatabase&) = delete;
    RecordsDatabase& operator=(const RecordsDatabase&) = delete;

    /// Why this engine cannot be tested here; empty when it can.
    const std::string& skipReason() const { return m_skipReason; }
    const std::filesystem::path& folder() const { return m_folder.path(); }

    /// A row with a chosen time, written behind the station's back; without
    /// a station, into a table that has no 站名.
    void insert(std::time_t when, const std::string& name, const std::string& frequency = "0.00",
                const std::string& state = "停止中 ",
                const std::optional<std::string>& station = std::string(kTestStation));
    void execute(const std::string& sql);
    int count();
    int countOf(const std::string& name);
    /// Every row oldest first: "name|time|f|i|u|s|b|state|station".
    std::vector<std::string> rows();

    /// Replaces the tables with those a station made before stations were
    /// told apart (no 站名, a minute per drive and minute), empty.
    void makeTablesWithoutStations();
    /// PostgreSQL only: from now on the station's data source logs in as a
    /// role of its own that may read and write the rows of both tables, as
    /// a shared account is set up, but not alter them or make new tables.
    /// This object's own session stays the owner's.
    void useRoleWithoutAlterRights();

    /// PostgreSQL only: drops every connection to the test's database and
    /// refuses new ones (as a stopped server does), or lets them in again.
    void setAvailable(bool available);

private:
    soci::session& session();
    void createPostgresDatabase();

    Engine m_engine;
    std::string m_skipReason;
    TempDir m_folder;
    std::string m_pgDatabase;
    std::string m_pgServerConnect;
    std::string m_pgRole;
    std::unique_ptr<soci::session> m_session;
};

/// Unix time of a local calendar time.
std::time_t localTime(int year, int month, int day, int hour, int minute, int second);

/// Rows in the run-record table of the station's data source, through a
/// session of its own; -1 when the data source cannot be read.
int runRecordRows();

/// A records test on each engine: a private database with the station's data
/// source registered, a clock standing at 2026-03-05 09:07:03, and a snapshot
/// of the link whose drive table the test fills (what the window hands the
/// record pass and the record windows).
class RecordsTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;

    std::unique_ptr<RecordsDatabase> db;
    std::time_t now = 0;
    RecordingMessages messages;
    LinkSnapshot view;
    DisplayOptions options;
};

} // namespace velkaro::testing
