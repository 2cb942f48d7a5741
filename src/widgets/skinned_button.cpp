#include "widgets/skinned_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>

#include <algorithm>

namespace velkaro {

namespace {

QColor buttonFace() {
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

} // namespace

SkinnedButton::SkinnedButton(QWidget* parent) : SkinnedButton(QString(), parent) {}

SkinnedButton::SkinnedButton(const QString& text, QWidget* parent)
    : QPushButton(text, parent), m_background(buttonFace()), m_hover(defaultHoverColor()) {
    setAttribute(Qt::WA_Hover);
    // The button paints its own face; the style sheet keeps the platform style from
    // drawing a second frame and supplies the text colours for both states.
    setStyleSheet(QStringLiteral("QPushButton { border: none; color: black; }"
                                 "QPushButton:disabled { color: #6e6e6e; }"));
}

void SkinnedButton::setBackgroundColor(const QColor& colour) {
    m_background = colour;
    update();
}

void SkinnedButton::setHoverColor(const QColor& colour) {
    m_hover = colour;
    update();
}

QColor SkinnedButton::defaultHoverColor() {
    const QColor face = buttonFace();
    return QColor(std::min(face.red() + 30, 255), std::min(face.green() + 30, 255),
                  std::min(face.blue() + 30, 255));
}

void SkinnedButton::enterEvent(QEnterEvent* event) {
    m_inside = true;
    update();
    QPushButton::enterEvent(event);
}

void SkinnedButton::leaveEvent(QEvent* event) {
    m_inside = false;
    update();
    QPushButton::leaveEvent(event);
}

void SkinnedButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const bool highlighted = isEnabled() && (m_inside || isDown());
    paintBackground(painter, highlighted);
    paintBorder(painter);

    // Icon and caption through the style, so disabled text, mnemonics and the
    // icon's disabled mode look as the platform draws them.
    QStyleOptionButton option;
    initStyleOption(&option);
    option.features &= ~QStyleOptionButton::HasMenu;
    option.palette.setColor(QPalette::ButtonText, palette().color(QPalette::ButtonText));
    if (isDown()) {
        option.rect.translate(1, 1);
    }
    style()->drawControl(QStyle::CE_PushButtonLabel, &option, &painter, this);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void SkinnedButton::paintBackground(QPainter& painter, bool highlighted) {
    painter.fillRect(rect(), highlighted ? m_hover : m_background);
}

void SkinnedButton::paintBorder(QPainter& painter) {
    const QRect r = rect().adjusted(0, 0, -1, -1);
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const bool sunken = isDown() || isChecked();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(sunken ? dark : light);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(sunken ? light : dark);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
    painter.restore();
}

void XpButton::paintBackground(QPainter& painter, bool highlighted) {
    painter.fillRect(rect(), backgroundColor());
    if (highlighted) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 8, 8);
        painter.fillPath(path, hoverColor());
        painter.setPen(QPen(Qt::black, 1));
        painter.drawPath(path);
    }
}

void XpButton::paintBorder(QPainter& painter) {
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.setPen(QPen(palette().color(QPalette::Dark), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

} // namespace velkaro
