#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

/// The settings the station keeps between runs: Qt's settings of this
/// organisation and application, an INI file (see stationSettingsFile()).
inline constexpr std::string_view kSettingsOrganisation = "Velkaro";
inline constexpr std::string_view kSettingsApplication = "Velkaro";
/// Section and key of the kept station name in that file.
inline constexpr std::string_view kStationSettingsGroup = "records";
inline constexpr std::string_view kStationSettingsKey = "station";

/// The longest station name, in characters.
inline constexpr int kStationNameMaxLength = 64;

/// The host's name, the station's name when none is given or kept;
/// "velkaro" when the system has none.
std::string hostStationName();
/// Why `name` (UTF-8) cannot name a station (empty, longer than
/// kStationNameMaxLength characters, blanks at either end, a control
/// character, bytes that are no UTF-8 text), in the operator's words; empty
/// when it can.
std::string stationNameProblem(std::string_view name);

/// This station's name: the one given on the command line, else the kept
/// one, else the host's.
std::string chooseStationName(const std::optional<std::string>& commandLine,
                              const std::optional<std::string>& kept);

/// The station's settings file: $XDG_CONFIG_HOME/Velkaro/Velkaro.conf, by
/// default under ~/.config, where the station's settings keep it.
std::filesystem::path stationSettingsFile();
/// The station name kept in a settings file as the station writes it (the
/// value of "station" in section [records], with the file's quoting and
/// escapes undone); none when the file, the key or a valid name is missing.
/// For programs without the window layer: the station itself reads and
/// writes it through its settings.
std::optional<std::string> readKeptStationName(const std::filesystem::path& file);

} // namespace velkaro
