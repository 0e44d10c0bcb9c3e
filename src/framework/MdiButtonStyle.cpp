#include "framework/MdiButtonStyle.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOptionTitleBar>

namespace {

struct TitleButton {
    QStyle::SubControl control;
    QStyle::StandardPixmap glyph;
};
const TitleButton kTitleButtons[] = {
    {QStyle::SC_TitleBarMinButton, QStyle::SP_TitleBarMinButton},
    {QStyle::SC_TitleBarNormalButton, QStyle::SP_TitleBarNormalButton},
    {QStyle::SC_TitleBarMaxButton, QStyle::SP_TitleBarMaxButton},
    {QStyle::SC_TitleBarCloseButton, QStyle::SP_TitleBarCloseButton},
};

bool IsButtonGlyph(QStyle::StandardPixmap glyph) {
    for (const TitleButton& button : kTitleButtons)
        if (button.glyph == glyph) return true;
    return false;
}

}  // namespace

CMdiButtonStyle::CMdiButtonStyle(const QString& baseStyle) : QProxyStyle(QStyleFactory::create(baseStyle)) {}

void CMdiButtonStyle::DrawGlyph(QPainter* painter, const QRect& rect, StandardPixmap glyph, const QColor& colour) {
    // A square of half the button's size, centred: the shapes of the usual window buttons.
    const int side = std::max(4, std::min(rect.width(), rect.height()) / 2);
    const QRectF box(rect.center().x() - side / 2.0 + 0.5, rect.center().y() - side / 2.0 + 0.5, side, side);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(colour, std::max(1.5, side / 6.0), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    switch (glyph) {
    case SP_TitleBarMinButton: painter->drawLine(box.bottomLeft(), box.bottomRight()); break;
    case SP_TitleBarMaxButton: painter->drawRect(box); break;
    case SP_TitleBarNormalButton: {
        // Two windows, the front one below and to the left.
        const qreal shift = side / 4.0;
        const QRectF front(box.left(), box.top() + shift, side - shift, side - shift);
        painter->drawRect(front);
        painter->drawPolyline(
            QPolygonF({QPointF(box.left() + shift, front.top()), QPointF(box.left() + shift, box.top()), box.topRight(),
                       QPointF(box.right(), front.bottom() - shift), QPointF(front.right(), front.bottom() - shift)}));
        break;
    }
    case SP_TitleBarCloseButton:
        painter->drawLine(box.topLeft(), box.bottomRight());
        painter->drawLine(box.topRight(), box.bottomLeft());
        break;
    default: break;
    }
    painter->restore();
}

void CMdiButtonStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                         const QWidget* widget) const {
    const auto* titleBar = control == CC_TitleBar ? qstyleoption_cast<const QStyleOptionTitleBar*>(option) : nullptr;
    if (titleBar == nullptr) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // The bar and its caption as the style draws them, the buttons here.
    QStyleOptionTitleBar bar(*titleBar);
    for (const TitleButton& button : kTitleButtons) bar.subControls &= ~button.control;
    QProxyStyle::drawComplexControl(control, &bar, painter, widget);
    // The caption's own colour: light text on the active window's highlight, the window text else.
    const bool active = (titleBar->titleBarState & Qt::WindowActive) != 0 || (titleBar->state & State_Active);
    const QColor colour = titleBar->palette.color(active ? QPalette::HighlightedText : QPalette::WindowText);
    for (const TitleButton& button : kTitleButtons) {
        if (!(titleBar->subControls & button.control)) continue;
        const QRect rect = subControlRect(CC_TitleBar, titleBar, button.control, widget);
        if (!rect.isValid()) continue;
        const bool down = (titleBar->activeSubControls & button.control) && (titleBar->state & State_Sunken);
        const bool hover = (titleBar->activeSubControls & button.control) && (titleBar->state & State_MouseOver);
        painter->save();
        QColor frame = colour;
        frame.setAlpha(down ? 140 : hover ? 90 : 60);
        painter->setPen(frame);
        painter->setBrush(down || hover ? QBrush(frame) : QBrush(Qt::NoBrush));
        painter->drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
        painter->restore();
        DrawGlyph(painter, rect, button.glyph, colour);
    }
}

QIcon CMdiButtonStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                    const QWidget* widget) const {
    // The buttons of a maximised window in the menu bar are these icons on push buttons.
    if (!IsButtonGlyph(standardIcon)) return QProxyStyle::standardIcon(standardIcon, option, widget);
    const QPalette palette = option != nullptr   ? option->palette
                             : widget != nullptr ? widget->palette()
                                                 : QApplication::palette();
    QIcon icon;
    for (const int side : {16, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        DrawGlyph(&painter, pixmap.rect(), standardIcon, palette.color(QPalette::ButtonText));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
