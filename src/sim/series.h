#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkaro::sim {

/// The four drive series the station knows.
enum class Series { QD10, QD20, QD30, QD40 };

/// "QD10" .. "QD40", the name the catalogues use.
std::string seriesName(Series series);
/// Series of an exact name ("QD30"); none for anything else.
std::optional<Series> parseSeries(std::string_view name);

} // namespace velkaro::sim
