#pragma once

#include <filesystem>
#include <string>

namespace velkaro {

struct DataSourceResult {
    bool ok = false;
    std::string message; ///< what went wrong, for the developer; empty when ok
};

/// Start-up step of the station: makes sure the user data source
/// "变频器运行记录" exists and holds the run-record table.
///
/// A data source of that name (user or system) is used as it stands, so an
/// operator can point it at a shared server. Otherwise a user data source is
/// registered on the "SQLite3" driver with the database file
/// $XDG_DATA_HOME/velkaro/变频器运行记录.db (default ~/.local/share/velkaro/),
/// whose folder is created. Then the table and its indexes are created when
/// missing. Any failure gives ok = false; the window then shows
/// "错误! 不能加载数据库!" and stops its initialisation.
///
/// Tables made before stations were told apart are upgraded with the column
/// 站名, their rows given `station`, the name of the station that upgrades
/// them; an account that may not alter them keeps them as they are (the
/// record pass says so), which is no failure here.
DataSourceResult registerDataSourceFor(const std::string& station);
/// The same for a station named after this host.
DataSourceResult registerDataSource();

/// The station's own data folder: $XDG_DATA_HOME/velkaro, by default
/// ~/.local/share/velkaro (not created here).
std::filesystem::path stationDataFolder();

/// Whether a data source named `dsn` is defined, as a user or a system data
/// source.
bool dataSourceExists(const std::string& dsn);

/// The data source a connect string names ("DSN=变频器运行记录;…"), or empty
/// when it names none (a driver and database given directly).
std::string dataSourceNameOf(const std::string& connectString);

/// For a program that only reads: unixODBC creates the user data source file
/// ($ODBCINI, else ~/.odbc.ini of the account), empty, on every look-up when
/// it is missing. While this object lives a missing file is stood in for by
/// an empty one of our own (ODBCINI pointed at it), removed afterwards; the
/// system data sources are seen as before, and no file is left behind.
class ReadOnlyDataSources {
public:
    ReadOnlyDataSources();
    ~ReadOnlyDataSources();
    ReadOnlyDataSources(const ReadOnlyDataSources&) = delete;
    ReadOnlyDataSources& operator=(const ReadOnlyDataSources&) = delete;

private:
    std::string m_folder; ///< our private folder, empty when the user's file exists
    bool m_hadOdbcIni = false;
    std::string m_odbcIni; ///< ODBCINI as it was
};

} // namespace velkaro
