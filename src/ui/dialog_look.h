#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace velkaro {

class XpButton;

/// The station's colours: dialog background and static texts, edit fields and
/// lists, and the buttons.
inline const QColor kWindowColour(160, 180, 220);
inline const QColor kFieldColour(233, 233, 220);
inline const QColor kButtonColour(162, 189, 252);

/// The station's dialog colours: background and static texts RGB(160,180,220),
/// edit fields and lists RGB(233,233,220), black text; the dialog font.
void applyDialogLook(QWidget* dialog);

/// An XP-style skinned push button in the station's button colour.
XpButton* createDialogButton(const QString& caption, QWidget* parent = nullptr);

} // namespace velkaro
