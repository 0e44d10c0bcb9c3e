#include "app/MainFrame.h"
#include "app/ShellFixture.h"
#include "app/ZorbinApp.h"
#include "platform/DocTemplate.h"
#include "platform/Document.h"
#include "platform/MDIChildWnd.h"
#include "scan/CountThread.h"
#include "scan/DriveGlobals.h"
#include "table/ListView_Table.h"
#include "platform/WinThread.h"

#include <QSettings>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

using StartUp = ShellFixture;

TEST_F(StartUp, OpensOneAllDrivesWindowOfItsDesignedSize) {
    Start();
    const auto children = Children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0]->size(), QSize(460, 294));
    EXPECT_EQ(children[0]->windowTitle().toStdString(), "All Drives");
    EXPECT_EQ(children[0]->GetDocument()->GetTitle(), "All Drives");
    EXPECT_NE(dynamic_cast<CListView_Table*>(children[0]->GetView()), nullptr);
    EXPECT_EQ(children[0]->GetTemplate(), theApp.m_pTableTemplate);
    EXPECT_EQ(Frame()->GetActiveChild(), children[0]);
    EXPECT_EQ(Title(), "Zorbin - All Drives");
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(AfxGetMainWnd(), Frame());
    EXPECT_EQ(theApp.m_pDocTemplate->GetResourceId(), 130);
    EXPECT_EQ(theApp.m_pTableTemplate->GetResourceId(), 129);
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(StartUp, WritesTheProfileUnderTarrowZorbin) {
    // QSettings settles its folder at its first use in a process; ctest runs each test in its own.
    Start();
    const std::string file = m_dir.Path() + "/config/Tarrow/Zorbin.conf";
    ASSERT_TRUE(std::filesystem::exists(file)) << file;
    QSettings profile(QString::fromStdString(file), QSettings::IniFormat);
    EXPECT_EQ(profile.value("Settings/RecentFileListSize").toInt(), 16);
}

TEST_F(StartUp, RecentFilesOfOpenLastInTheProfile) {
    Start();
    const std::string opened = m_dir.MakeFile("notes.txt", "x");
    theApp.m_promptFileName = [&] { return opened; };
    theApp.OnFileOpen();
    ASSERT_EQ(Children().size(), 2u);
    EXPECT_EQ(Children()[1]->GetDocument()->GetTitle(), "notes.txt");
    WaitForCount();
    theApp.ExitInstance();

    Start();
    ASSERT_EQ(theApp.m_aRecentFiles.size(), 1u);
    EXPECT_EQ(theApp.m_aRecentFiles[0], opened);
}

TEST_F(StartUp, CommandLineIsReadButOpensNothingMore) {
    std::string file = m_dir.MakeFile("report.txt", "text");
    std::string program = "zorbin", print = "/p";
    char* argv[] = {program.data(), file.data(), print.data(), nullptr};
    Start(3, argv);
    ASSERT_EQ(Children().size(), 1u);
    EXPECT_EQ(Children()[0]->GetDocument()->GetTitle(), "All Drives");
    EXPECT_TRUE(m_boxes.boxes.empty());
}

TEST_F(StartUp, EndingWhileACountRunsDoesNotWaitForIt) {
    Start();
    WaitForCount();
    // A count that only ends when released, and clears g_pCountThread then, as the worker does.
    static std::atomic<bool> release{false};
    CWinThread* worker = AfxBeginThread(
        [](void*) -> unsigned {
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            g_pCountThread.store(nullptr, std::memory_order_release);
            return 0;
        },
        nullptr);
    ASSERT_NE(worker, nullptr);
    g_pCountThread.store(worker, std::memory_order_release);
    theApp.ExitInstance();
    // Back here while the worker still runs: nobody waited for it.
    EXPECT_EQ(g_pCountThread.load(), worker);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    release = true;
    WaitForCount();
}
