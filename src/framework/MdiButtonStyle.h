#pragma once
#include <QProxyStyle>

// The window style with the buttons of a table's window (minimise, restore or maximise, close)
// drawn in the palette's text colour: in its title bar and, while it is maximised, in the menu
// bar. The style's own drew them black whatever the palette, unreadable on a dark one.
class CMdiButtonStyle : public QProxyStyle {
    Q_OBJECT
public:
    // Wraps the style of that name (the one the desktop chose).
    explicit CMdiButtonStyle(const QString& baseStyle);

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

    // The glyph of a title-bar button (SP_TitleBarMinButton ...) in colour within rect.
    static void DrawGlyph(QPainter* painter, const QRect& rect, StandardPixmap glyph, const QColor& colour);
};
