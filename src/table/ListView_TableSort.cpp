#include "platform/MDIFrameWnd.h"
#include "platform/Document.h"
#include "platform/TimeText.h"
#include "platform/WaitCursor.h"
#include "table/ListView_Table.h"
#include "table/SortGlobals.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>

bool g_bSortDescending = true;
int g_nSortType = 0;
int g_nSortColumn = 0;

namespace {

// atof of a cell in the C locale's notation, which is how every number cell is written; atof
// itself would follow LC_NUMERIC, which Qt takes from the user's environment. Leading blanks are
// skipped (Doubles and Found cells start with one); a text without a number is 0.
double CellToReal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    if (i < text.size() && text[i] == '+' && (i + 1 == text.size() || text[i + 1] != '-')) ++i;
    double value = 0;
    if (std::from_chars(text.data() + i, text.data() + text.size(), value).ec != std::errc()) return 0;
    return value;
}

// atoi and atol need a NUL-terminated text; a cell that was never set may have no storage at all.
const char* CellText(std::string_view text) { return text.data() ? text.data() : ""; }

// Every cell of a Doubles or Found table starts with the blank of its result line.
std::string_view SkipBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

template <typename T>
int Order(const T& a, const T& b) {
    // Ascending: 1 when a goes after b. Descending: 1 when a is not after b, so two equal rows
    // answer 1 both ways round; the list's merge sort copes with that.
    return g_bSortDescending ? (a <= b ? 1 : 0) : (a > b ? 1 : 0);
}

}  // namespace

int CompareRows(std::intptr_t lParam1, std::intptr_t lParam2, std::intptr_t lParamSort) {
    // The item data are the row numbers from before the sort, and the list reads its rows in
    // that order until the sort has ended.
    const auto* pList = reinterpret_cast<const CListCtrl*>(lParamSort);
    const CListRows& rows = pList->GetRows();
    const CCellText cellA = rows.GetText(static_cast<int>(lParam1), g_nSortColumn);
    const CCellText cellB = rows.GetText(static_cast<int>(lParam2), g_nSortColumn);
    const std::string_view a = cellA, b = cellB;
    switch (g_nSortType) {
    case SortInteger:
        return Order(std::atoi(CellText(a)), std::atoi(CellText(b)));
    case SortLong:
        return Order(std::atol(CellText(a)), std::atol(CellText(b)));
    case SortReal:
    case SortFloat:
        return Order(CellToReal(a), CellToReal(b));
    case SortDateTime: {
        // Zorbin's own time text, read as day/month/year whatever the locale. A cell that is no
        // time (an empty Created cell, a Found cell shifted by a ';') goes before every time.
        const std::optional<std::int64_t> ta = ParseTimeText(SkipBlanks(a));
        const std::optional<std::int64_t> tb = ParseTimeText(SkipBlanks(b));
        const int ka = ta ? 1 : 0;
        const int kb = tb ? 1 : 0;
        if (ka != kb) return Order(ka, kb);
        return Order(ta.value_or(0), tb.value_or(0));
    }
    default:
        // By bytes, unsigned, as memcmp orders them: "Zeta" before "alpha".
        return Order(a.compare(b), 0);
    }
}

void CListView_Table::OnColumnClick(int nSubItem) {
    if (nSubItem < 0 || nSubItem >= static_cast<int>(m_aColNames.size())) return;
    m_bIdle = false;
    g_bSortDescending = !g_bSortDescending;
    g_nSortColumn = nSubItem;
    g_nSortType = m_nColSortType[nSubItem];
    const std::string& strColumn = m_aColNames[nSubItem];
    const int n = GetItemCount();
    DoWaitCursor(1);
    m_strWork = " sort by " + strColumn + " ...";
    m_scanner.ShowProgress(m_strWork, nullptr);
    m_pList->SortItems(CompareRows, reinterpret_cast<std::intptr_t>(m_pList));
    // Hiding moves the keyboard focus away; it comes back with the view.
    const bool bHadFocus = hasFocus();
    hide();
    int last = -1;
    for (int r = 0; n > 0 && r < m_pList->GetItemCount(); ++r) {
        m_pList->SetItemData(r, r);
        const int pos = static_cast<int>(static_cast<long long>(r) * 100 / n);
        if (pos != last) m_scanner.m_wndProgress.SetPos(pos);  // a hundred positions, not a million calls
        last = pos;
    }
    DoWaitCursor(-1);
    show();
    if (bHadFocus) setFocus();
    m_scanner.m_wndProgress.DestroyWindow();
    if (hasFocus())
        if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->SetMessageText("");
    m_bIdle = true;
    m_strWork = m_strTitle + " (" + strColumn + (g_bSortDescending ? " -> ZA)" : " -> AZ)");
    if (CDocument* document = GetDocument()) document->SetTitle(m_strWork);
}
