#include "records/data_source.h"

#include <odbcinst.h>
#include <pwd.h>
#include <unistd.h>

#include <soci/soci.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "records/record_database.h"
#include "records/record_schema.h"
#include "records/station_name.h"

namespace velkaro {
namespace {

constexpr const char* kIniFile = "odbc.ini";
constexpr const char* kDriver = "SQLite3";

/// Keys of the SQLite ODBC driver. WAL lets the history grid read while a pass
/// writes and makes a commit an append; NORMAL syncs at checkpoints only, which
/// keeps the database intact on power loss at the price of the last rows. The
/// lock timeout bounds how long a locked database holds up the records worker
/// (the driver's own default is 100 s).
struct DsnKey {
    const char* key;
    const char* value;
};
constexpr DsnKey kSqliteKeys[] = {
    {"Description", "运行记录"},
    {"JournalMode", "WAL"},
    {"SyncPragma", "NORMAL"},
    {"Timeout", "2000"},
};

std::string installerError() {
    DWORD code = 0;
    char text[512] = {};
    WORD length = 0;
    if (SQLInstallerError(1, &code, text, sizeof text, &length) == SQL_SUCCESS) {
        return std::string(text);
    }
    return "ODBC installer error";
}

/// The user data source file as unixODBC finds it: $ODBCINI, else
/// .odbc.ini in the home folder of the account's password entry.
std::filesystem::path userDataSourceFile() {
    if (const char* file = std::getenv("ODBCINI"); file && *file) {
        return file;
    }
    const passwd* entry = getpwuid(getuid());
    return std::filesystem::path(entry != nullptr ? entry->pw_dir : "") / ".odbc.ini";
}

std::filesystem::path dataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        return std::filesystem::path(xdg) / "velkaro";
    }
    const char* home = std::getenv("HOME");
    if (!home || home[0] == '\0') {
        if (const passwd* entry = getpwuid(getuid())) {
            home = entry->pw_dir;
        }
    }
    return std::filesystem::path(home ? home : ".") / ".local/share/velkaro";
}

DataSourceResult registerSqliteSource(const std::string& dsn) {
    const std::filesystem::path folder = dataFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return {false, folder.string() + ": " + error.message()};
    }
    const std::string database = (folder / (dsn + ".db")).string();

    SQLSetConfigMode(ODBC_USER_DSN);
    bool written =
        SQLWriteDSNToIni(dsn.c_str(), kDriver) != 0 &&
        SQLWritePrivateProfileString(dsn.c_str(), "Database", database.c_str(), kIniFile) != 0;
    for (const DsnKey& entry : kSqliteKeys) {
        written = written &&
                  SQLWritePrivateProfileString(dsn.c_str(), entry.key, entry.value, kIniFile) != 0;
    }
    const std::string reason = written ? std::string() : installerError();
    SQLSetConfigMode(ODBC_BOTH_DSN);
    if (!written) {
        return {false, reason};
    }
    return {true, {}};
}

} // namespace

std::filesystem::path stationDataFolder() {
    return dataFolder();
}

bool dataSourceExists(const std::string& dsn) {
    // Lists the keys of the section in the user and the system file.
    char keys[1024] = {};
    SQLSetConfigMode(ODBC_BOTH_DSN);
    const int length =
        SQLGetPrivateProfileString(dsn.c_str(), nullptr, "", keys, sizeof keys, kIniFile);
    return length > 0 && keys[0] != '\0';
}

std::string dataSourceNameOf(const std::string& connectString) {
    std::size_t start = 0;
    while (start < connectString.size()) {
        const std::size_t end = std::min(connectString.find(';', start), connectString.size());
        const std::string pair = connectString.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        std::string key = pair.substr(0, equals);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (equals != std::string::npos && key == "DSN") {
            return pair.substr(equals + 1);
        }
        start = end + 1;
    }
    return {};
}

ReadOnlyDataSources::ReadOnlyDataSources() {
    std::error_code error;
    if (std::filesystem::exists(userDataSourceFile(), error) || error) {
        return;
    }
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::string folder =
        ((error ? std::filesystem::path("/tmp") : base) / "velkaro-odbc-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        return; // then unixODBC makes the file, as it would anyway
    }
    m_folder = folder;
    if (const char* old = std::getenv("ODBCINI")) {
        m_hadOdbcIni = true;
        m_odbcIni = old;
    }
    ::setenv("ODBCINI", (std::filesystem::path(m_folder) / kIniFile).c_str(), 1);
}

ReadOnlyDataSources::~ReadOnlyDataSources() {
    if (m_folder.empty()) {
        return;
    }
    if (m_hadOdbcIni) {
        ::setenv("ODBCINI", m_odbcIni.c_str(), 1);
    } else {
        ::unsetenv("ODBCINI");
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

DataSourceResult registerDataSource() {
    return registerDataSourceFor(hostStationName());
}

DataSourceResult registerDataSourceFor(const std::string& station) {
    const std::string dsn(kRunRecordDsn);
    if (!dataSourceExists(dsn)) {
        if (DataSourceResult registered = registerSqliteSource(dsn); !registered.ok) {
            return registered;
        }
    }
    try {
        auto session = openRecordSession(std::string(kRunRecordConnect));
        ensureRunRecordTable(*session, station);
    } catch (const std::exception& error) {
        return {false, error.what()};
    }
    return {true, {}};
}

} // namespace velkaro
