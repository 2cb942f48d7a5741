#include "files/parameter_compare.h"

#include <algorithm>
#include <cctype>

#include "files/csv_text.h"
#include "files/parameter_file.h"
#include "files/parameter_text.h"
#include "files/small_file.h"
#include "registry/catalogue.h"
#include "registry/language.h"

namespace velkaro {

namespace {

constexpr std::size_t kImageHeaderWords = 2;

uint16_t imageWord(const ParameterImage& image, std::size_t word) {
    return static_cast<uint16_t>((image[2 * word] << 8) | image[2 * word + 1]);
}

bool hasExtension(const std::string& path, std::string_view extension) {
    if (path.size() <= extension.size()) {
        return false;
    }
    const std::string_view end = std::string_view(path).substr(path.size() - extension.size());
    return std::equal(extension.begin(), extension.end(), end.begin(), [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

} // namespace

ParameterSet parameterSetOf(const ParameterReport& report) {
    ParameterSet set;
    set.series = report.series;
    set.words.assign(report.words.begin(), report.words.end());
    return set;
}

std::optional<ParameterSet> parameterSetOf(const ParameterImage& image, const std::string& path,
                                           std::string& error) {
    ParameterSet set;
    set.series = image[1] == kImageTagQd10 ? "QD10" : image[1] == kImageTagQd30 ? "QD30" : "";
    const SeriesCatalogue* catalogue = catalogueFor(set.series);
    if (catalogue == nullptr) {
        error = translated("FileTexts", "参数文件“") + path +
                translated("FileTexts", "”的机型标志无法识别。");
        return std::nullopt;
    }
    set.words.resize(catalogue->entries.size());
    for (std::size_t g = 0; g < catalogue->groups.size(); ++g) {
        const ParamGroup& group = catalogue->groups[g];
        for (int row = 0; row < group.count; ++row) {
            // QD10 files hold the single group in register order.
            const std::optional<int> slot =
                set.series == "QD10" ? std::optional<int>(row) : fileSlot(static_cast<int>(g), row);
            if (slot) {
                set.words[static_cast<std::size_t>(group.first) + static_cast<std::size_t>(row)] =
                    imageWord(image, kImageHeaderWords + static_cast<std::size_t>(*slot));
            }
        }
    }
    return set;
}

ParameterFileKind parameterFileKind(const std::string& path, std::string_view content) {
    std::string_view text = content;
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    if (text.starts_with(kReportFirstLabel) &&
        text.substr(kReportFirstLabel.size()).starts_with(',')) {
        return ParameterFileKind::Report;
    }
    const bool numbersAndCrs =
        content.find('\r') != std::string_view::npos &&
        content.find_first_of("0123456789") != std::string_view::npos &&
        content.find_first_not_of("0123456789\r\n \t") == std::string_view::npos;
    if (numbersAndCrs || hasExtension(path, ".sav")) {
        return ParameterFileKind::Sav;
    }
    if (hasExtension(path, ".csv")) {
        return ParameterFileKind::Report;
    }
    return ParameterFileKind::Unknown;
}

std::optional<ParameterSet> loadParameterSet(const std::string& path, std::string& error) {
    const SmallFileRead read = readSmallFile(path, kMaxReportFileBytes);
    if (read.status != SmallFileRead::Status::Read) {
        error = read.status == SmallFileRead::Status::TooLarge
                    ? translated("FileTexts", "文件“") + path +
                          translated("FileTexts", "”过大，不是参数存储文件或参数报表。")
                    : translated("FileTexts", "无法打开文件“") + path +
                          translated("FileTexts", "”：") + read.reason;
        return std::nullopt;
    }
    switch (parameterFileKind(path, read.content)) {
    case ParameterFileKind::Sav: {
        ParameterImage image{};
        const ParameterFileResult parsed = parseParameterFile(read.content, path, image);
        if (!parsed.ok) {
            error = parsed.message;
            return std::nullopt;
        }
        return parameterSetOf(image, path, error);
    }
    case ParameterFileKind::Report: {
        ParameterReport report;
        const ReportFileResult parsed = parseParameterReport(read.content, path, report);
        if (!parsed.ok) {
            error = parsed.message;
            return std::nullopt;
        }
        return parameterSetOf(report);
    }
    case ParameterFileKind::Unknown:
        break;
    }
    error =
        translated("FileTexts", "文件“") + path +
        translated("FileTexts",
                   "”既不是参数存储文件（.sav，以回车分隔的十进制数值），也不是参数报表（.csv）。");
    return std::nullopt;
}

std::string valueWithUnit(const ParamDescriptor& d, uint16_t word) {
    return parameterValueText(d, word) + unitOf(d.range);
}

ParameterComparison compareParameters(const ParameterSet& left, const ParameterSet& right) {
    ParameterComparison result;
    result.series = left.series;
    if (left.series != right.series) {
        result.error = std::string(kWrongModelMessage);
        return result;
    }
    const SeriesCatalogue* catalogue = catalogueFor(left.series);
    if (catalogue == nullptr || left.words.size() != catalogue->entries.size() ||
        right.words.size() != catalogue->entries.size()) {
        result.error = translated("FileTexts", "机型“") + left.series +
                       translated("FileTexts", "”的参数无法对比。");
        return result;
    }
    for (std::size_t e = 0; e < catalogue->entries.size(); ++e) {
        if (!left.words[e] || !right.words[e]) {
            continue;
        }
        if (*left.words[e] == *right.words[e]) {
            ++result.equal;
            continue;
        }
        const ParamDescriptor& d = catalogue->entries[e];
        const ParamGroup& group =
            catalogue->groups[static_cast<std::size_t>(groupOfEntry(*catalogue, e))];
        result.differences.push_back({e, std::string(group.label), std::string(d.code),
                                      std::string(d.name), valueWithUnit(d, *left.words[e]),
                                      valueWithUnit(d, *right.words[e])});
    }
    result.ok = true;
    return result;
}

} // namespace velkaro
