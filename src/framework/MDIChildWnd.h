#pragma once
#include <QMdiSubWindow>
#include <memory>

class CDocument;
class CMultiDocTemplate;
class CView;

// Creation record of a child frame: outer size in pixels, 0 meaning the framework's default.
struct CREATESTRUCT {
    int cx = 0;
    int cy = 0;
};

// A child frame of the main frame. It owns its document; its view is its widget.
class CMDIChildWnd : public QMdiSubWindow {
    Q_OBJECT
public:
    CMDIChildWnd();
    ~CMDIChildWnd() override;
    virtual bool PreCreateWindow(CREATESTRUCT& cs);
    void Attach(std::unique_ptr<CDocument> document, CView* view);
    CDocument* GetDocument() const { return m_pDocument.get(); }
    CView* GetView() const { return m_pView; }
    // The template that made this frame (New Window makes another through it).
    CMultiDocTemplate* GetTemplate() const { return m_pTemplate; }
    void SetTemplate(CMultiDocTemplate* pTemplate) { m_pTemplate = pTemplate; }
    // True from the moment the frame closes: it no longer counts as the active child.
    bool IsClosing() const { return m_bClosing; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The view goes first (it may still speak to the status bar), the document after it.
    std::unique_ptr<CDocument> m_pDocument;
    CView* m_pView = nullptr;
    CMultiDocTemplate* m_pTemplate = nullptr;
    bool m_bClosing = false;
};
