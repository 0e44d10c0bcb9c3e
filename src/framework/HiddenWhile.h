#pragma once
#include <QWidget>

// Hides a widget for the life of the object and shows it again at its end, also when an exception
// ends it: a table filled or sorted while hidden paints once instead of per row, and one whose
// work threw stayed hidden for good. Hiding moves the keyboard focus away; with bKeepFocus it
// comes back when the widget had it.
class CHiddenWhile {
public:
    CHiddenWhile(QWidget& widget, bool bKeepFocus) : m_widget(widget), m_bRefocus(bKeepFocus && widget.hasFocus()) {
        m_widget.hide();
    }
    ~CHiddenWhile() {
        m_widget.show();
        if (m_bRefocus) m_widget.setFocus();
    }
    CHiddenWhile(const CHiddenWhile&) = delete;
    CHiddenWhile& operator=(const CHiddenWhile&) = delete;

private:
    QWidget& m_widget;
    const bool m_bRefocus;
};
