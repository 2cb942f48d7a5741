#include "records/station_name.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "registry/language.h"

namespace velkaro {
namespace {

/// Code points of UTF-8 text; none when the bytes are no UTF-8 (a stray
/// continuation byte, a sequence cut short, an overlong form, a surrogate).
std::optional<std::vector<char32_t>> codePoints(std::string_view text) {
    std::vector<char32_t> points;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80    ? 1
                           : lead >= 0xF0 ? 4
                           : lead >= 0xE0 ? 3
                           : lead >= 0xC0 ? 2
                                          : 0;
        if (length == 0 || lead > 0xF4 || i + static_cast<std::size_t>(length) > text.size()) {
            return std::nullopt;
        }
        char32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            point = (point << 6) | (next & 0x3F);
        }
        constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kShortest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return std::nullopt;
        }
        points.push_back(point);
        i += static_cast<std::size_t>(length);
    }
    return points;
}

/// Blanks of every script, as a name's ends are checked for them: the ASCII
/// white space, the next line, and the Unicode space, line and paragraph
/// separators (the ideographic blank among them).
bool isBlank(char32_t c) {
    return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000;
}

bool isControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

void appendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

/// The value of a hexadecimal digit; -1 for any other character.
int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

/// A value of the settings file as one text: quotes keep blanks and
/// separators, backslashes escape (\n, \", \\, \x4e00, octal \101, …). None
/// for a list (a separator outside quotes) or a value that is no plain text.
std::optional<std::string> unescapedValue(std::string_view raw) {
    std::string text;
    bool quoted = false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c == ',' && !quoted) {
            return std::nullopt;
        }
        if (c != '\\' || i + 1 >= raw.size()) {
            text += c;
            continue;
        }
        const char e = raw[++i];
        switch (e) {
        case 'a':
            text += '\a';
            break;
        case 'b':
            text += '\b';
            break;
        case 'f':
            text += '\f';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        case 'v':
            text += '\v';
            break;
        case 'x': {
            char32_t point = 0;
            while (i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0 && point <= 0x10FFFF) {
                point = point * 16 + static_cast<char32_t>(hexValue(raw[++i]));
            }
            appendUtf8(text, point);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                char32_t point = static_cast<char32_t>(e - '0');
                while (i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7') {
                    point = point * 8 + static_cast<char32_t>(raw[++i] - '0');
                }
                appendUtf8(text, point);
            } else {
                text += e; // \" \' \? \\ \; \, \=
            }
        }
    }
    // A text starting with "@" is kept with a second one; other "@…" values
    // are no text.
    if (text.starts_with("@@")) {
        return text.substr(1);
    }
    if (text.starts_with('@')) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::string hostStationName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "velkaro";
    }
    return name;
}

std::string stationNameProblem(std::string_view name) {
    const std::optional<std::vector<char32_t>> points = codePoints(name);
    if (!points) {
        return translated("StationName", "站名不是有效的文字（UTF-8）");
    }
    bool blank = true;
    bool control = false;
    for (const char32_t c : *points) {
        blank = blank && isBlank(c);
        control = control || isControl(c);
    }
    if (blank) {
        return translated("StationName", "站名不能为空");
    }
    if (points->size() > static_cast<std::size_t>(kStationNameMaxLength)) {
        return translated("StationName", "站名最多 ") + std::to_string(kStationNameMaxLength) +
               translated("StationName", " 个字");
    }
    if (isBlank(points->front()) || isBlank(points->back())) {
        return translated("StationName", "站名前后不能有空格");
    }
    if (control) {
        return translated("StationName", "站名不能含控制字符");
    }
    return {};
}

std::string chooseStationName(const std::optional<std::string>& commandLine,
                              const std::optional<std::string>& kept) {
    if (commandLine) {
        return *commandLine;
    }
    return kept.value_or(hostStationName());
}

std::filesystem::path stationSettingsFile() {
    std::filesystem::path folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* entry = getpwuid(getuid());
            home = entry != nullptr ? entry->pw_dir : "/";
        }
        folder = std::filesystem::path(home) / ".config";
    }
    return folder / kSettingsOrganisation / (std::string(kSettingsApplication) + ".conf");
}

std::optional<std::string> readKeptStationName(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    bool inSection = false;
    std::optional<std::string> found;
    while (std::getline(in, line)) {
        const std::string_view text = trimmed(line);
        if (text.empty() || text.front() == ';' || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            inSection = text == "[" + std::string(kStationSettingsGroup) + "]";
            continue;
        }
        const std::size_t equals = text.find('=');
        if (inSection && equals != std::string_view::npos &&
            trimmed(text.substr(0, equals)) == kStationSettingsKey) {
            found = unescapedValue(trimmed(text.substr(equals + 1)));
        }
    }
    if (!found || !stationNameProblem(*found).empty()) {
        return std::nullopt;
    }
    return found;
}

} // namespace velkaro
