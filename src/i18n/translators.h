#pragma once

#include <QString>

#include "registry/language.h"

class QCoreApplication;

namespace velkaro {

/// What installTranslators() found: our catalogue and Qt's own (the standard
/// dialogs, buttons and context menus).
struct InstalledCatalogues {
    bool station = false; ///< the English catalogue of our texts (English only)
    bool qt = false;      ///< Qt's catalogue for the language (Chinese only)
};

/// Makes `language` the display language of the program: installs our English
/// catalogue (embedded at :/i18n) for English, Qt's Chinese catalogues (from
/// Qt's translations folder, Debian's qt6-translations-l10n) for Chinese, and
/// the core's translator (registry/language.h) behind QCoreApplication's.
/// Our texts are written in Chinese, and Qt's in English, so each language
/// needs only one of the two. A catalogue that is missing leaves its texts as
/// written; the program still runs. A second call replaces what the first
/// installed.
InstalledCatalogues installTranslators(QCoreApplication& application, Language language);

/// For what a program says before its application object exists (--help, a
/// wrong option): makes `language` the display language and lets the core's
/// translated() read our catalogue directly. installTranslators() takes over
/// once the application is made.
void installEarlyTranslator(Language language);

/// Where Qt's own catalogues are looked for.
QString qtTranslationsFolder();

} // namespace velkaro
