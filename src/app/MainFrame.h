#pragma once
#include "framework/MDIFrameWnd.h"

#include <map>
#include <string>
#include <vector>

class CStatusBar;
class QAction;
class QMenu;
class QToolBar;

// The main window: menus, accelerators, the two-button toolbar and the status bar whose first
// pane the tables use for their status line and progress bar.
class CMainFrame : public CMDIFrameWnd {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;
    // Builds bars, menus and keys; 0 to go on, -1 when creation fails.
    int OnCreate();
    CStatusBar* GetStatusBar() const override { return m_wndStatusBar; }
    QToolBar* GetToolBar() const { return m_wndToolBar; }

    // A command from a menu, a key or the toolbar: the active view first, then this frame, then the
    // application, as the framework routes commands.
    void OnCommand(int nID);
    // Enables the commands that have a handler now (the find commands need a view that takes them).
    void UpdateCommandUI() override;
    QAction* GetAction(int nID) const;
    // The menu now shown: IDR_MAINFRAME, or IDR_DOCTYPE while a plain view is active.
    int GetMenuId() const { return m_nMenuId; }

    void OnHelpFinder();
    void OnContextHelp();
    // Where the user guide is looked for, first hit wins: beside the installed program, then in
    // the source tree this program was built from.
    std::vector<std::string> m_aGuideFolders;
    // The guide folders of a program that runs from binDir.
    static std::vector<std::string> GuideFolders(const std::string& binDir);

protected:
    void OnActiveChildChanged() override;

private:
    QAction* MakeAction(int nID, const char* text, const char* prompt);
    void BuildMenus();
    void ShowMenu(int nMenuId);
    void FillWindowMenu();
    void OnWindowNew();
    void OnWindowArrange();
    void OnViewAllDrives();
    // The All Drives table nearest the front, or null.
    CMDIChildWnd* FindAllDrives() const;
    static bool IsCounting();
    std::string FindUserGuide() const;

    QToolBar* m_wndToolBar = nullptr;
    CStatusBar* m_wndStatusBar = nullptr;
    std::map<int, QAction*> m_actions;
    QMenu* m_pFileMenu = nullptr;     // of IDR_MAINFRAME
    QMenu* m_pDocFileMenu = nullptr;  // of IDR_DOCTYPE
    QMenu* m_pViewMenu = nullptr;
    QMenu* m_pWindowMenu = nullptr;
    QMenu* m_pHelpMenu = nullptr;
    std::vector<QAction*> m_aWindowList;  // the open windows, listed below the Window commands
    int m_nMenuId = 0;
};
