// Build step: turns the series catalogue files data/catalogues/qd*.tsv into
// constant C++ tables, so the station never reads a catalogue at run time.
//
//   catalogue_gen OUTPUT.cpp QD10=qd10.tsv QD20=qd20.tsv QD30=qd30.tsv QD40=qd40.tsv
//   catalogue_gen --check SERIES=FILE.tsv ...    (checks the given files only)
//
// A file holds five columns, or eight when the English texts of name, range and
// description follow; an empty English cell shows the Chinese text instead.
//
// A malformed file stops the build: the first fault is printed as
// "file:line: reason" and the program exits with status 1 without writing OUTPUT.

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iconv.h>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kHeader = "format\tcode\tname\trange\tdescription";
constexpr std::string_view kEnglishColumns = "\tname_en\trange_en\tdescription_en";
constexpr size_t kChineseFieldCount = 5;
constexpr size_t kEnglishFieldCount = 8;

// Format words a drive's catalogue may carry: decimals in bits 0..2, bits 3
// and 4 (never together) and bit 5.
constexpr std::array<int, 19> kFormatWords = {0,  1,  2,  8,  9,  10, 11, 16, 17, 18,
                                              19, 32, 33, 34, 40, 48, 49, 50, 51};

// Field widths of the record form, in code page 936 bytes without terminator.
constexpr size_t kMaxCodeBytes = 9;
constexpr size_t kMaxNameBytes = 49;
constexpr size_t kMaxRangeBytes = 49;
constexpr size_t kMaxDescriptionBytes = 199;

struct SeriesRules {
    std::string_view series;
    std::string_view separator; ///< between code prefix and two-digit position
    bool hexLabels;             ///< "Fb" is shown as "FB": groups F0..FF are hex-numbered
};

constexpr std::array<SeriesRules, 4> kSeries = {{
    {"QD10", "", false},
    {"QD20", "", true},
    {"QD30", "-", true},
    {"QD40", "-", false},
}};

struct Entry {
    int format = 0;
    std::string code, name, range, description;
    std::string nameEn, rangeEn, descriptionEn;
};

struct Group {
    std::string label, prefix;
    int count = 0;
    int first = 0;
};

struct Catalogue {
    const SeriesRules* rules = nullptr;
    std::vector<Entry> entries;
    std::vector<Group> groups;
};

class DataError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& file, size_t line, const std::string& reason) {
    throw DataError(file + ":" + std::to_string(line) + ": " + reason);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

/// Length of a UTF-8 text once converted to code page 936; throws the reason
/// when the text is not valid UTF-8 or holds a character outside the code page.
class Gbk {
public:
    Gbk() : m_cd(iconv_open("GBK", "UTF-8")) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("iconv cannot convert UTF-8 to GBK on this machine");
    }
    ~Gbk() { iconv_close(m_cd); }
    Gbk(const Gbk&) = delete;
    Gbk& operator=(const Gbk&) = delete;

    /// Byte count in code page 936, or -1 when the text cannot be converted.
    long byteCount(std::string_view text) const {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        std::string in(text);
        char* inPtr = in.data();
        size_t inLeft = in.size();
        // Code page 936 never needs more bytes than UTF-8 for the same text.
        std::string out(in.size() + 4, '\0');
        char* outPtr = out.data();
        size_t outLeft = out.size();
        if (iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return -1;
        return static_cast<long>(out.size() - outLeft);
    }

private:
    iconv_t m_cd;
};

void checkText(const Gbk& gbk, const std::string& file, size_t line, std::string_view what,
               std::string_view text, size_t maxBytes) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            fail(file, line, std::string(what) + " holds a control character");
    }
    long bytes = gbk.byteCount(text);
    if (bytes < 0)
        fail(file, line,
             std::string(what) + " is not valid UTF-8 or holds a character outside code page 936");
    if (static_cast<size_t>(bytes) > maxBytes)
        fail(file, line,
             std::string(what) + " is " + std::to_string(bytes) +
                 " bytes in code page 936, at most " + std::to_string(maxBytes));
}

/// Next code point of a UTF-8 text at `at`, advancing it; -1 for a malformed,
/// overlong or surrogate sequence.
long nextCodePoint(std::string_view text, size_t& at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || at + static_cast<size_t>(length) > text.size())
        return -1;
    long value = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + static_cast<size_t>(i));
        if ((next & 0xC0) != 0x80)
            return -1;
        value = (value << 6) | (next & 0x3F);
    }
    constexpr long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return -1;
    at += static_cast<size_t>(length);
    return value;
}

/// Ideographs, kana, hangul, CJK punctuation and full-width forms ("～", "："):
/// what a Chinese text copied into an English cell brings with it.
bool isCjk(long c) {
    return (c >= 0x2E80 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

/// An English cell: UTF-8 without control or CJK characters, and empty where
/// the Chinese cell it translates is empty.
void checkEnglish(const std::string& file, size_t line, std::string_view what,
                  std::string_view text, std::string_view chinese) {
    if (!text.empty() && chinese.empty())
        fail(file, line, std::string(what) + " translates an empty Chinese cell");
    for (size_t at = 0; at < text.size();) {
        const long c = nextCodePoint(text, at);
        if (c < 0)
            fail(file, line, std::string(what) + " is not valid UTF-8");
        if (c < 0x20 || c == 0x7F)
            fail(file, line, std::string(what) + " holds a control character");
        if (isCjk(c)) {
            char hex[24]; // "U+" and up to 16 hex digits of an unsigned long
            std::snprintf(hex, sizeof hex, "U+%04lX", static_cast<unsigned long>(c));
            fail(file, line, std::string(what) + " holds a CJK character (" + hex + ")");
        }
    }
}

int parseFormat(const std::string& file, size_t line, std::string_view text) {
    int value = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    bool known = ec == std::errc() && end == text.data() + text.size() &&
                 std::find(kFormatWords.begin(), kFormatWords.end(), value) != kFormatWords.end();
    if (!known)
        fail(file, line,
             "format word \"" + std::string(text) + "\" is not a catalogue format word");
    return value;
}

bool isPrefixChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

/// Splits a code into its group prefix and two-digit position.
void splitCode(const std::string& file, size_t line, const SeriesRules& rules,
               std::string_view code, std::string& prefix, int& position) {
    const std::string expected = "prefix" + std::string(rules.separator) + "two-digit position";
    size_t tail = rules.separator.size() + 2;
    bool shaped = code.size() > tail && std::isdigit(static_cast<unsigned char>(code.end()[-1])) &&
                  std::isdigit(static_cast<unsigned char>(code.end()[-2])) &&
                  code.substr(code.size() - tail, rules.separator.size()) == rules.separator;
    std::string_view head = shaped ? code.substr(0, code.size() - tail) : std::string_view();
    if (!shaped || !std::all_of(head.begin(), head.end(), isPrefixChar))
        fail(file, line, "code \"" + std::string(code) + "\" is not " + expected);
    prefix = head;
    position = (code.end()[-2] - '0') * 10 + (code.end()[-1] - '0');
}

std::string labelOf(const SeriesRules& rules, const std::string& prefix) {
    std::string label = prefix;
    if (rules.hexLabels && label.size() == 2 && label[0] == 'F' && label[1] >= 'a' &&
        label[1] <= 'f')
        label[1] = static_cast<char>(label[1] - 'a' + 'A');
    return label;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw DataError(path + ":0: cannot be read");
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

Catalogue parseCatalogue(const SeriesRules& rules, const std::string& path, const Gbk& gbk) {
    const std::string content = readFile(path);
    std::vector<std::string_view> lines = split(content, '\n');
    if (!lines.empty() && lines.back().empty())
        lines.pop_back(); // the newline that ends the last line
    const std::string withEnglish = std::string(kHeader) + std::string(kEnglishColumns);
    if (lines.empty() || (lines[0] != kHeader && lines[0] != withEnglish))
        fail(path, 1,
             "first line must be \"format<TAB>code<TAB>name<TAB>range<TAB>description\", "
             "optionally followed by \"<TAB>name_en<TAB>range_en<TAB>description_en\"");
    const size_t fieldCount = lines[0] == kHeader ? kChineseFieldCount : kEnglishFieldCount;

    Catalogue catalogue;
    catalogue.rules = &rules;
    std::set<std::string> closedPrefixes;
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t lineNo = i + 1;
        std::string_view line = lines[i];
        if (line.find('\r') != std::string_view::npos)
            fail(path, lineNo, "carriage return in line (line ends must be LF only)");
        std::vector<std::string_view> fields = split(line, '\t');
        if (fields.size() != fieldCount)
            fail(path, lineNo,
                 "expected " + std::to_string(fieldCount) + " tab-separated fields, found " +
                     std::to_string(fields.size()));

        Entry entry;
        entry.format = parseFormat(path, lineNo, fields[0]);
        entry.code = fields[1];
        entry.name = fields[2];
        entry.range = fields[3];
        entry.description = fields[4];
        checkText(gbk, path, lineNo, "code", entry.code, kMaxCodeBytes);
        checkText(gbk, path, lineNo, "name", entry.name, kMaxNameBytes);
        checkText(gbk, path, lineNo, "range", entry.range, kMaxRangeBytes);
        checkText(gbk, path, lineNo, "description", entry.description, kMaxDescriptionBytes);
        if (fieldCount == kEnglishFieldCount) {
            entry.nameEn = fields[5];
            entry.rangeEn = fields[6];
            entry.descriptionEn = fields[7];
            checkEnglish(path, lineNo, "name_en", entry.nameEn, entry.name);
            checkEnglish(path, lineNo, "range_en", entry.rangeEn, entry.range);
            checkEnglish(path, lineNo, "description_en", entry.descriptionEn, entry.description);
        }

        // Groups are the maximal runs of one prefix; positions run 00, 01, ...
        std::string prefix;
        int position = 0;
        splitCode(path, lineNo, rules, entry.code, prefix, position);
        const int index = static_cast<int>(catalogue.entries.size());
        if (!catalogue.groups.empty() && catalogue.groups.back().prefix == prefix) {
            Group& group = catalogue.groups.back();
            if (position != group.count)
                fail(path, lineNo,
                     "code \"" + entry.code + "\" out of sequence, expected position " +
                         std::to_string(group.count));
            ++group.count;
        } else {
            if (closedPrefixes.count(prefix))
                fail(path, lineNo, "group " + prefix + " starts again after another group");
            if (position != 0)
                fail(path, lineNo, "group " + prefix + " must start at position 00");
            if (!catalogue.groups.empty())
                closedPrefixes.insert(catalogue.groups.back().prefix);
            catalogue.groups.push_back({labelOf(rules, prefix), prefix, 1, index});
        }
        catalogue.entries.push_back(std::move(entry));
    }
    if (catalogue.entries.empty())
        fail(path, lines.size(), "no entries");
    return catalogue;
}

std::string literal(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"sv";
}

std::string identifier(std::string_view series) {
    std::string name = "k";
    name += series[0];
    for (char c : series.substr(1))
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::string render(const std::vector<Catalogue>& catalogues) {
    std::ostringstream out;
    out << "// Generated by catalogue_gen from data/catalogues; edit those files, not this one.\n"
           "#include \"registry/catalogue.h\"\n\n"
           "namespace velkaro::catalogue_tables {\n"
           "namespace {\n"
           "using namespace std::string_view_literals;\n";
    for (const Catalogue& c : catalogues) {
        const std::string id = identifier(c.rules->series);
        out << "\nconstexpr ParamDescriptor " << id << "Entries[] = {\n";
        for (const Entry& e : c.entries)
            out << "    {" << e.format << ", " << literal(e.range) << ", " << literal(e.name)
                << ", " << literal(e.code) << ", " << literal(e.description) << ", "
                << literal(e.nameEn) << ", " << literal(e.rangeEn) << ", "
                << literal(e.descriptionEn) << "},\n";
        out << "};\n\nconstexpr ParamGroup " << id << "Groups[] = {\n";
        for (const Group& g : c.groups)
            out << "    {" << literal(g.label) << ", " << literal(g.prefix) << ", " << g.count
                << ", " << g.first << "},\n";
        out << "};\n";
    }
    out << "} // namespace\n\nextern const SeriesCatalogue seriesCatalogues[" << catalogues.size()
        << "] = {\n";
    for (const Catalogue& c : catalogues) {
        const std::string id = identifier(c.rules->series);
        out << "    {" << literal(c.rules->series) << ", " << id << "Entries, " << id
            << "Groups},\n";
    }
    out << "};\n\n} // namespace velkaro::catalogue_tables\n";
    return out.str();
}

void writeAtomically(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out.flush())
            throw std::runtime_error(temporary + ": cannot be written");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw std::runtime_error(path + ": cannot be replaced");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: catalogue_gen OUTPUT.cpp|--check SERIES=FILE.tsv ...\n");
        return 2;
    }
    const std::string_view output = argv[1];
    const bool checkOnly = output == "--check";
    try {
        std::map<std::string, std::string, std::less<>> files;
        for (int i = 2; i < argc; ++i) {
            std::string_view argument = argv[i];
            size_t equals = argument.find('=');
            if (equals == std::string_view::npos)
                throw std::runtime_error("argument \"" + std::string(argument) +
                                         "\" is not SERIES=FILE");
            files[std::string(argument.substr(0, equals))] = argument.substr(equals + 1);
        }
        Gbk gbk;
        std::vector<Catalogue> catalogues;
        for (const SeriesRules& rules : kSeries) {
            auto file = files.find(rules.series);
            if (file == files.end()) {
                if (checkOnly)
                    continue;
                throw std::runtime_error("no catalogue file given for " +
                                         std::string(rules.series));
            }
            catalogues.push_back(parseCatalogue(rules, file->second, gbk));
            files.erase(file);
        }
        if (!files.empty())
            throw std::runtime_error("unknown series " + files.begin()->first);
        if (!checkOnly)
            writeAtomically(std::string(output), render(catalogues));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
