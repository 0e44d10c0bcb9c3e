#include "framework/DocTemplate.h"

#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/MDIFrameWnd.h"
#include "framework/View.h"

#include <QMdiArea>
#include <algorithm>
#include <filesystem>

namespace {

// The framework's default size of a child frame: three quarters of the main frame's client area,
// or 640 by 480 while that area has no size yet (before the main frame is first shown).
QSize DefaultChildSize(const CMDIFrameWnd* mainWnd) {
    if (mainWnd != nullptr) {
        const QSize area = mainWnd->GetMdiArea()->viewport()->size();
        if (area.width() >= 200 && area.height() >= 150) return {area.width() * 3 / 4, area.height() * 3 / 4};
    }
    return {640, 480};
}

}  // namespace

CMultiDocTemplate::CMultiDocTemplate(int nIDResource, std::function<std::unique_ptr<CDocument>()> makeDocument,
                                     std::function<CMDIChildWnd*()> makeFrame, std::function<CView*()> makeView,
                                     std::string strDocName)
    : m_nIDResource(nIDResource),
      m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)),
      m_makeView(std::move(makeView)),
      m_strDocName(std::move(strDocName)) {}

CDocument* CMultiDocTemplate::OpenDocumentFile(const char* pszPathName, bool bMakeVisible) {
    CMDIFrameWnd* mainWnd = AfxGetMainWnd();

    // The frame first: its PreCreateWindow decides the size from what is about to open.
    CMDIChildWnd* frame = m_makeFrame();
    if (frame == nullptr) return nullptr;
    CREATESTRUCT cs;
    if (!frame->PreCreateWindow(cs)) {
        delete frame;
        return nullptr;
    }

    std::unique_ptr<CDocument> document = m_makeDocument();
    if (document == nullptr || !document->OnNewDocument()) {
        delete frame;
        return nullptr;
    }
    if (pszPathName != nullptr) {
        document->SetTitle(std::filesystem::path(pszPathName).filename().string());
    } else if (m_strDocName.empty()) {
        document->SetTitle("Untitled");
    } else {
        document->SetTitle(m_strDocName + std::to_string(++m_nUntitledCount));
    }
    CDocument* result = document.get();

    CView* view = m_makeView();
    frame->SetTemplate(this);
    frame->Attach(std::move(document), view);

    const QSize fallback = DefaultChildSize(mainWnd);
    frame->resize(cs.cx > 0 ? cs.cx : fallback.width(), cs.cy > 0 ? cs.cy : fallback.height());
    if (mainWnd != nullptr) mainWnd->AddChild(frame);

    // The whole fill of a table happens here, so the window is complete when this call returns.
    if (view != nullptr) view->OnInitialUpdate();

    if (bMakeVisible) {
        frame->show();
        if (mainWnd != nullptr) mainWnd->GetMdiArea()->setActiveSubWindow(frame);
        if (QWidget* widget = view != nullptr ? view->GetWidget() : nullptr) widget->setFocus();
    }
    if (mainWnd != nullptr) mainWnd->RefreshActiveChild();
    return result;
}
