#include "framework/StatusBar.h"

#include "framework/LockKeys.h"

#include <QLabel>
#include <QLayout>
#include <QString>
#include <algorithm>

namespace {

// The indicator texts; a pane is as wide as its text, like the platform's indicator panes.
const char* IndicatorText(unsigned id) {
    switch (id) {
    case ID_INDICATOR_CAPS: return "CAP";
    case ID_INDICATOR_NUM: return "NUM";
    case ID_INDICATOR_SCRL: return "SCRL";
    default: return "";
    }
}

QString FromBytes(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

CStatusBar::CStatusBar(QWidget* parent) : QStatusBar(parent), m_pLocks(new CLockKeys(this)) {
    setSizeGripEnabled(true);
    connect(m_pLocks, &CLockKeys::Changed, this, &CStatusBar::ShowLocks);
}

bool CStatusBar::SetIndicators(const unsigned* ids, int count) {
    for (QLabel* pane : m_panes) delete pane;
    m_panes.clear();
    m_ids.assign(ids, ids + std::max(count, 0));
    for (int i = 0; i < count; ++i) {
        auto* pane = new QLabel(this);
        pane->setObjectName(i == 0 ? QStringLiteral("MessagePane") : QString::fromLatin1(IndicatorText(ids[i])));
        if (ids[i] == ID_SEPARATOR) {
            // The message pane stretches; its text never widens the window, however long it is.
            pane->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            pane->setMinimumWidth(1);
            pane->setTextFormat(Qt::PlainText);
            addWidget(pane, 1);
        } else {
            pane->setText(QString::fromLatin1(IndicatorText(ids[i])));
            pane->setAlignment(Qt::AlignCenter);
            pane->setFrameShape(QFrame::Panel);
            pane->setFrameShadow(QFrame::Sunken);
            // As wide as its text while blank too, so the panes never move when a lock changes.
            pane->setMinimumWidth(pane->sizeHint().width() + 8);
            addPermanentWidget(pane);
        }
        m_panes.push_back(pane);
    }
    ShowLocks();
    return true;
}

void CStatusBar::ShowLocks() {
    const CLockKeys::State& locks = m_pLocks->Current();
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        const unsigned id = m_ids[i];
        const bool on = id == ID_INDICATOR_CAPS   ? locks.caps
                        : id == ID_INDICATOR_NUM  ? locks.num
                        : id == ID_INDICATOR_SCRL ? locks.scroll
                                                  : false;
        if (id != ID_SEPARATOR) m_panes[i]->setText(on ? QString::fromLatin1(IndicatorText(id)) : QString());
    }
}

bool CStatusBar::SetPaneText(int index, std::string_view text, bool update) {
    if (index < 0 || index >= GetCount()) return false;
    QLabel* pane = m_panes[static_cast<size_t>(index)];
    pane->setText(FromBytes(text));
    // A fill or a sort runs without processing events: with update the text must show now.
    if (update && pane->isVisible()) pane->repaint();
    return true;
}

std::string CStatusBar::GetPaneText(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    return m_panes[static_cast<size_t>(index)]->text().toStdString();
}

QRect CStatusBar::GetItemRect(int index) const {
    if (index < 0 || index >= GetCount()) return {};
    // Geometry may still be pending (the window has just been shown or resized): lay out first.
    if (QLayout* box = layout()) box->activate();
    return m_panes[static_cast<size_t>(index)]->geometry();
}
