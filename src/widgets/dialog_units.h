#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace velkaro {

/// Converts dialog-template units to pixels for a dialog font, as the window
/// system does: a horizontal unit is a quarter of the font's average
/// character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int m_baseX = 8;
    int m_baseY = 16;
};

/// The station's dialog font: 宋体 9 pt, falling back to an installed CJK font.
QFont stationFont();

} // namespace velkaro
