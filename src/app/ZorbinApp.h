#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMultiDocTemplate;
class CMainFrame;

// The application object: prepares the program, registers the two templates through which every
// child window is made, creates the main frame and opens the first table (All Drives).
class CZorbinApp {
public:
    CZorbinApp();
    ~CZorbinApp();
    // Start-up; false ends the program. A QApplication must exist. The command line is the one
    // main() has acted on already: Zorbin opens no file named there, and nothing else in it is for
    // the application object.
    bool InitInstance(int argc = 0, char** argv = nullptr);
    // Tears the windows down again (tests, and the end of main).
    void ExitInstance();
    void OnAppAbout();
    // New and Open make windows of the plain view through m_pDocTemplate; Open asks for a file.
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();

    CMultiDocTemplate* m_pDocTemplate = nullptr;
    CMultiDocTemplate* m_pTableTemplate = nullptr;
    CMainFrame* m_pMainWnd = nullptr;
    // Asks the user for the file that Open opens; empty when the user cancels. Tests replace it.
    std::function<std::string()> m_promptFileName;
    // Asks the user for the file that Export writes; empty when the user cancels. Tests replace it.
    std::function<std::string()> m_promptExportName;
    // The recent-file list of the profile, newest first, at most 16 names.
    std::vector<std::string> m_aRecentFiles;

private:
    void LoadStdProfileSettings(int nMaxMRU);
    void SaveStdProfileSettings() const;
    void AddToRecentFileList(const std::string& path);
    // The main window's place, size, maximised state and toolbar, kept in the profile.
    void SaveWindowPlacement() const;
    void RestoreWindowPlacement();

    std::unique_ptr<CMultiDocTemplate> m_docTemplate;
    std::unique_ptr<CMultiDocTemplate> m_tableTemplate;
    int m_nMaxMRU = 0;
};

extern CZorbinApp theApp;
