#include "framework/MDIChildWnd.h"

#include "framework/Document.h"
#include "framework/MDIFrameWnd.h"
#include "framework/ModalWork.h"
#include "framework/View.h"

#include <QCloseEvent>
#include <QVBoxLayout>
#include <QWidget>

CMDIChildWnd::CMDIChildWnd() {
    // Closing a child window ends its document and view, as the framework's child frames do.
    setAttribute(Qt::WA_DeleteOnClose);
}

CMDIChildWnd::~CMDIChildWnd() {
    m_bClosing = true;
    if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->RefreshActiveChild();
    // The view goes first (its destructor may still speak to the status bar), the document after.
    if (m_pView != nullptr) {
        delete m_pView->GetWidget();  // the view is its widget
        m_pView = nullptr;
    }
    m_pDocument.reset();
}

bool CMDIChildWnd::PreCreateWindow(CREATESTRUCT& /*cs*/) { return true; }

void CMDIChildWnd::Attach(std::unique_ptr<CDocument> document, CView* view) {
    m_pDocument = std::move(document);
    m_pView = view;
    if (m_pDocument != nullptr) {
        m_pDocument->m_onTitleChanged = [this](const std::string& title) {
            setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
            // A sort retitles the document; the main window shows it while this child is active.
            if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->UpdateFrameTitle();
        };
        m_pDocument->m_onTitleChanged(m_pDocument->GetTitle());
    }
    if (m_pView != nullptr) {
        m_pView->SetDocument(m_pDocument.get());
        // The view sits in a client area of its own: a QMdiSubWindow shows, hides and activates
        // itself with its widget, but a view hidden for a fill or a sort must leave its frame as it
        // is (and must not take the focus while its rows change).
        auto* client = new QWidget;
        auto* layout = new QVBoxLayout(client);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(m_pView->GetWidget());
        client->setFocusProxy(m_pView->GetWidget());
        setWidget(client);
    }
}

void CMDIChildWnd::closeEvent(QCloseEvent* event) {
    // While a table fills, this window may be the one in the making, or the one whose handler
    // opened it and continues once the fill returns: it stays.
    if (CModalWork::IsRunning()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (!event->isAccepted()) return;
    m_bClosing = true;
    if (CMDIFrameWnd* frame = AfxGetMainWnd()) frame->RefreshActiveChild();
}
