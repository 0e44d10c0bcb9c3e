#pragma once
#include <functional>
#include <memory>
#include <string>

class CDocument;
class CMDIChildWnd;
class CView;

// Makes the child frame, document and view of one kind of window, adds the frame to the main
// frame, runs the view's initial update (so a table is whole when OpenDocumentFile returns) and
// shows the frame.
class CMultiDocTemplate {
public:
    CMultiDocTemplate(int nIDResource, std::function<std::unique_ptr<CDocument>()> makeDocument,
                      std::function<CMDIChildWnd*()> makeFrame, std::function<CView*()> makeView,
                      std::string strDocName = {});
    int GetResourceId() const { return m_nIDResource; }
    // Null pszPathName: a new untitled document, titled "<doc name><n>" ("Untitled" without a
    // document name). A path titles the document with the file's name. Returns the new document,
    // or null on failure.
    CDocument* OpenDocumentFile(const char* pszPathName, bool bMakeVisible = true);

private:
    int m_nIDResource;
    std::function<std::unique_ptr<CDocument>()> m_makeDocument;
    std::function<CMDIChildWnd*()> m_makeFrame;
    std::function<CView*()> m_makeView;
    std::string m_strDocName;
    int m_nUntitledCount = 0;
};
