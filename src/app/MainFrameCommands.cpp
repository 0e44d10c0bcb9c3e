// CMainFrame: menus, accelerators and the command handlers of the frame.
#include "app/MainFrame.h"

#include "app/Resource.h"
#include "app/ZorbinApp.h"
#include "framework/DocTemplate.h"
#include "framework/MDIChildWnd.h"
#include "framework/MessageBox.h"
#include "framework/ModalWork.h"
#include "system/Opener.h"
#include "framework/StatusBar.h"
#include "framework/View.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "table/TableKind.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>
#include <filesystem>

namespace {

// Window commands and Close act on a child window, so they need one.
bool NeedsChild(int nID) {
    return nID == ID_FILE_CLOSE || nID == ID_WINDOW_NEW || nID == ID_WINDOW_CASCADE || nID == ID_WINDOW_TILE_HORZ ||
           nID == ID_WINDOW_ARRANGE;
}

// Commands whose only handler is a view: without a view that takes them they are disabled.
bool ViewOnly(int nID) {
    return nID == ID_FIND_DOUBLES || nID == ID_FIND_FILES || nID == ID_CHECK_CONTENTS || nID == ID_EXPORT ||
           nID == ID_FILE_PRINT || nID == ID_FILE_PRINT_DIRECT || nID == ID_FILE_PRINT_PREVIEW ||
           nID == ID_VIEW_REFRESH || nID == ID_TABLE_DELETE;
}

}  // namespace

QAction* CMainFrame::MakeAction(int nID, const char* text, const char* prompt) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::number(nID));
    action->setData(nID);
    if (prompt != nullptr) {
        // A prompt string holds the status-bar prompt, then after a line break the tooltip.
        const QString both = QString::fromUtf8(prompt);
        const qsizetype cut = both.indexOf('\n');
        action->setStatusTip(cut < 0 ? both : both.left(cut));
        action->setToolTip(cut < 0 ? both : both.mid(cut + 1));
        action->setWhatsThis(cut < 0 ? both : both.left(cut));
    }
    connect(action, &QAction::triggered, this, [this, nID] { OnCommand(nID); });
    m_actions[nID] = action;
    return action;
}

void CMainFrame::BuildMenus() {
    // A key after a tab is shown beside the entry and is no shortcut of the menu's: the table
    // handles Ctrl+D, Ctrl+F and Del itself, under its own conditions, and the frame takes F1.
    QAction* findDoubles =
        MakeAction(ID_FIND_DOUBLES, "Find &Doubles\tCtrl+D", "Find doubled files\nFind doubled files");
    findDoubles->setIcon(QIcon(":/icons/find_doubles.svg"));
    QAction* findFiles = MakeAction(ID_FIND_FILES, "Find &Files or Dirs\tCtrl+F",
                                    "Find Files  or Dirs by name\nFind Files  or Dirs by name");
    findFiles->setIcon(QIcon(":/icons/find_files.svg"));
    QAction* checkContents =
        MakeAction(ID_CHECK_CONTENTS, "C&heck Contents", "Keep the doubles whose bytes are the same\nCheck Contents");
    QAction* exportTable = MakeAction(ID_EXPORT, "&Export...", "Write the table as CSV or tab-separated text\nExport");
    exportTable->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    exportTable->setShortcutContext(Qt::WindowShortcut);
    addAction(exportTable);
    MakeAction(ID_FILE_CLOSE, "&Close", "Close the active document\nClose");
    MakeAction(ID_APP_EXIT, "E&xit", "Quit the application\nExit");
    QAction* toolBar = MakeAction(ID_VIEW_TOOLBAR, "&Toolbar", "Show or hide the toolbar\nToggle ToolBar");
    toolBar->setCheckable(true);
    toolBar->setChecked(true);
    QAction* statusBar = MakeAction(ID_VIEW_STATUS_BAR, "&Status Bar", "Show or hide the status bar\nToggle StatusBar");
    statusBar->setCheckable(true);
    statusBar->setChecked(true);
    MakeAction(ID_WINDOW_NEW, "&New Window", "Open another window for the active document\nNew Window");
    MakeAction(ID_WINDOW_CASCADE, "&Cascade", "Arrange windows so they overlap\nCascade Windows");
    MakeAction(ID_WINDOW_TILE_HORZ, "&Tile", "Arrange windows as non-overlapping tiles\nTile Windows");
    MakeAction(ID_WINDOW_ARRANGE, "&Arrange Icons", "Arrange icons at the bottom of the window\nArrange Icons");
    MakeAction(ID_HELP_FINDER, "&Help Topics\tF1", "List Help topics\nHelp Topics");
    MakeAction(ID_TABLE_DELETE, "D&elete\tDel", "Move the selected entries to the trash\nDelete");
    // F5 is the frame's own key: no table handles it.
    MakeAction(ID_VIEW_REFRESH, "&Refresh", "Read the drive of the active table again\nRefresh")
        ->setShortcut(Qt::Key_F5);
    MakeAction(ID_VIEW_ALL_DRIVES, "&All Drives", "Show the All Drives table\nAll Drives");
    MakeAction(ID_APP_ABOUT, "&About Zorbin...", "Display program information, version number and copyright\nAbout");

    // Keys without a menu entry. The edit and pane keys have no handler in Zorbin: they are taken
    // and do nothing, as the accelerator table takes them.
    struct Key {
        int nID;
        const char* keys;  // alternatives separated by "; "
        const char* prompt;
    };
    const Key keys[] = {
        {ID_FILE_NEW, "Ctrl+N", "Create a new document\nNew"},
        {ID_FILE_OPEN, "Ctrl+O", "Open an existing document\nOpen"},
        {ID_FILE_PRINT, "Ctrl+P", "Print the active document\nPrint"},
        {ID_EDIT_UNDO, "Ctrl+Z; Alt+Backspace", "Undo the last action\nUndo"},
        {ID_EDIT_CUT, "Ctrl+X; Shift+Del", "Cut the selection and put it on the Clipboard\nCut"},
        {ID_EDIT_COPY, "Ctrl+C; Ctrl+Ins", "Copy the selection and put it on the Clipboard\nCopy"},
        {ID_EDIT_PASTE, "Ctrl+V; Shift+Ins", "Insert Clipboard contents\nPaste"},
        {ID_NEXT_PANE, "F6", "Switch to the next window pane\nNext Pane"},
        {ID_PREV_PANE, "Shift+F6", "Switch back to the previous window pane\nPrevious Pane"},
        {ID_HELP, "F1", "Display help for current task or command\nHelp"},
        {ID_CONTEXT_HELP, "Shift+F1", "Display help for clicked on buttons, menus and windows\nHelp"},
    };
    for (const Key& key : keys) {
        QAction* action = MakeAction(key.nID, "", key.prompt);
        action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(key.keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);  // reachable by its keys while the main window has the focus
    }
    MakeAction(ID_FILE_PRINT_DIRECT, "", "Print the active document using current options\nQuick Print");
    MakeAction(ID_FILE_PRINT_PREVIEW, "", "Display full pages\nPrint Preview");
    MakeAction(ID_FILE_PRINT_SETUP, "", "Change the printer and printing options\nPrint Setup");

    m_pFileMenu = new QMenu("&File", this);
    m_pFileMenu->addAction(findDoubles);
    m_pFileMenu->addAction(findFiles);
    m_pFileMenu->addAction(checkContents);
    m_pFileMenu->addAction(exportTable);
    m_pFileMenu->addAction(GetAction(ID_TABLE_DELETE));
    m_pFileMenu->addSeparator();
    m_pFileMenu->addAction(GetAction(ID_FILE_CLOSE));
    m_pFileMenu->addAction(GetAction(ID_APP_EXIT));

    m_pDocFileMenu = new QMenu("&File", this);
    m_pDocFileMenu->setSeparatorsCollapsible(false);  // the leading separator is part of the menu
    m_pDocFileMenu->addSeparator();
    m_pDocFileMenu->addAction(GetAction(ID_APP_EXIT));

    m_pViewMenu = new QMenu("&View", this);
    m_pViewMenu->addAction(toolBar);
    m_pViewMenu->addAction(statusBar);
    m_pViewMenu->addSeparator();
    m_pViewMenu->addAction(GetAction(ID_VIEW_ALL_DRIVES));
    m_pViewMenu->addAction(GetAction(ID_VIEW_REFRESH));

    m_pWindowMenu = new QMenu("&Window", this);
    m_pWindowMenu->addAction(GetAction(ID_WINDOW_NEW));
    m_pWindowMenu->addAction(GetAction(ID_WINDOW_CASCADE));
    m_pWindowMenu->addAction(GetAction(ID_WINDOW_TILE_HORZ));
    m_pWindowMenu->addAction(GetAction(ID_WINDOW_ARRANGE));

    m_pHelpMenu = new QMenu("&Help", this);
    m_pHelpMenu->addAction(GetAction(ID_HELP_FINDER));
    m_pHelpMenu->addSeparator();
    m_pHelpMenu->addAction(GetAction(ID_APP_ABOUT));

    for (QMenu* menu : {m_pFileMenu, m_pDocFileMenu, m_pViewMenu, m_pWindowMenu, m_pHelpMenu}) {
        // Enabled states are settled when a menu opens, as the framework does before it drops down.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
    connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::FillWindowMenu);
    ShowMenu(IDR_MAINFRAME);
}

void CMainFrame::ShowMenu(int nMenuId) {
    if (m_nMenuId == nMenuId) return;
    m_nMenuId = nMenuId;
    QMenuBar* bar = menuBar();
    bar->clear();  // takes the menus off the bar; the frame still owns them
    bar->addMenu(nMenuId == IDR_DOCTYPE ? m_pDocFileMenu : m_pFileMenu);
    bar->addMenu(m_pViewMenu);
    bar->addMenu(m_pWindowMenu);
    bar->addMenu(m_pHelpMenu);
}

void CMainFrame::FillWindowMenu() {
    // Below the four commands, the open windows by number, the active one checked.
    for (QAction* action : m_aWindowList) delete action;
    m_aWindowList.clear();
    const QList<QMdiSubWindow*> windows = GetMdiArea()->subWindowList();
    if (windows.isEmpty()) return;
    m_aWindowList.push_back(m_pWindowMenu->addSeparator());
    const QMdiSubWindow* active = GetActiveChild();
    int number = 0;
    for (QMdiSubWindow* window : windows) {
        if (++number > 9) break;
        auto* action = new QAction(QString("&%1 %2").arg(number).arg(window->windowTitle()), m_pWindowMenu);
        action->setCheckable(true);
        action->setChecked(window == active);
        connect(action, &QAction::triggered, this, [this, window] { GetMdiArea()->setActiveSubWindow(window); });
        m_pWindowMenu->addAction(action);
        m_aWindowList.push_back(action);
    }
}

void CMainFrame::UpdateCommandUI() {
    const CView* view = GetActiveView();
    const bool hasChild = GetActiveChild() != nullptr;
    for (const auto& [nID, action] : m_actions) {
        if (ViewOnly(nID))
            action->setEnabled(view != nullptr && view->HandlesCommand(nID));
        else if (NeedsChild(nID))
            action->setEnabled(hasChild);
    }
    GetAction(ID_VIEW_ALL_DRIVES)->setEnabled(FindAllDrives() != nullptr || !IsCounting());
    if (m_wndStatusBar != nullptr) GetAction(ID_VIEW_STATUS_BAR)->setChecked(!m_wndStatusBar->isHidden());
    if (m_wndToolBar != nullptr) GetAction(ID_VIEW_TOOLBAR)->setChecked(!m_wndToolBar->isHidden());
}

void CMainFrame::OnCommand(int nID) {
    // Commands come from the user, who waits for a table to fill like everyone else.
    if (CModalWork::IsRunning()) return;
    if (CView* view = GetActiveView(); view != nullptr && view->HandlesCommand(nID)) {
        view->OnCommand(nID);
        return;
    }
    switch (nID) {
    case ID_FILE_CLOSE:
        if (CMDIChildWnd* child = GetActiveChild()) child->close();
        break;
    case ID_APP_EXIT: close(); break;
    case ID_VIEW_TOOLBAR:
        if (m_wndToolBar != nullptr) m_wndToolBar->setVisible(m_wndToolBar->isHidden());
        break;
    case ID_VIEW_STATUS_BAR:
        if (m_wndStatusBar != nullptr) m_wndStatusBar->setVisible(m_wndStatusBar->isHidden());
        break;
    case ID_WINDOW_NEW: OnWindowNew(); break;
    case ID_WINDOW_CASCADE: CascadeChildren(); break;
    case ID_VIEW_ALL_DRIVES: OnViewAllDrives(); break;
    case ID_WINDOW_TILE_HORZ: GetMdiArea()->tileSubWindows(); break;
    case ID_WINDOW_ARRANGE: OnWindowArrange(); break;
    case ID_HELP_FINDER:
    case ID_HELP:
    case ID_DEFAULT_HELP: OnHelpFinder(); break;
    case ID_CONTEXT_HELP: OnContextHelp(); break;
    case ID_FILE_NEW: theApp.OnFileNew(); break;
    case ID_FILE_OPEN: theApp.OnFileOpen(); break;
    case ID_FILE_PRINT_SETUP: theApp.OnFilePrintSetup(); break;
    case ID_APP_ABOUT: theApp.OnAppAbout(); break;
    default: break;  // the edit, save and pane keys: no handler
    }
    UpdateCommandUI();
}

void CMainFrame::OnWindowNew() {
    // Another window through the template of the active one; a table then takes the kind and the
    // drive that the hand-off holds now, like every table that opens.
    CMDIChildWnd* child = GetActiveChild();
    if (child == nullptr || child->GetTemplate() == nullptr) return;
    child->GetTemplate()->OpenDocumentFile(nullptr, true);
}

CMDIChildWnd* CMainFrame::FindAllDrives() const {
    const QList<QMdiSubWindow*> stacked = GetMdiArea()->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacked.rbegin(); it != stacked.rend(); ++it) {
        auto* child = qobject_cast<CMDIChildWnd*>(*it);
        const auto* table = child != nullptr ? dynamic_cast<const CListView_Table*>(child->GetView()) : nullptr;
        if (table != nullptr && !child->IsClosing() && table->m_nKind == AllDrives) return child;
    }
    return nullptr;
}

bool CMainFrame::IsCounting() { return g_pCountThread.load(std::memory_order_acquire) != nullptr; }

void CMainFrame::OnViewAllDrives() {
    // The window nearest the front, if one is open; a new table otherwise.
    if (CMDIChildWnd* child = FindAllDrives()) {
        if (child->isMinimized()) child->showNormal();
        GetMdiArea()->setActiveSubWindow(child);
        return;
    }
    // A new table would hold the window until the running count ends before it starts its own:
    // not while a count runs (the command is greyed then).
    if (IsCounting() || theApp.m_pTableTemplate == nullptr) return;
    g_nNextTable = AllDrives;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
}

void CMainFrame::OnWindowArrange() {
    // Minimised windows in a row along the bottom of the client area, left to right.
    const QRect area = GetMdiArea()->viewport()->rect();
    int x = 0;
    for (QMdiSubWindow* window : GetMdiArea()->subWindowList()) {
        if (!window->isMinimized()) continue;
        window->move(x, area.height() - window->height());
        x += window->width();
    }
}

std::string CMainFrame::FindUserGuide() const {
    for (const std::string& folder : m_aGuideFolders) {
        std::error_code error;
        const std::filesystem::path guide = std::filesystem::path(folder) / "guide.html";
        if (!std::filesystem::is_regular_file(guide, error)) continue;
        const std::filesystem::path clean = std::filesystem::weakly_canonical(guide, error);
        return (error ? guide : clean).string();
    }
    return {};
}

void CMainFrame::OnHelpFinder() {
    const std::string guide = FindUserGuide();
    if (guide.empty()) {
        AfxMessageBox("The Zorbin user guide (guide.html) is not installed.", MB_ICONINFORMATION);
        return;
    }
    OpenWithDesktop(guide);
}

void CMainFrame::OnContextHelp() { QWhatsThis::enterWhatsThisMode(); }
