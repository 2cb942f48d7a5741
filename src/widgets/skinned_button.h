#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>

namespace velkaro {

/// Push button painted in its own background colour whenever the pointer is
/// not over it and it is not pressed; optional icon. Tool buttons use it as is.
class SkinnedButton : public QPushButton {
    Q_OBJECT
public:
    explicit SkinnedButton(QWidget* parent = nullptr);
    SkinnedButton(const QString& text, QWidget* parent = nullptr);

    void setBackgroundColor(const QColor& colour);
    QColor backgroundColor() const { return m_background; }
    void setHoverColor(const QColor& colour);
    QColor hoverColor() const { return m_hover; }

    /// The platform's button face lightened by 30 per channel, capped at 255.
    static QColor defaultHoverColor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    /// Background step; the XP variant replaces it.
    virtual void paintBackground(class QPainter& painter, bool highlighted);
    /// Border step; plain buttons draw a flat frame.
    virtual void paintBorder(class QPainter& painter);
    bool pointerInside() const { return m_inside; }

private:
    QColor m_background;
    QColor m_hover;
    bool m_inside = false;
};

/// XP-style skinned button: on hover or press a rounded rectangle (8 x 8
/// corners) in the hover colour outlined in black; always a rounded border.
class XpButton : public SkinnedButton {
    Q_OBJECT
public:
    using SkinnedButton::SkinnedButton;

protected:
    void paintBackground(class QPainter& painter, bool highlighted) override;
    void paintBorder(class QPainter& painter) override;
};

} // namespace velkaro
