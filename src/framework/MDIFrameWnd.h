#pragma once
#include <QMainWindow>
#include <string>
#include <string_view>

class CStatusBar;
class CMDIChildWnd;
class CView;
class QMdiArea;
class QMdiSubWindow;

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
    // Window > Cascade: the open windows overlap from the top left, each keeping its size.
    void CascadeChildren();
    CMDIChildWnd* GetActiveChild() const;
    CView* GetActiveView() const;
    void SetAppTitle(std::string_view title);
    void UpdateFrameTitle();
    // A child frame opened, closed or became active: the title, menus and commands follow.
    void RefreshActiveChild();
    // Enables the commands that have a handler now; the main frame knows its commands.
    virtual void UpdateCommandUI() {}

protected:
    // Destroys every child frame while this frame is still whole (their views speak to the
    // status bar as they go); derived frames call it first thing in their destructor.
    void DestroyChildren();
    // Called when another child becomes active (or none): menus and commands follow it.
    virtual void OnActiveChildChanged() {}
    void closeEvent(QCloseEvent* event) override;

private:
    std::string FrameTitle() const;
    // Where the next window of the cascade goes.
    QPoint NextCascadePlace(const QMdiSubWindow* child);

    QMdiArea* m_pMdiArea = nullptr;
    std::string m_strAppTitle;
    bool m_bDestroying = false;
    int m_nCascade = 0;  // place of the next child window in the cascade
};

// The program's main window, or null before it exists / after it is gone.
CMDIFrameWnd* AfxGetMainWnd();
void AfxSetMainWnd(CMDIFrameWnd* frame);
