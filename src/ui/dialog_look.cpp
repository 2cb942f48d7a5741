#include "ui/dialog_look.h"

#include <QPalette>
#include <QWidget>

#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

namespace velkaro {

void applyDialogLook(QWidget* dialog) {
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, kWindowColour);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Base, kFieldColour);
    palette.setColor(QPalette::AlternateBase, kFieldColour);
    palette.setColor(QPalette::Text, Qt::black);
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
    dialog->setFont(stationFont());
}

XpButton* createDialogButton(const QString& caption, QWidget* parent) {
    auto* button = new XpButton(caption, parent);
    button->setBackgroundColor(kButtonColour);
    button->setHoverColor(SkinnedButton::defaultHoverColor());
    button->setMinimumSize(72, 26);
    return button;
}

} // namespace velkaro
