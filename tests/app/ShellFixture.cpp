#include "app/ShellFixture.h"

#include "app/MainFrame.h"
#include "app/ZorbinApp.h"
#include "platform/MDIChildWnd.h"
#include "scan/CountThread.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

ShellFixture::ShellFixture()
    : m_drive(m_dir.MakeDir("drive-c")),
      m_config("XDG_CONFIG_HOME", m_dir.Path() + "/config"),
      m_drives("ZORBIN_DRIVES", "C=" + m_drive) {
    m_dir.MakeFile("drive-c/readme.txt", "Zorbin");
}

ShellFixture::~ShellFixture() {
    // The count started by All Drives reads the test's folder: let it end before the folder goes.
    WaitForCount();
    theApp.ExitInstance();
}

void ShellFixture::Start(int argc, char** argv) { ASSERT_TRUE(theApp.InitInstance(argc, argv)); }

CMainFrame* ShellFixture::Frame() { return theApp.m_pMainWnd; }

std::vector<CMDIChildWnd*> ShellFixture::Children() {
    std::vector<CMDIChildWnd*> children;
    for (QMdiSubWindow* window : Frame()->GetMdiArea()->subWindowList(QMdiArea::CreationOrder))
        if (auto* child = qobject_cast<CMDIChildWnd*>(window)) children.push_back(child);
    return children;
}

std::string ShellFixture::Title() { return Frame()->windowTitle().toStdString(); }

void ShellFixture::Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QStringList ShellFixture::Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions()) entries << (action->isSeparator() ? QString("-") : action->text());
    return entries;
}

QStringList ShellFixture::MenuBarTitles() {
    QStringList titles;
    for (const QAction* action : Frame()->menuBar()->actions()) titles << action->text();
    return titles;
}

void ShellFixture::Activate() {
    Frame()->activateWindow();
    QApplication::setActiveWindow(Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
}
