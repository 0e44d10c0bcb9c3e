#pragma once
#include "MessageBoxRecorder.h"
#include "TableCells.h"
#include "TestSupport.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/StatusBar.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Zorbin on the offscreen display as a fresh process has it: every program-wide global reset,
// drives C and D mapped to folders of the test's own, the profile, the trash and the opener's
// record below the test's folder, every message box recorded. Start() opens the first window; the
// end waits for a running count (it reads the folders that go with the test) and closes the program.
class WindowFixture : public ::testing::Test {
public:
    static CMainFrame* Frame();
    static std::vector<CMDIChildWnd*> Children();                                // in creation order
    static std::string Title() { return Frame()->windowTitle().toStdString(); }  // the main window's
    static std::string Pane0() { return Frame()->GetStatusBar()->GetPaneText(0); }
    static CListView_Table* ActiveTable() {
        return Frame() ? dynamic_cast<CListView_Table*>(Frame()->GetActiveView()) : nullptr;
    }
    static CListView_Table* TableOf(const CMDIChildWnd* child) {
        return child ? dynamic_cast<CListView_Table*>(child->GetView()) : nullptr;
    }
    // Opens a table as the program does: hand-off globals, then the table template.
    static CListView_Table* Open(int nKind, int nDrive);
    // A Doubles or Found table cut from the given result lines.
    static CListView_Table* OpenFromLines(int nKind, const std::vector<std::string>& lines);
    // Sorts through header clicks as the user does: one click, or two for the other direction.
    static void SortBy(CListView_Table* table, int nCol, bool bDescending);
    static void ClickHeader(CListView_Table* table, int nCol);
    // Makes the main window the active one, so that its keys work.
    static void Activate();
    // Runs command while a modal dialog is answered by act (called once it is up); a dialog that
    // act leaves open fails the test and is closed.
    static void WithDialog(const std::function<void(QWidget* dialog)>& act, const std::function<void()>& command);
    // Types ASCII text into the dialog's focused field and presses Enter there.
    static void TypeAndEnter(QWidget* dialog, const std::string& text);

protected:
    WindowFixture();
    ~WindowFixture() override;

    // Replaces the drive map ("C=/tmp/...,D=...") before Start.
    void MapDrives(const std::string& drives);
    void Start(int argc = 0, char** argv = nullptr);
    // What the opener was handed, one argument a line.
    std::string Opened() const;

    TempDir m_dir;
    std::string m_driveC;
    std::string m_driveD;
    std::string m_dataHome;  // XDG_DATA_HOME: the trash goes below it
    std::unique_ptr<ScopedEnv> m_drives;
    ScopedEnv m_data;
    ScopedEnv m_config;
    ScopedEnv m_opener;
    MessageBoxRecorder m_boxes;
    bool m_bStarted = false;
};

// Stands for a running count: g_pCountThread is set to a real worker that clears it once released,
// as the counting worker clears it when it ends; after 5 s it lets go by itself, so that nothing
// waits on it for good.
class HeldCount {
public:
    HeldCount();
    ~HeldCount() {
        Release();
        WaitForCount();
    }
    void Release() { m_bRelease->store(true); }

private:
    std::shared_ptr<std::atomic<bool>> m_bRelease = std::make_shared<std::atomic<bool>>(false);
};

// The result line of a row: " %s; %s; ..." over its cells.
std::string ResultLine(const Row& cells);
