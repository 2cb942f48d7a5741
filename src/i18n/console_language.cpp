#include "i18n/console_language.h"

#include <string_view>

#include "i18n/language_choice.h"
#include "i18n/translators.h"

namespace velkaro {

bool startConsoleLanguage(QCoreApplication& application, int argc, char** argv,
                          std::vector<char*>& rest, std::string& problem) {
    // The locale's language first, so that a wrong --language is told in it.
    const Language fromEnvironment = languageFromEnvironment();
    installTranslators(application, fromEnvironment);
    const std::optional<Language> argument = languageArgument(argc, argv, problem);
    if (!problem.empty()) {
        return false;
    }
    if (argument && *argument != fromEnvironment) {
        installTranslators(application, *argument);
    }
    rest = withoutLanguageOption(argc, argv);
    return true;
}

} // namespace velkaro
