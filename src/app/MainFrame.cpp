#include "app/MainFrame.h"

#include "app/Resource.h"
#include "app/ZorbinView.h"
#include "framework/StatusBar.h"
#include "framework/WinThread.h"
#include "scan/DriveGlobals.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMdiArea>
#include <QScreen>
#include <QToolBar>

namespace {

// Status bar panes: the stretching message pane, then the three lock indicators.
const unsigned kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

}  // namespace

CMainFrame::CMainFrame() {
    setObjectName("IDR_MAINFRAME");
    setWindowIcon(QIcon(":/icons/zorbin.svg"));
    m_aGuideFolders = GuideFolders(QApplication::applicationDirPath().toStdString());
    SetAppTitle("Zorbin");
}

std::vector<std::string> CMainFrame::GuideFolders(const std::string& binDir) {
    // Found from the program's own folder, not the configured prefix, so a moved install still finds it.
    return {binDir + "/../share/doc/zorbin", ZORBIN_DOCS_BUILD_DIR};
}

CMainFrame::~CMainFrame() {
    // Tables go while the status bar still stands: each clears the message pane as it closes.
    DestroyChildren();
    // A count still running is let go: its clean-up runs, but nobody waits for the walk to end.
    if (CWinThread* pThread = g_pCountThread.load(std::memory_order_acquire)) pThread->ExitInstance();
    if (AfxGetMainWnd() == this) AfxSetMainWnd(nullptr);
    delete m_wndStatusBar;
    m_wndStatusBar = nullptr;
    delete m_wndToolBar;
    m_wndToolBar = nullptr;
}

int CMainFrame::OnCreate() {
    // The framework's default size of a main window: most of the screen, not all of it.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }

    BuildMenus();

    m_wndToolBar = new QToolBar("Toolbar", this);
    m_wndToolBar->setObjectName("AFX_IDW_TOOLBAR");
    m_wndToolBar->setIconSize(QSize(20, 17));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_wndToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_wndToolBar->addAction(GetAction(ID_FIND_DOUBLES));
    m_wndToolBar->addAction(GetAction(ID_FIND_FILES));
    m_wndToolBar->setWhatsThis("The toolbar: Find Doubles and Find Files or Dirs for the active table.");
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);

    m_wndStatusBar = new CStatusBar(this);
    m_wndStatusBar->setObjectName("AFX_IDW_STATUS_BAR");
    if (!m_wndStatusBar->SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators)))) return -1;
    m_wndStatusBar->setWhatsThis(
        "The status bar: what the active table is doing, its current line, "
        "and the Caps Lock, Num Lock and Scroll Lock indicators.");
    setStatusBar(m_wndStatusBar);

    // The View menu's checks follow the bars, however they were hidden.
    connect(m_wndToolBar, &QToolBar::visibilityChanged, this,
            [this](bool visible) { GetAction(ID_VIEW_TOOLBAR)->setChecked(visible); });

    GetMdiArea()->setWhatsThis(
        "A table window. Click a column header to sort by it. Enter or a double-click opens "
        "the current row: a drive opens its Directories and Files tables, a file or "
        "directory opens on the desktop. Delete moves the selected entries to the trash; "
        "Ctrl+A selects all, Ctrl+F finds by name, Ctrl+D finds doubles.");
    UpdateCommandUI();
    return 0;
}

QAction* CMainFrame::GetAction(int nID) const {
    const auto found = m_actions.find(nID);
    return found != m_actions.end() ? found->second : nullptr;
}

void CMainFrame::OnActiveChildChanged() {
    // A plain view brings its own menu; tables show the main menu.
    ShowMenu(dynamic_cast<CZorbinView*>(GetActiveView()) != nullptr ? IDR_DOCTYPE : IDR_MAINFRAME);
    UpdateCommandUI();
}
