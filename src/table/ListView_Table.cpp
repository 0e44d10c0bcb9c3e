#include "table/ListView_Table.h"

#include "app/Resource.h"
#include "commands/ResultLines.h"
#include "framework/Document.h"
#include "system/DriveMap.h"
#include "framework/MDIFrameWnd.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <string>

CListView_Table::CListView_Table() {
    // Slot k of the record points at column array k; arrays 10 to 14 stay unused and empty.
    for (int k = 0; k < 10; ++k) m_scanColumns.*kScanSlots[k] = &m_aColumns[k];
}

CListView_Table::~CListView_Table() {
    // A closing table takes its status text with it, whichever table wrote it.
    if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->SetMessageText("");
}

char CListView_Table::GetDriveLetter() const {
    return m_nDrive >= 0 && m_nDrive < kMaxDrives ? g_szDrives[m_nDrive] : '\0';
}

char CListView_Table::GetRowDriveLetter(int nRow) const {
    if (nRow < 0 || nRow >= GetItemCount()) return '\0';
    const CCellText cell = GetItemText(nRow, 0);
    const std::string_view text = cell;
    return text.size() == 4 && text.substr(0, 3) == "   " ? text[3] : '\0';
}

void CListView_Table::OnInitialUpdate() {
    CView::OnInitialUpdate();
    m_nKind = static_cast<TableKind>(g_nNextTable);
    m_aColNames.clear();
    m_strWork.clear();
    switch (m_nKind) {
    case AllDrives:
        // The counting worker reads g_szDrives drive by drive: a second All Drives table waits for
        // a running count before it rebuilds the list, so one count runs at a time over one list.
        WaitForCount();
        m_scanner.GetDriveLetters();  // on failure the user was told, and the old list stands
        m_strWork = "All Drives";
        AddColumn("Drive", 40, LVCFMT_CENTER, SortText);
        AddColumn("Files", 70, LVCFMT_RIGHT, SortReal);
        AddColumn("Dirs", 70, LVCFMT_RIGHT, SortReal);
        AddColumn("Total bytes", 100, LVCFMT_RIGHT, SortReal);
        AddColumn("Avail. bytes", 100, LVCFMT_RIGHT, SortReal);
        AddColumn("Free", 50, LVCFMT_CENTER, SortReal);
        break;
    case Files:
    case Directories:
    case Doubles:
    case Found: {
        m_nDrive = g_nDrive;
        m_strWork.assign(1, GetDriveLetter());
        if (m_nKind == Files || m_nKind == Directories) m_strRootFolder = DriveRootFolder(GetDriveLetter());
        if (m_nKind == Files)
            m_strWork += ": Files";
        else if (m_nKind == Directories)
            m_strWork += ": Directories";
        else if (m_nKind == Doubles)
            m_strWork += ": Doubles";
        else
            m_strWork += ": Found " + std::to_string(g_aResultLines.GetSize()) + " lines like \"" + g_strFind + "\"";
        const bool bDirs = m_nKind == Directories;
        AddColumn("Path", 500, LVCFMT_LEFT, SortText);
        AddColumn("Name", 150, LVCFMT_LEFT, SortText);
        AddColumn("Ext", bDirs ? 0 : 50, LVCFMT_CENTER, SortText);
        AddColumn("Length", bDirs ? 0 : 80, LVCFMT_RIGHT, SortReal);
        AddColumn("Created", 120, LVCFMT_CENTER, SortDateTime);
        AddColumn("Modified", 120, LVCFMT_CENTER, SortDateTime);
        AddColumn("Accessed", 120, LVCFMT_CENTER, SortDateTime);
        if (m_nKind == Doubles && s_sameContent.bNext) {
            m_strWork = s_sameContent.title;
            AddColumn("Group", 70, LVCFMT_RIGHT, SortText);
        }
        s_sameContent = {};
        break;
    }
    default: break;
    }
    m_strTitle = m_strWork;
    if (CDocument* document = GetDocument()) document->SetTitle(m_strTitle);
    m_pList = this;
    // Grid lines, full-row selection and multiple selection are the list control's own look.
    FillTable();
}

void CListView_Table::AddColumn(const char* name, int width, int format, SortType sortType) {
    const std::size_t i = m_aColNames.size();
    m_aColNames.emplace_back(name);
    m_nColWidth[i] = width;
    m_nColFormat[i] = format;
    m_nColSortType[i] = sortType;
}

bool CListView_Table::HandlesCommand(int nID) const {
    switch (nID) {
    case ID_FIND_DOUBLES:
    case ID_FIND_FILES:
    case ID_EXPORT:
    case ID_EDIT_COPY: return true;
    case ID_CHECK_CONTENTS: return m_nKind == Doubles;
    case ID_VIEW_REFRESH: return CanRefresh();
    case ID_TABLE_DELETE: return m_nKind != AllDrives;  // drives are not deleted
    default: return false;
    }
}

void CListView_Table::OnCommand(int nID) {
    if (nID == ID_FIND_DOUBLES)
        FindDoubles();
    else if (nID == ID_FIND_FILES)
        FindByName();
    else if (nID == ID_CHECK_CONTENTS)
        CheckContents();
    else if (nID == ID_EXPORT)
        Export();
    else if (nID == ID_EDIT_COPY)
        CopySelection();
    else if (nID == ID_VIEW_REFRESH)
        Refresh();
    else if (nID == ID_TABLE_DELETE)
        DeleteSelectedRows();
}

std::string CListView_Table::GetCellToolTip(int nItem, int nSubItem) const {
    // The Drive cell shows "   %c"; the letter alone does not tell which folder it stands for.
    if (m_nKind != AllDrives || nSubItem != 0) return {};
    const char letter = GetRowDriveLetter(nItem);
    return letter ? DriveRootFolder(letter) : std::string();
}
