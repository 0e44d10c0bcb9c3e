#include "framework/MDIFrameWnd.h"

#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/ModalWork.h"
#include "framework/StatusBar.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QStyle>

namespace {
CMDIFrameWnd* g_pMainWnd = nullptr;
}  // namespace

CMDIFrameWnd* AfxGetMainWnd() { return g_pMainWnd; }
void AfxSetMainWnd(CMDIFrameWnd* frame) { g_pMainWnd = frame; }

CMDIFrameWnd::CMDIFrameWnd(QWidget* parent) : QMainWindow(parent), m_pMdiArea(new QMdiArea(this)) {
    m_pMdiArea->setObjectName(QStringLiteral("MdiArea"));
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    // Qt reports no active window while the application itself is inactive; the title and the
    // menus follow the current window instead (GetActiveChild).
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { RefreshActiveChild(); });
    UpdateFrameTitle();
}

CMDIFrameWnd::~CMDIFrameWnd() {
    // A derived frame has already destroyed the children; whatever is left goes while the views
    // can no longer reach a half-destroyed frame.
    if (g_pMainWnd == this) g_pMainWnd = nullptr;
    DestroyChildren();
}

void CMDIFrameWnd::DestroyChildren() {
    m_bDestroying = true;
    for (QMdiSubWindow* child : m_pMdiArea->subWindowList()) delete child;
}

void CMDIFrameWnd::closeEvent(QCloseEvent* event) {
    // Closing ends the program, and with it the table being filled: not while a fill runs.
    if (CModalWork::IsRunning()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMDIFrameWnd::RefreshActiveChild() {
    if (m_bDestroying) return;
    OnActiveChildChanged();
    UpdateFrameTitle();
}

void CMDIFrameWnd::SetMessageText(std::string_view text) {
    if (CStatusBar* bar = GetStatusBar()) bar->SetPaneText(0, text, true);
}

void CMDIFrameWnd::AddChild(CMDIChildWnd* child) {
    m_pMdiArea->addSubWindow(child);
    // Maximising and restoring change the title's form; Qt puts back the frame's plain title on
    // restore, after which the document's title has to come back.
    connect(child, &QMdiSubWindow::windowStateChanged, this, [this] { RefreshActiveChild(); });
    child->move(NextCascadePlace(child));
}

QPoint CMDIFrameWnd::NextCascadePlace(const QMdiSubWindow* child) {
    // Down and to the right by a title bar's height, and again from the top left once a window
    // would reach below the client area. Only the height counts: a Files table is 810 pixels
    // wide and often wider than the area itself.
    const int step = child->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, child) + 4;
    const QSize area = m_pMdiArea->viewport()->size();
    QPoint position(m_nCascade * step, m_nCascade * step);
    if (m_nCascade > 0 && position.y() + child->height() > area.height()) {
        m_nCascade = 0;
        position = QPoint(0, 0);
    }
    ++m_nCascade;
    return position;
}

void CMDIFrameWnd::CascadeChildren() {
    // Each window keeps its size (a Files table needs its 810 pixels for its columns) and only
    // moves; the front window ends last, furthest down, and stays in front.
    m_nCascade = 0;
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (window->isMinimized()) continue;
        if (window->isMaximized()) window->showNormal();
        window->move(NextCascadePlace(window));
    }
}

CMDIChildWnd* CMDIFrameWnd::GetActiveChild() const {
    // currentSubWindow, not activeSubWindow: the latter is null whenever another application has
    // the focus, and the title must not flicker to "Zorbin" then.
    QMdiSubWindow* current = m_pMdiArea->currentSubWindow();
    auto* child = qobject_cast<CMDIChildWnd*>(current);
    if (child == nullptr || child->IsClosing()) return nullptr;
    return child;
}

CView* CMDIFrameWnd::GetActiveView() const {
    CMDIChildWnd* child = GetActiveChild();
    return child != nullptr ? child->GetView() : nullptr;
}

void CMDIFrameWnd::SetAppTitle(std::string_view title) {
    m_strAppTitle.assign(title);
    UpdateFrameTitle();
}

std::string CMDIFrameWnd::FrameTitle() const {
    std::string caption = m_strAppTitle;
    const CMDIChildWnd* child = GetActiveChild();
    const CDocument* document = child != nullptr ? child->GetDocument() : nullptr;
    if (document == nullptr) return caption;
    // A maximised child has no caption of its own: Qt appends its title in brackets to whatever
    // the frame's title is, so the frame shows the application's title alone then.
    if (child->isMaximized()) return caption;
    return caption + " - " + document->GetTitle();
}

void CMDIFrameWnd::UpdateFrameTitle() {
    const std::string caption = FrameTitle();
    setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}
