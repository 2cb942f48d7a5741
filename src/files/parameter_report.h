#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

/// A whole drive's parameters as read, with the drive and the time of reading.
struct ParameterReport {
    std::string driveName;
    std::string series;
    std::string ratedPower;      ///< as the drive table shows it ("7.50")
    std::string readTime;        ///< local time, "YYYY-MM-DD HH:MM:SS"
    std::vector<uint16_t> words; ///< one register word per catalogue entry, in catalogue order
};

/// Local time as a report states it: "YYYY-MM-DD HH:MM:SS".
std::string reportTimeText(std::time_t when);

/// The largest catalogue with every text quoted is well below this.
inline constexpr std::size_t kMaxReportFileBytes = std::size_t{4} * 1024 * 1024;
/// The label of a report's first line ("变频器名称,<drive name>").
inline constexpr std::string_view kReportFirstLabel = "变频器名称";

struct ReportFileResult {
    bool ok = false;
    std::string message; ///< for the operator when !ok: the file, the line and what is wrong
};

/// The report as CSV text: UTF-8 with a BOM; lines for the drive name,
/// series, rating and time read; the column titles; then one row per
/// parameter: group, code, name, value as the panel shows it, unit, range,
/// when it may be changed, description. Empty when the series has no
/// catalogue or the words do not match it.
std::string reportText(const ParameterReport& report);

/// Writes reportText() to `path` atomically (temporary file, rename); the
/// old file stays whole on failure, and the message names the path.
ReportFileResult writeParameterReport(const std::string& path, const ParameterReport& report);

/// Reads a report back, strictly: the header lines and column titles as
/// written, a series with a catalogue, every parameter of that series exactly
/// once under its own group, and values that parse with the parameter's
/// decimals and fit its register. Rows may come in any order. Refuses anything
/// else with a message naming the file and the line; `report` is then left as
/// it was. A file that cannot be read is refused with the system's reason.
ReportFileResult readParameterReport(const std::string& path, ParameterReport& report);
/// As readParameterReport, on text already in memory; `fileName` names it in messages.
ReportFileResult parseParameterReport(std::string_view content, const std::string& fileName,
                                      ParameterReport& report);

} // namespace velkaro
