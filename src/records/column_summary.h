#pragma once

#include <soci/soci.h>

#include <array>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "records/record_time.h"
#include "records/run_record_reader.h"

namespace velkaro {

/// The rows later than `after` and at or before `upTo`, wall-clock seconds.
struct TimeSpan {
    WallSeconds after = 0;
    WallSeconds upTo = 0;
};

/// A pixel column of a trend chart and the seconds it holds.
struct ColumnSpan {
    int column = 0;
    TimeSpan span;
};

/// One drive's rows in a stretch of time.
struct DriveSpan {
    std::string drive;
    TimeSpan span;
};

/// What the database found among one drive's rows in one pixel column.
struct ColumnSummary {
    std::string drive;
    int column = 0;
    long rows = 0;
    WallSeconds first = 0; ///< time of the column's first row
    WallSeconds last = 0;  ///< time of its last row
    long lostRows = 0;     ///< rows stored as "通讯断线"
    long faultRows = 0;    ///< rows in fault
    /// Lowest and highest number of each requested quantity, in the request's
    /// order, over all the column's rows; none when no row holds a number.
    std::vector<std::optional<double>> low;
    std::vector<std::optional<double>> high;
};

/// Summarises every drive's rows in each given column inside the database,
/// so one row per drive and column crosses the driver instead of every stored
/// row: one statement, prepared once and run per column, each run a short
/// index range scan with the same text on every engine; times and names are
/// bound. Only the rows of `station`, when given (a filter the reader can
/// apply, see RunRecordReader::stationFilter). Drives without rows in a
/// column are left out of it. Throws on a database error (the reader's
/// session is dropped then).
std::vector<ColumnSummary> summariseColumns(RunRecordReader& reader,
                                            const std::vector<std::string>& drives,
                                            const std::vector<Quantity>& quantities,
                                            const std::vector<ColumnSpan>& columns,
                                            const std::optional<std::string>& station = {});

/// The rows of the given stretches (time, name, working state and the
/// quantities' texts), of `station` only when given, oldest first. Throws on
/// a database error.
std::vector<RunRecord> readSpans(RunRecordReader& reader, const std::vector<DriveSpan>& spans,
                                 const std::vector<Quantity>& quantities,
                                 const std::optional<std::string>& station = {});

/// What a summary holds of the rows `r` it groups, as a select list: their
/// count, first and last time, rows stored as "通讯断线" and in fault, and
/// the lowest and highest number of each quantity.
std::string rowSummarySql(const std::vector<Quantity>& quantities);

/// Where a statement fetches what a summary holds, in the order of the
/// summary's select list, and how it becomes a ColumnSummary.
struct SummaryFetch {
    long long rows = 0;
    std::tm first{};
    std::tm last{};
    long long lost = 0;
    long long faults = 0;
    std::array<double, std::size_t{2} * kQuantityCount> extremes{};
    std::array<soci::indicator, std::size_t{2} * kQuantityCount> flags{};

    /// Binds the places to `statement` after what it binds before them.
    void bind(soci::statement& statement, std::size_t quantities);
    /// The fetched row's counts, times and numbers into `summary`.
    void fill(ColumnSummary& summary, std::size_t quantities) const;
};

/// The statements' SQL, for checking their query plans: the summary of one
/// column for `drives` drives, bound as after, upTo, the names and, with
/// `station`, the station; and the rows of `spans` stretches, bound as name,
/// the station (with `station`), after and upTo of each.
std::string columnSummarySql(std::size_t drives, const std::vector<Quantity>& quantities,
                             bool station = false);
std::string spanRowsSql(const std::vector<Quantity>& quantities, std::size_t spans,
                        bool station = false);

} // namespace velkaro
