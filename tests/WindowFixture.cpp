#include "WindowFixture.h"

#include "commands/ResultLines.h"
#include "framework/DocTemplate.h"
#include "framework/WinThread.h"
#include "table/SortGlobals.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSettings>
#include <QTimer>

#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <thread>

namespace {
// The opener of every window test: appends its one argument and a line end to a file beside it,
// so no test ever hands a path to the desktop.
const char kRecordingOpener[] = "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened\"\n";

std::string MakeOpener(const TempDir& dir) {
    const std::string script = dir.MakeFile("opener.sh", kRecordingOpener);
    chmod(script.c_str(), 0755);
    return script;
}
}  // namespace

WindowFixture::WindowFixture()
    : m_driveC(m_dir.MakeDir("C")),
      m_driveD(m_dir.MakeDir("D")),
      m_dataHome(m_dir.Path() + "/data"),
      m_drives(std::make_unique<ScopedEnv>("ZORBIN_DRIVES", "C=" + m_driveC + ",D=" + m_driveD)),
      m_data("XDG_DATA_HOME", m_dataHome),
      m_config("XDG_CONFIG_HOME", m_dir.Path() + "/config"),
      m_opener("ZORBIN_OPENER", MakeOpener(m_dir)) {
    // QSettings settles its folder at its first use in a process; tests may share one.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(m_dir.Path() + "/config"));
    // As a new process has them.
    WaitForCount();
    g_nNextTable = 0;
    g_nDrive = 0;
    g_bSortDescending = true;
    g_aResultLines.RemoveAll();
    g_strFind.clear();
    std::memset(g_szDrives, 0, sizeof g_szDrives);
    std::memset(g_dDirCount, 0, sizeof g_dDirCount);
    std::memset(g_dFileCount, 0, sizeof g_dFileCount);
}

WindowFixture::~WindowFixture() {
    // A count still running reads the test's folders: let it end before they go.
    WaitForCount();
    if (m_bStarted) theApp.ExitInstance();
}

void WindowFixture::MapDrives(const std::string& drives) {
    m_drives.reset();  // first: the old one restores the value from before the test
    m_drives = std::make_unique<ScopedEnv>("ZORBIN_DRIVES", drives);
}

void WindowFixture::Start(int argc, char** argv) {
    m_bStarted = true;
    ASSERT_TRUE(theApp.InitInstance(argc, argv));
}

CMainFrame* WindowFixture::Frame() { return theApp.m_pMainWnd; }

std::vector<CMDIChildWnd*> WindowFixture::Children() {
    std::vector<CMDIChildWnd*> children;
    for (QMdiSubWindow* window : Frame()->GetMdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (auto* child = qobject_cast<CMDIChildWnd*>(window)) children.push_back(child);
    return children;
}

CListView_Table* WindowFixture::Open(int nKind, int nDrive) {
    g_nNextTable = nKind;
    g_nDrive = nDrive;
    theApp.m_pTableTemplate->OpenDocumentFile(nullptr, true);
    return TableOf(Children().back());  // the new window is the last made
}

CListView_Table* WindowFixture::OpenFromLines(int nKind, const std::vector<std::string>& lines) {
    g_aResultLines.RemoveAll();
    for (const std::string& line : lines) g_aResultLines.Add(line);
    return Open(nKind, g_nDrive);
}

void WindowFixture::ClickHeader(CListView_Table* table, int nCol) {
    // The user's click brings the table's window to the front first.
    for (QWidget* w = table; w; w = w->parentWidget())
        if (auto* window = qobject_cast<QMdiSubWindow*>(w)) Frame()->GetMdiArea()->setActiveSubWindow(window);
    emit table->horizontalHeader()->sectionClicked(nCol);
}

void WindowFixture::SortBy(CListView_Table* table, int nCol, bool bDescending) {
    ClickHeader(table, nCol);
    if (g_bSortDescending != bDescending) ClickHeader(table, nCol);
    ASSERT_EQ(g_bSortDescending, bDescending);
}

void WindowFixture::Activate() {
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
}

void WindowFixture::WithDialog(const std::function<void(QWidget*)>& act, const std::function<void()>& command) {
    bool acted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QPointer<QWidget> dialog = QApplication::activeModalWidget();
        if (!dialog || std::exchange(acted, true)) return;
        poll.stop();
        act(dialog);
        if (dialog && dialog->isVisible()) {  // a dialog left open would block the test for good
            ADD_FAILURE() << "the dialog stayed open";
            QMetaObject::invokeMethod(dialog.data(), "reject", Qt::QueuedConnection);
        }
    });
    poll.start(10);
    command();
    poll.stop();
    EXPECT_TRUE(acted) << "no dialog came up";
}

void WindowFixture::TypeAndEnter(QWidget* dialog, const std::string& text) {
    QTest::keyClicks(dialog->focusWidget(), QString::fromStdString(text));
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
}

std::string WindowFixture::Opened() const { return ReadFile(m_dir.Path() + "/opened"); }

namespace {
unsigned HoldProc(void* pParam) {
    // Owns a reference of its own: the test may be gone before the worker ends.
    const std::unique_ptr<std::shared_ptr<std::atomic<bool>>> bRelease(
        static_cast<std::shared_ptr<std::atomic<bool>>*>(pParam));
    // Let go after 5 s whatever happens, so that a test that waits for the end of a held count fails
    // instead of hanging.
    for (int i = 0; i < 5000 && !(*bRelease)->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_pCountThread.store(nullptr, std::memory_order_release);
    return 0;
}
}  // namespace

// Released only once the constructor has stored the worker: Release needs the object made.
HeldCount::HeldCount() {
    WaitForCount();  // one count at a time, as the program holds it
    g_pCountThread.store(AfxBeginThread(&HoldProc, new std::shared_ptr<std::atomic<bool>>(m_bRelease)),
                         std::memory_order_release);
}

std::string ResultLine(const Row& cells) {
    std::string line = " " + cells.at(0);
    for (std::size_t c = 1; c < cells.size(); ++c) line += "; " + cells[c];
    return line;
}
