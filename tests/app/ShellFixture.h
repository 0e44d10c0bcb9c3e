#pragma once
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <vector>

class CMainFrame;
class CMDIChildWnd;
class QMenu;

// Zorbin started on the offscreen display over a drive folder of the test's own, with the profile
// below the test's folder and every message box recorded; torn down at the end.
class ShellFixture : public ::testing::Test {
public:
    static CMainFrame* Frame();

protected:
    ShellFixture();
    ~ShellFixture() override;

    void Start(int argc = 0, char** argv = nullptr);
    static std::vector<CMDIChildWnd*> Children();  // in creation order
    static std::string Title();                    // the main window's
    // Lets closed windows go, as the event loop would.
    static void Settle();
    // The entries of a menu: texts, "-" for a separator.
    static QStringList Entries(const QMenu* menu);
    static QStringList MenuBarTitles();
    // Makes the main window the active one, so that its keys work.
    static void Activate();

    TempDir m_dir;
    std::string m_drive;
    ScopedEnv m_config;
    ScopedEnv m_drives;
    MessageBoxRecorder m_boxes;
};
