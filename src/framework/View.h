#pragma once

class CDocument;
class QWidget;

// What every view of a template offers: its document, its widget, its first update, and the
// commands it handles (routed to the active view by the main frame).
class CView {
public:
    virtual ~CView() = default;
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* document) { m_pDocument = document; }
    virtual QWidget* GetWidget() = 0;
    virtual void OnInitialUpdate() {}
    // True when the view handles the command id (the main frame enables it then).
    virtual bool HandlesCommand(int /*nID*/) const { return false; }
    virtual void OnCommand(int /*nID*/) {}

private:
    CDocument* m_pDocument = nullptr;
};
