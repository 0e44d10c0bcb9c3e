#include "app/ZorbinApp.h"
#include "commands/Dia_Find.h"
#include "commands/SearchLines.h"
#include "framework/DocTemplate.h"
#include "framework/MessageBox.h"
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

    WriteFoundLines(m_pList->GetRows(), m_nKind);

    // The Found table carries the letter of the drive it was searched in.
    g_nDrive = m_nDrive;
    g_nNextTable = Found;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
}
