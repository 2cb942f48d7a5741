#include "registry/language.h"

#include <atomic>

namespace velkaro {
namespace {
std::atomic<Language> shownLanguage{Language::Chinese};
}

Language displayLanguage() {
    return shownLanguage.load(std::memory_order_relaxed);
}

void setDisplayLanguage(Language language) {
    shownLanguage.store(language, std::memory_order_relaxed);
}

bool parseLanguage(std::string_view text, Language& language) {
    if (text == "zh") {
        language = Language::Chinese;
        return true;
    }
    if (text == "en") {
        language = Language::English;
        return true;
    }
    return false;
}

} // namespace velkaro
