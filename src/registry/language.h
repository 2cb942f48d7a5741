#pragma once

#include <string>
#include <string_view>

namespace velkaro {

/// The language operator-visible texts are shown in. What is stored (run
/// records, .sav files, reports, CSV exports) keeps the Chinese texts in
/// either language, so stations in both languages share one database.
enum class Language { Chinese, English };

/// Process-wide display language; Chinese until a program sets it at start.
Language displayLanguage();
void setDisplayLanguage(Language language);

/// "zh" or "en" into `language`; false, and `language` untouched, for anything else.
bool parseLanguage(std::string_view text, Language& language);

/// Translates a core text (UTF-8 source text in its context) into the display
/// language. The core stays free of Qt: a Qt program installs one at start
/// (i18n/translators.h); without one every text is shown as written.
using TextTranslator = std::string (*)(const char* context, const char* source);
void setTextTranslator(TextTranslator translator);

/// `source` in the display language. Texts that are stored must not come
/// through here. The Linguist tools find the calls (lupdate's
/// -tr-function-alias translate+=translated), so both arguments are literals
/// or texts marked with VELKARO_TRANSLATE_NOOP.
std::string translated(const char* context, const char* source);

} // namespace velkaro

/// Marks a literal kept in a table for translation where it is shown (lupdate
/// reads it as QT_TRANSLATE_NOOP); the literal itself is unchanged.
#define VELKARO_TRANSLATE_NOOP(context, source) source
