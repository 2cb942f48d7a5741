#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "registry/language.h"

namespace velkaro {

/// Reads an environment variable: its value, or null when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

/// The language the locale asks for, the way the C library picks a message
/// catalogue: the locale of messages is LC_ALL, else LC_MESSAGES, else LANG
/// (the first set and not empty). When that is C or POSIX (or nothing) the
/// designed Chinese is shown whatever LANGUAGE says. Otherwise LANGUAGE, a
/// colon-separated list, is read first: its first entry in a language the
/// station has (zh, en) decides, and a list naming neither gives Chinese. With
/// no LANGUAGE the locale itself decides: English for en, Chinese otherwise.
Language languageFromEnvironment(const EnvironmentLookup& lookup);
/// The same over the process's own environment.
Language languageFromEnvironment();

/// The value of `--language zh|en` (or `--language=zh|en`) among a program's
/// arguments; the last one given counts. `problem` is set, in the display
/// language, when the option has no value or an unknown one.
std::optional<Language> languageArgument(int argc, const char* const* argv, std::string& problem);

/// True for the option itself (and for `--language=` forms), so a program that
/// checks its options can skip it and, for the separate form, its value.
bool isLanguageOption(std::string_view argument);

/// The choice in order: the command line, then a stored setting, then the
/// environment.
Language chooseLanguage(std::optional<Language> argument, std::optional<Language> stored,
                        Language fromEnvironment);

/// "zh" or "en", as the option and the stored setting write it.
std::string_view languageCode(Language language);

} // namespace velkaro
