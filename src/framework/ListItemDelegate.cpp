#include "framework/ListItemDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QTableView>

namespace {
const QStyle* StyleOf(const QWidget* widget) { return widget ? widget->style() : QApplication::style(); }
int Margin(const QWidget* widget) {
    return StyleOf(widget)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}
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
    const int margin = Margin(widget);
    const QRect box = option.rect.adjusted(margin, 0, -margin, 0);
    if (!text.isEmpty() && box.width() > 0) {
        const QFontMetrics& metrics = option.fontMetrics;
        int width = 0;
        const QString shown = ShownText(text, metrics, box.width(), &width);
        const int alignment = index.data(Qt::TextAlignmentRole).toInt();
        int x = box.left();
        if (alignment & Qt::AlignRight)
            x = box.right() + 1 - width;
        else if (alignment & Qt::AlignHCenter)
            x = box.left() + (box.width() - width) / 2;
        const int y = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(QPoint(x, y), shown);
    }

    // The current row carries a dotted frame from its first column to its last while the list has
    // the focus, as in a report list: the style's frame marks only the current cell, which is often
    // scrolled out of sight, and its light tint hardly shows on a selected row. Text colours on
    // their own backgrounds, so the frame shows in any palette.
    const auto* view = qobject_cast<const QAbstractItemView*>(widget);
    if (view != nullptr && view->hasFocus() && view->currentIndex().row() == index.row()) {
        painter->setPen(
            QPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
        const QRect r = option.rect.adjusted(0, 0, -1, -1);
        painter->drawLine(r.topLeft(), r.topRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        const auto* table = qobject_cast<const QTableView*>(view);
        const int at = table ? table->horizontalHeader()->visualIndex(index.column()) : 0;
        if (at == 0) painter->drawLine(r.topLeft(), r.bottomLeft());
        if (!table || at == table->horizontalHeader()->count() - 1) painter->drawLine(r.topRight(), r.bottomRight());
    }
}
