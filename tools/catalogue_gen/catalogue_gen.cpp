// Build step: turns the series catalogue files data/catalogues/qd*.tsv into
// constant C++ tables, so the station never reads a catalogue at run time.
//
//   catalogue_gen OUTPUT.cpp QD10=qd10.tsv QD20=qd20.tsv QD30=qd30.tsv QD40=qd40.tsv
//   catalogue_gen --check SERIES=FILE.tsv ...    (checks the given files only)
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
constexpr int kFieldCount = 5;

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
    if (lines.empty() || lines[0] != kHeader)
        fail(path, 1, "first line must be \"format<TAB>code<TAB>name<TAB>range<TAB>description\"");

    Catalogue catalogue;
    catalogue.rules = &rules;
    std::set<std::string> closedPrefixes;
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t lineNo = i + 1;
        std::string_view line = lines[i];
        if (line.find('\r') != std::string_view::npos)
            fail(path, lineNo, "carriage return in line (line ends must be LF only)");
        std::vector<std::string_view> fields = split(line, '\t');
        if (fields.size() != kFieldCount)
            fail(path, lineNo,
                 "expected 5 tab-separated fields, found " + std::to_string(fields.size()));

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
                << ", " << literal(e.code) << ", " << literal(e.description) << ", {}, {}, {}},\n";
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
