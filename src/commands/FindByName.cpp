#include "app/ZorbinApp.h"
#include "commands/Dia_Find.h"
#include "commands/ResultLines.h"
#include "platform/DocTemplate.h"
#include "platform/MakeLower.h"
#include "platform/MessageBox.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

// Find Files or Dirs: the rows whose name holds the text of the "What to find" dialog, in any
// letter case, go to a new Found table.
void CListView_Table::FindByName() {
    if (m_nKind == AllDrives) {
        AfxMessageBox("Find works inside other tables, not in the \"All Drives\"", MB_ICONINFORMATION);
        return;
    }
    CDia_Find dlg;
    if (dlg.DoModal() != IDOK) return;

    const int n = m_pList->GetItemCount();
    g_aResultLines.RemoveAll();
    // The text is lowered once the first row is looked at, so a table without rows keeps it as
    // typed in the Found table's title.
    if (n > 0) MakeLower(g_strFind);
    std::string name;  // one buffer for every row: a Found search runs over a million names
    for (int i = 0; i < n; ++i) {
        name.clear();
        AppendLower(m_pList->GetItemText(i, 1), name);
        if (name.find(g_strFind) != std::string::npos) g_aResultLines.Add(MakeResultLine(*m_pList, i));
    }

    // The Found table carries the letter of the drive it was searched in.
    g_nDrive = m_nDrive;
    g_nNextTable = Found;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
}
