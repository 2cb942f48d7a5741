#pragma once

#include <QColor>
#include <QString>

#include "records/record_time.h"

// What the trend window's controls and its chart share: the hour, the colours
// of the trip and loss marks, and how a time is written.

namespace velkaro {

inline constexpr WallSeconds kTrendHour = 3600;
inline const QColor kTrendFaultColour(200, 0, 0);
inline const QColor kTrendLossColour(90, 90, 90);

inline QString trendTimeText(WallSeconds time) {
    return QString::fromStdString(formatRecordTime(wallTimeOf(time)));
}

} // namespace velkaro
