#pragma once
#include "framework/ListCtrl.h"
#include "store/TextColumn.h"
#include "framework/View.h"
#include "scan/DriveScanner.h"
#include "scan/ScanColumns.h"

#include <string>
#include <vector>

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
    void OpenCurrentRow(int nRow);
    void FindDoubles();
    void FindByName();

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
    int m_nKind = 0;
    int m_nDrive = 0;
    int m_nColWidth[50] = {};
    int m_nColFormat[50] = {};
    int m_nColSortType[50] = {};
    std::string m_strTitle;
    std::vector<std::string> m_aColNames;
    CDriveScanner m_scanner;
    CTextColumn m_aColumns[15];
    ScanColumns m_scanColumns;

    // The walk of a drive reads its files along with its directories. The open action of an All
    // Drives row opens the drive's Directories table and then its Files table: the first table's
    // walk leaves its file columns here, and the second takes them instead of walking the drive
    // again (a million files: one walk of 4.4 s less, and the same rows).
    struct FilesAhead {
        bool bWanted = false;  // set by the open action before the Directories table opens
        char letter = '\0';    // the drive the columns below were read from; 0: none
        std::vector<CTextColumn> columns;
    };
    static FilesAhead s_filesAhead;

private:
    void AddColumn(const char* name, int width, int format, int sortType);
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
};
