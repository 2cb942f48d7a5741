#include "ui/dialog_look.h"

#include <QPalette>
#include <QWidget>

#include "widgets/dialog_units.h"
#include "widgets/skinned_button.h"

namespace velkaro {

void applyDialogLook(QWidget* dialog) {
    QPalette palette = dialog->palette();
    const QColor window(160, 180, 220);
    const QColor field(233, 233, 220);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, Qt::black);
    palette.setColor(QPalette::Base, field);
    palette.setColor(QPalette::AlternateBase, field);
    palette.setColor(QPalette::Text, Qt::black);
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
    dialog->setFont(stationFont());
}

XpButton* createDialogButton(const QString& caption, QWidget* parent) {
    auto* button = new XpButton(caption, parent);
    button->setBackgroundColor(QColor(162, 189, 252));
    button->setHoverColor(SkinnedButton::defaultHoverColor());
    button->setMinimumSize(72, 26);
    return button;
}

} // namespace velkaro
