#include "i18n/language_choice.h"

#include <cstdlib>

namespace velkaro {
namespace {

// "en_GB.UTF-8@euro" -> "en"
std::string_view languagePart(std::string_view locale) {
    return locale.substr(0, locale.find_first_of("_.@"));
}

std::string_view setValue(const EnvironmentLookup& lookup, const char* name) {
    const char* value = lookup(name);
    return value ? std::string_view(value) : std::string_view();
}

} // namespace

Language languageFromEnvironment(const EnvironmentLookup& lookup) {
    std::string_view locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = setValue(lookup, name);
        if (!locale.empty()) {
            break;
        }
    }
    const std::string_view base = locale.substr(0, locale.find_first_of(".@"));
    if (base.empty() || base == "C" || base == "POSIX") {
        return Language::Chinese;
    }
    std::string_view list = setValue(lookup, "LANGUAGE");
    if (list.empty()) {
        return languagePart(locale) == "en" ? Language::English : Language::Chinese;
    }
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view entry = languagePart(list.substr(0, colon));
        if (entry == "en") {
            return Language::English;
        }
        if (entry == "zh") {
            return Language::Chinese;
        }
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    return Language::Chinese;
}

Language languageFromEnvironment() {
    return languageFromEnvironment([](const char* name) { return std::getenv(name); });
}

bool isLanguageOption(std::string_view argument) {
    return argument == "--language" || argument.starts_with("--language=");
}

std::optional<Language> languageArgument(int argc, const char* const* argv, std::string& problem) {
    std::optional<Language> chosen;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!isLanguageOption(argument)) {
            continue;
        }
        std::string_view value;
        if (argument == "--language") {
            if (i + 1 >= argc) {
                problem = translated("LanguageChoice", "--language 缺少取值（zh 或 en）");
                return std::nullopt;
            }
            value = argv[++i];
        } else {
            value = argument.substr(argument.find('=') + 1);
        }
        Language language = Language::Chinese;
        if (!parseLanguage(value, language)) {
            problem =
                translated("LanguageChoice", "--language 只能是 zh 或 en：") + std::string(value);
            return std::nullopt;
        }
        chosen = language;
    }
    return chosen;
}

Language chooseLanguage(std::optional<Language> argument, std::optional<Language> stored,
                        Language fromEnvironment) {
    return argument ? *argument : stored ? *stored : fromEnvironment;
}

std::string_view languageCode(Language language) {
    return language == Language::English ? "en" : "zh";
}

} // namespace velkaro
