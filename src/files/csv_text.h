#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

/// Byte-order mark that starts a report, so a spreadsheet reads it as UTF-8.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

/// One field as a CSV record needs it: quoted, with quotes doubled, when it
/// holds a comma, a quote, a carriage return or a line feed or begins or ends
/// with a blank; as it is otherwise.
std::string csvField(std::string_view text);
/// The fields joined by commas and ended by CR LF.
std::string csvRecord(const std::vector<std::string>& fields);
std::string csvRecord(std::initializer_list<std::string_view> fields);

/// One record of a CSV text and the line it starts on (from 1).
struct CsvRecord {
    std::vector<std::string> fields;
    int line = 0;
};

struct CsvParse {
    bool ok = false;
    std::vector<CsvRecord> records;
    int errorLine = 0; ///< where the text stops being CSV, when !ok
    std::string error; ///< what is wrong there, for the operator
};

/// Splits CSV text into records: fields separated by commas, records by LF or
/// CR LF, quoted fields may hold commas, doubled quotes and line ends. Refuses
/// a quote inside an unquoted field, text after a closing quote and a quote
/// left open at the end. A BOM at the start is skipped; an empty line is a
/// record with one empty field.
CsvParse parseCsv(std::string_view text);

} // namespace velkaro
