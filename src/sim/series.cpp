#include "sim/series.h"

namespace velkaro::sim {

std::string seriesName(Series series) {
    switch (series) {
    case Series::QD10:
        return "QD10";
    case Series::QD20:
        return "QD20";
    case Series::QD30:
        return "QD30";
    case Series::QD40:
        return "QD40";
    }
    return {};
}

std::optional<Series> parseSeries(std::string_view name) {
    for (Series series : {Series::QD10, Series::QD20, Series::QD30, Series::QD40}) {
        if (name == seriesName(series)) {
            return series;
        }
    }
    return std::nullopt;
}

} // namespace velkaro::sim
