#pragma once
#include <QMainWindow>
#include <string>
#include <string_view>

class CStatusBar;
class CMDIChildWnd;
class CView;
class QMdiArea;

// The multiple-document main frame: a QMainWindow around a QMdiArea. The add-to-title style is
// built in: the caption is the application title, or "title - active document", or
// "title - [active document]" while the active child is maximised (Qt adds the bracketed part).
class CMDIFrameWnd : public QMainWindow {
    Q_OBJECT
public:
    explicit CMDIFrameWnd(QWidget* parent = nullptr);
    ~CMDIFrameWnd() override;
    QMdiArea* GetMdiArea() const { return m_pMdiArea; }
    virtual CStatusBar* GetStatusBar() const = 0;
    // Sets the message pane (pane 0) of the status bar.
    void SetMessageText(std::string_view text);
    // Adds a child frame (already sized) to the client area at the next cascade position.
    void AddChild(CMDIChildWnd* child);
    CMDIChildWnd* GetActiveChild() const;
    CView* GetActiveView() const;
    void SetAppTitle(std::string_view title);
    void UpdateFrameTitle();
    // A child frame opened, closed or became active: the title, menus and commands follow.
    void RefreshActiveChild();

protected:
    // Destroys every child frame while this frame is still whole (their views speak to the
    // status bar as they go); derived frames call it first thing in their destructor.
    void DestroyChildren();
    // Called when another child becomes active (or none): menus and commands follow it.
    virtual void OnActiveChildChanged() {}
    void closeEvent(QCloseEvent* event) override;

private:
    std::string FrameTitle() const;

    QMdiArea* m_pMdiArea = nullptr;
    std::string m_strAppTitle;
    bool m_bDestroying = false;
    int m_nCascade = 0;  // place of the next child window in the cascade
};

// The program's main window, or null before it exists / after it is gone.
CMDIFrameWnd* AfxGetMainWnd();
void AfxSetMainWnd(CMDIFrameWnd* frame);
