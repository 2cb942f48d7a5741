#pragma once

#include <string>
#include <string_view>
#include <vector>

class QCoreApplication;

namespace velkaro {

/// A console tool's arguments without `--language zh|en` (and `--language=`
/// forms), for its own parser: argv[0] first and, as in argv, a null pointer
/// after the last (not counted as an argument). Header-only, so that a build
/// without Qt, which has only the designed Chinese, still takes the option.
inline std::vector<char*> withoutLanguageOption(int argc, char** argv) {
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (i > 0 && (word == "--language" || word.starts_with("--language="))) {
            i += word == "--language" ? 1 : 0; // its value
            continue;
        }
        rest.push_back(argv[i]);
    }
    rest.push_back(nullptr);
    return rest;
}

/// The language of a console tool, chosen as the station chooses it but
/// without a stored setting: `--language zh|en` anywhere among the arguments,
/// else the locale. Installs the catalogues (translators.h) and returns the
/// arguments without the option (withoutLanguageOption()). False, with
/// `problem` in the locale's language, for a missing or unknown value; the
/// locale's language is then installed.
bool startConsoleLanguage(QCoreApplication& application, int argc, char** argv,
                          std::vector<char*>& rest, std::string& problem);

} // namespace velkaro
