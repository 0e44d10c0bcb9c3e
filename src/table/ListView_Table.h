#pragma once
#include "system/ContentCheck.h"
#include "framework/ListCtrl.h"
#include "store/TextColumn.h"
#include "framework/View.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"
#include "table/SortGlobals.h"
#include "table/TableKind.h"

#include <string>
#include <vector>

class CTableText;
class QTimer;

// A table window's view: a report-style list control of one kind (TableKind), filled once by its
// initial update and then sorted, navigated, searched and pruned by the user.
class CListView_Table : public CListCtrl, public CView {
    Q_OBJECT
public:
    CListView_Table();
    ~CListView_Table() override;

    QWidget* GetWidget() override { return this; }
    void OnInitialUpdate() override;
    bool HandlesCommand(int nID) const override;
    void OnCommand(int nID) override;

    void FillTable();
    // Opens a new table of this kind (and drive) in this one's place, sorted as this one was, and
    // closes this one: the drive is read again. An All Drives table reads the drive list and the
    // space again and starts a new count. Doubles and Found tables have nothing to read.
    void Refresh();
    bool CanRefresh() const;
    // Writes the counts into an All Drives table once the running count has ended, without
    // waiting for the user to move to another row. Its fill starts it.
    void WatchCount();
    // Delete of the selected entries, asked first (the Delete key and the menu's Delete).
    void DeleteSelectedRows();
    void OpenCurrentRow(int nRow);
    void FindDoubles();
    void FindByName();
    // Opens a Doubles table of the files of this one whose bytes equal another file's of their run.
    void CheckContents();
    // The files of the table's rows for a content check, and the row of each; rows that name no
    // file of a known length are counted in nSkipped.
    std::vector<CContentCheck::File> GetContentFiles(std::vector<int>& rowOf, int& nSkipped) const;
    // The selected rows (Ctrl+C) as tab-separated text on the clipboard, column names first.
    void CopySelection();
    // The whole table into a file the user names, as CSV or tab-separated text by its extension.
    void Export();
    // The names of the columns the table shows as one line of text, and the cells of a row.
    void AppendColumnNames(const CTableText& format, std::string& out) const;
    void AppendRowText(const CTableText& format, int nRow, std::string& out) const;

    // Notification handlers of the list control.
    void OnColumnClick(int nSubItem) override;
    void OnDblClk(int nItem) override;
    void OnItemChanged(int nItem) override;
    void OnKeyDown(unsigned nChar) override;
    void OnSetFocus() override;
    std::string GetCellToolTip(int nItem, int nSubItem) const override;

    // The "Free" cell of an All Drives row: "%2.0f %%" of avail * 100 / total; empty for total 0.
    static std::string FormatFree(double avail, double total);

    bool m_bIdle = true;
    int m_nRow = 0;
    std::string m_strWork;
    CListCtrl* m_pList = nullptr;
    TableKind m_nKind = AllDrives;
    int m_nDrive = 0;
    int m_nColWidth[50] = {};
    int m_nColFormat[50] = {};
    SortType m_nColSortType[50] = {};
    std::string m_strTitle;
    std::vector<std::string> m_aColNames;
    CDriveScanner m_scanner;
    CTextColumn m_aColumns[15];
    ScanColumns m_scanColumns;
    // Folders of the drive that its walk could not list: their entries are missing from the table,
    // and the status line says how many.
    std::size_t m_nUnlisted = 0;

    // The walk of a drive reads its files along with its directories. The open action of an All
    // Drives row opens the drive's Directories table and then its Files table: the first table's
    // walk leaves its file columns here, and the second takes them instead of walking the drive
    // again (a million files: one walk of 4.4 s less, and the same rows).
    struct FilesAhead {
        bool bWanted = false;  // set by the open action before the Directories table opens
        char letter = '\0';    // the drive the columns below were read from; 0: none
        std::vector<CTextColumn> columns;
        std::size_t nUnlisted = 0;
    };
    static FilesAhead s_filesAhead;

    // Set by Check Contents for the Doubles table it opens: that table's title, and a "Group"
    // column after the seven that numbers the groups of equal contents.
    struct SameContent {
        bool bNext = false;
        std::string title;
    };
    static SameContent s_sameContent;
    // A Doubles table's runs, files and bytes to gain, shown after its status line.
    std::string m_strGain;
    void CountSpaceToGain();
    // The key of the run a Doubles row (its entry cells given) belongs to, appended to key: its
    // Name and Length, and in a same-content table its group's number.
    void GetRunKey(int nRow, const std::string_view (&cells)[7], std::string& key) const;

private:
    void AddColumn(const char* name, int width, int format, SortType sortType);
    // The letter of this table's drive; 0 when m_nDrive names no drive.
    char GetDriveLetter() const;
    // The letter an All Drives row shows in its Drive cell ("   %c"); 0 for any other text.
    char GetRowDriveLetter(int nRow) const;
    void FillAllDrives();
    void FillFromScan();
    void FillFromResultLines();
    // Moves the progress bar through i * 100 / n for i = 0 .. n - 1, each position set once.
    void StepProgress(int n);
    void WriteStatusLine();
    void WriteDriveCounts();

    bool m_bWritingCounts = false;  // the count cells being written must not re-enter OnItemChanged
    std::string m_strRootFolder;    // the folder the drive letter stood for when the table opened
    int m_nSortColumn = -1;         // the column of the last sort, -1 before any
    bool m_bSortedDescending = false;
    QTimer* m_pCountWatch = nullptr;
};
