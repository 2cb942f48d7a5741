#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

/// The settings the station keeps between runs (QSettings of this
/// organisation and application; the window sets the same names).
inline constexpr std::string_view kSettingsOrganisation = "Velkaro";
inline constexpr std::string_view kSettingsApplication = "Velkaro";

/// The longest station name, in characters.
inline constexpr int kStationNameMaxLength = 64;

/// The host's name, the station's name when none is given or kept;
/// "velkaro" when the system has none.
std::string hostStationName();
/// Why `name` cannot name a station (empty, longer than
/// kStationNameMaxLength characters, blanks at either end, a control
/// character), in the operator's words; empty when it can.
std::string stationNameProblem(std::string_view name);

/// The name kept from the options dialog; none when never set (or when the
/// kept one is not a valid name).
std::optional<std::string> savedStationName();
/// Keeps `name` for later runs. False when the settings cannot be written.
bool saveStationName(const std::string& name);

/// This station's name: the one given on the command line, else the kept
/// one, else the host's.
std::string chooseStationName(const std::optional<std::string>& commandLine);

} // namespace velkaro
