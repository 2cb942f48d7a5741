#pragma once

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

} // namespace velkaro
