#pragma once
#include <memory>

class CMultiDocTemplate;
class CMainFrame;

// The application object: prepares the program, registers the two templates through which every
// child window is made, creates the main frame and opens the first table (All Drives).
class CZorbinApp {
public:
    CZorbinApp();
    ~CZorbinApp();
    // Start-up; false ends the program. A QApplication must exist.
    bool InitInstance(int argc = 0, char** argv = nullptr);
    // Tears the windows down again (tests, and the end of main).
    void ExitInstance();
    void OnAppAbout();

    CMultiDocTemplate* m_pDocTemplate = nullptr;
    CMultiDocTemplate* m_pTableTemplate = nullptr;
    CMainFrame* m_pMainWnd = nullptr;

private:
    std::unique_ptr<CMultiDocTemplate> m_docTemplate;
    std::unique_ptr<CMultiDocTemplate> m_tableTemplate;
};

extern CZorbinApp theApp;
