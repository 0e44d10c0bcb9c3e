#include "app/ZorbinApp.h"
#include "commands/SearchLines.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/MessageBox.h"
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

    WriteDoubleLines(m_pList->GetRows());

    // The Doubles table carries the letter of the drive it was searched in.
    g_nDrive = m_nDrive;
    g_nNextTable = Doubles;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
}
