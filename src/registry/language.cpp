#include "registry/language.h"

#include <atomic>

namespace velkaro {
namespace {
std::atomic<Language> shownLanguage{Language::Chinese};
std::atomic<TextTranslator> installedTranslator{nullptr};
} // namespace

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

void setTextTranslator(TextTranslator translator) {
    installedTranslator.store(translator, std::memory_order_release);
}

std::string translated(const char* context, const char* source) {
    const TextTranslator translator = installedTranslator.load(std::memory_order_acquire);
    return translator ? translator(context, source) : std::string(source);
}

} // namespace velkaro
