#include "sim/drive_register_map.h"

#include <algorithm>
#include <array>

namespace velkaro::sim {

namespace {
constexpr std::array<int, 1> kQd10Groups{100};
constexpr std::array<int, 13> kQd20Groups{14, 30, 13, 12, 20, 29, 39, 33, 34, 4, 16, 2, 12};
constexpr std::array<int, 19> kQd30Groups{16, 40, 25, 27, 66, 18, 31, 29, 99, 35,
                                          16, 42, 47, 61, 75, 9,  95, 21, 60};
constexpr std::array<int, 35> kQd40Groups{14, 24, 16, 24, 30, 25, 6,  22, 38, 35, 10, 18,
                                          19, 62, 62, 9,  21, 23, 42, 49, 15, 27, 10, 9,
                                          24, 15, 19, 11, 41, 83, 10, 9,  21, 78, 61};
// Rated power of the QD20 rating codes, 0.01 kW.
constexpr std::array<int, 30> kQd20Power{75,    150,   220,   400,   550,   750,   1100,  1500,
                                         1850,  2200,  3000,  3700,  4500,  5500,  7500,  9000,
                                         11000, 13200, 16000, 20000, 22000, 25000, 28000, 31500,
                                         37500, 40000, 45000, 47500, 50000, 56000};
} // namespace

std::span<const int> groupSizes(Series series) {
    switch (series) {
    case Series::QD10:
        return kQd10Groups;
    case Series::QD20:
        return kQd20Groups;
    case Series::QD30:
        return kQd30Groups;
    case Series::QD40:
        return kQd40Groups;
    }
    return {};
}

uint16_t ratingRegister(Series series) {
    switch (series) {
    case Series::QD10:
        return 0x0062;
    case Series::QD20:
        return 0x0B06;
    case Series::QD30:
    case Series::QD40:
        break;
    }
    return 0x000D;
}

int maxFrequency(Series series) {
    return series == Series::QD10 ? 20000 : 40000;
}

int ratedCurrent(Series series, int rating) {
    int powerHundredthsKw = rating;
    switch (series) {
    case Series::QD10:
        // The QD10 reports its rated current itself.
        return std::max(rating, 1);
    case Series::QD20:
        powerHundredthsKw = kQd20Power[static_cast<std::size_t>(std::clamp(rating, 0, 29))];
        break;
    case Series::QD30:
    case Series::QD40:
        break;
    }
    // About 2.1 A per kW on a 380 V supply.
    return std::max(powerHundredthsKw * 21 / 100, 10);
}

bool isParameterRegister(Series series, uint16_t reg) {
    const auto sizes = groupSizes(series);
    const std::size_t group = reg >> 8;
    return group < sizes.size() && static_cast<int>(reg & 0xFF) < sizes[group];
}

} // namespace velkaro::sim
