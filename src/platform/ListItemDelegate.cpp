#include "platform/ListItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

void CListItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (option.rect.width() <= 0) return;  // a column of width 0 shows nothing
    const QStyle::State state = option.state;
    const QPalette::ColorGroup group = !(state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (state & QStyle::State_Active) ? QPalette::Normal
                                                                        : QPalette::Inactive;
    const bool selected = state & QStyle::State_Selected;
    if (selected) painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));

    const QString text = index.data(Qt::DisplayRole).toString();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
    if (!text.isEmpty() && box.width() > 0) {
        const QFontMetrics& metrics = option.fontMetrics;
        QString shown = text;
        int width = metrics.horizontalAdvance(shown);
        if (width > box.width()) {
            shown = metrics.elidedText(text, Qt::ElideRight, box.width());
            width = metrics.horizontalAdvance(shown);
        }
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        int x = box.left();
        if (alignment & Qt::AlignRight) x = box.right() + 1 - width;
        else if (alignment & Qt::AlignHCenter) x = box.left() + (box.width() - width) / 2;
        const int y = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QPoint(x, y), shown);
    }

    if (state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = option.rect;
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
}
