#include "app/ZorbinApp.h"

#include "app/AboutDlg.h"
#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/Resource.h"
#include "app/ZorbinDoc.h"
#include "app/ZorbinView.h"
#include "framework/DocTemplate.h"
#include "framework/MdiButtonStyle.h"
#include "table/ListView_Table.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSettings>
#include <algorithm>

// The resources live in the core library; a static library's resources must be pulled in by name.
static void InitResources() { Q_INIT_RESOURCE(zorbin); }

CZorbinApp theApp;

namespace {

// The profile: company key "Tarrow", application "Zorbin", as the settings are stored per user.
constexpr const char* kCompany = "Tarrow";
constexpr const char* kAppName = "Zorbin";
constexpr const char* kRecentGroup = "Recent File List";
constexpr const char* kGeometryKey = "Settings/MainWindowGeometry";  // place, size, maximised or not
constexpr const char* kStateKey = "Settings/MainWindowState";        // where the toolbar stands

CMDIChildWnd* MakeChildFrame(const char* icon) {
    auto* frame = new CChildFrame;
    frame->setWindowIcon(QIcon(icon));
    return frame;
}

}  // namespace

CZorbinApp::CZorbinApp() {
    m_promptFileName = [] {
        // The file's name in the bytes the file system holds, not re-encoded.
        return QFile::encodeName(QFileDialog::getOpenFileName(QApplication::activeWindow(), "Open")).toStdString();
    };
    m_promptExportName = [] {
        // The dialog asks before an existing file is replaced.
        return QFile::encodeName(QFileDialog::getSaveFileName(QApplication::activeWindow(), "Export", QString(),
                                                              "CSV (*.csv);;Tab-separated text (*.tsv *.txt)"))
            .toStdString();
    };
}

CZorbinApp::~CZorbinApp() = default;

bool CZorbinApp::InitInstance(int /*argc*/, char** /*argv*/) {
    InitResources();
    QCoreApplication::setOrganizationName(kCompany);
    QCoreApplication::setApplicationName(kAppName);
    QApplication::setWindowIcon(QIcon(":/icons/zorbin.svg"));
    // The desktop's style, with window buttons that follow the palette; set once per process.
    if (qobject_cast<CMdiButtonStyle*>(QApplication::style()) == nullptr)
        QApplication::setStyle(new CMdiButtonStyle(QApplication::style()->name()));

    LoadStdProfileSettings(16);

    m_docTemplate = std::make_unique<CMultiDocTemplate>(
        IDR_DOCTYPE, [] { return std::make_unique<CZorbinDoc>(); },
        [] { return MakeChildFrame(":/icons/document.svg"); }, []() -> CView* { return new CZorbinView; }, "Zorbin");
    m_pDocTemplate = m_docTemplate.get();
    // Tables have no document name: their view titles them.
    m_tableTemplate = std::make_unique<CMultiDocTemplate>(
        IDR_TABLETYPE, [] { return std::make_unique<CZorbinDoc>(); },
        [] { return MakeChildFrame(":/icons/table.svg"); }, []() -> CView* { return new CListView_Table; });
    m_pTableTemplate = m_tableTemplate.get();

    auto* frame = new CMainFrame;
    if (frame->OnCreate() != 0) {
        delete frame;
        return false;
    }
    m_pMainWnd = frame;
    AfxSetMainWnd(frame);

    RestoreWindowPlacement();

    // g_nNextTable starts at 0: the first table is All Drives.
    m_pTableTemplate->OpenDocumentFile(nullptr, true);

    frame->show();
    frame->update();
    return true;
}

void CZorbinApp::ExitInstance() {
    if (m_pMainWnd != nullptr) {
        SaveStdProfileSettings();
        SaveWindowPlacement();
    }
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    m_pDocTemplate = nullptr;
    m_pTableTemplate = nullptr;
    m_docTemplate.reset();
    m_tableTemplate.reset();
}

void CZorbinApp::OnAppAbout() {
    CAboutDlg about(m_pMainWnd);
    about.DoModal();
}

void CZorbinApp::OnFileNew() {
    if (m_pDocTemplate != nullptr) m_pDocTemplate->OpenDocumentFile(nullptr, true);
}

void CZorbinApp::OnFileOpen() {
    if (m_pDocTemplate == nullptr || !m_promptFileName) return;
    const std::string path = m_promptFileName();
    if (path.empty()) return;
    // The plain view reads nothing from the file: the window only carries its name.
    if (m_pDocTemplate->OpenDocumentFile(path.c_str(), true) != nullptr) AddToRecentFileList(path);
}

void CZorbinApp::OnFilePrintSetup() {
    QPrinter printer;
    QPageSetupDialog dialog(&printer, m_pMainWnd);
    dialog.exec();
}

void CZorbinApp::LoadStdProfileSettings(int nMaxMRU) {
    m_nMaxMRU = nMaxMRU;
    QSettings settings;
    m_aRecentFiles.clear();
    settings.beginGroup(kRecentGroup);
    for (int i = 1; i <= nMaxMRU; ++i) {
        const QString name = settings.value(QString("File%1").arg(i)).toString();
        if (!name.isEmpty()) m_aRecentFiles.push_back(name.toStdString());
    }
    settings.endGroup();
    // Written back at once, so the profile exists from the first start on.
    settings.setValue("Settings/PreviewPages", settings.value("Settings/PreviewPages", 0).toInt());
    settings.setValue("Settings/RecentFileListSize", nMaxMRU);
    settings.sync();
}

void CZorbinApp::SaveStdProfileSettings() const {
    QSettings settings;
    settings.beginGroup(kRecentGroup);
    settings.remove("");
    for (size_t i = 0; i < m_aRecentFiles.size(); ++i)
        settings.setValue(QString("File%1").arg(i + 1), QString::fromStdString(m_aRecentFiles[i]));
    settings.endGroup();
    settings.sync();
}

void CZorbinApp::AddToRecentFileList(const std::string& path) {
    std::erase(m_aRecentFiles, path);
    m_aRecentFiles.insert(m_aRecentFiles.begin(), path);
    if (m_aRecentFiles.size() > static_cast<size_t>(m_nMaxMRU)) m_aRecentFiles.resize(static_cast<size_t>(m_nMaxMRU));
}

void CZorbinApp::SaveWindowPlacement() const {
    QSettings settings;
    settings.setValue(kGeometryKey, m_pMainWnd->saveGeometry());
    settings.setValue(kStateKey, m_pMainWnd->saveState());
    settings.sync();
}

void CZorbinApp::RestoreWindowPlacement() {
    const QSettings settings;
    // Qt moves a window whose screen is gone onto one that is there, and keeps it within it.
    if (const QByteArray geometry = settings.value(kGeometryKey).toByteArray(); !geometry.isEmpty())
        m_pMainWnd->restoreGeometry(geometry);
    if (const QByteArray state = settings.value(kStateKey).toByteArray(); !state.isEmpty())
        m_pMainWnd->restoreState(state);
}
