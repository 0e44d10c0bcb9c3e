#include "app/ZorbinApp.h"
#include "commands/ResultLines.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/MessageBox.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

// Find Doubles: in a Files table sorted by name, every run of neighbouring rows with equal Name
// and Length goes, whole and in table order, to a new Doubles table.
void CListView_Table::FindDoubles() {
    if (m_nKind != Files) {
        AfxMessageBox("Find doubles works only in \"Files\" table, sorted by \"Name of File\"", MB_ICONINFORMATION);
        return;
    }
    // Only a sort by "Name" puts that word into a Files table's title.
    if (GetDocument()->GetTitle().find("Name") == std::string::npos) {
        AfxMessageBox("At first please sort out the table by \"Name\"", MB_ICONINFORMATION);
        return;
    }

    const int n = m_pList->GetItemCount();
    g_aResultLines.RemoveAll();
    bool bPreviousWritten = false;
    for (int i = 0; i < n; ++i) {
        // Exact bytes: a.txt and A.txt are different files.
        const bool bMatchesNext = i + 1 < n &&
                                  m_pList->GetItemText(i, 1) == m_pList->GetItemText(i + 1, 1) &&
                                  m_pList->GetItemText(i, 3) == m_pList->GetItemText(i + 1, 3);
        if (bMatchesNext || bPreviousWritten) g_aResultLines.Add(MakeResultLine(*m_pList, i));
        bPreviousWritten = bMatchesNext;
    }

    // The Doubles table carries the letter of the drive it was searched in.
    g_nDrive = m_nDrive;
    g_nNextTable = Doubles;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
}
