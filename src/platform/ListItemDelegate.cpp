#include "platform/ListItemDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {
const QStyle* StyleOf(const QWidget* widget) { return widget ? widget->style() : QApplication::style(); }
int Margin(const QWidget* widget) { return StyleOf(widget)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1; }
}  // namespace

int CListItemDelegate::TextWidth(int cellWidth, const QWidget* widget) { return cellWidth - 2 * Margin(widget); }

QString CListItemDelegate::ShownText(const QString& text, const QFontMetrics& metrics, int room, int* width) {
    int advance = metrics.horizontalAdvance(text);
    if (advance <= room) {
        if (width) *width = advance;
        return text;
    }
    QString shown = metrics.elidedText(text, Qt::ElideRight, room);
    if (width) *width = metrics.horizontalAdvance(shown);
    return shown;
}

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
    const QStyle* style = StyleOf(widget);
    const int margin = Margin(widget);
    const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
    if (!text.isEmpty() && box.width() > 0) {
        const QFontMetrics& metrics = option.fontMetrics;
        int width = 0;
        const QString shown = ShownText(text, metrics, box.width(), &width);
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
