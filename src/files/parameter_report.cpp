#include "files/parameter_report.h"

#include <array>
#include <map>
#include <optional>

#include "files/atomic_file.h"
#include "files/csv_text.h"
#include "files/parameter_text.h"
#include "files/small_file.h"
#include "registry/catalogue.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr std::string_view kDriveNameLabel = kReportFirstLabel;
constexpr std::string_view kSeriesLabel = "机型";
constexpr std::string_view kRatingLabel = "额定功率";
constexpr std::string_view kReadTimeLabel = "读取时间";
const std::vector<std::string> kColumnTitles{"功能组", "功能号",   "参数名称", "当前值",
                                             "单位",   "参数范围", "修改属性", "备注"};
constexpr std::size_t kGroupColumn = 0;
constexpr std::size_t kCodeColumn = 1;
constexpr std::size_t kValueColumn = 3;
constexpr std::size_t kHeaderRecords = 5; // four drive lines, then the column titles

std::string text(std::string_view view) {
    return std::string(view);
}

std::string reportLabel(const std::string& path) {
    return translated("ReportTexts", "参数报表“") + path + "”";
}

std::string atLine(const std::string& path, int line) {
    return reportLabel(path) + translated("ReportTexts", "第") + std::to_string(line) +
           translated("ReportTexts", "行：");
}

/// Reads the header records; the series' catalogue, or none with `error` set.
const SeriesCatalogue* readHeader(const std::vector<CsvRecord>& records, const std::string& path,
                                  ParameterReport& out, std::string& error) {
    const std::array<std::string_view, 4> labels{kDriveNameLabel, kSeriesLabel, kRatingLabel,
                                                 kReadTimeLabel};
    std::array<std::string*, 4> values{&out.driveName, &out.series, &out.ratedPower, &out.readTime};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const int line = i < records.size() ? records[i].line : 1;
        if (i >= records.size() || records[i].fields.size() != 2 ||
            records[i].fields[0] != labels[i]) {
            error = atLine(path, line) + translated("ReportTexts", "应为“") + text(labels[i]) +
                    translated("ReportTexts", ",…”，不是参数报表的表头。");
            return nullptr;
        }
        *values[i] = records[i].fields[1];
    }
    const SeriesCatalogue* catalogue = catalogueFor(out.series);
    if (catalogue == nullptr) {
        error = atLine(path, records[1].line) + translated("ReportTexts", "机型“") + out.series +
                translated("ReportTexts", "”不是已知的变频器系列。");
        return nullptr;
    }
    if (records.size() < kHeaderRecords || records[4].fields != kColumnTitles) {
        const int line =
            records.size() < kHeaderRecords ? records.back().line + 1 : records[4].line;
        error = atLine(path, line) + translated("ReportTexts", "列标题与参数报表不符。");
        return nullptr;
    }
    return catalogue;
}

/// An empty line: a record holding one empty field.
bool isBlank(const CsvRecord& record) {
    return record.fields.size() == 1 && record.fields[0].empty();
}

/// Fills `words` from the parameter rows; false with `error` set on the first fault.
bool readRows(const std::vector<CsvRecord>& records, const SeriesCatalogue& catalogue,
              const std::string& path, const std::string& series, std::vector<uint16_t>& words,
              std::string& error) {
    std::map<std::string_view, std::size_t> entryOfCode;
    for (std::size_t e = 0; e < catalogue.entries.size(); ++e) {
        entryOfCode.emplace(catalogue.entries[e].code, e);
    }
    std::vector<int> lineOfEntry(catalogue.entries.size(), 0);
    words.assign(catalogue.entries.size(), 0);
    std::size_t end = records.size();
    while (end > kHeaderRecords && isBlank(records[end - 1])) {
        --end; // blank lines after the last row
    }
    for (std::size_t r = kHeaderRecords; r < end; ++r) {
        const CsvRecord& row = records[r];
        const std::string where = atLine(path, row.line);
        if (row.fields.size() != kColumnTitles.size()) {
            error = where + translated("ReportTexts", "应有") +
                    std::to_string(kColumnTitles.size()) + translated("ReportTexts", "列，实有") +
                    std::to_string(row.fields.size()) + translated("ReportTexts", "列。");
            return false;
        }
        const std::string& code = row.fields[kCodeColumn];
        const auto found = entryOfCode.find(code);
        if (found == entryOfCode.end()) {
            error = where + translated("ReportTexts", "功能号“") + code +
                    translated("ReportTexts", "”不在") + series +
                    translated("ReportTexts", "系列的参数表中。");
            return false;
        }
        const std::size_t entry = found->second;
        if (lineOfEntry[entry] != 0) {
            error = where + translated("ReportTexts", "功能号“") + code +
                    translated("ReportTexts", "”重复（第") + std::to_string(lineOfEntry[entry]) +
                    translated("ReportTexts", "行已有）。");
            return false;
        }
        const int group = groupOfEntry(catalogue, entry);
        const std::string_view label = catalogue.groups[static_cast<std::size_t>(group)].label;
        if (row.fields[kGroupColumn] != label) {
            error = where + translated("ReportTexts", "功能号“") + code +
                    translated("ReportTexts", "”属于功能组") + text(label) +
                    translated("ReportTexts", "，不是“") + row.fields[kGroupColumn] +
                    translated("ReportTexts", "”。");
            return false;
        }
        const ParamDescriptor& d = catalogue.entries[entry];
        const std::optional<uint16_t> word = parseParameterValue(d, row.fields[kValueColumn]);
        if (!word) {
            error = where + translated("ReportTexts", "功能号“") + code +
                    translated("ReportTexts", "”的当前值“") + row.fields[kValueColumn] +
                    translated("ReportTexts", "”不是") + std::to_string(decimalsOf(d)) +
                    translated("ReportTexts", "位小数以内、") +
                    (isSignedParameter(d) ? translated("ReportTexts", "-32768～32767")
                                          : translated("ReportTexts", "0～65535")) +
                    translated("ReportTexts", "范围内的数值。");
            return false;
        }
        words[entry] = *word;
        lineOfEntry[entry] = row.line;
    }
    for (std::size_t e = 0; e < lineOfEntry.size(); ++e) {
        if (lineOfEntry[e] == 0) {
            error = reportLabel(path) + translated("ReportTexts", "缺少功能号“") +
                    text(catalogue.entries[e].code) + translated("ReportTexts", "”的行。");
            return false;
        }
    }
    return true;
}

} // namespace

std::string reportTimeText(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string reportText(const ParameterReport& report) {
    const SeriesCatalogue* catalogue = catalogueFor(report.series);
    if (catalogue == nullptr || report.words.size() != catalogue->entries.size()) {
        return {};
    }
    std::string out(kUtf8Bom);
    out += csvRecord({text(kDriveNameLabel), report.driveName});
    out += csvRecord({text(kSeriesLabel), report.series});
    out += csvRecord({text(kRatingLabel), report.ratedPower});
    out += csvRecord({text(kReadTimeLabel), report.readTime});
    out += csvRecord(kColumnTitles);
    for (std::size_t e = 0; e < catalogue->entries.size(); ++e) {
        const ParamDescriptor& d = catalogue->entries[e];
        const ParamGroup& group =
            catalogue->groups[static_cast<std::size_t>(groupOfEntry(*catalogue, e))];
        out += csvRecord({text(group.label), text(d.code), text(d.name),
                          parameterValueText(d, report.words[e]), unitOf(d.range), text(d.range),
                          text(changeAttributeText(changeAttributeOf(d))), text(d.description)});
    }
    return out;
}

ReportFileResult writeParameterReport(const std::string& path, const ParameterReport& report) {
    const std::string content = reportText(report);
    if (content.empty()) {
        return {false, reportLabel(path) + translated("ReportTexts", "未写入：机型“") +
                           report.series + translated("ReportTexts", "”的参数不完整。")};
    }
    if (!replaceFileAtomically(path, content)) {
        return {false,
                reportLabel(path) + translated("ReportTexts", "无法写入，请检查文件夹和文件名。")};
    }
    return {true, {}};
}

ReportFileResult parseParameterReport(std::string_view content, const std::string& fileName,
                                      ParameterReport& report) {
    const CsvParse parse = parseCsv(content);
    if (!parse.ok) {
        return {false,
                atLine(fileName, parse.errorLine) + parse.error + translated("ReportTexts", "。")};
    }
    if (parse.records.empty()) {
        return {false, reportLabel(fileName) + translated("ReportTexts", "是空文件。")};
    }
    ParameterReport read;
    std::string error;
    const SeriesCatalogue* catalogue = readHeader(parse.records, fileName, read, error);
    if (catalogue == nullptr ||
        !readRows(parse.records, *catalogue, fileName, read.series, read.words, error)) {
        return {false, error};
    }
    report = std::move(read);
    return {true, {}};
}

ReportFileResult readParameterReport(const std::string& path, ParameterReport& report) {
    const SmallFileRead read = readSmallFile(path, kMaxReportFileBytes);
    switch (read.status) {
    case SmallFileRead::Status::CannotOpen:
        return {false, translated("ReportTexts", "无法打开") + reportLabel(path) +
                           translated("ReportTexts", "：") + read.reason};
    case SmallFileRead::Status::TooLarge:
        return {false, reportLabel(path) + translated("ReportTexts", "过大，不是参数报表。")};
    case SmallFileRead::Status::Read:
        break;
    }
    return parseParameterReport(read.content, path, report);
}

} // namespace velkaro
