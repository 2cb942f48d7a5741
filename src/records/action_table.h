#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "records/action_record.h"

namespace soci {
class session;
}

namespace velkaro {

// Every SQL statement of the action log 操作记录.

/// Creates 操作记录 and its indexes when missing, in SQL that SQLite and
/// PostgreSQL both accept. A table made by an older version that lacks a
/// column gets it added in place, its rows kept (the new column empty).
/// Throws when the table can neither be read nor made; a missing index or a
/// column the account may not add is tolerated (rows then go in without it).
void ensureActionTable(soci::session& session);

/// The columns of 操作记录 in the order the station writes them.
std::vector<std::string> actionColumns();

/// Writes action rows through one prepared statement on `session`; the
/// statement reads its values from the bound row, so the object never moves.
class ActionInsert {
public:
    explicit ActionInsert(soci::session& session);
    ~ActionInsert();
    ActionInsert(const ActionInsert&) = delete;
    ActionInsert& operator=(const ActionInsert&) = delete;

    /// Appends `row`. Throws soci::soci_error on a database error.
    void insert(const ActionRecord& row);

private:
    struct Bound;
    std::unique_ptr<Bound> m_bound;
};

/// Which action rows to read: strictly later than `after`, at or before
/// `upTo` (local times), of one drive, station and account or of all.
struct ActionQuery {
    std::tm after{};
    std::tm upTo{};
    std::optional<std::string> drive;
    std::optional<std::string> station;
    std::optional<std::string> account;
    /// At most this many rows (0: all); with newestFirst the newest of them.
    int limit = 0;
    bool newestFirst = false;
};

/// The rows of `query`, oldest first unless newestFirst. Values are bound.
/// Throws on a database error (a missing table included).
std::vector<ActionRecord> readActions(soci::session& session, const ActionQuery& query);

/// The export's and the console's columns: 记录时间, 站名, 账户, 名字, 地址,
/// 操作, 原值, 新值, 结果; one CSV line each, ended with CR LF.
std::string actionHeaderLine();
std::string actionLine(const ActionRecord& row);
/// Writes `rows` as a CSV file at `path` (UTF-8 with byte order mark) that
/// appears only whole; the reason when it cannot, empty when written.
std::string writeActionCsv(const std::vector<ActionRecord>& rows, const std::string& path);

} // namespace velkaro
