#include "framework/ProgressCtrl.h"

#include <QProgressBar>
#include <algorithm>
#include <utility>

namespace {
CProgressCtrl::PosObserver& Observer() {
    static CProgressCtrl::PosObserver observer;
    return observer;
}
}  // namespace

CProgressCtrl::~CProgressCtrl() { DestroyWindow(); }

bool CProgressCtrl::Create(const CRect& rect, QWidget* parent) {
    // Like the platform's control, one object has at most one window.
    if (m_pBar != nullptr) return false;
    m_pBar = new QProgressBar(parent);
    m_pBar->setTextVisible(false);
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    // A rectangle whose right edge lies left of its left edge gives a bar without width.
    m_pBar->setGeometry(rect.left, rect.top, std::max(0, rect.right - rect.left), std::max(0, rect.bottom - rect.top));
    m_nStep = 1;
    m_pBar->show();
    // A sort, and the rows a fill takes at its end, step the bar with no event processed between
    // the steps: paint the bar now.
    m_pBar->repaint();
    return true;
}

void CProgressCtrl::DestroyWindow() {
    // Deleted at once, not later: the next ShowProgress must find exactly one bar.
    delete std::exchange(m_pBar, nullptr);
}

void CProgressCtrl::SetRange(int lower, int upper) {
    if (m_pBar != nullptr) m_pBar->setRange(lower, upper);
}

void CProgressCtrl::SetPos(int pos) {
    if (const PosObserver& observer = Observer()) observer(this, pos);
    if (m_pBar == nullptr || m_pBar->value() == pos) return;
    m_pBar->setValue(pos);
    // No event is processed between the steps of a sort or of a fill's rows: paint now, at most
    // once per percent.
    m_pBar->repaint();
}

void CProgressCtrl::SetStep(int step) { m_nStep = step; }

void CProgressCtrl::SetText(std::string_view text) {
    if (m_pBar == nullptr) return;
    // The bar reads its text as a format in which "%" starts a placeholder.
    QString format = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    format.replace(QLatin1Char('%'), QLatin1String("%%"));
    m_pBar->setFormat(format);
    m_pBar->setTextVisible(!text.empty());
}

int CProgressCtrl::GetPos() const { return m_pBar != nullptr ? m_pBar->value() : 0; }

CProgressCtrl::PosObserver CProgressCtrl::SetPosObserver(PosObserver observer) {
    return std::exchange(Observer(), std::move(observer));
}
