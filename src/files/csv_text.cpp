#include "files/csv_text.h"
#include "registry/language.h"

namespace velkaro {

namespace {

/// A blank at either end is quoted too: a working state such as "正向运转 "
/// keeps its blank in every reader.
bool needsQuotes(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    return text.find_first_of(",\"\r\n") != std::string_view::npos || text.front() == ' ' ||
           text.back() == ' ' || text.front() == '\t' || text.back() == '\t';
}

} // namespace

std::string csvField(std::string_view text) {
    if (!needsQuotes(text)) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') {
            quoted += '"';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

namespace {

template <class Fields> std::string joinRecord(const Fields& fields) {
    std::string line;
    bool first = true;
    for (const auto& field : fields) {
        if (!first) {
            line += ',';
        }
        first = false;
        line += csvField(field);
    }
    line += "\r\n";
    return line;
}

} // namespace

std::string csvRecord(const std::vector<std::string>& fields) {
    return joinRecord(fields);
}

std::string csvRecord(std::initializer_list<std::string_view> fields) {
    return joinRecord(fields);
}

namespace {

/// Reads one record starting at `at`; moves `at` past its line end and
/// `line` past every line it covered.
class RecordScanner {
public:
    RecordScanner(std::string_view text, std::size_t at, int line)
        : m_text(text), m_at(at), m_line(line) {}

    bool scan(CsvRecord& record, std::string& error) {
        record.line = m_line;
        record.fields.assign(1, std::string());
        while (m_at < m_text.size()) {
            const char c = m_text[m_at];
            if (c == '\n' || (c == '\r' && next() == '\n')) {
                m_at += c == '\r' ? 2 : 1;
                ++m_line;
                return true;
            }
            if (c == ',') {
                record.fields.emplace_back();
                ++m_at;
            } else if (c == '"' && !m_fieldHadText) {
                if (!scanQuoted(record.fields.back(), error)) {
                    return false;
                }
                continue;
            } else if (c == '"' || c == '\r') {
                error = c == '"' ? translated("FileTexts", "未加引号的字段中有引号")
                                 : translated("FileTexts", "字段中有单独的回车符");
                return false;
            } else {
                record.fields.back() += c;
                ++m_at;
            }
            m_fieldHadText = c != ',';
        }
        return true;
    }

    std::size_t position() const { return m_at; }
    int line() const { return m_line; }

private:
    char next() const { return m_at + 1 < m_text.size() ? m_text[m_at + 1] : '\0'; }

    /// A quoted field from its opening quote to the comma or line end after it.
    bool scanQuoted(std::string& field, std::string& error) {
        const int openedOn = m_line;
        ++m_at;
        for (;;) {
            if (m_at >= m_text.size()) {
                m_line = openedOn; // where the operator finds the stray quote
                error = translated("FileTexts", "引号没有闭合");
                return false;
            }
            const char c = m_text[m_at];
            if (c == '"' && next() == '"') {
                field += '"';
                m_at += 2;
            } else if (c == '"') {
                ++m_at;
                break;
            } else {
                if (c == '\n') {
                    ++m_line;
                }
                field += c;
                ++m_at;
            }
        }
        const char after = m_at < m_text.size() ? m_text[m_at] : '\n';
        if (after != ',' && after != '\n' && !(after == '\r' && next() == '\n')) {
            error = translated("FileTexts", "引号后面有多余的字符");
            return false;
        }
        m_fieldHadText = true;
        return true;
    }

    std::string_view m_text;
    std::size_t m_at;
    int m_line;
    bool m_fieldHadText = false;
};

} // namespace

CsvParse parseCsv(std::string_view text) {
    CsvParse parse;
    std::size_t at = text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
    int line = 1;
    while (at < text.size()) {
        RecordScanner scanner(text, at, line);
        CsvRecord record;
        std::string error;
        if (!scanner.scan(record, error)) {
            parse.errorLine = scanner.line();
            parse.error = error;
            return parse;
        }
        parse.records.push_back(std::move(record));
        at = scanner.position();
        line = scanner.line();
    }
    parse.ok = true;
    return parse;
}

} // namespace velkaro
