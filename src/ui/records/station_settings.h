#pragma once

#include <optional>
#include <string>

#include "registry/language.h"

namespace velkaro {

/// The station's name kept between runs in the station's settings (section
/// "records", key "station"; see records/station_name.h for the file and
/// for how programs without the window layer read it back).

/// The name kept from the options dialog; none when never set (or when the
/// kept one is not a valid name).
std::optional<std::string> savedStationName();
/// Keeps `name` for later runs. False when the settings cannot be written.
bool saveStationName(const std::string& name);

/// The display language chosen in the options dialog (key "display/language",
/// "zh" or "en"); none when never chosen, so the locale decides.
std::optional<Language> savedLanguage();
/// Keeps `language` for the next start. False when the settings cannot be written.
bool saveLanguage(Language language);

} // namespace velkaro
